#include "database/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <vector>

namespace morvel {

QString Error::message() const {
    if (file.isEmpty()) return reason;
    return file + QStringLiteral(": ") + reason;
}

Error errnoError(const QString& path, int errorNumber) {
    return {path, QString::fromLocal8Bit(std::strerror(errorNumber))};
}

Error fileError(const QFileDevice& file) {
    QString reason = file.errorString();
    // Qt says "Unknown error" for some failures whose errno tells the reason.
    if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && errno != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (reason.isEmpty()) reason = QStringLiteral("Unknown error");
    return {file.fileName(), reason};
}

bool openRegularFile(QFile& file, QIODevice::OpenMode mode, Error& error) {
    const QString path = file.fileName();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int flags = ((mode & QIODevice::WriteOnly) ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        error = errnoError(path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int reason = errno;
        ::close(fd);
        error = S_ISREG(st.st_mode) ? errnoError(path, reason)
                                    : Error{path, QStringLiteral("not a file")};
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = fileError(file);
        return false;
    }
    return true;
}

bool syncFolder(const QString& path, Error& error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = errnoError(path, errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

bool commitSynced(QSaveFile& file, Error& error, bool* renamed) {
    if (renamed) *renamed = false;
    if (!file.flush()) {
        error = fileError(file);
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        error = errnoError(file.fileName(), errno);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = fileError(file);
        return false;
    }
    if (renamed) *renamed = true;
    // The rename itself is on the disk only once the folder is synced; a
    // folder that cannot be synced may lose the new file in a power cut.
    return syncFolder(QFileInfo(file.fileName()).absolutePath(), error);
}

bool copyRest(QFileDevice& in, qint64 from, QFileDevice& out, Error& error) {
    if (!out.flush()) {
        error = fileError(out);
        return false;
    }
    const int inFd = in.handle();
    const int outFd = out.handle();
    // In the kernel first, without passing the bytes through this process.
    loff_t offset = from;
    for (;;) {
        const ssize_t n =
            ::copy_file_range(inFd, &offset, outFd, nullptr, static_cast<std::size_t>(1) << 30, 0);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        const bool writing = errno == ENOSPC || errno == EFBIG || errno == EDQUOT;
        error = errnoError(writing ? out.fileName() : in.fileName(), errno);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::pread(inFd, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errnoError(in.fileName(), errno);
            return false;
        }
        if (n == 0) return true;
        offset += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::write(outFd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                error = errnoError(out.fileName(), errno);
                return false;
            }
            done += w;
        }
    }
}

qint64 readFull(QIODevice& device, char* buffer, qint64 size, QString& reason) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = device.read(buffer + got, size - got);
        if (n < 0) {
            reason = device.errorString();
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write,
                   Error& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = fileError(file);
        return false;
    }
    if (!write(file)) {
        if (!error.isSet()) error = fileError(file);
        file.cancelWriting();
        return false;
    }
    return commitSynced(file, error);
}

bool saveWholeFile(const QString& path, std::string_view bytes, Error& error) {
    return saveWholeFile(
        path,
        [bytes](QSaveFile& file) {
            const auto size = static_cast<qint64>(bytes.size());
            return file.write(bytes.data(), size) == size;
        },
        error);
}

}  // namespace morvel
