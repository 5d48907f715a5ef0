#include "import/import_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "database/file_io.h"
#include "database/qra_file.h"

namespace morvel {
namespace {

QString noneName(const QString& path) {
    return path + QStringLiteral(".none");
}

// Written under a name of its own and renamed into place like a save file,
// but never synced: a save file's commit syncs, and the sync of a 250 MB
// copy that is read once and thrown away cost as much as the copy itself.
// The rename never replaces a file either: ext4 writes out the data of a
// file renamed over another at once, for the programs that never sync. The
// previous copy keeps a second name until the rename is done, and gets its
// own name back when the rename fails.
bool copyScratch(QFile& from, const QString& to, Error& error) {
    const QString partial = to + QStringLiteral(".part");
    const QString previous = to + QStringLiteral(".old");
    for (const QString& name : {partial, previous})
        if (pathState(name).exists && !removeName(name, error)) return false;
    QFile out(partial);
    // NewOnly: a link put in place since is never written through.
    // A failure names the copy as the user knows it, not its passing name.
    const auto failed = [&](Error cause) {
        if (cause.file == partial) cause.file = to;
        error = cause;
        return false;
    };
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return failed(fileError(out));
    Error ignored;
    if (Error cause; !copyRest(from, 0, out, cause)) {
        out.close();
        removeName(partial, ignored);
        return failed(cause);
    }
    out.close();
    bool setAside = false;
    if (pathState(to).exists && addHardLink(to, previous)) {
        setAside = removeName(to, ignored);
        if (!setAside) removeName(previous, ignored);
    }
    if (renameOver(partial, to, error)) {
        if (setAside) removeName(previous, ignored);
        return true;
    }
    if (setAside && addHardLink(previous, to)) removeName(previous, ignored);
    removeName(partial, ignored);
    return false;
}

}  // namespace

ImportFiles importFiles(const QString& databasePath, const QString& workDir,
                        const QString& backupDir, ImportKind kind) {
    const QDir work(workDir);
    return {work.filePath(scratchFileName(kind)), work.filePath(kChangelogFileName),
            QDir(backupDir).filePath(backupFileName(QFileInfo(databasePath).fileName()))};
}

bool claimName(const QString& path, const PathState& database, Error& error) {
    const PathState state = pathState(path);
    if (state.isLink) return removeName(path, error);
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

bool copyWhole(QFile& from, const QString& to, Error& error, bool scratch) {
    if (scratch) return copyScratch(from, to, error);
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
    if (addHardLink(path, undoName(path))) return true;
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
    if (sameFile(pathState(undo), pathState(path))) return removeName(undo, error);
    return renameOver(undo, path, error);
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
