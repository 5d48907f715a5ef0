#include "database/database_watcher.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

namespace morvel {

DatabaseWatcher::DatabaseWatcher(const QString& databasePath, QObject* parent)
    : QObject(parent), path_(databasePath) {
    settle_.setSingleShot(true);
    settle_.setInterval(100);
    watcher_.addPath(QFileInfo(path_).absolutePath());
    watcher_.addPath(path_);
    lastStamp_ = stamp();
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DatabaseWatcher::onNotice);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DatabaseWatcher::onNotice);
    connect(&settle_, &QTimer::timeout, this, &DatabaseWatcher::onSettled);
}

QString DatabaseWatcher::stamp() const {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return {};
    // Every writer replaces the file, so a new inode tells a change even
    // within one tick of the clock.
    return QStringLiteral("%1/%2/%3.%4")
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

void DatabaseWatcher::onNotice() {
    settle_.start();
}

void DatabaseWatcher::onSettled() {
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) watcher_.addPath(path_);
    const QString now = stamp();
    if (now == lastStamp_) return;
    lastStamp_ = now;
    emit changed();
}

}  // namespace morvel
