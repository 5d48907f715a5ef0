#include "live/log_follower.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "database/file_io.h"

namespace morvel::live {

LogFollower::LogFollower(const QString& path, QObject* parent)
    : QObject(parent), path_(QFileInfo(path).absoluteFilePath()) {}

bool LogFollower::start(const RecordHandler& existing, const RecordHandler& appended,
                        Error& error) {
    existing_ = existing;
    appended_ = appended;
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.addPath(folder)) {
        error = {folder, QStringLiteral("cannot be watched")};
        return false;
    }
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &LogFollower::readNew);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &LogFollower::readNew);
    parser_ = std::make_unique<AdifParser>([this](const AdifRecord& r) {
        const RecordHandler& h = reading_existing_ ? existing_ : appended_;
        if (h) h(r);
        return true;
    });
    reading_existing_ = true;
    readNew();
    reading_existing_ = false;
    return true;
}

void LogFollower::restart() {
    if (parser_) unreadable_ += parser_->unreadable();
    parser_ = std::make_unique<AdifParser>([this](const AdifRecord& r) {
        const RecordHandler& h = reading_existing_ ? existing_ : appended_;
        if (h) h(r);
        return true;
    });
    offset_ = 0;
    tail_.clear();
    ++restarts_;
}

void LogFollower::readNew() {
    // A rename over the log ends the file's watch: renewed whenever it lapsed.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) watcher_.addPath(path_);
    QFile file(path_);
    Error ignored;
    if (!openRegularFile(file, QIODevice::ReadOnly | QIODevice::Unbuffered, ignored)) return;
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0) return;
    const qint64 size = st.st_size;
    bool rewritten = (offset_ > 0 || !tail_.isEmpty()) &&
                     (st.st_dev != device_ || st.st_ino != inode_ || size < offset_);
    if (!rewritten && !tail_.isEmpty()) {
        // The bytes where the last read ended are still those read.
        QByteArray now(tail_.size(), '\0');
        rewritten = !file.seek(offset_ - tail_.size()) ||
                    file.read(now.data(), now.size()) != now.size() || now != tail_;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    if (rewritten) restart();
    if (!file.seek(offset_)) return;
    QByteArray chunk(static_cast<qsizetype>(kChunk), '\0');
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n <= 0) break;
        parser_->feed(std::string_view(chunk.constData(), static_cast<std::size_t>(n)));
        offset_ += n;
        tail_ = (tail_ + chunk.left(n)).right(kTail);
    }
}

}  // namespace morvel::live
