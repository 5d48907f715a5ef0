#include "live/live_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "database/database_lock.h"
#include "database/file_system.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "import/contact.h"
#include "import/import_frame.h"
#include "import/pending_contacts.h"
#include "live/log_follower.h"
#include "statistics/overview.h"

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

QString counted(std::int64_t n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

}  // namespace

QString countsText(const LiveCounts& n) {
    QString text = counted(n.taken, "contact", "contacts") + QStringLiteral(" taken");
    const std::int64_t otherReasons = n.notTaken - n.noLocator - n.notALocator;
    const std::int64_t skipped = n.duplicates + n.otherBand + n.notTaken + n.malformed;
    if (skipped == 0) return text;
    QStringList reasons;
    const auto reason = [&reasons](std::int64_t count, const char* what) {
        if (count > 0) reasons << QString::number(count) + QLatin1Char(' ') + QLatin1String(what);
    };
    reason(n.duplicates, "repeated");
    reason(n.otherBand, "of another band");
    reason(n.noLocator, "without a locator");
    reason(n.notALocator, "not a locator");
    reason(otherReasons, "incomplete");
    reason(n.malformed, "unreadable");
    return text + QStringLiteral(", ") + QString::number(skipped) + QStringLiteral(" skipped (") +
           reasons.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString SkippedContact::line() const {
    return QStringLiteral("skipped ") + (call.isEmpty() ? QStringLiteral("a contact") : call) +
           QStringLiteral(": ") + reason;
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

struct LiveSession::Batch {
    std::size_t count = 0;  // the first contacts of pending_
    bool takesPendingFile = false;
    std::vector<ImportedContact> contacts;
    std::vector<LedgerContact> ledger;
    std::vector<LiveImport::Outcome> outcomes;
    QString ledgerNotice;  // said once, on the owner's thread
    WriteOutcome outcome;
    bool handled = false;
};

LiveSession::LiveSession(std::shared_ptr<DatabaseDocument> document, const QString& workDir,
                         const QString& backupDir, const LiveSettings& settings, QObject* parent)
    : QObject(parent),
      document_(std::move(document)),
      databasePath_(document_->path()),
      settings_(settings),
      import_(std::make_shared<LiveImport>(databasePath_, workDir, backupDir)),
      filter_(toLatin1Text(bandFromFileName(QFileInfo(databasePath_).fileName()))) {
    writeTimer_.setSingleShot(true);
    connect(&writeTimer_, &QTimer::timeout, this, &LiveSession::writePending);
}

LiveSession::LiveSession(const QString& databasePath, const QString& workDir,
                         const QString& backupDir, const LiveSettings& settings, QObject* parent)
    : LiveSession(std::make_shared<DatabaseDocument>(databasePath, workDir), workDir, backupDir,
                  settings, parent) {}

LiveSession::~LiveSession() {
    Error ignored;
    stop(ignored);
}

quint16 LiveSession::udpPort() const {
    return udp_.empty() ? 0 : udp_.front()->boundPort();
}

QString LiveSession::source() const {
    return settings_.describe();
}

bool LiveSession::start(Error& error) {
    if (listening_) return true;
    if (!import_->check(error)) return false;
    document_->refreshNow();
    for (const auto& endpoint : {settings_.udp, settings_.multicast}) {
        if (!endpoint) continue;
        auto source = std::make_unique<UdpSource>();
        if (!source->start(*endpoint, error)) {
            udp_.clear();
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
                             [this, origin = QFileInfo(settings_.logPath).fileName()](
                                 const AdifRecord& r) { takeRecord(r, Via::Log, origin); },
                             error);
        if (!followed) {
            udp_.clear();
            follower_.reset();
            return false;
        }
        followerUnreadable_ = follower_->unreadable();
    }
    sinceWrite_.invalidate();
    listening_ = true;
    // What an earlier session left waiting goes in before anything new.
    takingPendingFile_ = QFileInfo::exists(pendingFileName(databasePath_));
    if (takingPendingFile_) scheduleWrite();
    return true;
}

bool LiveSession::stop(Error& error) {
    if (!listening_) return true;
    // Highlights of this session are cleared while the sockets still send.
    for (const auto& [key, h] : highlighted_)
        if (!clients_[key.first].closed) send(key.second, h, true);
    highlighted_.clear();
    // Nothing more arrives; what has arrived is taken before the last write.
    for (auto& source : udp_) {
        source->stop();
        QCoreApplication::sendPostedEvents(source.get(), QEvent::MetaCall);
    }
    if (follower_) follower_->finish();
    listening_ = false;
    writeTimer_.stop();
    countSources();
    // A write under way ends first; its contacts are then written or still wait.
    if (const std::shared_ptr<Batch> running = inFlight_) {
        document_->run([](WriteContext&, Error&) { return true; }, 0);
        // Its answer waits in the event queue: taken now, before the last write.
        QCoreApplication::sendPostedEvents(document_.get(), QEvent::MetaCall);
        finishBatch(running);
    }
    bool ok = true;
    if (!pending_.empty() || takingPendingFile_) {
        auto batch = makeBatch();
        batch->outcome = document_->run(batchWork(batch), stopWaitMs);
        finishBatch(batch);
        if (!batch->outcome.ok) {
            Error spill;
            const std::size_t left = pending_.size();
            if (spillToPendingFile(0, spill)) {
                const QString message =
                    batch->outcome.error.message() + QStringLiteral("; ") +
                    (left == 1 ? QStringLiteral("1 contact waits")
                               : QString::number(left) + QStringLiteral(" contacts wait")) +
                    QStringLiteral(" in ") + QFileInfo(pendingFileName(databasePath_)).fileName() +
                    QStringLiteral(" for the next session or import");
                emit notice(message);
                error = {{}, message};
            } else {
                error = spill;
            }
            ok = false;
        }
    }
    udp_.clear();
    if (import_->begun()) document_->leaveLiveJournal();
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
            consider(v, c, fromLatin1Text(m.id));
            break;
        }
        case MessageType::LoggedAdif: {
            const QString origin = fromLatin1Text(m.id);
            AdifParser parser([this, &origin](const AdifRecord& r) {
                takeRecord(r, Via::LoggedAdif, origin);
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
        case MessageType::Heartbeat:
        case MessageType::Status:
        case MessageType::Close:
            if (settings_.highlight) onClientMessage(m, from, port, via);
            break;
        default:
            break;
    }
}

void LiveSession::takeRecord(const AdifRecord& record, Via via, const QString& origin) {
    LiveContact c;
    const Verdict v = filter_.fromRecord(record, c, via);
    consider(v, c, origin);
}

void LiveSession::consider(Verdict verdict, LiveContact& contact, const QString& origin) {
    const auto skipped = [&](const QString& reason) {
        emit contactSkipped({fromLatin1Text(contact.loggedCall), reason});
    };
    switch (verdict) {
        case Verdict::Take:
            contact.ledger.origin = origin;
            pendingBytes_ += contact.contact.call.size() + contact.contact.locator.size() +
                             contact.key.size() + 64 + sizeof(LedgerContact);
            pending_.push_back(std::move(contact));
            if (pendingBytes_ > kMaxPendingBytes && !inFlight_) {
                // Held up too long: the waiting contacts go to the pending file.
                Error error;
                if (spillToPendingFile(0, error)) {
                    pendingBytes_ = 0;
                    emit notice(QStringLiteral("The database has been busy for long; the waiting "
                                               "contacts were kept in ") +
                                QFileInfo(pendingFileName(databasePath_)).fileName());
                } else {
                    lastFailure_ = error.message();
                    emit failed(lastFailure_);
                }
            }
            scheduleWrite();
            return;
        case Verdict::SameContact:
            return;
        case Verdict::Duplicate:
            ++counts_.duplicates;
            break;
        case Verdict::OtherBand:
            ++counts_.otherBand;
            skipped(QStringLiteral("another band (") + fromLatin1Text(contact.band) +
                    QLatin1Char(')'));
            break;
        case Verdict::NoBand:
            ++counts_.otherBand;
            skipped(QStringLiteral("no band"));
            break;
        case Verdict::NotTaken:
            ++counts_.notTaken;
            if (contact.skip == Skip::NoLocator) ++counts_.noLocator;
            if (contact.skip == Skip::NotALocator) ++counts_.notALocator;
            skipped(QString::fromLatin1(skipText(contact.skip)));
            break;
        case Verdict::Unreadable:
            ++counts_.malformed;
            break;
    }
    emit countsChanged();
}

void LiveSession::scheduleWrite() {
    if (writeTimer_.isActive() || inFlight_) return;
    qint64 delay = 0;
    if (sinceWrite_.isValid())
        delay = std::max<qint64>(0, minWriteIntervalMs - sinceWrite_.elapsed());
    writeTimer_.start(static_cast<int>(delay));
}

void LiveSession::countSources() {
    counts_.dropped = 0;
    for (const auto& source : udp_) counts_.dropped += source->dropped();
    if (counts_.dropped > droppedSaid_ &&
        (!sinceDroppedNotice_.isValid() || sinceDroppedNotice_.elapsed() >= kDroppedNoticeMs)) {
        const std::int64_t n = counts_.dropped - droppedSaid_;
        droppedSaid_ = counts_.dropped;
        sinceDroppedNotice_.start();
        emit notice(QString::number(n) +
                    (n == 1 ? QStringLiteral(" datagram was") : QStringLiteral(" datagrams were")) +
                    QStringLiteral(" dropped: they came faster than they could be read"));
    }
    if (follower_) {
        // Records of the log that could not be read count as malformed.
        const std::int64_t u = follower_->unreadable();
        counts_.malformed += u - followerUnreadable_;
        followerUnreadable_ = u;
        counts_.log = follower_->counts();
    }
}

std::shared_ptr<LiveSession::Batch> LiveSession::makeBatch() {
    auto batch = std::make_shared<Batch>();
    batch->count = pending_.size();
    batch->takesPendingFile = takingPendingFile_;
    batch->contacts.reserve(pending_.size());
    batch->ledger.reserve(pending_.size());
    for (const LiveContact& c : pending_) {
        batch->contacts.push_back(c.contact);
        batch->ledger.push_back(c.ledger);
    }
    return batch;
}

DatabaseDocument::Work LiveSession::batchWork(const std::shared_ptr<Batch>& batch) const {
    auto import = import_;
    const QString from = source();
    const QString database = databasePath_;
    const ChangelogStamp stamp = clock ? clock() : currentStamp();
    return [batch, import, from, stamp, database](WriteContext& context, Error& error) {
        // Contacts that waited in the pending file go first, read under the
        // lock so that none is taken twice or lost.
        std::vector<ImportedContact> contacts;
        if (batch->takesPendingFile && !readPendingContacts(database, contacts, error))
            return false;
        const std::size_t waited = contacts.size();
        contacts.insert(contacts.end(), batch->contacts.begin(), batch->contacts.end());
        std::vector<LiveImport::Outcome> outcomes;
        if (!import->apply(context, from, stamp, contacts, outcomes, error, batch->ledger,
                           &batch->ledgerNotice))
            return false;
        batch->outcomes.assign(outcomes.begin() + static_cast<std::ptrdiff_t>(waited),
                               outcomes.end());
        // Its contacts are in: the file that kept them goes.
        if (batch->takesPendingFile && !removeName(pendingFileName(database), error)) return false;
        return true;
    };
}

void LiveSession::writePending() {
    countSources();
    if ((pending_.empty() && !takingPendingFile_) || inFlight_) return;
    auto batch = makeBatch();
    inFlight_ = batch;
    QPointer<LiveSession> self(this);
    document_->submit(batchWork(batch), 100, [self, batch](const WriteOutcome& outcome) {
        batch->outcome = outcome;
        if (self) self->finishBatch(batch);
    });
}

void LiveSession::finishBatch(std::shared_ptr<Batch> batch) {
    if (batch->handled) return;
    batch->handled = true;
    if (inFlight_ == batch) inFlight_.reset();
    const WriteOutcome& outcome = batch->outcome;
    if (!batch->ledgerNotice.isEmpty()) emit notice(batch->ledgerNotice);
    if (!outcome.ok) {
        // The contacts wait and are tried again.
        if (outcome.busy) {
            if (!busySaid_) {
                busySaid_ = true;
                emit notice(DatabaseLock(databasePath_).waitingText());
            }
            if (listening_) writeTimer_.start(minWriteIntervalMs);
        } else {
            lastFailure_ = outcome.error.message();
            emit failed(lastFailure_);
            if (listening_) writeTimer_.start(retryIntervalMs);
        }
        emit countsChanged();
        return;
    }
    busySaid_ = false;
    lastFailure_.clear();
    sinceWrite_.start();
    if (batch->takesPendingFile) {
        takingPendingFile_ = false;
        emit notice(QStringLiteral("The contacts that waited in ") +
                    QFileInfo(pendingFileName(databasePath_)).fileName() +
                    QStringLiteral(" are in the database"));
    }
    std::vector<LiveContact> taken(
        std::make_move_iterator(pending_.begin()),
        std::make_move_iterator(pending_.begin() + static_cast<std::ptrdiff_t>(batch->count)));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(batch->count));
    pendingBytes_ = 0;
    for (const LiveContact& c : pending_)
        pendingBytes_ += c.contact.call.size() + c.contact.locator.size() + c.key.size() + 64 +
                         sizeof(LedgerContact);
    for (std::size_t i = 0; i < taken.size(); ++i) {
        const LiveContact& c = taken[i];
        TakenContact t;
        t.call = fromLatin1Text(c.contact.call);
        t.square = fromLatin1Text(std::string_view(c.contact.locator).substr(0, 4));
        t.band = fromLatin1Text(c.band);
        t.written = batch->outcomes[i].written;
        t.newSquare = batch->outcomes[i].newSquare;
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
    if (!pending_.empty() && listening_) scheduleWrite();
}

bool LiveSession::spillToPendingFile(std::size_t from, Error& error) {
    std::vector<PendingContact> kept;
    for (std::size_t i = from; i < pending_.size(); ++i)
        kept.push_back({pending_[i].contact, pending_[i].band});
    if (!savePendingContacts(databasePath_, kept, error)) return false;
    pending_.resize(from);
    takingPendingFile_ = true;
    return true;
}

void LiveSession::send(const std::string& call, const Highlight& h, bool clear) const {
    if (!h.via) return;
    const bool isNew = h.kind == 1;
    h.via->send(clear ? highlightCallsign(h.schema, h.id, call, QColor(), QColor())
                      : highlightCallsign(h.schema, h.id, call,
                                          isNew ? colours.newBackground : colours.workedBackground,
                                          isNew ? colours.newForeground : colours.workedForeground),
                h.to, h.port);
}

void LiveSession::clearHighlights(const std::string& square) {
    for (auto it = highlighted_.begin(); it != highlighted_.end();) {
        if (!it->second.own || it->second.square != square) {
            ++it;
            continue;
        }
        send(it->first.second, it->second, true);
        it = highlighted_.erase(it);
    }
}

void LiveSession::clearClientHighlights(const std::string& id) {
    const bool closed = clients_[id].closed;
    for (auto it = highlighted_.lower_bound({id, std::string()});
         it != highlighted_.end() && it->first.first == id;) {
        if (!closed) send(it->first.second, it->second, true);
        it = highlighted_.erase(it);
    }
}

Contents LiveSession::bandContents(const std::string& band, bool& own) const {
    own = false;
    if (band.empty()) return {};
    const QString wanted = fromLatin1Text(band);
    const QFileInfo database(databasePath_);
    if (bandFromFileName(database.fileName()).compare(wanted, Qt::CaseInsensitive) == 0) {
        own = true;
        return document_->contents();
    }
    // Another band: the folder's first database of it, read as it is now.
    const QDir folder = database.absoluteDir();
    for (const QString& name : bandDatabaseNames(folder.path()))
        if (bandFromFileName(name).compare(wanted, Qt::CaseInsensitive) == 0) {
            Contents contents = readContents(folder.absoluteFilePath(name));
            if (!contents->problem.isSet()) return contents;
        }
    return {};
}

void LiveSession::onClientMessage(const Message& m, const QHostAddress& from, quint16 port,
                                  UdpSource* via) {
    const bool known = clients_.count(m.id) != 0;
    if (!known && clients_.size() >= kMaxClients) return;
    Client& client = clients_[m.id];
    if (m.type == MessageType::Close) {
        // Gone with its highlights; they are kept to be sent again when it is back.
        client.closed = true;
        return;
    }
    bool restarted = client.closed;
    if (!known) {
        // A new instance takes over what one that closed was shown.
        for (auto it = highlighted_.begin(); it != highlighted_.end();) {
            const auto other = clients_.find(it->first.first);
            if (other == clients_.end() || !other->second.closed || other->first == m.id) {
                ++it;
                continue;
            }
            Highlight h = it->second;
            h.id = m.id;
            highlighted_[{m.id, it->first.second}] = h;
            it = highlighted_.erase(it);
            restarted = true;
        }
    }
    if (m.type == MessageType::Status) {
        const std::string band(bandOfFrequencyHz(m.status.dialFrequencyHz));
        if (!client.statusSeen || band != client.band) {
            // Another band: its callers are coloured from its own database.
            // A program that restarted has none of the old ones to clear.
            clearClientHighlights(m.id);
            client.closed = false;
            client.statusSeen = true;
            client.band = band;
            client.contents = bandContents(band, client.own);
            return;
        }
    }
    client.closed = false;
    if (!restarted) return;
    for (auto it = highlighted_.lower_bound({m.id, std::string()});
         it != highlighted_.end() && it->first.first == m.id; ++it) {
        it->second.to = from;
        it->second.port = port;
        it->second.via = via;
        it->second.schema = m.schema;
        send(it->first.second, it->second, false);
        ++highlightsSent_;
    }
}

void LiveSession::onDecode(const Message& m, const QHostAddress& from, quint16 port,
                           UdpSource* via) {
    std::string call;
    std::string grid;
    if (!via || !callerAndGrid(m.decode.message, call, grid)) return;
    if (clients_.count(m.id) == 0 && clients_.size() >= kMaxClients) return;
    Client& client = clients_[m.id];
    // Before the program says its band, the session's own database colours.
    const bool own = !client.statusSeen || client.own;
    const Contents contents = own ? document_->contents() : client.contents;
    if (!contents) return;
    if (own && workedThisSession_.count(grid) != 0) return;
    const SquareEntry& slot = contents->square(recordOfLocator(grid), slotOfLocator(grid));
    const SquareState state = squareState(slot);
    const int kind = !state.hasCall ? 1 : !state.confirmed ? 2 : 0;
    const std::pair<std::string, std::string> key{m.id, call};
    auto found = highlighted_.find(key);
    if (kind == 0) {
        if (found != highlighted_.end()) {
            send(call, found->second, true);
            highlighted_.erase(found);
        }
        return;
    }
    if (found != highlighted_.end() && found->second.kind == kind && found->second.square == grid)
        return;
    if (found == highlighted_.end() && highlighted_.size() >= kMaxHighlights) return;
    Highlight& h = highlighted_[key];
    h = {grid, kind, m.id, m.schema, from, port, via, own};
    send(call, h, false);
    ++highlightsSent_;
}

}  // namespace morvel::live
