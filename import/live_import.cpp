#include "import/live_import.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "database/file_io.h"
#include "database/qra_file.h"
#include "import/contact_reading.h"
#include "import/import_files.h"
#include "import/import_frame.h"
#include "ledger/ledger.h"

namespace morvel {

LiveImport::LiveImport(const QString& databasePath, const QString& workDir,
                       const QString& backupDir)
    : databasePath_(databasePath), workDir_(workDir), backupDir_(backupDir) {}

LiveImport::~LiveImport() = default;

void LiveImport::leaveLedgerOut(const Error& error, QString& notice) {
    ledgerLeftOut_ = true;
    ledger_.reset();
    notice = QStringLiteral("The ledger takes no contacts of this session: ") + error.message();
}

bool LiveImport::recordInLedger(std::span<const LedgerContact> contacts,
                                std::unique_ptr<LedgerWrite>& write, QString& notice) {
    if (contacts.empty() || ledgerLeftOut_) return false;
    Error error;
    if (!ledger_) {
        QString opened;
        ledger_ = Ledger::open(QFileInfo(databasePath_).absolutePath(), Ledger::Mode::ReadWrite,
                               error, opened);
        notice = opened;
        if (!ledger_) {
            leaveLedgerOut(error, notice);
            return false;
        }
    }
    write = ledger_->begin(error);
    LedgerReport report;
    if (!write || !write->record(QFileInfo(databasePath_).fileName(), contacts, report, error)) {
        write.reset();
        leaveLedgerOut(error, notice);
        return false;
    }
    return true;
}

namespace {

bool fail(Error& error, const QString& what, const Error& cause) {
    error = {cause.file, what + QStringLiteral(": ") + cause.message()};
    error.file.clear();
    return false;
}

}  // namespace

bool LiveImport::check(Error& error) const {
    QFile database(databasePath_);
    Error cause;
    if (!openRegularFile(database, QIODevice::ReadOnly | QIODevice::Unbuffered, cause))
        return fail(error, QStringLiteral("The database could not be read"), cause);
    const QFileInfo info(databasePath_);
    if ((info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0)
        return fail(error, QStringLiteral("The database could not be written"),
                    {databasePath_, QStringLiteral("the file is read-only")});
    if (const QString warning = databaseSizeWarning(info.fileName(), database.size());
        !warning.isEmpty()) {
        error = {{}, warning};
        return false;
    }
    const ImportFiles files = importFiles(databasePath_, workDir_, backupDir_, ImportKind::Adif);
    for (const QString& folder : {info.absolutePath(), QFileInfo(files.backup).absolutePath(),
                                  QFileInfo(files.changelog).absolutePath()})
        if (!folderWritable(folder, cause))
            return fail(error, QStringLiteral("The import cannot write its files"), cause);
    return true;
}

bool LiveImport::begin(const QString& source, const ChangelogStamp& stamp, Error& error) {
    const ImportFiles files = importFiles(databasePath_, workDir_, backupDir_, ImportKind::Adif);
    Error cause;
    if (!check(error)) return false;
    QFile database(databasePath_);
    if (!openRegularFile(database, QIODevice::ReadOnly | QIODevice::Unbuffered, cause))
        return fail(error, QStringLiteral("The database could not be read"), cause);
    const QFileInfo info(databasePath_);
    const QString cannotWrite = QStringLiteral("The import cannot write its files");
    const PathState databaseState = pathState(databasePath_);
    for (const QString& name : {files.backup, files.changelog})
        if (!claimName(name, databaseState, cause)) return fail(error, cannotWrite, cause);

    // The backup and the change log's header, both committed only when whole;
    // the previous ones stay aside until both are in place.
    QSaveFile backup(files.backup);
    if (!backup.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !copyRest(database, 0, backup, cause) || !backup.flush()) {
        if (!cause.isSet()) cause = fileError(backup);
        return fail(error, QStringLiteral("The database could not be backed up"), cause);
    }
    Changelog header;
    if (!header.open(files.changelog, cause) ||
        !header.write(changelogHeader(info.fileName(), source, stamp), cause))
        return fail(error, QStringLiteral("The change log could not be created"), cause);
    if (!keepAside(files.backup, cause) || !keepAside(files.changelog, cause)) {
        Error ignored;
        dropAside(files.backup, ignored);
        dropAside(files.changelog, ignored);
        return fail(error, cannotWrite, cause);
    }
    if (!commitSynced(backup, cause) || !header.commit(cause)) {
        Error ignored;
        putBack(files.backup, ignored);
        putBack(files.changelog, ignored);
        return fail(error, QStringLiteral("The backup and change log could not be written"), cause);
    }
    if (!dropAside(files.backup, cause) || !dropAside(files.changelog, cause))
        return fail(error, cannotWrite, cause);
    begun_ = true;
    return true;
}

bool LiveImport::apply(WriteContext& context, const QString& source, const ChangelogStamp& stamp,
                       const std::vector<ImportedContact>& contacts, std::vector<Outcome>& outcomes,
                       Error& error, std::span<const LedgerContact> ledgerContacts,
                       QString* ledgerNotice) {
    outcomes.clear();
    QString notice;
    // Rolled back unless committed after the database's write.
    std::unique_ptr<LedgerWrite> ledgerWrite;
    const auto commitLedger = [&] {
        Error problem;
        if (ledgerWrite && !ledgerWrite->commit(problem)) leaveLedgerOut(problem, notice);
        if (ledgerNotice) *ledgerNotice = notice;
    };
    Error cause;
    // An import killed halfway is put right before the database is read.
    if (!begun_ && !recoverLocked(databasePath_, workDir_, backupDir_, cause))
        return fail(error, QStringLiteral("An earlier import could not be completed"), cause);
    // Read now, under the lock: another writer may have changed it since.
    std::vector<FieldRecord>* records = context.records(cause);
    if (!records) return fail(error, QStringLiteral("The database could not be read"), cause);
    recordInLedger(ledgerContacts, ledgerWrite, notice);
    Changelog lines;
    lines.openMemory();
    {
        SquareWriter squares(*records, lines, true);
        for (const ImportedContact& c : contacts) {
            const SquareEntry& slot =
                (*records)[static_cast<std::size_t>(recordOfLocator(c.locator) - 1)]
                    .entries[static_cast<std::size_t>(slotOfLocator(c.locator))];
            const bool hadCall = squareState(slot).hasCall;
            const std::int64_t before = squares.written();
            squares.apply(c, cause);
            Outcome o;
            o.written = squares.written() != before;
            o.newSquare = o.written && !hadCall;
            outcomes.push_back(o);
        }
        if (squares.written() == 0) {
            commitLedger();
            return true;
        }
        // The backup is the database as it was before this session's first
        // square, which is the file now; while another session of this
        // program writes, its backup and change log are this one's too.
        if (!begun_) {
            if (context.liveJournals() == 0 && !begin(source, stamp, error)) {
                outcomes.clear();
                return false;
            }
            begun_ = true;
            context.joinLiveJournal();
        }
        if (!context.writeRecords(cause)) {
            outcomes.clear();
            return fail(error, QStringLiteral("The database could not be written"), cause);
        }
        written_ += squares.written();
        ++writes_;
    }
    commitLedger();
    // The squares are in the database: only now does the change log name them.
    if (!context.appendChangelog(lines.memory(), cause))
        return fail(error, QStringLiteral("The change log could not be written"), cause);
    return true;
}

}  // namespace morvel
