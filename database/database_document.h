#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"

namespace morvel {

class DatabaseWatcher;

// A database as its owner last read or wrote it: always 324 records in file
// order (a short file's missing squares blank), never changed once published.
struct DatabaseContents {
    std::vector<FieldRecord> records;
    qint64 fileSize = 0;
    Error problem;  // the file could not be read: the records are then all empty
    QString stamp;  // changeStamp of the file as read
    const SquareEntry& square(int recordNo, int slot) const {
        return records[static_cast<std::size_t>(recordNo - 1)]
            .entries[static_cast<std::size_t>(slot)];
    }
};
using Contents = std::shared_ptr<const DatabaseContents>;

// Reads a database file whole; a file that cannot be read gives empty records
// and the problem.
Contents readContents(const QString& path);

// What a transaction works with, on the owner's worker thread, while the
// owner holds the database's lock.
class WriteContext {
public:
    WriteContext(const QString& databasePath, const QString& changelogPath,
                 int* liveJournals = nullptr)
        : databasePath_(databasePath), changelogPath_(changelogPath), liveJournals_(liveJournals) {}

    const QString& databasePath() const { return databasePath_; }
    const QString& changelogPath() const { return changelogPath_; }
    // The database as the file holds it now, read on first use under the lock.
    std::vector<FieldRecord>* records(Error& error);
    // Replaces the file with records(), all or nothing.
    bool writeRecords(Error& error);
    // Lines for the change log that is in place now, opened by its name (an
    // import may have made a new one meanwhile) and synced; written only
    // after the squares they name are in the database.
    bool appendChangelog(std::string_view bytes, Error& error);
    // The work wrote the database by other means (an import's own rename).
    void markWritten() { written_ = true; }
    bool written() const { return written_; }
    // Live sessions of this program that began the change log in place and
    // still write to it: a session that begins meanwhile goes on in that
    // change log instead of starting a fresh one over the other's lines.
    int liveJournals() const { return liveJournals_ ? *liveJournals_ : 0; }
    void joinLiveJournal() {
        if (liveJournals_) ++*liveJournals_;
    }

private:
    QString databasePath_;
    QString changelogPath_;
    int* liveJournals_ = nullptr;
    std::vector<FieldRecord> records_;
    bool read_ = false;
    bool written_ = false;
};

// How a transaction ended.
struct WriteOutcome {
    bool ok = false;
    bool busy = false;  // the lock was not had in time: nothing was done
    Error error;
    // A left-over lock file the owner took over, in words (DatabaseLock::takenOver).
    QString takenOver;
};

// The one owner of an open database in this program: its absolute path, its
// writer lock, its contents (read once, read again when another program
// changes the file) and its journal (the change log beside the backup).
// Every write, whoever asks for it, is a transaction run one at a time on
// the owner's worker thread under the lock; afterwards the new contents are
// published. Other programs are kept apart by the lock.
class DatabaseDocument : public QObject {
    Q_OBJECT
public:
    // The change log lies in workDir; the file is read before this returns.
    DatabaseDocument(const QString& path, const QString& workDir, QObject* parent = nullptr);
    ~DatabaseDocument() override;

    const QString& path() const { return path_; }
    QString changelogPath() const;
    // The contents last published; on the owner's thread.
    Contents contents() const { return contents_; }

    // The work returns false with the error when it failed; it runs with the
    // lock held, waited for up to waitMs.
    using Work = std::function<bool(WriteContext&, Error&)>;
    using Done = std::function<void(const WriteOutcome&)>;
    // Queues the work; `done` runs on the owner's thread once it is over and
    // the contents it wrote are published.
    void submit(Work work, int waitMs, Done done = {});
    // The same, waited for (the command-line tool, a closing session). From
    // another thread, the owner's thread must be running its event loop.
    WriteOutcome run(Work work, int waitMs);
    // Reads the file again (another program changed it) and publishes it.
    void reload();
    // The same at once, on this thread, when the file is not what was last
    // read: for a reader that must not wait for the watcher (a session that
    // begins).
    void refreshNow();
    // Transactions queued or running.
    int pending() const { return pending_; }
    // A live session that joined the change log (WriteContext::joinLiveJournal)
    // is over; queued behind the transactions, so counted on the worker.
    void leaveLiveJournal();

signals:
    void contentsChanged(morvel::Contents contents);

private:
    WriteOutcome runLocked(const Work& work, int waitMs, Contents& fresh);
    void publish(Contents fresh);

    QString path_;
    QString workDir_;
    Contents contents_;
    QThreadPool worker_;
    std::unique_ptr<DatabaseWatcher> watcher_;
    int pending_ = 0;
    int liveJournals_ = 0;  // on the worker thread only
};

// One owner per database for the whole program: whoever opens a database
// that is open already shares its owner.
class DatabaseDocuments {
public:
    explicit DatabaseDocuments(QString workDir = {}) : workDir_(std::move(workDir)) {}
    void setWorkDir(const QString& workDir) { workDir_ = workDir; }
    std::shared_ptr<DatabaseDocument> open(const QString& path);

private:
    QString workDir_;
    std::map<QString, std::weak_ptr<DatabaseDocument>> open_;
};

}  // namespace morvel
