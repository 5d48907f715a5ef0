#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "database/error.h"
#include "database/file_system.h"
#include "import/adif_reader.h"
#include "live/live_contacts.h"

namespace morvel::live {

// Follows a growing ADIF log (any logger's, as WSJT-X's wsjtx_log.adi): the
// records written after start() are handed on as their <eor> arrives, so a
// record half-written at the end waits for its end. A log rewritten or cut
// short (another file under the name, a smaller size, other bytes where the
// last read ended) is read again from its start; telling the contacts read
// before from new ones is the caller's (ContactFilter). The file and its
// folder are watched (inotify): nothing runs while the log does not change.
//
// The bytes are read as the import reads them: a field's length beyond the
// log's end is waited for at most kWaitMs, then its record is unreadable and
// the reading goes on after its tag, as an import of the same bytes does.
// Only a regular file is read: a folder, FIFO, socket or device of the name
// is refused at the start and waited out while followed.
class LogFollower : public QObject {
    Q_OBJECT
public:
    using RecordHandler = std::function<void(const AdifRecord&)>;

    explicit LogFollower(const QString& path, QObject* parent = nullptr);

    // Reads the log as it is now, each record to `existing` (a log that does
    // not exist yet is waited for), then follows it, each new record to
    // `appended`. False when the folder cannot be watched or the name leads
    // to something else than a file.
    bool start(const RecordHandler& existing, const RecordHandler& appended, Error& error);

    // Reads what was added since the last read; the watcher calls it.
    void readNew();
    // Listening ends: the last bytes are read, a length still waited for is
    // judged on the bytes there are, and a record the log ends in is
    // unreadable, as the import reads the same bytes.
    void finish();

    // Records that could not be read so far.
    std::int64_t unreadable() const { return counts_.unreadable(); }
    const LogReadCounts& counts() const { return counts_; }
    int restarts() const { return restarts_; }

    // Bytes read at a time.
    static constexpr qint64 kChunk = 64 * 1024;
    // How long a field running past the log's end waits for the rest.
    static constexpr std::int64_t kWaitMs = 3000;
    // Unreadable records named one by one; the later ones are counted only.
    static constexpr int kMaxNamed = 10;

    // Milliseconds of a steady clock; the tests set it.
    std::function<std::int64_t()> clock;

signals:
    // Something the user is told once: an unreadable record, the log's name
    // leading to something else than a file.
    void notice(const QString& text);

private:
    void restart();
    void newParser();
    void read(bool final);
    void onBroken(std::uint64_t at, std::uint64_t length);
    std::int64_t now() const;

    QString path_;
    QFileSystemWatcher watcher_;
    QTimer waitTimer_;
    RecordHandler existing_;
    RecordHandler appended_;
    std::unique_ptr<AdifParser> parser_;
    LogReadCounts counts_;
    qint64 offset_ = 0;       // the bytes the parser has taken
    qint64 existingEnd_ = 0;  // records that end within the log as it was at the start
    QByteArray tail_;  // the last bytes taken, up to kTail: still there when only appended to
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    bool holding_ = false;
    std::int64_t heldSince_ = 0;
    FileKind refusedKind_ = FileKind::None;  // what the name led to when last looked at
    int named_ = 0;
    int restarts_ = 0;
    static constexpr qint64 kTail = 64;
};

// "a folder", "a link to a device": what a name leads to, for a message.
QString describeKind(const PathState& state);

}  // namespace morvel::live
