#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/error.h"
#include "import/adif_options.h"
#include "import/changelog.h"

namespace morvel {

enum class ImportKind { Adif, Edi };

// How far an import has come: ADIF records or EDI contact lines read, and
// squares written so far.
struct ImportProgress {
    std::int64_t contactsRead = 0;
    std::int64_t squaresWritten = 0;
};
// Progress is reported after every this many contacts read.
inline constexpr std::int64_t kProgressInterval = 2000;

struct ImportRequest {
    ImportKind kind = ImportKind::Adif;
    QString logPath;       // the log file the operator chose
    QString databasePath;  // the selected database file, absolute
    QString workDir;       // holds the scratch copy and "changelog.txt"
    QString backupDir;     // holds "<name> backup.qra"
    // Date and time of change log line 2, taken once; currentStamp() when unset.
    std::function<ChangelogStamp()> clock;
    // The EDI band question (ediQuestion's text) and the question whether to
    // import into a database of the wrong size; true for OK.
    std::function<bool(const QString& question)> ask;
    // Called every kProgressInterval contacts read and once more with the
    // totals when the reading ends; may be empty.
    std::function<void(const ImportProgress&)> progress;
    // ADIF only; the default is the usual import.
    AdifOptions adif;
    // The database's owner holds its lock already (the import is one of its
    // transactions).
    bool lockHeld = false;
    // The contacts also go to the ledger of the database's folder; false for
    // a log that should count as squares only.
    bool ledger = true;
    // ADIF without the ledger: the offset past which the log is read on a
    // second thread; -1 for the usual choice (none for a small log).
    qint64 secondHalfAt = -1;
};

struct ImportResult {
    enum class End {
        Finished,   // the reading ran to its end or stopped at a failure (see error)
        Cancelled,  // the EDI question was answered Cancel before anything was written
        Failed,     // nothing was changed: database, backup and change log are as they were
    };
    End end = End::Finished;
    ImportKind kind = ImportKind::Adif;
    std::int64_t squaresWritten = 0;
    std::int64_t unreadable = 0;  // ADIF records or EDI lines that could not be read
    QString error;                // what failed, when something did
    // What the ledger took (LedgerReport::text), or why it took nothing; the
    // squares are done either way. Empty when the import left the ledger out.
    QString ledgerText;
    // The left-over lock file the import took over, in words; empty for none.
    QString lockNote;

    // The count, " new squares added", and a second line when records or lines
    // could not be read.
    QString closingMessage() const;
};

// The platform's short date and time forms, now.
ChangelogStamp currentStamp();

QString scratchFileName(ImportKind kind);  // "adi.tmp" or "edi.tmp"
inline const QString kChangelogFileName = QStringLiteral("changelog.txt");
// 2M IO85AB PORTABLE.QRA -> 2M IO85AB PORTABLE backup.qra
QString backupFileName(const QString& databaseName);
QString ediQuestion(std::string_view logBand, const QString& band);

// A whole import, under the database's lock: scratch copy of the log, backup
// of the database, a fresh change log, one square update per accepted contact
// in memory, and the closing line. Everything that can be checked is checked
// before anything is written. The previous backup and change log are kept
// aside until the new database has replaced the old one in one rename, and
// put back when that fails, so that the database, its backup and the change
// log always belong to one import: the last finished one. The ledger's rows
// of the import are committed after the database has replaced the old one,
// so that a kill in between leaves rows missing, never extra.
ImportResult runImport(const ImportRequest& request);

// An import killed halfway leaves the previous backup and change log aside;
// this puts the three files back in agreement, as a database puts back its
// journal when next opened: run by every import first, and wherever a
// database is selected.
bool recoverInterruptedImport(const QString& databasePath, const QString& workDir,
                              const QString& backupDir, Error& error);

}  // namespace morvel
