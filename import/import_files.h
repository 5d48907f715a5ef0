#pragma once

#include <QFile>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>

#include "database/error.h"
#include "database/file_system.h"
#include "import/import_frame.h"

// The files an import writes besides the database, and how they are kept
// from harm: names checked before anything is written, copies committed only
// when whole, and the previous backup and change log kept aside until the
// new database is in place.
namespace morvel {

struct ImportFiles {
    QString scratch;    // "adi.tmp" or "edi.tmp"
    QString changelog;  // "changelog.txt"
    QString backup;     // "<name> backup.qra"
};
ImportFiles importFiles(const QString& databasePath, const QString& workDir,
                        const QString& backupDir, ImportKind kind);

// A name the import writes: a link of that name is removed, so that nothing
// is written through it; the name must not be the database itself, nor
// anything but a file.
bool claimName(const QString& path, const PathState& database, Error& error);
// A copy committed only when whole and on the disk; a failure leaves no
// part of it under the name.
bool copyWhole(QFile& from, const QString& to, Error& error);

// The scratch copy of a log, made on a thread of its own while the import
// reads it: read() hands out the bytes as they are copied, waiting for more
// until the copy has ended, so the copy and the reading share the time on
// two cores. The copy takes its name only when whole and is never synced (it
// is read once and never trusted after a crash); a failure leaves no part of
// it under the name. Its size is the log's when the copy began: bytes the log
// gains meanwhile are copied, not read.
class ScratchCopy : public QIODevice {
public:
    ScratchCopy() = default;
    // Stops a copy still under way and waits for it.
    ~ScratchCopy() override;

    // Starts copying `log`, open for reading, to `to`; the device is then
    // open for reading in `mode` (ReadOnly, with Unbuffered or not). `log`
    // is the copy's until end().
    bool begin(QFile& log, const QString& to, QIODevice::OpenMode mode, Error& error);
    // Waits for the copy to end: true once it is whole under its name.
    bool end(Error& error);

    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }

    // The bytes not yet read, handed to `take` a piece at a time as they are
    // copied, read into one buffer of at most kPiece bytes that every piece
    // reuses: the bytes are still in the cache when the parser reads them.
    // Mapping each piece instead cost more in page faults than the read's
    // copy (0.40 s against 0.28 s for a 250 MB log). Stops early when `take`
    // returns false; false with the reason when the copy failed.
    bool readPieces(const std::function<bool(std::string_view)>& take, QString& reason);
    // The same from an offset on, for a second thread: it has a reader of
    // its own, and read() and readPieces are not affected.
    bool readPiecesFrom(qint64 from, const std::function<bool(std::string_view)>& take,
                        QString& reason);
    static constexpr qint64 kPiece = 1 << 20;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void copy(QFile& log);
    // Bytes that can be read from the offset now, after waiting for them; -1
    // once the copy failed.
    qint64 awaitCopied(qint64 from);
    bool readPiecesWith(QFile& reader, qint64& at,
                        const std::function<bool(std::string_view)>& take, QString& reason);

    QString to_;
    QFile out_;
    QFile reader_;
    QFile secondReader_;
    qint64 size_ = 0;
    qint64 read_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    // Under mutex_.
    qint64 copied_ = 0;
    bool done_ = false;
    bool stop_ = false;
    bool ok_ = false;
    Error error_;
};

// The previous file of a name kept aside under "NAME.undo" ("NAME.none" when
// there was none), put back, or let go.
QString undoName(const QString& path);
bool keepAside(const QString& path, Error& error);
bool putBack(const QString& path, Error& error);
// False when a kept file cannot be removed: it would make the next read take
// the import for one killed halfway.
bool dropAside(const QString& path, Error& error);
bool hasAside(const QString& path);

// Puts the database, its backup and the change log back in agreement after
// an import that was killed halfway; the caller holds the database's lock.
bool recoverLocked(const QString& databasePath, const QString& workDir, const QString& backupDir,
                   Error& error);

}  // namespace morvel
