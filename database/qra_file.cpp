#include "database/qra_file.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "database/qra_names.h"

namespace morvel {

std::string describeErrno(const QString& path, int errorNumber) {
    return path.toStdString() + ": " + std::strerror(errorNumber);
}

std::string describeError(const QFileDevice& file) {
    QString reason = file.errorString();
    // Qt says "Unknown error" for some failures whose errno tells the reason.
    if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && errno != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    return (file.fileName() + QStringLiteral(": ") + reason).toStdString();
}

bool commitSynced(QSaveFile& file, std::string& error) {
    if (!file.flush()) {
        error = describeError(file);
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        error = describeErrno(file.fileName(), errno);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = describeError(file);
        return false;
    }
    // The rename itself is on the disk only once the folder is synced.
    const QByteArray folder = QFile::encodeName(QFileInfo(file.fileName()).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

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
        if (!old.open(QIODevice::ReadOnly) ||
            !copyRest(old, kDatabaseSize, out, error)) {
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

bool copyRest(QFileDevice& in, qint64 from, QFileDevice& out, std::string& error) {
    if (!out.flush()) {
        error = describeError(out);
        return false;
    }
    const int inFd = in.handle();
    const int outFd = out.handle();
    // In the kernel first, without passing the bytes through this process.
    loff_t offset = from;
    for (;;) {
        const ssize_t n = ::copy_file_range(inFd, &offset, outFd, nullptr,
                                            static_cast<std::size_t>(1) << 30, 0);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        const bool writing = errno == ENOSPC || errno == EFBIG || errno == EDQUOT;
        error = describeErrno(writing ? out.fileName() : in.fileName(), errno);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::pread(inFd, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = describeErrno(in.fileName(), errno);
            return false;
        }
        if (n == 0) return true;
        offset += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(outFd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                error = describeErrno(out.fileName(), errno);
                return false;
            }
            done += w;
        }
    }
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
    std::string committed;
    if (!commitSynced(out, committed)) {
        // The caller names the file: keep the reason alone.
        const std::string name = path.toStdString() + ": ";
        error = committed.rfind(name, 0) == 0 ? committed.substr(name.size()) : committed;
        return false;
    }
    return true;
}

}  // namespace morvel
