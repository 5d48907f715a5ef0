#include "database/database_lock.h"

#include <QFileInfo>

namespace morvel {

DatabaseLock::DatabaseLock(const QString& databasePath)
    : databasePath_(databasePath), lock_(lockPath(databasePath)) {
    // Only a dead owner makes a lock stale: a long import may hold it for
    // many seconds.
    lock_.setStaleLockTime(0);
}

QString DatabaseLock::lockPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".lock");
}

bool DatabaseLock::acquire(Error& error, int waitMs) {
    // A lock file that is there is read to learn its owner: a FIFO of that
    // name would keep the read, and the program, waiting for ever.
    const QString path = lockPath(databasePath_);
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        error = {path, QStringLiteral("not a file")};
        return false;
    }
    if (lock_.tryLock(waitMs)) return true;
    const QString name = QFileInfo(databasePath_).fileName();
    busy_ = lock_.error() == QLockFile::LockFailedError;
    if (busy_) {
        error = {QString(), name + QStringLiteral(" is being changed by another program; try again "
                                                  "when it has finished")};
    } else {
        error = {lockPath(databasePath_),
                 lock_.error() == QLockFile::PermissionError
                     ? QStringLiteral("the lock file cannot be made (no permission)")
                     : QStringLiteral("the lock file cannot be made")};
    }
    return false;
}

}  // namespace morvel
