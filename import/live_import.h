#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "database/error.h"
#include "import/changelog.h"
#include "import/contact.h"

namespace morvel {

// A live session as one import: the backup of the database and a fresh
// change log when it begins, then the contacts as they arrive, each batch
// put through the import's square update under the database's lock and the
// database replaced whole, each written square's change-log line synced
// before the next contact is taken. Backup and change log end as one import
// of the same contacts would leave them.
class LiveImport {
public:
    LiveImport(const QString& databasePath, const QString& workDir, const QString& backupDir);

    // Under the lock: an earlier import killed halfway completed, the checks
    // an import makes before writing, the backup, and the change log with its
    // header naming `source` (the followed log's path, or the UDP source).
    // A database of an unusual size is refused with the warning.
    bool begin(const QString& source, const ChangelogStamp& stamp, Error& error);

    struct Outcome {
        bool written = false;    // the square changed
        bool newSquare = false;  // it held no call sign before: not worked on this band
    };
    // False with the error when the lock is not had within waitMs (nothing
    // done: try again) or a file cannot be read or written; `busy` tells the
    // first case.
    bool apply(const std::vector<ImportedContact>& contacts, std::vector<Outcome>& outcomes,
               Error& error, int waitMs, bool* busy = nullptr);

    // Ends the change log as an import does when no square was written.
    bool end(Error& error);

    std::int64_t squaresWritten() const { return written_; }
    // Database replacements so far.
    int databaseWrites() const { return writes_; }

private:
    QString databasePath_;
    QString workDir_;
    QString backupDir_;
    QString changelogPath_;
    Changelog changelog_;
    bool begun_ = false;
    std::int64_t written_ = 0;
    int writes_ = 0;
};

}  // namespace morvel
