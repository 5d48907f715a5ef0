#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "database/database_document.h"
#include "database/error.h"
#include "import/changelog.h"
#include "import/contact.h"
#include "ledger/ledger_contact.h"

namespace morvel {

class Ledger;
class LedgerWrite;

// A live session as one import: the backup of the database and a fresh
// change log with the first write (a session that writes nothing leaves the
// last import's as they were), then each batch of contacts through the
// import's square update, the database replaced whole, and after it the
// change-log lines of the squares written. Backup and change log end as one
// import of the same contacts would leave them; when an import ran in
// between, the lines go on in the change log it left. While another writer
// of this kind on the same owner is under way (a second session, a
// download), there is no fresh start: its backup and change log are kept and
// the lines go on in that change log. Whoever began or joined tells the owner
// when it is over (DatabaseDocument::leaveLiveJournal).
class LiveImport {
public:
    LiveImport(const QString& databasePath, const QString& workDir, const QString& backupDir);

    // What can be known before anything is written: the database can be read
    // and written, is of the usual size, and its folders take new files.
    bool check(Error& error) const;

    struct Outcome {
        bool written = false;    // the square changed
        bool newSquare = false;  // it held no call sign before: not worked on this band
    };
    LiveImport(const LiveImport&) = delete;
    LiveImport& operator=(const LiveImport&) = delete;
    ~LiveImport();

    // One batch, as a transaction of the database's owner (its lock held).
    // `source` names the session in the change log's header. The batch's
    // `ledgerContacts` go to the folder's ledger in the same transaction,
    // committed after the database; a ledger that cannot take them leaves
    // the squares to be written and is said once in `ledgerNotice`, and
    // left out for the rest of the session.
    bool apply(WriteContext& context, const QString& source, const ChangelogStamp& stamp,
               const std::vector<ImportedContact>& contacts, std::vector<Outcome>& outcomes,
               Error& error, std::span<const LedgerContact> ledgerContacts = {},
               QString* ledgerNotice = nullptr);

    std::int64_t squaresWritten() const { return written_.load(); }
    // Database replacements so far.
    int databaseWrites() const { return writes_.load(); }
    bool begun() const { return begun_.load(); }

private:
    bool begin(const QString& source, const ChangelogStamp& stamp, Error& error);
    bool recordInLedger(std::span<const LedgerContact> contacts,
                        std::unique_ptr<LedgerWrite>& write, QString& notice);
    void leaveLedgerOut(const Error& error, QString& notice);

    QString databasePath_;
    QString workDir_;
    QString backupDir_;
    std::atomic<bool> begun_{false};
    std::atomic<std::int64_t> written_{0};
    std::atomic<int> writes_{0};
    // On the owner's worker thread only.
    std::unique_ptr<Ledger> ledger_;
    bool ledgerLeftOut_ = false;
};

}  // namespace morvel
