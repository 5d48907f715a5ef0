#include "database/database_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

#include "database/file_system.h"

namespace morvel {
namespace {

QString timeText(const QDateTime& t) {
    return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

LockFileText readLockFileText(std::string_view bytes) {
    LockFileText t;
    if (bytes.size() > LockFileText::kMaxBytes) return t;
    std::string_view lines[3];
    for (std::string_view& line : lines) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) return t;
        line = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
    }
    qint64 pid = 0;
    for (const char c : lines[0]) {
        if (c < '0' || c > '9' || pid > (std::numeric_limits<qint64>::max() - 9) / 10) return t;
        pid = pid * 10 + (c - '0');
    }
    t.readable = pid > 0;
    t.pid = pid;
    t.program = QString::fromUtf8(lines[1].data(), static_cast<qsizetype>(lines[1].size()));
    t.host = QString::fromUtf8(lines[2].data(), static_cast<qsizetype>(lines[2].size()));
    return t;
}

DatabaseLock::DatabaseLock(const QString& databasePath)
    : databasePath_(databasePath), lock_(lockPath(databasePath)) {
    // Only a dead owner makes a lock stale: a long import may hold it for
    // many seconds.
    lock_.setStaleLockTime(0);
}

QString DatabaseLock::lockPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".lock");
}

DatabaseLock::Holder DatabaseLock::holder() const {
    Holder h;
    QFile file(lockPath(databasePath_));
    Error ignored;
    if (!openRegularFile(file, QIODevice::ReadOnly, ignored)) return h;
    const PathState state = openFileState(file);
    h.exists = true;
    h.changed = file.fileTime(QFileDevice::FileModificationTime);
    h.device = state.device;
    h.inode = state.inode;
    h.size = state.size;
    const QByteArray bytes = file.read(static_cast<qint64>(LockFileText::kMaxBytes) + 1);
    h.empty = bytes.isEmpty();
    h.text = readLockFileText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return h;
}

bool DatabaseLock::stale(const Holder& h) const {
    const QDateTime now = clock ? clock() : QDateTime::currentDateTimeUtc();
    // Either way round: a clock set back must not keep it for ever.
    return h.exists && !h.text.readable && h.changed.isValid() &&
           qAbs(h.changed.msecsTo(now)) >= kStaleMs;
}

void DatabaseLock::takeOver(const Holder& h) {
    // The same guard as QLockFile's own removal of a stale lock, so that two
    // writers finding it never remove the lock one of them has just made.
    QLockFile guard(lockPath(databasePath_) + QStringLiteral(".rmlock"));
    if (!guard.tryLock(0)) return;
    const Holder now = holder();
    if (!stale(now) || now.device != h.device || now.inode != h.inode || now.size != h.size ||
        now.changed != h.changed || !lock_.removeStaleLockFile())
        return;
    takenOver_ = QStringLiteral("Took over the lock file ") +
                 QDir::toNativeSeparators(lockPath(databasePath_)) + QStringLiteral(": it was ") +
                 (h.empty ? QStringLiteral("empty") : QStringLiteral("no lock")) +
                 QStringLiteral(" and unchanged since ") + timeText(h.changed);
}

QString DatabaseLock::describe(const Holder& h) {
    if (!h.exists) return {};
    if (h.text.readable)
        return h.text.program + QStringLiteral(", process ") + QString::number(h.text.pid) +
               QStringLiteral(" on host ") + h.text.host + QStringLiteral(", since ") +
               timeText(h.changed);
    return QStringLiteral("a lock file that is ") +
           (h.empty ? QStringLiteral("empty") : QStringLiteral("no lock")) +
           QStringLiteral(", written ") + timeText(h.changed) + QStringLiteral(" and taken over ") +
           QString::number(kStaleMs / 1000) + QStringLiteral(" seconds after");
}

QString DatabaseLock::holderDescription() const {
    return describe(holder());
}

QString DatabaseLock::waitingText() const {
    const QString who = holderDescription();
    return QStringLiteral("Waiting for ") + QFileInfo(databasePath_).fileName() +
           (who.isEmpty() ? QString() : QStringLiteral(": held by ") + who);
}

bool DatabaseLock::acquire(Error& error, int waitMs) {
    takenOver_.clear();
    // A lock file that is there is read to learn its owner: a FIFO of that
    // name would keep the read, and the program, waiting for ever.
    const QString path = lockPath(databasePath_);
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        error = {path, QStringLiteral("not a file")};
        return false;
    }
    if (const Holder h = holder(); stale(h)) takeOver(h);
    if (lock_.tryLock(waitMs)) return true;
    const QString name = QFileInfo(databasePath_).fileName();
    busy_ = lock_.error() == QLockFile::LockFailedError;
    if (busy_) {
        const QString who = holderDescription();
        error = {QString(),
                 name + QStringLiteral(" is being changed by another program") +
                     (who.isEmpty() ? QString() : QStringLiteral(" (") + who + QLatin1Char(')')) +
                     QStringLiteral("; try again when it has finished, or remove ") +
                     QDir::toNativeSeparators(path) +
                     QStringLiteral(" if that program is no longer running")};
    } else {
        error = {lockPath(databasePath_),
                 lock_.error() == QLockFile::PermissionError
                     ? QStringLiteral("the lock file cannot be made (no permission)")
                     : QStringLiteral("the lock file cannot be made")};
    }
    return false;
}

}  // namespace morvel
