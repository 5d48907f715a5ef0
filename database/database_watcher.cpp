#include "database/database_watcher.h"

#include <QFile>
#include <QFileInfo>

#include "database/file_system.h"

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
    return changeStamp(path_);
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

FolderWatcher::FolderWatcher(const QString& folder, QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(100);
    if (!folder.isEmpty()) watcher_.addPath(folder);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&settle_, &QTimer::timeout, this, &FolderWatcher::changed);
}

}  // namespace morvel
