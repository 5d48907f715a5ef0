#include "database/database_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QtConcurrent>
#include <future>

#include "database/database_lock.h"
#include "database/database_watcher.h"
#include "database/file_system.h"
#include "database/qra_file.h"
#include "database/qra_names.h"

namespace morvel {

Contents readContents(const QString& path) {
    auto contents = std::make_shared<DatabaseContents>();
    contents->stamp = changeStamp(path);
    if (!readDatabase(path, contents->records, contents->problem, &contents->fileSize))
        contents->records.assign(kRecordCount, FieldRecord{});
    return contents;
}

std::vector<FieldRecord>* WriteContext::records(Error& error) {
    if (!read_) {
        if (!readDatabase(databasePath_, records_, error)) return nullptr;
        read_ = true;
    }
    return &records_;
}

bool WriteContext::writeRecords(Error& error) {
    if (!read_) {
        error = {databasePath_, QStringLiteral("nothing was read to write")};
        return false;
    }
    if (!writeDatabase(databasePath_, records_, error)) return false;
    written_ = true;
    return true;
}

bool WriteContext::appendChangelog(std::string_view bytes, Error& error) {
    if (bytes.empty()) return true;
    return appendSynced(changelogPath_, bytes, error);
}

DatabaseDocument::DatabaseDocument(const QString& path, const QString& workDir, QObject* parent)
    : QObject(parent),
      path_(QFileInfo(path).absoluteFilePath()),
      workDir_(workDir.isEmpty() ? QFileInfo(path_).absolutePath() : workDir),
      contents_(readContents(path_)),
      watcher_(std::make_unique<DatabaseWatcher>(path_)) {
    worker_.setMaxThreadCount(1);
    worker_.setExpiryTimeout(-1);
    connect(watcher_.get(), &DatabaseWatcher::changed, this, &DatabaseDocument::reload);
}

DatabaseDocument::~DatabaseDocument() {
    worker_.waitForDone();
}

QString DatabaseDocument::changelogPath() const {
    return QDir(workDir_).filePath(QStringLiteral("changelog.txt"));
}

WriteOutcome DatabaseDocument::runLocked(const Work& work, int waitMs, Contents& fresh) {
    WriteOutcome outcome;
    DatabaseLock lock(path_);
    if (!lock.acquire(outcome.error, waitMs)) {
        outcome.busy = lock.busy();
        return outcome;
    }
    outcome.takenOver = lock.takenOver();
    WriteContext context(path_, changelogPath(), &liveJournals_);
    outcome.ok = work(context, outcome.error);
    // Read back while the lock is still held: what is published is what the
    // file holds, whatever the work did before it failed.
    if (context.written()) fresh = readContents(path_);
    return outcome;
}

void DatabaseDocument::submit(Work work, int waitMs, Done done) {
    ++pending_;
    QPointer<DatabaseDocument> self(this);
    QThreadPool* pool = &worker_;
    (void)QtConcurrent::run(pool, [self, this, work = std::move(work), waitMs,
                                   done = std::move(done)]() mutable {
        Contents fresh;
        const WriteOutcome outcome = runLocked(work, waitMs, fresh);
        QMetaObject::invokeMethod(
            this,
            [self, this, outcome, fresh, done = std::move(done)] {
                if (!self) return;
                --pending_;
                if (fresh) publish(fresh);
                if (done) done(outcome);
            },
            Qt::QueuedConnection);
    });
}

WriteOutcome DatabaseDocument::run(Work work, int waitMs) {
    if (QThread::currentThread() != thread()) {
        // From a worker of its own (a download applying its confirmations):
        // queued on the owner's thread like any other write, so that the
        // contents are published there, and waited for here.
        std::promise<WriteOutcome> result;
        QMetaObject::invokeMethod(
            this,
            [&] {
                submit(work, waitMs, [&](const WriteOutcome& o) { result.set_value(o); });
            },
            Qt::QueuedConnection);
        return result.get_future().get();
    }
    ++pending_;
    Contents fresh;
    WriteOutcome outcome;
    // On the worker, after whatever was queued before it. A QFuture's wait
    // could run the work on this thread ahead of the queue, so the wait is
    // on a promise of its own.
    std::promise<void> finished;
    worker_.start([&] {
        outcome = runLocked(work, waitMs, fresh);
        finished.set_value();
    });
    finished.get_future().wait();
    --pending_;
    if (fresh) publish(fresh);
    return outcome;
}

void DatabaseDocument::leaveLiveJournal() {
    worker_.start([this] {
        if (liveJournals_ > 0) --liveJournals_;
    });
}

void DatabaseDocument::reload() {
    QPointer<DatabaseDocument> self(this);
    (void)QtConcurrent::run(&worker_, [self, this] {
        Contents fresh = readContents(path_);
        QMetaObject::invokeMethod(
            this,
            [self, this, fresh] {
                if (self) publish(fresh);
            },
            Qt::QueuedConnection);
    });
}

void DatabaseDocument::refreshNow() {
    if (changeStamp(path_) != contents_->stamp) publish(readContents(path_));
}

void DatabaseDocument::publish(Contents fresh) {
    contents_ = std::move(fresh);
    emit contentsChanged(contents_);
}

std::shared_ptr<DatabaseDocument> DatabaseDocuments::open(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    if (auto found = open_[key].lock()) return found;
    auto document = std::make_shared<DatabaseDocument>(key, workDir_);
    open_[key] = document;
    return document;
}

}  // namespace morvel
