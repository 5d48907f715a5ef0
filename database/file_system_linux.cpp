#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <vector>

#include "database/file_system.h"

namespace morvel {

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

bool syncFile(QFileDevice& file, Error& error) {
    if (::fsync(file.handle()) == 0) return true;
    error = errnoError(file.fileName(), errno);
    return false;
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

bool copyRest(QFileDevice& in, qint64 from, QFileDevice& out, Error& error,
              const std::function<bool(qint64 copied)>& copied) {
    if (!out.flush()) {
        error = fileError(out);
        return false;
    }
    const int inFd = in.handle();
    const int outFd = out.handle();
    // In the kernel first, without passing the bytes through this process.
    loff_t offset = from;
    const auto told = [&] {
        if (!copied || copied(offset - from)) return true;
        error = {in.fileName(), QStringLiteral("the copy was stopped")};
        return false;
    };
    // Pieces small enough that a reader following the copy soon has bytes.
    const std::size_t piece = copied ? std::size_t{8} << 20 : std::size_t{1} << 30;
    for (;;) {
        const ssize_t n = ::copy_file_range(inFd, &offset, outFd, nullptr, piece, 0);
        if (n == 0) return true;
        if (n > 0) {
            if (!told()) return false;
            continue;
        }
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
        if (!told()) return false;
    }
}

namespace {

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Folder;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISSOCK(mode)) return FileKind::Socket;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
    return FileKind::Other;
}

void fill(PathState& state, const struct stat& st) {
    state.kind = kindOf(st.st_mode);
    state.isRegular = state.kind == FileKind::Regular;
    state.size = st.st_size;
    state.device = st.st_dev;
    state.inode = st.st_ino;
}

}  // namespace

PathState pathState(const QString& path) {
    PathState state;
    state.path = path;
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0) return state;
    state.exists = true;
    state.isLink = S_ISLNK(st.st_mode);
    if (state.isLink && ::stat(name.constData(), &st) != 0) return state;
    fill(state, st);
    return state;
}

PathState openFileState(const QFileDevice& file) {
    PathState state;
    state.path = file.fileName();
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0) return state;
    state.exists = true;
    fill(state, st);
    return state;
}

bool sameFile(const PathState& a, const PathState& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

bool sameOpenFile(const QFile& a, const QFile& b) {
    struct stat sa {
    }, sb{};
    return ::fstat(a.handle(), &sa) == 0 && ::fstat(b.handle(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool removeName(const QString& path, Error& error) {
    if (::unlink(QFile::encodeName(path).constData()) == 0) return true;
    error = errnoError(path, errno);
    return false;
}

bool addHardLink(const QString& from, const QString& to) {
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool renameOver(const QString& from, const QString& to, Error& error) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    error = errnoError(to, errno);
    return false;
}

bool folderWritable(const QString& folder, Error& error) {
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return true;
    error = errnoError(folder, errno);
    return false;
}

QString changeStamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    // Every writer replaces the file, so a new inode tells a change even
    // within one tick of the clock.
    return QStringLiteral("%1/%2/%3.%4")
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

bool openWakePipe(WakePipe& pipe) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    pipe.readEnd = ends[0];
    pipe.writeEnd = ends[1];
    return true;
}

void wakeByPipe(int writeEnd) noexcept {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already wakes the loop: the byte may be dropped.
    [[maybe_unused]] const ssize_t n = ::write(writeEnd, &byte, 1);
    errno = saved;
}

void closeWakePipe(WakePipe& pipe) {
    for (int* fd : {&pipe.readEnd, &pipe.writeEnd}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

bool writeStandardOutput(const char* data, std::size_t size, int& reason) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            reason = n < 0 ? errno : 0;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool standardOutputOpen(int& reason) {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1) return true;
    reason = errno;
    return false;
}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace morvel
