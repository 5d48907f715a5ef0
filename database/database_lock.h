#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <string_view>

#include "database/error.h"

namespace morvel {

// What the bytes of a lock file say: QLockFile's lines, the process id, the
// program and the host, then ids of the machine. Anything else, and more than
// kMaxBytes, is no lock.
struct LockFileText {
    static constexpr std::size_t kMaxBytes = 4096;
    bool readable = false;
    qint64 pid = 0;
    QString program;
    QString host;
};
LockFileText readLockFileText(std::string_view bytes);

// One writer at a time for a database, across every program and process:
// held for the whole read-change-replace of a write, so that two writers
// never each replace the file with their own copy and drop the other's
// squares. The lock file lies beside the database ("NAME.lock"). One left by
// a process of this host that is gone is taken over, and so is one that
// cannot be read as a lock (empty, after a crash or a full disk while it was
// written) once it has not changed for kStaleMs. A lock of another host, or
// of a process still running, is waited for and never taken.
class DatabaseLock {
public:
    // How long a second writer waits for the first before it gives up.
    static constexpr int kWaitMs = 5000;
    // How long a lock file that is no lock stays untouched before it counts
    // as left over rather than being written.
    static constexpr std::int64_t kStaleMs = 10000;

    explicit DatabaseLock(const QString& databasePath);
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // False, with the message to show, when another writer holds the lock
    // beyond the wait or the lock file cannot be made. The message names the
    // holder and the file to remove if the holder is gone.
    bool acquire(Error& error, int waitMs = kWaitMs);

    // Who holds the lock as its file tells, for a message: "morvel-cli,
    // process 4242 on host shack, since 2026-12-07 09:15:02"; empty when
    // there is no lock file.
    QString holderDescription() const;
    // "Waiting for NAME: held by ...", to be said once by a writer that waits.
    QString waitingText() const;
    // After acquire: the left-over lock file it took over, in words, to be
    // said once; empty when it took none.
    const QString& takenOver() const { return takenOver_; }

    static QString lockPath(const QString& databasePath);
    // After a failed acquire: another writer held the lock (try again later),
    // rather than a lock file that cannot be made.
    bool busy() const { return busy_; }

    // The time the age of a lock file is measured against; the tests set it.
    std::function<QDateTime()> clock;

private:
    // What the lock file says.
    struct Holder {
        bool exists = false;
        bool empty = false;
        LockFileText text;
        QDateTime changed;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        qint64 size = 0;
    };
    Holder holder() const;
    bool stale(const Holder& h) const;
    void takeOver(const Holder& h);
    static QString describe(const Holder& h);

    QString databasePath_;
    QLockFile lock_;
    bool busy_ = false;
    QString takenOver_;
};

}  // namespace morvel
