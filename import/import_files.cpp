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

// The scratch copy is written under a name of its own and renamed into place
// like a save file, but never synced: a save file's commit syncs, and the
// sync of a 250 MB copy that is read once and thrown away cost as much as
// the copy itself. The rename never replaces a file either: ext4 writes out
// the data of a file renamed over another at once, for the programs that
// never sync.
QString partialName(const QString& to) {
    return to + QStringLiteral(".part");
}
QString previousName(const QString& to) {
    return to + QStringLiteral(".old");
}

// A failure names the copy as the user knows it, not its passing name.
Error scratchError(Error cause, const QString& to) {
    if (cause.file == partialName(to)) cause.file = to;
    return cause;
}

bool openScratch(const QString& to, QFile& out, Error& error) {
    const QString partial = partialName(to);
    for (const QString& name : {partial, previousName(to)})
        if (pathState(name).exists && !removeName(name, error)) return false;
    out.setFileName(partial);
    // NewOnly: a link put in place since is never written through.
    if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) return true;
    error = scratchError(fileError(out), to);
    return false;
}

// The whole copy takes the name. The previous copy keeps a second name until
// the rename is done, and gets its own name back when the rename fails.
bool placeScratch(const QString& to, Error& error) {
    const QString partial = partialName(to);
    const QString previous = previousName(to);
    Error ignored;
    bool setAside = false;
    if (pathState(to).exists && addHardLink(to, previous)) {
        setAside = removeName(to, ignored);
        if (!setAside) removeName(previous, ignored);
    }
    if (renameOver(partial, to, error)) {
        if (setAside) removeName(previous, ignored);
        return true;
    }
    error = scratchError(error, to);
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

ScratchCopy::~ScratchCopy() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

bool ScratchCopy::begin(QFile& log, const QString& to, QIODevice::OpenMode mode, Error& error) {
    to_ = to;
    size_ = log.size();
    if (!openScratch(to, out_, error)) return false;
    reader_.setFileName(out_.fileName());
    secondReader_.setFileName(out_.fileName());
    // Both readers open before the copy is renamed into place.
    for (QFile* reader : {&reader_, &secondReader_}) {
        if (reader->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) continue;
        error = scratchError(fileError(*reader), to);
        out_.close();
        Error ignored;
        removeName(out_.fileName(), ignored);
        return false;
    }
    QIODevice::open(mode);
    thread_ = std::thread([this, &log] { copy(log); });
    return true;
}

void ScratchCopy::copy(QFile& log) {
    Error error;
    bool ok = copyRest(log, 0, out_, error, [this](qint64 copied) {
        const std::lock_guard lock(mutex_);
        copied_ = copied;
        arrived_.notify_all();
        return !stop_;
    });
    out_.close();
    if (ok && out_.size() < size_) {
        ok = false;
        error = {log.fileName(), QStringLiteral("the file became shorter while it was copied")};
    }
    Error ignored;
    if (!ok) removeName(out_.fileName(), ignored);
    if (ok) ok = placeScratch(to_, error);
    const std::lock_guard lock(mutex_);
    done_ = true;
    ok_ = ok;
    error_ = ok ? Error() : scratchError(error, to_);
    arrived_.notify_all();
}

bool ScratchCopy::end(Error& error) {
    if (thread_.joinable()) thread_.join();
    const std::lock_guard lock(mutex_);
    if (ok_) return true;
    error = error_;
    return false;
}

qint64 ScratchCopy::awaitCopied(qint64 from) {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] { return done_ || copied_ > from || from >= size_; });
    if (done_ && !ok_) return -1;
    return std::max<qint64>(0, std::min(copied_, size_) - from);
}

qint64 ScratchCopy::readData(char* data, qint64 maxSize) {
    const qint64 available = awaitCopied(read_);
    if (available < 0) {
        const std::lock_guard lock(mutex_);
        setErrorString(error_.reason);
    }
    if (available <= 0) return available;
    const qint64 n = reader_.read(data, std::min(maxSize, available));
    if (n < 0) {
        setErrorString(reader_.errorString());
        return -1;
    }
    read_ += n;
    return n;
}

bool ScratchCopy::readPieces(const std::function<bool(std::string_view)>& take, QString& reason) {
    return readPiecesWith(reader_, read_, take, reason);
}

bool ScratchCopy::readPiecesFrom(qint64 from, const std::function<bool(std::string_view)>& take,
                                 QString& reason) {
    return readPiecesWith(secondReader_, from, take, reason);
}

bool ScratchCopy::readPiecesWith(QFile& reader, qint64& at,
                                 const std::function<bool(std::string_view)>& take,
                                 QString& reason) {
    std::vector<char> buffer(
        static_cast<std::size_t>(std::min(kPiece, std::max<qint64>(1, size_))));
    for (;;) {
        const qint64 available = awaitCopied(at);
        if (available < 0) {
            const std::lock_guard lock(mutex_);
            reason = error_.reason;
            return false;
        }
        if (available == 0) return true;
        const qint64 n = std::min(available, kPiece);
        const qint64 got = reader.seek(at) ? reader.read(buffer.data(), n) : -1;
        if (got <= 0) {
            reason = reader.errorString();
            return false;
        }
        at += got;
        if (!take({buffer.data(), static_cast<std::size_t>(got)})) return true;
    }
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
