#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace morvel {

// Tells when a database file has been changed by anyone: this program,
// another instance, morvel-cli. Every writer replaces the file by a rename,
// which ends a watch on the old file, so the folder is watched too and the
// file's watch is renewed after each change. Bursts of notices arrive as one.
class DatabaseWatcher : public QObject {
    Q_OBJECT
public:
    explicit DatabaseWatcher(const QString& databasePath, QObject* parent = nullptr);

signals:
    void changed();

private:
    void onNotice();
    void onSettled();
    QString stamp() const;

    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString lastStamp_;
};

// Tells when files appear in a folder, go from it or are renamed there (a
// database made or deleted by morvel-cli or another instance). Bursts of
// notices arrive as one.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    explicit FolderWatcher(const QString& folder, QObject* parent = nullptr);

signals:
    void changed();

private:
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace morvel
