#include "database/qra_file.h"

#include <QFileInfo>
#include <QSaveFile>
#include <vector>

#include "database/qra_names.h"

namespace morvel {

bool readDatabase(const QString& path, std::vector<FieldRecord>& records, std::string& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = describeError(file);
        return false;
    }
    records.clear();
    records.reserve(kRecordCount);
    std::string readError;
    const bool ok = forEachRecord(
        file, [&](int, const FieldRecord& record) { records.push_back(record); }, readError);
    if (!ok) error = path.toStdString() + ": " + readError;
    return ok;
}

bool writeDatabase(const QString& path, const std::vector<FieldRecord>& records,
                   std::string& error) {
    if (records.size() != static_cast<std::size_t>(kRecordCount)) {
        error = path.toStdString() + ": not a whole database";
        return false;
    }
    // A database marked read-only stays as it is, also for a user (root) whom
    // the system would let replace it.
    const QFileInfo info(path);
    if (info.exists() &&
        (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0) {
        error = path.toStdString() + ": the file is read-only";
        return false;
    }
    std::vector<char> bytes(static_cast<std::size_t>(kDatabaseSize));
    for (std::size_t r = 0; r < records.size(); ++r)
        records[r].encode(bytes.data() + r * FieldRecord::kSize);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        out.write(bytes.data(), kDatabaseSize) != kDatabaseSize) {
        error = describeError(out);
        out.cancelWriting();
        return false;
    }
    QFile old(path);
    if (old.size() > kDatabaseSize) {
        if (!old.open(QIODevice::ReadOnly) || !copyRest(old, kDatabaseSize, out, error)) {
            if (error.empty()) error = describeError(old);
            out.cancelWriting();
            return false;
        }
    }
    return commitSynced(out, error);
}

bool replaceRecord(const QString& path, int recordNo, const FieldRecord& record,
                   std::string& error) {
    if (!isValidRecordNumber(recordNo)) {
        error = "record " + std::to_string(recordNo) + " is outside the database";
        return false;
    }
    std::vector<FieldRecord> records;
    if (!readDatabase(path, records, error)) return false;
    records[static_cast<std::size_t>(recordNo - 1)] = record;
    return writeDatabase(path, records, error);
}

std::unique_ptr<QraFile> QraFile::open(const QString& path, Mode mode, std::string& error) {
    std::unique_ptr<QraFile> db(new QraFile(path));
    if (!QFile::exists(path)) {
        error = (path + QStringLiteral(": no such file")).toStdString();
        return nullptr;
    }
    const QIODevice::OpenMode flags =
        mode == Mode::Read
            ? QIODevice::ReadOnly
            : (QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered);
    if (!db->file_.open(flags)) {
        error = describeError(db->file_);
        return nullptr;
    }
    return db;
}

bool QraFile::read(int recordNo, FieldRecord& record, std::string& error) {
    if (!isValidRecordNumber(recordNo)) {
        error = "record " + std::to_string(recordNo) + " is outside the database";
        return false;
    }
    char buffer[FieldRecord::kSize] = {};
    const qint64 offset = static_cast<qint64>(recordNo - 1) * FieldRecord::kSize;
    if (offset < file_.size()) {
        if (!file_.seek(offset)) {
            error = describeError(file_);
            return false;
        }
        if (readFull(file_, buffer, sizeof buffer, error) < 0) {
            error = describeError(file_);
            return false;
        }
    }
    record = FieldRecord::decode(buffer);
    return true;
}

bool QraFile::write(int recordNo, const FieldRecord& record, std::string& error) {
    if (!isValidRecordNumber(recordNo)) {
        error = "record " + std::to_string(recordNo) + " is outside the database";
        return false;
    }
    char buffer[FieldRecord::kSize];
    record.encode(buffer);
    const qint64 offset = static_cast<qint64>(recordNo - 1) * FieldRecord::kSize;
    if (!file_.seek(offset) ||
        file_.write(buffer, sizeof buffer) != static_cast<qint64>(sizeof buffer)) {
        error = describeError(file_);
        return false;
    }
    return true;
}

bool QraFile::flush(std::string& error) {
    if (!file_.flush()) {
        error = describeError(file_);
        return false;
    }
    return true;
}

bool forEachRecord(QIODevice& device, const std::function<void(int, const FieldRecord&)>& visit,
                   std::string& error) {
    std::vector<char> buffer(static_cast<std::size_t>(kDatabaseSize), '\0');
    if (readFull(device, buffer.data(), kDatabaseSize, error) < 0) return false;
    for (int r = 1; r <= kRecordCount; ++r)
        visit(r, FieldRecord::decode(buffer.data() +
                                     static_cast<std::size_t>(r - 1) * FieldRecord::kSize));
    return true;
}

bool writeBlankDatabase(const QString& path, std::string& error) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(kDatabaseSize));
    const std::string record = FieldRecord::blank().bytes();
    for (int r = 1; r <= kRecordCount; ++r) bytes += record;
    return saveWholeFile(path, bytes, error);
}

}  // namespace morvel
