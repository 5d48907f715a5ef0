#include "database/qra_file.h"

#include <QSaveFile>
#include <cstring>
#include <vector>

#include "database/qra_names.h"

namespace morvel {

std::string describeError(const QFileDevice& file) {
    return (file.fileName() + QStringLiteral(": ") + file.errorString()).toStdString();
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
        qint64 got = 0;
        while (got < static_cast<qint64>(sizeof buffer)) {
            const qint64 n = file_.read(buffer + got, static_cast<qint64>(sizeof buffer) - got);
            if (n < 0) {
                error = describeError(file_);
                return false;
            }
            if (n == 0) break;
            got += n;
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
    qint64 got = 0;
    while (got < kDatabaseSize) {
        const qint64 n = device.read(buffer.data() + got, kDatabaseSize - got);
        if (n < 0) {
            error = device.errorString().toStdString();
            return false;
        }
        if (n == 0) break;
        got += n;
    }
    for (int r = 1; r <= kRecordCount; ++r)
        visit(r, FieldRecord::decode(buffer.data() +
                                     static_cast<std::size_t>(r - 1) * FieldRecord::kSize));
    return true;
}

bool writeBlankDatabase(const QString& path, std::string& error) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString().toStdString();
        return false;
    }
    const std::string record = FieldRecord::blank().bytes();
    for (int r = 1; r <= kRecordCount; ++r) {
        if (out.write(record.data(), static_cast<qint64>(record.size())) !=
            static_cast<qint64>(record.size())) {
            error = out.errorString().toStdString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        error = out.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace morvel
