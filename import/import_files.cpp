#include "import/import_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <vector>

#include "database/file_io.h"
#include "database/qra_file.h"

namespace morvel {
namespace {

QString noneName(const QString& path) {
    return path + QStringLiteral(".none");
}

}  // namespace

ImportFiles importFiles(const QString& databasePath, const QString& workDir,
                        const QString& backupDir, ImportKind kind) {
    const QDir work(workDir);
    return {work.filePath(scratchFileName(kind)), work.filePath(kChangelogFileName),
            QDir(backupDir).filePath(backupFileName(QFileInfo(databasePath).fileName()))};
}

PathState pathState(const QString& path) {
    PathState state;
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0) return state;
    state.exists = true;
    state.isLink = S_ISLNK(st.st_mode);
    if (state.isLink && ::stat(name.constData(), &st) != 0) return state;
    state.isRegular = S_ISREG(st.st_mode);
    state.device = st.st_dev;
    state.inode = st.st_ino;
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

bool claimName(const QString& path, const PathState& database, Error& error) {
    const PathState state = pathState(path);
    if (state.isLink) {
        if (::unlink(QFile::encodeName(path).constData()) != 0) {
            error = errnoError(path, errno);
            return false;
        }
        return true;
    }
    if (sameFile(state, database)) {
        error = {path, QStringLiteral("is the database itself")};
        return false;
    }
    if (state.exists && !state.isRegular) {
        error = {path, QStringLiteral("not a file")};
        return false;
    }
    return true;
}

bool folderWritable(const QString& folder, Error& error) {
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return true;
    error = errnoError(folder, errno);
    return false;
}

bool copyWhole(QFile& from, const QString& to, Error& error) {
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = fileError(out);
        return false;
    }
    if (!copyRest(from, 0, out, error)) {
        out.cancelWriting();
        return false;
    }
    return commitSynced(out, error);
}

QString undoName(const QString& path) {
    return path + QStringLiteral(".undo");
}

bool keepAside(const QString& path, Error& error) {
    QFile::remove(undoName(path));
    QFile::remove(noneName(path));
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(undoName(path));
    if (!QFileInfo::exists(path)) {
        QFile marker(noneName(path));
        if (!marker.open(QIODevice::WriteOnly)) {
            error = fileError(marker);
            return false;
        }
        return true;
    }
    // A second name for the same bytes; a copy where the file system has no
    // hard links.
    if (::link(from.constData(), to.constData()) == 0) return true;
    QFile old(path);
    return openRegularFile(old, QIODevice::ReadOnly, error) &&
           copyWhole(old, undoName(path), error);
}

// Back to what was kept aside; the new file of the name goes.
bool putBack(const QString& path, Error& error) {
    if (QFileInfo::exists(noneName(path))) {
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            error = {path, QStringLiteral("cannot be removed")};
            return false;
        }
        QFile::remove(noneName(path));
        return true;
    }
    const QString undo = undoName(path);
    if (!QFileInfo::exists(undo)) return true;
    // The name still holds the kept file when the new one never replaced it:
    // rename() of two links of one file does nothing and leaves both.
    if (sameFile(pathState(undo), pathState(path))) {
        if (::unlink(QFile::encodeName(undo).constData()) != 0) {
            error = errnoError(undo, errno);
            return false;
        }
        return true;
    }
    if (::rename(QFile::encodeName(undo).constData(), QFile::encodeName(path).constData()) != 0) {
        error = errnoError(path, errno);
        return false;
    }
    return true;
}

bool dropAside(const QString& path, Error& error) {
    for (const QString& kept : {undoName(path), noneName(path)}) {
        QFile file(kept);
        if (file.exists() && !file.remove()) {
            error = fileError(file);
            return false;
        }
    }
    return true;
}

bool hasAside(const QString& path) {
    return QFileInfo::exists(undoName(path)) || QFileInfo::exists(noneName(path));
}

bool recoverLocked(const QString& databasePath, const QString& workDir, const QString& backupDir,
                   Error& error) {
    // Both imports share the backup and the change log.
    const ImportFiles files = importFiles(databasePath, workDir, backupDir, ImportKind::Adif);
    if (hasAside(files.backup) || hasAside(files.changelog)) {
        // The new backup holds the database as the import found it: while the
        // database still equals it, the import never replaced the database
        // (or changed nothing), so the previous backup and change log return.
        std::vector<FieldRecord> database, backup;
        Error ignored;
        const bool replaced =
            !readDatabase(files.backup, backup, ignored) ||
            !readDatabase(databasePath, database, error) || database.size() != backup.size() ||
            !std::equal(
                database.begin(), database.end(), backup.begin(),
                [](const FieldRecord& a, const FieldRecord& b) { return a.bytes() == b.bytes(); });
        if (error.isSet()) return false;
        if (replaced) {
            if (!dropAside(files.backup, error) || !dropAside(files.changelog, error)) return false;
        } else if (!putBack(files.backup, error) || !putBack(files.changelog, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace morvel
