#include "live/log_follower.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <utility>

namespace morvel::live {

QString describeKind(const PathState& state) {
    QString what;
    switch (state.kind) {
        case FileKind::Folder:
            what = QStringLiteral("a folder");
            break;
        case FileKind::Fifo:
            what = QStringLiteral("a FIFO");
            break;
        case FileKind::Socket:
            what = QStringLiteral("a socket");
            break;
        case FileKind::Device:
            what = QStringLiteral("a device");
            break;
        case FileKind::Regular:
            what = QStringLiteral("a file");
            break;
        case FileKind::None:
        case FileKind::Other:
            what = QStringLiteral("no file");
            break;
    }
    return state.isLink ? QStringLiteral("a link to ") + what : what;
}

namespace {

// A name that leads to something there that is not a file; a missing file,
// or a link that leads nowhere, is waited for instead.
bool refused(const PathState& state) {
    return state.exists && !state.isRegular && state.kind != FileKind::None;
}

}  // namespace

LogFollower::LogFollower(const QString& path, QObject* parent)
    : QObject(parent), path_(QFileInfo(path).absoluteFilePath()) {
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, &LogFollower::readNew);
}

std::int64_t LogFollower::now() const {
    if (clock) return clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool LogFollower::start(const RecordHandler& existing, const RecordHandler& appended,
                        Error& error) {
    const PathState state = pathState(path_);
    if (refused(state)) {
        error = {QDir::toNativeSeparators(path_),
                 describeKind(state) + QStringLiteral(", not a file")};
        return false;
    }
    existing_ = existing;
    appended_ = appended;
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.addPath(folder)) {
        error = {folder, QStringLiteral("cannot be watched")};
        return false;
    }
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &LogFollower::readNew);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &LogFollower::readNew);
    newParser();
    existingEnd_ = state.isRegular ? state.size : 0;
    readNew();
    return true;
}

void LogFollower::newParser() {
    parser_ = std::make_unique<AdifParser>([this](const AdifRecord& r) {
        const bool existed = parser_->recordEnd() <= static_cast<std::uint64_t>(existingEnd_);
        const RecordHandler& h = existed ? existing_ : appended_;
        if (h) h(r);
        return true;
    });
    parser_->setBrokenHandler(
        [this](std::uint64_t at, std::uint64_t length) { onBroken(at, length); });
    holding_ = false;
    waitTimer_.stop();
}

void LogFollower::restart() {
    // What the last reading found unreadable stays counted; the records of
    // the new file are all new to it.
    newParser();
    offset_ = 0;
    existingEnd_ = 0;
    tail_.clear();
    ++restarts_;
}

void LogFollower::onBroken(std::uint64_t at, std::uint64_t length) {
    const bool tooLarge = length > AdifParser::kMaxValueLength;
    ++(tooLarge ? counts_.lengthTooLarge : counts_.lengthPastEnd);
    if (named_ > kMaxNamed) return;
    const QString file = QDir::toNativeSeparators(path_);
    if (named_++ == kMaxNamed) {
        emit notice(file + QStringLiteral(": more unreadable records; they are counted only"));
        return;
    }
    emit notice(file + QStringLiteral(": the record with the field at byte ") +
                QString::number(at) + QStringLiteral(" is unreadable: its length, ") +
                QString::number(length) +
                (tooLarge ? QStringLiteral(", is beyond any field's")
                          : QStringLiteral(", runs past the end of the log")) +
                QStringLiteral("; reading goes on at the next record"));
}

void LogFollower::readNew() {
    read(false);
}

void LogFollower::finish() {
    if (!parser_) return;
    read(true);
    const std::int64_t before = parser_->unreadable();
    parser_->finish();
    counts_.cutOff += parser_->unreadable() - before;
    waitTimer_.stop();
    parser_.reset();
}

void LogFollower::read(bool final) {
    if (!parser_) return;
    const PathState state = pathState(path_);
    if (refused(state)) {
        if (state.kind != refusedKind_) {
            ++counts_.notAFile;
            emit notice(QDir::toNativeSeparators(path_) + QStringLiteral(": ") +
                        describeKind(state) +
                        QStringLiteral(" now, not a file; waiting for a log file of that name"));
        }
        refusedKind_ = state.kind;
        return;
    }
    refusedKind_ = FileKind::None;
    // A rename over the log ends the file's watch: renewed whenever it lapsed.
    if (state.isRegular && !watcher_.files().contains(path_)) watcher_.addPath(path_);
    QFile file(path_);
    Error ignored;
    if (!openRegularFile(file, QIODevice::ReadOnly | QIODevice::Unbuffered, ignored)) return;
    const PathState opened = openFileState(file);
    if (!opened.exists) return;
    const qint64 size = opened.size;
    bool rewritten = (offset_ > 0 || !tail_.isEmpty()) &&
                     (opened.device != device_ || opened.inode != inode_ || size < offset_);
    if (!rewritten && !tail_.isEmpty()) {
        // The bytes where the last read ended are still those read.
        QByteArray there(tail_.size(), '\0');
        rewritten = !file.seek(offset_ - tail_.size()) ||
                    file.read(there.data(), there.size()) != there.size() || there != tail_;
    }
    device_ = opened.device;
    inode_ = opened.inode;
    if (rewritten) restart();
    QByteArray chunk(static_cast<qsizetype>(kChunk), '\0');
    // Only the bytes there were at the look: a length is judged on those.
    for (;;) {
        parser_->awaitBytes(static_cast<std::uint64_t>(size - offset_));
        if (parser_->held()) {
            if (!std::exchange(holding_, true)) heldSince_ = now();
            const std::int64_t waited = now() - heldSince_;
            if (!final && waited < kWaitMs) {
                waitTimer_.start(static_cast<int>(kWaitMs - waited));
                return;
            }
            // Judged as the import judges the same bytes.
            parser_->expectBytes(static_cast<std::uint64_t>(size - offset_));
        }
        holding_ = false;
        if (offset_ >= size || !file.seek(offset_)) return;
        const qint64 n = file.read(chunk.data(), std::min(kChunk, size - offset_));
        if (n <= 0) return;
        const std::uint64_t before = parser_->fed();
        parser_->feed(std::string_view(chunk.constData(), static_cast<std::size_t>(n)));
        const auto taken = static_cast<qint64>(parser_->fed() - before);
        offset_ += taken;
        tail_ = (tail_ + chunk.left(taken)).right(kTail);
    }
}

}  // namespace morvel::live
