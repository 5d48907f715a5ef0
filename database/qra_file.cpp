#include "database/qra_file.h"

#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "database/database_lock.h"
#include "database/qra_names.h"

namespace morvel {

bool openDatabase(QFile& file, Error& error) {
    return openRegularFile(file, QIODevice::ReadOnly, error);
}

bool readDatabase(const QString& path, std::vector<FieldRecord>& records, Error& error,
                  qint64* fileSize) {
    QFile file(path);
    if (!openDatabase(file, error)) return false;
    if (fileSize) *fileSize = file.size();
    records.clear();
    records.reserve(kRecordCount);
    QString reason;
    if (!forEachRecord(
            file, [&](int, const FieldRecord& record) { records.push_back(record); }, reason)) {
        error = {path, reason};
        return false;
    }
    return true;
}

bool readRecord(const QString& path, int recordNo, FieldRecord& record, Error& error) {
    if (!isValidRecordNumber(recordNo)) {
        error = {path, QStringLiteral("record %1 is outside the database").arg(recordNo)};
        return false;
    }
    QFile file(path);
    if (!openDatabase(file, error)) return false;
    char buffer[FieldRecord::kSize] = {};
    const qint64 offset = static_cast<qint64>(recordNo - 1) * FieldRecord::kSize;
    QString reason;
    if (offset < file.size() &&
        (!file.seek(offset) || readFull(file, buffer, sizeof buffer, reason) < 0)) {
        error = fileError(file);
        return false;
    }
    record = FieldRecord::decode(buffer);
    return true;
}

QString databaseSizeWarning(const QString& name, qint64 size) {
    if (size == kDatabaseSize) return {};
    const QLocale english(QLocale::English);
    const QString head = QStringLiteral("%1 is %2 bytes, not %3")
                             .arg(name, english.toString(size), english.toString(kDatabaseSize));
    return head + (size < kDatabaseSize
                       ? QStringLiteral(": its missing squares read as empty")
                       : QStringLiteral(": the bytes beyond its last square are kept"));
}

bool writeDatabase(const QString& path, const std::vector<FieldRecord>& records, Error& error,
                   bool* replaced) {
    if (replaced) *replaced = false;
    if (records.size() != static_cast<std::size_t>(kRecordCount)) {
        error = {path, QStringLiteral("not a whole database")};
        return false;
    }
    // A database marked read-only stays as it is, also for a user (root) whom
    // the system would let replace it.
    const QFileInfo info(path);
    if (info.exists() &&
        (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0) {
        error = {path, QStringLiteral("the file is read-only")};
        return false;
    }
    std::vector<char> bytes(static_cast<std::size_t>(kDatabaseSize));
    for (std::size_t r = 0; r < records.size(); ++r)
        records[r].encode(bytes.data() + r * FieldRecord::kSize);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        out.write(bytes.data(), kDatabaseSize) != kDatabaseSize) {
        error = fileError(out);
        out.cancelWriting();
        return false;
    }
    QFile old(path);
    if (info.exists() && info.size() > kDatabaseSize) {
        if (!openDatabase(old, error) || !copyRest(old, kDatabaseSize, out, error)) {
            out.cancelWriting();
            return false;
        }
    }
    return commitSynced(out, error, replaced);
}

bool forEachRecord(QIODevice& device, const std::function<void(int, const FieldRecord&)>& visit,
                   QString& reason) {
    std::vector<char> buffer(static_cast<std::size_t>(kDatabaseSize), '\0');
    if (readFull(device, buffer.data(), kDatabaseSize, reason) < 0) return false;
    for (int r = 1; r <= kRecordCount; ++r)
        visit(r, FieldRecord::decode(buffer.data() +
                                     static_cast<std::size_t>(r - 1) * FieldRecord::kSize));
    return true;
}

std::vector<FieldRecord> decodeDatabase(std::string_view bytes) {
    std::vector<char> whole(static_cast<std::size_t>(kDatabaseSize), '\0');
    // Only whole squares count: a square cut short is empty.
    const std::size_t whole_squares = bytes.size() / SquareEntry::kSize * SquareEntry::kSize;
    std::copy_n(bytes.data(), std::min(whole_squares, whole.size()), whole.begin());
    std::vector<FieldRecord> records;
    records.reserve(kRecordCount);
    for (int r = 0; r < kRecordCount; ++r)
        records.push_back(
            FieldRecord::decode(whole.data() + static_cast<std::size_t>(r) * FieldRecord::kSize));
    return records;
}

bool writeBlankDatabase(const QString& path, Error& error) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(kDatabaseSize));
    const std::string record = FieldRecord::blank().bytes();
    for (int r = 1; r <= kRecordCount; ++r) bytes += record;
    return saveWholeFile(path, bytes, error);
}

}  // namespace morvel
