#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "database/error.h"
#include "import/adif_reader.h"

namespace morvel::live {

// Follows a growing ADIF log (any logger's, as WSJT-X's wsjtx_log.adi): the
// records written after start() are handed on as their <eor> arrives, so a
// record half-written at the end waits for its end. A log rewritten or cut
// short (another file under the name, a smaller size, other bytes where the
// last read ended) is read again from its start; telling the contacts read
// before from new ones is the caller's (ContactFilter). The file and its
// folder are watched (inotify): nothing runs while the log does not change.
class LogFollower : public QObject {
    Q_OBJECT
public:
    using RecordHandler = std::function<void(const AdifRecord&)>;

    explicit LogFollower(const QString& path, QObject* parent = nullptr);

    // Reads the log as it is now, each record to `existing` (a log that does
    // not exist yet is waited for), then follows it, each new record to
    // `appended`. False when the folder cannot be watched.
    bool start(const RecordHandler& existing, const RecordHandler& appended, Error& error);

    // Reads what was added since the last read; the watcher calls it.
    void readNew();

    // Records that could not be read (a broken length) so far.
    std::int64_t unreadable() const { return unreadable_ + (parser_ ? parser_->unreadable() : 0); }
    int restarts() const { return restarts_; }

    // Bytes read at a time.
    static constexpr qint64 kChunk = 64 * 1024;

private:
    void restart();

    QString path_;
    QFileSystemWatcher watcher_;
    RecordHandler existing_;
    RecordHandler appended_;
    bool reading_existing_ = false;
    std::unique_ptr<AdifParser> parser_;
    std::int64_t unreadable_ = 0;
    qint64 offset_ = 0;
    QByteArray tail_;  // the last bytes read, up to kTail: still there when only appended to
    dev_t device_ = 0;
    ino_t inode_ = 0;
    int restarts_ = 0;
    static constexpr qint64 kTail = 64;
};

}  // namespace morvel::live
