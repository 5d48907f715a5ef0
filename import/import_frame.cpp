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
    state.device = st.st_dev;
    state.inode = st.st_ino;
    return state;
}

bool sameFile(const PathState& a, const PathState& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// Files the import writes besides the database: a link of that name is
// removed, so that nothing is written through it, and the name must not be
// the database itself.
bool claimName(const QString& path, const PathState& database, std::string& error) {
    const PathState state = pathState(path);
    if (state.isLink) {
        if (::unlink(QFile::encodeName(path).constData()) != 0) {
            error = describeErrno(path, errno);
            return false;
        }
        return true;
    }
    if (sameFile(state, database)) {
        error = path.toStdString() + ": is the database itself";
        return false;
    }
    return true;
}

// Only a regular file is read: a FIFO or a device would block or never end.
bool openRegular(QFile& file, std::string& error) {
    struct stat st {};
    if (::stat(QFile::encodeName(file.fileName()).constData(), &st) != 0) {
        error = describeErrno(file.fileName(), errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = file.fileName().toStdString() + ": not a regular file";
        return false;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = describeError(file);
        return false;
    }
    return true;
}

// The backup is a byte copy of the database, committed only when whole and
// on the disk.
bool writeBackup(QFile& database, const QString& backup, std::string& error) {
    QSaveFile out(backup);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = describeError(out);
        return false;
    }
    if (!copyRest(database, 0, out, error)) {
        out.cancelWriting();
        return false;
    }
    return commitSynced(out, error);
}

std::string logPathText(const QString& logPath) {
    const QByteArray bytes =
        QFile::encodeName(QDir::toNativeSeparators(QFileInfo(logPath).absoluteFilePath()));
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The square update over the database held whole in memory; the new database
// is written once, whole, when the reading is done.
class SquareWriter {
public:
    SquareWriter(std::vector<FieldRecord>& records, Changelog& changelog, bool markQsl)
        : records_(records), changelog_(changelog), markQsl_(markQsl) {}

    bool apply(const ImportedContact& contact, std::string& error) {
        FieldRecord& record =
            records_[static_cast<std::size_t>(recordOfLocator(contact.locator) - 1)];
        SquareEntry& slot =
            record.entries[static_cast<std::size_t>(slotOfLocator(contact.locator))];
        if (!applyContact(slot, contact)) return true;
        ++written_;
        return changelog_.write(changelogSquareLine(contact, markQsl_ && slot.isConfirmed()),
                                error);
    }

    std::int64_t written() const { return written_; }

private:
    std::vector<FieldRecord>& records_;
    Changelog& changelog_;
    bool markQsl_;
    std::int64_t written_ = 0;
};

ImportResult failed(ImportResult result, const std::string& what, const std::string& error) {
    result.end = ImportResult::End::Failed;
    result.error = what + ": " + error;
    return result;
}

}  // namespace

std::string ImportResult::closingMessage() const {
    std::string text = std::to_string(squaresWritten) + " new squares added";
    if (unreadable > 0) {
        const bool one = unreadable == 1;
        const char* what =
            kind == ImportKind::Adif ? (one ? " record" : " records") : (one ? " line" : " lines");
        text += "\n" + std::to_string(unreadable) + " unreadable" + what +
                (one ? " was skipped" : " were skipped");
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

std::string backupFileName(std::string_view databaseName) {
    const std::size_t keep = databaseName.size() > 4 ? databaseName.size() - 4 : 0;
    return std::string(databaseName.substr(0, keep)) + " backup.qra";
}

std::string ediQuestion(std::string_view logBand, std::string_view band) {
    return "About to import " + std::string(logBand) + " records to QRA file for " +
           std::string(band);
}

ImportResult runImport(const ImportRequest& request) {
    ImportResult result;
    result.kind = request.kind;
    const QDir workDir(request.workDir);
    const QString scratch = workDir.filePath(scratchFileName(request.kind));
    const QString changelogPath = workDir.filePath(kChangelogFileName);
    const QString backup =
        QDir(request.backupDir).filePath(fromLatin1Text(backupFileName(request.filename)));
    std::string error;

    // Both stay open: the log is copied from its open file even when its name
    // was a link that is about to be removed.
    QFile log(request.logPath);
    if (!openRegular(log, error)) return failed(result, "The log could not be read", error);
    QFile database(request.databasePath);
    if (!openRegular(database, error))
        return failed(result, "The database could not be read", error);
    const PathState databaseState = pathState(request.databasePath);
    const bool logIsScratch =
        sameFile(pathState(request.logPath), pathState(scratch)) && !pathState(scratch).isLink;
    if (!claimName(scratch, databaseState, error) || !claimName(backup, databaseState, error) ||
        !claimName(changelogPath, databaseState, error))
        return failed(result, "The import cannot write its files", error);

    if (!logIsScratch) {
        // A new file, so that another name of the old one keeps its bytes.
        QFile::remove(scratch);
        QFile copy(scratch);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return failed(result, "The log could not be copied", describeError(copy));
        if (!copyRest(log, 0, copy, error))
            return failed(result, "The log could not be copied", error);
    }
    log.close();
    if (!writeBackup(database, backup, error))
        return failed(result, "The database could not be backed up", error);
    std::vector<FieldRecord> records;
    if (!readDatabase(request.databasePath, records, error))
        return failed(result, "The database could not be read", error);
    database.close();

    // ADIF is read in large raw chunks; EDI line by line through the buffer.
    QFile scratchLog(scratch);
    QIODevice::OpenMode logMode = QIODevice::ReadOnly;
    if (request.kind == ImportKind::Adif) logMode |= QIODevice::Unbuffered;
    if (!scratchLog.open(logMode))
        return failed(result, "The log could not be read", describeError(scratchLog));
    Changelog changelog;
    if (!changelog.open(changelogPath, error))
        return failed(result, "The change log could not be created", error);
    SquareWriter squares(records, changelog, request.kind == ImportKind::Adif);
    const ChangelogStamp stamp = request.clock ? request.clock() : currentStamp();
    if (!changelog.write(changelogHeader(request.filename, logPathText(request.logPath), stamp),
                         error))
        return failed(result, "The change log could not be written", error);

    // A failure to write the change log stops everything; a log that cannot
    // be read further ends the reading with what was read.
    std::string writeError;
    std::string readError;
    bool cancelled = false;
    ImportProgress progress;
    const auto contactRead = [&] {
        if (++progress.contactsRead % kProgressInterval != 0 || !request.progress) return;
        progress.squaresWritten = squares.written();
        request.progress(progress);
    };
    if (request.kind == ImportKind::Adif) {
        std::int64_t badDates = 0;
        AdifParser parser([&](const AdifRecord& record) {
            bool readable = true;
            const auto contact = adifContact(record, request.band, readable);
            badDates += readable ? 0 : 1;
            const bool go = !contact || squares.apply(*contact, writeError);
            contactRead();
            return go;
        });
        if (!readAdif(scratchLog, parser, error)) readError = error;
        result.unreadable = parser.unreadable() + badDates;
    } else {
        EdiHandlers handlers;
        handlers.confirmBand = [&](const std::string& logBand) {
            return request.ask && request.ask(ediQuestion(logBand, request.band));
        };
        handlers.contact = [&](const ImportedContact& c) { return squares.apply(c, writeError); };
        handlers.contactLine = contactRead;
        const EdiOutcome outcome = readEdi(scratchLog, handlers, error);
        if (outcome.end == EdiEnd::Stopped && writeError.empty()) readError = error;
        cancelled = outcome.end == EdiEnd::Cancelled;
        result.unreadable = outcome.unreadable;
    }
    if (!writeError.empty())
        return failed(result, "The change log could not be written", writeError);
    if (!readError.empty())
        readError = "The import stopped: " + toLatin1Text(scratch) + ": " + readError;
    result.squaresWritten = squares.written();
    if (request.progress) {
        progress.squaresWritten = result.squaresWritten;
        request.progress(progress);
    }

    if (result.squaresWritten == 0) {
        std::string line(kNoChangesMade);
        if (request.kind == ImportKind::Edi) line += kLineEnd;
        if (!changelog.write(line, error))
            return failed(result, "The change log could not be written", error);
    }
    // The journal is whole on the disk before the database changes.
    if (!changelog.commit(error))
        return failed(result, "The change log could not be written", error);
    if (result.squaresWritten > 0 && !writeDatabase(request.databasePath, records, error))
        return failed(result, "The database could not be written", error);
    result.error = readError;
    // A Cancel after squares were written still ends with the count.
    if (cancelled && result.squaresWritten == 0) result.end = ImportResult::End::Cancelled;
    return result;
}

}  // namespace morvel
