#include "database/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <vector>

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
        const ssize_t n =
            ::copy_file_range(inFd, &offset, outFd, nullptr, static_cast<std::size_t>(1) << 30, 0);
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
            const ssize_t w =
                ::write(outFd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                error = describeErrno(out.fileName(), errno);
                return false;
            }
            done += w;
        }
    }
}

qint64 readFull(QIODevice& device, char* buffer, qint64 size, std::string& error) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = device.read(buffer + got, size - got);
        if (n < 0) {
            error = device.errorString().toStdString();
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write,
                   std::string& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!write(file)) {
        if (error.empty()) error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    std::string named;
    if (!commitSynced(file, named)) {
        const std::string prefix = file.fileName().toStdString() + ": ";
        error = named.rfind(prefix, 0) == 0 ? named.substr(prefix.size()) : named;
        return false;
    }
    return true;
}

bool saveWholeFile(const QString& path, std::string_view bytes, std::string& error) {
    return saveWholeFile(
        path,
        [bytes](QSaveFile& file) {
            const auto size = static_cast<qint64>(bytes.size());
            return file.write(bytes.data(), size) == size;
        },
        error);
}

}  // namespace morvel
