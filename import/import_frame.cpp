#include "import/import_frame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTime>
#include <cerrno>
#include <vector>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/text_format.h"
#include "import/adif_reader.h"
#include "import/edi_reader.h"

namespace morvel {
namespace {

// Where a name leads before anything is written to it: an existing file
// (device and inode), a symbolic link, or nothing yet.
struct PathState {
    bool exists = false;
    bool isLink = false;
    bool isRegular = false;
    dev_t device = 0;
    ino_t inode = 0;
};

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

// Files the import writes besides the database: a link of that name is
// removed, so that nothing is written through it; the name must not be the
// database itself, nor anything but a file.
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

// A copy of a file committed only when whole and on the disk; a failure
// leaves no part of it under the name.
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

// The previous backup and change log, kept aside under "NAME.undo" until the
// new database is in place; "NAME.none" marks a name that held no file.
QString undoName(const QString& path) {
    return path + QStringLiteral(".undo");
}
QString noneName(const QString& path) {
    return path + QStringLiteral(".none");
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
    if (::rename(QFile::encodeName(undo).constData(), QFile::encodeName(path).constData()) != 0) {
        error = errnoError(path, errno);
        return false;
    }
    return true;
}

void dropAside(const QString& path) {
    QFile::remove(undoName(path));
    QFile::remove(noneName(path));
}

bool hasAside(const QString& path) {
    return QFileInfo::exists(undoName(path)) || QFileInfo::exists(noneName(path));
}

// The square update over the database held whole in memory; the new database
// is written once, whole, when the reading is done. Most contacts change
// nothing, which the state of each square kept beside the records tells
// without reading them: 916 KB read at random while the log streams through
// the caches would cost a memory access a contact.
class SquareWriter {
public:
    SquareWriter(std::vector<FieldRecord>& records, Changelog& changelog, bool markQsl)
        : records_(records), changelog_(changelog), markQsl_(markQsl) {
        states_.reserve(records.size() * FieldRecord::kSquares);
        for (const FieldRecord& record : records)
            for (int i = 0; i < FieldRecord::kSquares; ++i)
                states_.push_back(squareState(record.entries[static_cast<std::size_t>(i)]));
    }

    bool apply(const ImportedContact& contact, Error& error) {
        const auto record = static_cast<std::size_t>(recordOfLocator(contact.locator) - 1);
        const auto square = static_cast<std::size_t>(slotOfLocator(contact.locator));
        SquareState& state = states_[record * FieldRecord::kSquares + square];
        if (!contactChanges(state, contact)) return true;
        SquareEntry& slot = records_[record].entries[square];
        if (!applyContact(slot, contact)) return true;
        state = squareState(slot);
        ++written_;
        return changelog_.write(changelogSquareLine(contact, markQsl_ && slot.isConfirmed()),
                                error);
    }

    std::int64_t written() const { return written_; }

private:
    std::vector<FieldRecord>& records_;
    std::vector<SquareState> states_;  // square n of record r at (r - 1) * 100 + n
    Changelog& changelog_;
    bool markQsl_;
    std::int64_t written_ = 0;
};

ImportResult failed(ImportResult result, const QString& what, const Error& error) {
    result.end = ImportResult::End::Failed;
    result.error = what + QStringLiteral(": ") + error.message();
    return result;
}

struct ImportFiles {
    QString scratch;
    QString changelog;
    QString backup;
};

ImportFiles importFiles(const QString& databasePath, const QString& workDir,
                        const QString& backupDir, ImportKind kind) {
    const QDir work(workDir);
    return {work.filePath(scratchFileName(kind)), work.filePath(kChangelogFileName),
            QDir(backupDir).filePath(backupFileName(QFileInfo(databasePath).fileName()))};
}

// Reads the scratch copy into the records, writing the change log's square
// lines as squares change.
struct ReadOutcome {
    bool cancelled = false;
    QString readError;
    Error writeError;
};

ReadOutcome readLog(const ImportRequest& request, QFile& scratchLog, SquareWriter& squares,
                    ImportResult& result) {
    ReadOutcome out;
    std::string reason;
    ImportProgress progress;
    const std::string band =
        toLatin1Text(bandFromFileName(QFileInfo(request.databasePath).fileName()));
    const auto contactRead = [&] {
        if (++progress.contactsRead % kProgressInterval != 0 || !request.progress) return;
        progress.squaresWritten = squares.written();
        request.progress(progress);
    };
    if (request.kind == ImportKind::Adif) {
        std::int64_t badDates = 0;
        AdifParser parser([&](const AdifRecord& record) {
            bool readable = true;
            const auto contact = adifContact(record, band, readable);
            badDates += readable ? 0 : 1;
            const bool go = !contact || squares.apply(*contact, out.writeError);
            contactRead();
            return go;
        });
        if (!readAdif(scratchLog, parser, reason)) out.readError = QString::fromStdString(reason);
        result.unreadable = parser.unreadable() + badDates;
    } else {
        EdiHandlers handlers;
        const QString bandText = QString::fromLatin1(band);
        handlers.confirmBand = [&](const std::string& logBand) {
            return request.ask && request.ask(ediQuestion(logBand, bandText));
        };
        handlers.contact = [&](const ImportedContact& c) {
            return squares.apply(c, out.writeError);
        };
        handlers.contactLine = contactRead;
        const EdiOutcome outcome = readEdi(scratchLog, handlers, reason);
        if (outcome.end == EdiEnd::Stopped && !out.writeError.isSet())
            out.readError = QString::fromStdString(reason);
        out.cancelled = outcome.end == EdiEnd::Cancelled;
        result.unreadable = outcome.unreadable;
    }
    result.squaresWritten = squares.written();
    if (request.progress) {
        progress.squaresWritten = result.squaresWritten;
        request.progress(progress);
    }
    return out;
}

}  // namespace

QString ImportResult::closingMessage() const {
    QString text = QString::number(squaresWritten) + QStringLiteral(" new squares added");
    if (unreadable > 0) {
        const bool one = unreadable == 1;
        const char* what =
            kind == ImportKind::Adif ? (one ? " record" : " records") : (one ? " line" : " lines");
        text += QStringLiteral("\n") + QString::number(unreadable) + QStringLiteral(" unreadable") +
                QLatin1String(what) +
                (one ? QStringLiteral(" was skipped") : QStringLiteral(" were skipped"));
    }
    return text;
}

ChangelogStamp currentStamp() {
    const QLocale locale;
    return {toLatin1Text(locale.toString(QDate::currentDate(), QLocale::ShortFormat)),
            toLatin1Text(locale.toString(QTime::currentTime(), QLocale::ShortFormat))};
}

QString scratchFileName(ImportKind kind) {
    return kind == ImportKind::Adif ? QStringLiteral("adi.tmp") : QStringLiteral("edi.tmp");
}

QString backupFileName(const QString& databaseName) {
    return databaseName.left(std::max<qsizetype>(0, databaseName.size() - 4)) +
           QStringLiteral(" backup.qra");
}

QString ediQuestion(std::string_view logBand, const QString& band) {
    return QStringLiteral("About to import ") + fromLatin1Text(logBand) +
           QStringLiteral(" records to QRA file for ") + band;
}

namespace {

// The recovery itself; the caller holds the database's lock.
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
            dropAside(files.backup);
            dropAside(files.changelog);
        } else if (!putBack(files.backup, error) || !putBack(files.changelog, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool recoverInterruptedImport(const QString& databasePath, const QString& workDir,
                              const QString& backupDir, Error& error) {
    const ImportFiles files = importFiles(databasePath, workDir, backupDir, ImportKind::Adif);
    if (!hasAside(files.backup) && !hasAside(files.changelog)) return true;
    DatabaseLock lock(databasePath);
    return lock.acquire(error) && recoverLocked(databasePath, workDir, backupDir, error);
}

ImportResult runImport(const ImportRequest& request) {
    ImportResult result;
    result.kind = request.kind;
    const QString databaseName = QFileInfo(request.databasePath).fileName();
    const ImportFiles files =
        importFiles(request.databasePath, request.workDir, request.backupDir, request.kind);
    Error error;

    // Both stay open: the log is copied from its open file even when its name
    // was a link that is about to be removed.
    QFile log(request.logPath);
    if (!openRegularFile(log, QIODevice::ReadOnly | QIODevice::Unbuffered, error))
        return failed(result, QStringLiteral("The log could not be read"), error);
    QFile database(request.databasePath);
    if (!openRegularFile(database, QIODevice::ReadOnly | QIODevice::Unbuffered, error))
        return failed(result, QStringLiteral("The database could not be read"), error);
    if (sameOpenFile(log, database)) {
        return failed(result, QStringLiteral("The log could not be imported"),
                      {request.logPath, QStringLiteral("is the database itself")});
    }

    DatabaseLock lock(request.databasePath);
    if (!lock.acquire(error)) {
        result.end = ImportResult::End::Failed;
        result.error = error.message();
        return result;
    }
    if (!recoverLocked(request.databasePath, request.workDir, request.backupDir, error))
        return failed(result, QStringLiteral("An earlier import could not be completed"), error);

    // Everything that can be known before a byte is written.
    const PathState databaseState = pathState(request.databasePath);
    const QFileInfo databaseInfo(request.databasePath);
    if ((databaseInfo.permissions() &
         (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0) {
        return failed(result, QStringLiteral("The database could not be written"),
                      {request.databasePath, QStringLiteral("the file is read-only")});
    }
    for (const QString& folder :
         {databaseInfo.absolutePath(), QFileInfo(files.backup).absolutePath(),
          QFileInfo(files.changelog).absolutePath()}) {
        if (!folderWritable(folder, error))
            return failed(result, QStringLiteral("The import cannot write its files"), error);
    }
    const bool logIsScratch = sameFile(pathState(request.logPath), pathState(files.scratch)) &&
                              !pathState(files.scratch).isLink;
    if (!claimName(files.scratch, databaseState, error) ||
        !claimName(files.backup, databaseState, error) ||
        !claimName(files.changelog, databaseState, error))
        return failed(result, QStringLiteral("The import cannot write its files"), error);
    if (const QString warning = databaseSizeWarning(databaseName, database.size());
        !warning.isEmpty()) {
        if (!request.ask || !request.ask(warning + QStringLiteral("\nImport into it anyway?"))) {
            result.end = ImportResult::End::Cancelled;
            return result;
        }
    }

    if (!logIsScratch && !copyWhole(log, files.scratch, error))
        return failed(result, QStringLiteral("The log could not be copied"), error);
    log.close();
    // The backup is written now and put in place only once the new database
    // is ready to replace the old one.
    QSaveFile backup(files.backup);
    if (!backup.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !copyRest(database, 0, backup, error) || !backup.flush()) {
        if (!error.isSet()) error = fileError(backup);
        return failed(result, QStringLiteral("The database could not be backed up"), error);
    }
    database.close();
    std::vector<FieldRecord> records;
    if (!readDatabase(request.databasePath, records, error))
        return failed(result, QStringLiteral("The database could not be read"), error);

    // ADIF is read in large raw chunks; EDI line by line through the buffer.
    QFile scratchLog(files.scratch);
    QIODevice::OpenMode logMode = QIODevice::ReadOnly;
    if (request.kind == ImportKind::Adif) logMode |= QIODevice::Unbuffered;
    if (!openRegularFile(scratchLog, logMode, error))
        return failed(result, QStringLiteral("The log could not be read"), error);
    Changelog changelog;
    if (!changelog.open(files.changelog, error))
        return failed(result, QStringLiteral("The change log could not be created"), error);
    SquareWriter squares(records, changelog, request.kind == ImportKind::Adif);
    const ChangelogStamp stamp = request.clock ? request.clock() : currentStamp();
    if (!changelog.write(
            changelogHeader(databaseName,
                            QDir::toNativeSeparators(QFileInfo(request.logPath).absoluteFilePath()),
                            stamp),
            error))
        return failed(result, QStringLiteral("The change log could not be written"), error);

    // A failure to write the change log stops everything; a log that cannot
    // be read further ends the reading with what was read.
    const ReadOutcome read = readLog(request, scratchLog, squares, result);
    if (read.writeError.isSet())
        return failed(result, QStringLiteral("The change log could not be written"),
                      read.writeError);
    if (result.squaresWritten == 0) {
        std::string line(kNoChangesMade);
        if (request.kind == ImportKind::Edi) line += kLineEnd;
        if (!changelog.write(line, error))
            return failed(result, QStringLiteral("The change log could not be written"), error);
    }

    // The previous backup and change log stay aside until the database is
    // replaced, so that a failure from here on puts all three back.
    if (!keepAside(files.backup, error) || !keepAside(files.changelog, error)) {
        dropAside(files.backup);
        dropAside(files.changelog);
        return failed(result, QStringLiteral("The import cannot write its files"), error);
    }
    const auto undo = [&](const QString& what, Error cause) {
        Error restoreError;
        if (!putBack(files.backup, restoreError) || !putBack(files.changelog, restoreError))
            cause.reason += QStringLiteral("; the previous backup and change log wait as ") +
                            QFileInfo(undoName(files.backup)).fileName() + QStringLiteral(" and ") +
                            QFileInfo(undoName(files.changelog)).fileName();
        return failed(result, what, cause);
    };
    if (!commitSynced(backup, error))
        return undo(QStringLiteral("The database could not be backed up"), error);
    if (!changelog.commit(error))
        return undo(QStringLiteral("The change log could not be written"), error);
    if (result.squaresWritten > 0 && !writeDatabase(request.databasePath, records, error))
        return undo(QStringLiteral("The database could not be written"), error);
    dropAside(files.backup);
    dropAside(files.changelog);

    if (!read.readError.isEmpty())
        result.error = QStringLiteral("The import stopped: ") + files.scratch +
                       QStringLiteral(": ") + read.readError;
    // A Cancel after squares were written still ends with the count.
    if (read.cancelled && result.squaresWritten == 0) result.end = ImportResult::End::Cancelled;
    return result;
}

}  // namespace morvel
