#include "live/live_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "import/contact.h"
#include "import/import_frame.h"
#include "live/log_follower.h"

namespace morvel::live {

LiveSettings LiveSettings::defaults() {
    LiveSettings s;
    s.udp = UdpEndpoint{};
    return s;
}

bool LiveSettings::fromText(const QString& text, bool highlight, LiveSettings& out,
                            QString& reason) {
    LiveSettings s;
    s.highlight = highlight;
    const QString t = text.trimmed();
    UdpEndpoint e;
    if (t.isEmpty()) {
        s.udp = e;
    } else if (parseEndpoint(t, false, e, reason)) {
        if (e.address.isMulticast()) {
            e.multicast = true;
            s.multicast = e;
        } else {
            s.udp = e;
        }
    } else if (t.contains(QLatin1Char('/')) || t.contains(QLatin1Char('.'))) {
        s.logPath = t;
    } else {
        return false;
    }
    out = s;
    return true;
}

QString LiveSettings::describe() const {
    QStringList parts;
    if (udp) parts << describeEndpoint(*udp);
    if (multicast) parts << describeEndpoint(*multicast);
    if (!logPath.isEmpty())
        parts << QDir::toNativeSeparators(QFileInfo(logPath).absoluteFilePath());
    return parts.join(QStringLiteral(" and "));
}

QString TakenContact::line() const {
    return (newSquare ? QStringLiteral("NEW ") : QStringLiteral("dup ")) + square +
           QLatin1Char(' ') + call + QLatin1Char(' ') + band;
}

namespace {

bool isGrid(const std::string& t) {
    return t.size() == 4 && t[0] >= 'A' && t[0] <= 'R' && t[1] >= 'A' && t[1] <= 'R' &&
           t[2] >= '0' && t[2] <= '9' && t[3] >= '0' && t[3] <= '9' && t != "RR73";
}

}  // namespace

bool callerAndGrid(const std::string& message, std::string& call, std::string& grid) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < message.size() && words.size() < 8) {
        while (at < message.size() && message[at] == ' ') ++at;
        const std::size_t end = std::min(message.find(' ', at), message.size());
        if (end > at) words.push_back(message.substr(at, end - at));
        at = end;
    }
    if (words.size() < 3 || words.size() > 4 || !isGrid(words.back())) return false;
    if (words.size() == 4 && words[0] != "CQ") return false;
    call = words[words.size() - 2];
    if (call.size() > 2 && call.front() == '<' && call.back() == '>')
        call = call.substr(1, call.size() - 2);
    if (call.empty() || call.size() > 13 || call == "CQ") return false;
    grid = words.back();
    return true;
}

LiveSession::LiveSession(const QString& databasePath, const QString& workDir,
                         const QString& backupDir, const LiveSettings& settings, QObject* parent)
    : QObject(parent),
      databasePath_(databasePath),
      settings_(settings),
      import_(databasePath, workDir, backupDir),
      filter_(toLatin1Text(bandFromFileName(QFileInfo(databasePath).fileName()))) {
    writeTimer_.setSingleShot(true);
    connect(&writeTimer_, &QTimer::timeout, this, [this] {
        Error error;
        if (!writePending(100, error)) {
            Error ignored;
            const QString message = error.message();
            stop(ignored);
            emit failed(message);
        }
    });
}

LiveSession::~LiveSession() {
    Error ignored;
    stop(ignored);
}

quint16 LiveSession::udpPort() const {
    return udp_.empty() ? 0 : udp_.front()->boundPort();
}

bool LiveSession::start(Error& error) {
    if (listening_) return true;
    const ChangelogStamp stamp = clock ? clock() : currentStamp();
    if (!import_.begin(settings_.describe(), stamp, error)) return false;
    for (const auto& endpoint : {settings_.udp, settings_.multicast}) {
        if (!endpoint) continue;
        auto source = std::make_unique<UdpSource>();
        if (!source->start(*endpoint, error)) {
            udp_.clear();
            Error ignored;
            import_.end(ignored);
            return false;
        }
        UdpSource* via = source.get();
        connect(via, &UdpSource::datagram, this,
                [this, via](const QByteArray& bytes, const QHostAddress& from, quint16 port) {
                    takeDatagram(bytes, from, port, via);
                });
        udp_.push_back(std::move(source));
    }
    if (!settings_.logPath.isEmpty()) {
        follower_ = std::make_unique<LogFollower>(settings_.logPath);
        connect(follower_.get(), &LogFollower::notice, this, &LiveSession::notice);
        const bool followed =
            follower_->start([this](const AdifRecord& r) { filter_.remember(r); },
                             [this](const AdifRecord& r) { takeRecord(r); }, error);
        if (!followed) {
            udp_.clear();
            follower_.reset();
            Error ignored;
            import_.end(ignored);
            return false;
        }
        followerUnreadable_ = follower_->unreadable();
    }
    sinceWrite_.invalidate();
    listening_ = true;
    return true;
}

bool LiveSession::stop(Error& error) {
    if (!listening_) return true;
    // Highlights of this session are cleared while the sockets still send.
    for (auto& [call, h] : highlighted_)
        if (h.via)
            h.via->send(highlightCallsign(h.schema, h.id, call, QColor(), QColor()), h.to, h.port);
    highlighted_.clear();
    // Nothing more arrives; what has arrived is taken before the last write.
    for (auto& source : udp_) {
        source->stop();
        QCoreApplication::sendPostedEvents(source.get(), QEvent::MetaCall);
    }
    if (follower_) follower_->finish();
    listening_ = false;
    writeTimer_.stop();
    bool ok = writePending(DatabaseLock::kWaitMs, error);
    follower_.reset();
    udp_.clear();
    Error endError;
    if (!import_.end(endError) && ok) {
        error = endError;
        ok = false;
    }
    return ok;
}

void LiveSession::takeDatagram(const QByteArray& bytes, const QHostAddress& from, quint16 port,
                               UdpSource* via) {
    if (!listening_) return;
    const Message m =
        readMessage(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (m.result == ReadResult::Malformed) {
        ++counts_.malformed;
        emit countsChanged();
        return;
    }
    if (m.result == ReadResult::Ignored) {
        ++counts_.ignored;
        return;
    }
    switch (m.type) {
        case MessageType::QsoLogged: {
            LiveContact c;
            const Verdict v = filter_.fromQsoLogged(m.qso, c);
            consider(v, c);
            break;
        }
        case MessageType::LoggedAdif: {
            AdifParser parser([this](const AdifRecord& r) {
                takeRecord(r);
                return true;
            });
            parser.expectBytes(m.adif.size());
            parser.feed(m.adif);
            parser.finish();
            if (parser.unreadable() > 0) {
                counts_.malformed += parser.unreadable();
                emit countsChanged();
            }
            break;
        }
        case MessageType::Decode:
            if (settings_.highlight) onDecode(m, from, port, via);
            break;
        default:
            break;
    }
}

void LiveSession::takeRecord(const AdifRecord& record) {
    LiveContact c;
    const Verdict v = filter_.fromRecord(record, c);
    consider(v, c);
}

void LiveSession::consider(Verdict verdict, LiveContact& contact) {
    switch (verdict) {
        case Verdict::Take:
            pending_.push_back(std::move(contact));
            scheduleWrite();
            return;
        case Verdict::Duplicate:
            ++counts_.duplicates;
            break;
        case Verdict::OtherBand:
        case Verdict::NoBand:
            ++counts_.otherBand;
            break;
        case Verdict::NotTaken:
            ++counts_.notTaken;
            break;
        case Verdict::Unreadable:
            ++counts_.malformed;
            break;
    }
    emit countsChanged();
}

void LiveSession::scheduleWrite() {
    if (writeTimer_.isActive()) return;
    qint64 delay = 0;
    if (sinceWrite_.isValid())
        delay = std::max<qint64>(0, minWriteIntervalMs - sinceWrite_.elapsed());
    writeTimer_.start(static_cast<int>(delay));
}

bool LiveSession::writePending(int waitMs, Error& error) {
    counts_.dropped = 0;
    for (const auto& source : udp_) counts_.dropped += source->dropped();
    if (follower_) {
        // Records of the log that could not be read count as malformed.
        const std::int64_t u = follower_->unreadable();
        counts_.malformed += u - followerUnreadable_;
        followerUnreadable_ = u;
        counts_.log = follower_->counts();
    }
    if (pending_.empty()) return true;
    std::vector<ImportedContact> contacts;
    contacts.reserve(pending_.size());
    for (const LiveContact& c : pending_) contacts.push_back(c.contact);
    std::vector<LiveImport::Outcome> outcomes;
    bool busy = false;
    if (!import_.apply(contacts, outcomes, error, waitMs, &busy)) {
        if (busy && listening_) {
            // Another writer has the database: the contacts wait their turn.
            if (!std::exchange(waitSaid_, true))
                emit notice(DatabaseLock(databasePath_).waitingText());
            error = {};
            writeTimer_.start(minWriteIntervalMs);
            return true;
        }
        return false;
    }
    sinceWrite_.start();
    waitSaid_ = false;
    std::vector<LiveContact> taken;
    taken.swap(pending_);
    for (std::size_t i = 0; i < taken.size(); ++i) {
        const LiveContact& c = taken[i];
        TakenContact t;
        t.call = fromLatin1Text(c.contact.call);
        t.square = fromLatin1Text(std::string_view(c.contact.locator).substr(0, 4));
        t.band = fromLatin1Text(c.band);
        t.written = outcomes[i].written;
        t.newSquare = outcomes[i].newSquare;
        ++counts_.taken;
        if (t.newSquare) {
            ++counts_.newSquares;
            lastNewSquare_ = t.square;
        }
        const std::string square = c.contact.locator.substr(0, 4);
        workedThisSession_.insert(square);
        clearHighlights(square);
        emit contactTaken(t);
    }
    emit countsChanged();
    return true;
}

void LiveSession::clearHighlights(const std::string& square) {
    for (auto it = highlighted_.begin(); it != highlighted_.end();) {
        if (it->second.square != square) {
            ++it;
            continue;
        }
        const Highlight& h = it->second;
        if (h.via)
            h.via->send(highlightCallsign(h.schema, h.id, it->first, QColor(), QColor()), h.to,
                        h.port);
        it = highlighted_.erase(it);
    }
}

void LiveSession::onDecode(const Message& m, const QHostAddress& from, quint16 port,
                           UdpSource* via) {
    std::string call;
    std::string grid;
    if (!via || !callerAndGrid(m.decode.message, call, grid)) return;
    if (workedThisSession_.count(grid) != 0) return;
    FieldRecord record;
    Error ignored;
    if (!readRecord(databasePath_, recordOfLocator(grid), record, ignored)) return;
    const SquareEntry& slot = record.entries[static_cast<std::size_t>(slotOfLocator(grid))];
    const SquareState state = squareState(slot);
    const int kind = !state.hasCall ? 1 : !state.confirmed ? 2 : 0;
    auto found = highlighted_.find(call);
    if (kind == 0) {
        if (found != highlighted_.end()) clearHighlights(found->second.square);
        return;
    }
    if (found != highlighted_.end() && found->second.kind == kind && found->second.square == grid)
        return;
    if (found == highlighted_.end() && highlighted_.size() >= kMaxHighlights) return;
    Highlight& h = highlighted_[call];
    h = {grid, kind, m.id, m.schema, from, port, via};
    const bool isNew = kind == 1;
    via->send(highlightCallsign(m.schema, m.id, call,
                                isNew ? colours.newBackground : colours.workedBackground,
                                isNew ? colours.newForeground : colours.workedForeground),
              from, port);
    ++highlightsSent_;
}

}  // namespace morvel::live
