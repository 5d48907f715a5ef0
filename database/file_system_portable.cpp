#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "database/file_system.h"

namespace morvel {
namespace {

namespace stdfs = std::filesystem;

stdfs::path nativePath(const QString& path) {
#ifdef _WIN32
    return stdfs::path(path.toStdWString());
#else
    return stdfs::path(QFile::encodeName(path).toStdString());
#endif
}

Error systemError(const QString& path, const std::error_code& code) {
    return {path, QString::fromLocal8Bit(code.message().c_str())};
}

}  // namespace

bool openRegularFile(QFile& file, QIODevice::OpenMode mode, Error& error) {
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile()) {
        error = {file.fileName(), QStringLiteral("not a file")};
        return false;
    }
    // Read and write, as on Linux: a write-only open would empty the file.
    if (mode & QIODevice::WriteOnly) mode |= QIODevice::ReadOnly;
    if (!file.open(mode)) {
        error = fileError(file);
        return false;
    }
    if (file.isSequential()) {
        file.close();
        error = {file.fileName(), QStringLiteral("not a file")};
        return false;
    }
    return true;
}

bool syncFile(QFileDevice& file, Error& error) {
    if (file.flush()) return true;
    error = fileError(file);
    return false;
}

bool syncFolder(const QString& path, Error& error) {
    if (QFileInfo(path).isDir()) return true;
    error = systemError(path, std::make_error_code(std::errc::no_such_file_or_directory));
    return false;
}

bool copyRest(QFileDevice& in, qint64 from, QFileDevice& out, Error& error,
              const std::function<bool(qint64 copied)>& copied) {
    if (!out.flush() || !in.seek(from)) {
        error = fileError(out.error() != QFileDevice::NoError ? out : in);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    qint64 total = 0;
    for (;;) {
        const qint64 n = in.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (n < 0) {
            error = fileError(in);
            return false;
        }
        if (n == 0) return true;
        if (out.write(buffer.data(), n) != n || !out.flush()) {
            error = fileError(out);
            return false;
        }
        total += n;
        if (copied && !copied(total)) {
            error = {in.fileName(), QStringLiteral("the copy was stopped")};
            return false;
        }
    }
}

PathState pathState(const QString& path) {
    PathState state;
    state.path = path;
    std::error_code code;
    const stdfs::file_status link = stdfs::symlink_status(nativePath(path), code);
    if (code || !stdfs::exists(link)) return state;
    state.exists = true;
    state.isLink = stdfs::is_symlink(link);
    const stdfs::file_status target = state.isLink ? stdfs::status(nativePath(path), code) : link;
    if (code) return state;
    switch (target.type()) {
        case stdfs::file_type::regular:
            state.kind = FileKind::Regular;
            break;
        case stdfs::file_type::directory:
            state.kind = FileKind::Folder;
            break;
        case stdfs::file_type::fifo:
            state.kind = FileKind::Fifo;
            break;
        case stdfs::file_type::socket:
            state.kind = FileKind::Socket;
            break;
        case stdfs::file_type::block:
        case stdfs::file_type::character:
            state.kind = FileKind::Device;
            break;
        case stdfs::file_type::not_found:
        case stdfs::file_type::none:
            break;
        default:
            state.kind = FileKind::Other;
            break;
    }
    state.isRegular = state.kind == FileKind::Regular;
    if (state.isRegular) {
        const auto bytes = stdfs::file_size(nativePath(path), code);
        if (!code) state.size = static_cast<qint64>(bytes);
    }
    return state;
}

// Without an inode: an open file's name is asked again, so a file put in
// its place is taken for it.
PathState openFileState(const QFileDevice& file) {
    PathState state;
    state.path = file.fileName();
    if (!file.isOpen()) return state;
    state.exists = true;
    state.kind = FileKind::Regular;
    state.isRegular = true;
    state.size = file.size();
    return state;
}

// Asked of the names again: the standard library tells whether two names are
// one file, not which file a name was when its state was taken.
bool sameFile(const PathState& a, const PathState& b) {
    std::error_code code;
    return a.exists && b.exists && stdfs::equivalent(nativePath(a.path), nativePath(b.path), code) &&
           !code;
}

bool sameOpenFile(const QFile& a, const QFile& b) {
    return sameFile(pathState(a.fileName()), pathState(b.fileName()));
}

bool removeName(const QString& path, Error& error) {
    std::error_code code;
    if (stdfs::remove(nativePath(path), code)) return true;
    error = code ? systemError(path, code)
                 : systemError(path, std::make_error_code(std::errc::no_such_file_or_directory));
    return false;
}

bool addHardLink(const QString& from, const QString& to) {
    std::error_code code;
    stdfs::create_hard_link(nativePath(from), nativePath(to), code);
    return !code;
}

bool renameOver(const QString& from, const QString& to, Error& error) {
    std::error_code code;
    stdfs::rename(nativePath(from), nativePath(to), code);
    if (!code) return true;
    error = systemError(to, code);
    return false;
}

bool folderWritable(const QString& folder, Error& error) {
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable()) return true;
    error = systemError(folder, std::make_error_code(info.exists()
                                                         ? std::errc::permission_denied
                                                         : std::errc::no_such_file_or_directory));
    return false;
}

// Without the inode: two writes within one tick of the file system's clock
// that leave the size as it was look alike.
QString changeStamp(const QString& path) {
    std::error_code code;
    const stdfs::path name = nativePath(path);
    const auto size = stdfs::file_size(name, code);
    if (code) return {};
    const auto time = stdfs::last_write_time(name, code);
    if (code) return {};
    return QStringLiteral("%1/%2").arg(size).arg(
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
}

bool openWakePipe(WakePipe&) {
    return false;
}

void wakeByPipe(int) noexcept {}

void closeWakePipe(WakePipe& pipe) {
    pipe = {};
}

bool writeStandardOutput(const char* data, std::size_t size, int& reason) {
    errno = 0;
    if (std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0) return true;
    reason = errno;
    return false;
}

bool standardOutputOpen(int&) {
    return true;
}

bool standardErrorIsTerminal() {
    return false;
}

}  // namespace morvel
