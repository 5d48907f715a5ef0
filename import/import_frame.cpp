#include "import/import_frame.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTime>
#include <QStringList>
#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/text_format.h"
#include "import/adif_reader.h"
#include "import/contact_reading.h"
#include "import/edi_reader.h"
#include "import/import_files.h"
#include "import/pending_contacts.h"
#include "ledger/ledger.h"

namespace morvel {

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

bool recoverInterruptedImport(const QString& databasePath, const QString& workDir,
                              const QString& backupDir, Error& error) {
    const ImportFiles files = importFiles(databasePath, workDir, backupDir, ImportKind::Adif);
    if (!hasAside(files.backup) && !hasAside(files.changelog)) return true;
    DatabaseLock lock(databasePath);
    return lock.acquire(error) && recoverLocked(databasePath, workDir, backupDir, error);
}

namespace {

// One import, step by step; each step returns false once the result says
// how the import ended.
class ImportRun {
public:
    explicit ImportRun(const ImportRequest& request)
        : request_(request),
          databaseName_(QFileInfo(request.databasePath).fileName()),
          files_(
              importFiles(request.databasePath, request.workDir, request.backupDir, request.kind)),
          log_(request.logPath),
          database_(request.databasePath),
          backup_(files_.backup) {
        result_.kind = request.kind;
    }

    ImportResult run() {
        if (!openInputs()) return result_;
        DatabaseLock lock(request_.databasePath);
        if (!request_.lockHeld && !lock.acquire(error_)) {
            result_.end = ImportResult::End::Failed;
            result_.error = error_.message();
            return result_;
        }
        result_.lockNote = lock.takenOver();
        if (!recoverLocked(request_.databasePath, request_.workDir, request_.backupDir, error_))
            stop(QStringLiteral("An earlier import could not be completed"));
        else if (reopenDatabase() && checkBeforeWriting() && copyInputs() && openLedger() &&
                 readLog() && commit())
            finish();
        if (result_.end == ImportResult::End::Failed) dropNewLedger();
        return result_;
    }

private:
    // Ends the import as failed; false, for the step to return.
    bool stop(const QString& what, const Error& cause) {
        result_.end = ImportResult::End::Failed;
        result_.error = what + QStringLiteral(": ") + cause.message();
        return false;
    }
    bool stop(const QString& what) { return stop(what, error_); }

    // Both stay open: the log is copied from its open file even when its
    // name was a link that is about to be removed.
    bool openInputs() {
        if (!openRegularFile(log_, QIODevice::ReadOnly | QIODevice::Unbuffered, error_))
            return stop(QStringLiteral("The log could not be read"));
        if (!openRegularFile(database_, QIODevice::ReadOnly | QIODevice::Unbuffered, error_))
            return stop(QStringLiteral("The database could not be read"));
        if (sameOpenFile(log_, database_))
            return stop(QStringLiteral("The log could not be imported"),
                        {request_.logPath, QStringLiteral("is the database itself")});
        return true;
    }

    // A writer that held the lock may have replaced the database meanwhile:
    // the backup and the size check take the file now under the name.
    bool reopenDatabase() {
        database_.close();
        database_.setFileName(request_.databasePath);
        return openRegularFile(database_, QIODevice::ReadOnly | QIODevice::Unbuffered, error_) ||
               stop(QStringLiteral("The database could not be read"));
    }

    // Everything that can be known before a byte is written.
    bool checkBeforeWriting() {
        const QFileInfo info(request_.databasePath);
        if ((info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0)
            return stop(QStringLiteral("The database could not be written"),
                        {request_.databasePath, QStringLiteral("the file is read-only")});
        const QString cannotWrite = QStringLiteral("The import cannot write its files");
        for (const QString& folder : {info.absolutePath(), QFileInfo(files_.backup).absolutePath(),
                                      QFileInfo(files_.changelog).absolutePath()}) {
            if (!folderWritable(folder, error_)) return stop(cannotWrite);
        }
        const PathState database = pathState(request_.databasePath);
        logIsScratch_ = sameFile(pathState(request_.logPath), pathState(files_.scratch)) &&
                        !pathState(files_.scratch).isLink;
        for (const QString& name : {files_.scratch, files_.backup, files_.changelog}) {
            if (!claimName(name, database, error_)) return stop(cannotWrite);
        }
        const QString warning = databaseSizeWarning(databaseName_, database_.size());
        if (!warning.isEmpty() &&
            (!request_.ask ||
             !request_.ask(warning + QStringLiteral("\nImport into it anyway?")))) {
            result_.end = ImportResult::End::Cancelled;
            return false;
        }
        return true;
    }

    // The scratch copy of the log, the backup (put in place only once the new
    // database is ready to replace the old one) and the records in memory.
    bool copyInputs() {
        if (!logIsScratch_) {
            // ADIF is read in large raw chunks; EDI line by line through the buffer.
            QIODevice::OpenMode mode = QIODevice::ReadOnly;
            if (request_.kind == ImportKind::Adif) mode |= QIODevice::Unbuffered;
            copy_ = std::make_unique<ScratchCopy>();
            if (!copy_->begin(log_, files_.scratch, mode, error_))
                return stop(QStringLiteral("The log could not be copied"));
        }
        if (!backup_.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            !copyRest(database_, 0, backup_, error_) || !backup_.flush()) {
            if (!error_.isSet()) error_ = fileError(backup_);
            return endCopy() && stop(QStringLiteral("The database could not be backed up"));
        }
        database_.close();
        if (!readDatabase(request_.databasePath, records_, error_))
            return endCopy() && stop(QStringLiteral("The database could not be read"));
        return true;
    }

    // Ends the copy of the log, which the reading follows. A copy that failed
    // is the reason the import stopped, before anything that failed after
    // it began (as when the copy was made first): `endCopy() && stop(what)`.
    bool endCopy() {
        if (!copy_) return true;
        Error error;
        const bool copied = copy_->end(error);
        log_.close();
        if (copied) return true;
        error_ = error;
        return stop(QStringLiteral("The log could not be copied"));
    }

    // A ledger that cannot be opened or written is said once, in the result;
    // the squares go on without it.
    bool openLedger() {
        if (!request_.ledger) return true;
        Error error;
        QString notice;
        const QString folder = QFileInfo(request_.databasePath).absolutePath();
        const bool existed = pathState(QDir(folder).absoluteFilePath(kLedgerFileName)).exists;
        ledger_ = Ledger::open(folder, Ledger::Mode::ReadWrite, error, notice);
        ledgerMade_ = ledger_ && !existed;
        if (ledger_) ledgerWrite_ = ledger_->begin(error);
        if (ledgerWrite_) feed_.emplace(*ledgerWrite_, databaseName_);
        if (!notice.isEmpty()) ledgerNotes_ << notice;
        if (error.isSet()) ledgerNotes_ << ledgerLeftOut(error);
        return true;
    }

    // A failed import changes no file: a ledger it made goes again.
    void dropNewLedger() {
        if (!ledgerMade_) return;
        const QString path = ledger_->path();
        feed_.reset();
        ledgerWrite_.reset();
        ledger_.reset();
        Error ignored;
        for (const char* suffix : {"", "-wal", "-shm"})
            if (pathState(path + QLatin1String(suffix)).exists)
                removeName(path + QLatin1String(suffix), ignored);
    }

    static QString ledgerLeftOut(const Error& error) {
        return QStringLiteral("The ledger took nothing: ") + error.message();
    }

    // After the database: a kill before the ledger's commit loses only rows.
    void commitLedger() {
        if (!feed_) return;
        Error error;
        if (!feed_->finish()) {
            error = feed_->error();
            ledgerWrite_->rollback();
        } else if (ledgerWrite_->commit(error)) {
            ledgerNotes_.prepend(feed_->report.text());
        }
        if (error.isSet()) ledgerNotes_ << ledgerLeftOut(error);
    }

    // The contacts into the records and the change log; a failure to write
    // the change log stops everything, a log that cannot be read further ends
    // the reading with what was read.
    bool readLog() {
        const QString changelogFailed = QStringLiteral("The change log could not be written");
        // ADIF is read in large raw chunks; EDI line by line through the buffer.
        QFile scratchLog(files_.scratch);
        QIODevice::OpenMode logMode = QIODevice::ReadOnly;
        if (request_.kind == ImportKind::Adif) logMode |= QIODevice::Unbuffered;
        if (!copy_ && !openRegularFile(scratchLog, logMode, error_))
            return stop(QStringLiteral("The log could not be read"));
        QIODevice& log = copy_ ? static_cast<QIODevice&>(*copy_) : scratchLog;
        if (!changelog_.open(files_.changelog, error_))
            return endCopy() && stop(QStringLiteral("The change log could not be created"));
        const ChangelogStamp stamp = request_.clock ? request_.clock() : currentStamp();
        const QString logPath =
            QDir::toNativeSeparators(QFileInfo(request_.logPath).absoluteFilePath());
        if (!changelog_.write(changelogHeader(databaseName_, logPath, stamp,
                                                 request_.kind == ImportKind::Adif
                                                     ? request_.adif.describe()
                                                     : std::string()), error_))
            return endCopy() && stop(changelogFailed);
        SquareWriter squares(records_, changelog_, request_.kind == ImportKind::Adif);
        // Contacts a live session left waiting go in first.
        std::vector<ImportedContact> waiting;
        if (!readPendingContacts(request_.databasePath, waiting, error_))
            return endCopy() &&
                   stop(QStringLiteral("The contacts waiting for the database could not be read"));
        pendingFile_ = QFileInfo::exists(pendingFileName(request_.databasePath));
        for (const ImportedContact& contact : waiting)
            if (!squares.apply(contact, error_)) return endCopy() && stop(changelogFailed);
        read_ = readContacts(request_, log, squares, result_, feed_ ? &*feed_ : nullptr);
        if (!endCopy()) return false;
        if (read_.writeError.isSet()) return stop(changelogFailed, read_.writeError);
        if (result_.squaresWritten == 0) {
            std::string line(kNoChangesMade);
            if (request_.kind == ImportKind::Edi) line += kLineEnd;
            if (!changelog_.write(line, error_)) return stop(changelogFailed);
        }
        return true;
    }

    // The previous backup and change log stay aside until the database is
    // replaced, so that a failure from here on puts all three back.
    bool commit() {
        if (!keepAside(files_.backup, error_) || !keepAside(files_.changelog, error_)) {
            Error ignored;
            dropAside(files_.backup, ignored);
            dropAside(files_.changelog, ignored);
            return stop(QStringLiteral("The import cannot write its files"));
        }
        if (!commitSynced(backup_, error_))
            return undo(QStringLiteral("The database could not be backed up"));
        if (!changelog_.commit(error_))
            return undo(QStringLiteral("The change log could not be written"));
        bool replaced = false;
        const bool written = result_.squaresWritten == 0 ||
                             writeDatabase(request_.databasePath, records_, error_, &replaced);
        if (!written && !replaced) return undo(QStringLiteral("The database could not be written"));
        // Replaced but its folder not synced: the three files belong to this
        // import, which says that a power cut now could still lose it.
        commitLedger();
        if (!written)
            afterword_ =
                QStringLiteral("The database was written but may not be on the disk yet: ") +
                error_.message();
        Error kept;
        if (pendingFile_ && !removeName(pendingFileName(request_.databasePath), kept))
            afterword_ = QStringLiteral("The import is done, but ") + kept.message() +
                         QStringLiteral(": its contacts are in the database");
        if (!dropAside(files_.backup, kept) || !dropAside(files_.changelog, kept))
            afterword_ = QStringLiteral("The import is done, but ") + kept.message() +
                         QStringLiteral(": remove it before the next import");
        return true;
    }

    bool undo(const QString& what) {
        Error restoreError;
        if (!putBack(files_.backup, restoreError) || !putBack(files_.changelog, restoreError))
            error_.reason += QStringLiteral("; the previous backup and change log wait as ") +
                             QFileInfo(undoName(files_.backup)).fileName() +
                             QStringLiteral(" and ") +
                             QFileInfo(undoName(files_.changelog)).fileName();
        return stop(what);
    }

    void finish() {
        result_.ledgerText = ledgerNotes_.join(QLatin1Char('\n'));
        if (!read_.readError.isEmpty())
            result_.error = QStringLiteral("The import stopped: ") + files_.scratch +
                            QStringLiteral(": ") + read_.readError;
        if (!afterword_.isEmpty())
            result_.error +=
                (result_.error.isEmpty() ? QString() : QStringLiteral("\n")) + afterword_;
        // A Cancel after squares were written still ends with the count.
        if (read_.cancelled && result_.squaresWritten == 0)
            result_.end = ImportResult::End::Cancelled;
    }

    const ImportRequest& request_;
    const QString databaseName_;
    const ImportFiles files_;
    ImportResult result_;
    Error error_;
    QFile log_;
    // After log_, which it reads from until it is gone.
    std::unique_ptr<ScratchCopy> copy_;
    QFile database_;
    QSaveFile backup_;
    bool logIsScratch_ = false;
    bool pendingFile_ = false;
    std::vector<FieldRecord> records_;
    Changelog changelog_;
    ReadOutcome read_;
    QString afterword_;  // what the closing message must add
    std::unique_ptr<Ledger> ledger_;
    bool ledgerMade_ = false;  // by this import
    std::unique_ptr<LedgerWrite> ledgerWrite_;
    std::optional<LedgerFeed> feed_;
    QStringList ledgerNotes_;
};

}  // namespace

ImportResult runImport(const ImportRequest& request) {
    return ImportRun(request).run();
}

}  // namespace morvel
