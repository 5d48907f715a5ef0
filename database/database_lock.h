#pragma once

#include <QLockFile>
#include <QString>

#include "database/error.h"

namespace morvel {

// One writer at a time for a database, across every program and process:
// held for the whole read-change-replace of a write, so that two writers
// never each replace the file with their own copy and drop the other's
// squares. The lock file lies beside the database ("NAME.lock"); one left by
// a process that was killed is taken over.
class DatabaseLock {
public:
    // How long a second writer waits for the first before it gives up.
    static constexpr int kWaitMs = 5000;

    explicit DatabaseLock(const QString& databasePath);
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // False, with the message to show, when another writer holds the lock
    // beyond the wait or the lock file cannot be made.
    bool acquire(Error& error, int waitMs = kWaitMs);

    static QString lockPath(const QString& databasePath);
    // After a failed acquire: another writer held the lock (try again later),
    // rather than a lock file that cannot be made.
    bool busy() const { return busy_; }

private:
    QString databasePath_;
    QLockFile lock_;
    bool busy_ = false;
};

}  // namespace morvel
