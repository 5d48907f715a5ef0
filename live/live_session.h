#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "database/database_document.h"
#include "database/error.h"
#include "import/changelog.h"
#include "import/live_import.h"
#include "live/live_contacts.h"
#include "live/udp_source.h"

namespace morvel::live {

class LogFollower;

// What to listen to: any of a UDP address and port, a multicast group, a
// growing log file; and whether to answer decodes in needed squares.
struct LiveSettings {
    std::optional<UdpEndpoint> udp;        // 127.0.0.1:2237 by default
    std::optional<UdpEndpoint> multicast;  // e.g. 239.255.0.1:2237
    QString logPath;                       // empty: none
    bool highlight = false;                // off by default

    static LiveSettings defaults();
    // The one source the main menu keeps as text: "[ADDRESS:]PORT" (a
    // multicast group's address joins it), anything else a log file's path.
    static bool fromText(const QString& text, bool highlight, LiveSettings& out, QString& reason);
    // "UDP 127.0.0.1:2237", "multicast 239.255.0.1:2237", the log's path;
    // several joined with " and ".
    QString describe() const;
};

// One contact taken into the database.
struct TakenContact {
    QString call;
    QString square;  // four characters, "JO62"
    QString band;    // "2m"
    bool newSquare = false;
    bool written = false;
    // "NEW JO62 DL1ABC 2m" or "dup JO62 DL1ABC 2m".
    QString line() const;
};

// A contact a source read and the session did not take, and why.
struct SkippedContact {
    QString call;    // as logged; may be empty
    QString reason;  // "another band (20m)", "no band", "no locator", "not a locator", ...
    // "skipped DL1ABC: another band (20m)"
    QString line() const;
};

// The highlight colours sent back for a caller in a needed square.
struct HighlightColours {
    QColor newBackground{0xff, 0xd7, 0x00};
    QColor newForeground{Qt::black};
    QColor workedBackground{0x87, 0xce, 0xfa};
    QColor workedForeground{Qt::black};
};

// "1 contact taken", "2 contacts taken, 3 skipped (1 of another band, 2
// without a locator)": the counts a window shows.
QString countsText(const LiveCounts& counts);

// A caller and the grid of a decoded CQ or reply: "CQ DL1ABC JO62",
// "CQ DX DL1ABC JO62", "K1XYZ DL1ABC JO62"; false for any other message.
bool callerAndGrid(const std::string& message, std::string& call, std::string& grid);

// Listening for one database: the sources' contacts of its band through the
// import's rules, written in batches as transactions of the database's owner
// (at most one database write every minWriteIntervalMs, the first of a quiet
// spell at once), never losing one: while another program holds the
// database the contacts wait, and what still waits when the session ends is
// kept in "NAME pending.adi" for the next session or import.
class LiveSession : public QObject {
    Q_OBJECT
public:
    LiveSession(std::shared_ptr<DatabaseDocument> document, const QString& workDir,
                const QString& backupDir, const LiveSettings& settings, QObject* parent = nullptr);
    // With an owner of its own (the command-line tool, tests).
    LiveSession(const QString& databasePath, const QString& workDir, const QString& backupDir,
                const LiveSettings& settings, QObject* parent = nullptr);
    ~LiveSession() override;

    // The checks an import makes before writing, then the sources; contacts
    // left waiting by an earlier session go in first. False with the reason;
    // nothing listens then.
    bool start(Error& error);
    // Writes every contact still waiting, waiting up to stopWaitMs for a
    // busy lock; what is still waiting then goes to the pending file, which
    // `notice` tells. Closes the sources.
    bool stop(Error& error);
    bool listening() const { return listening_; }

    const LiveCounts& counts() const { return counts_; }
    const LiveSettings& settings() const { return settings_; }
    const QString& databasePath() const { return databasePath_; }
    const std::shared_ptr<DatabaseDocument>& document() const { return document_; }
    // Contacts waiting to be written, and their bytes as held.
    std::size_t pendingCount() const { return pending_.size(); }
    std::size_t pendingBytes() const { return pendingBytes_; }
    QString lastNewSquare() const { return lastNewSquare_; }
    // Why the last write failed, while its contacts still wait; empty once a
    // write has gone through.
    const QString& lastFailure() const { return lastFailure_; }
    int databaseWrites() const { return import_->databaseWrites(); }
    quint16 udpPort() const;
    std::int64_t highlightsSent() const { return highlightsSent_; }

    // For the tests and benchmarks: the change log's stamp, the write spacing.
    std::function<ChangelogStamp()> clock;
    int minWriteIntervalMs = 250;
    // A failed write is tried again after this long; the contacts wait.
    int retryIntervalMs = 2000;
    static constexpr int kStopWaitMs = 10000;
    int stopWaitMs = kStopWaitMs;
    // Contacts waiting beyond this many bytes go to the pending file at once.
    static constexpr std::size_t kMaxPendingBytes = 8 * 1024 * 1024;
    // Dropped datagrams are told at most once in this many milliseconds.
    static constexpr qint64 kDroppedNoticeMs = 10000;
    HighlightColours colours;

    // One datagram as a source hands it on.
    void takeDatagram(const QByteArray& bytes, const QHostAddress& from, quint16 port,
                      UdpSource* via = nullptr);

signals:
    // After the database holds it.
    void contactTaken(const morvel::live::TakenContact& contact);
    void contactSkipped(const morvel::live::SkippedContact& contact);
    void countsChanged();
    // A write failed; the contacts wait and are tried again.
    void failed(const QString& message);
    // Something the operator should know, said once: a source that could
    // not be read, the lock is busy, the pending file was written or taken,
    // datagrams were dropped.
    void notice(const QString& message);

private:
    void takeRecord(const AdifRecord& record, Via via, const QString& origin);
    void consider(Verdict verdict, LiveContact& contact, const QString& origin);
    struct Batch;
    void scheduleWrite();
    void writePending();
    std::shared_ptr<Batch> makeBatch();
    DatabaseDocument::Work batchWork(const std::shared_ptr<Batch>& batch) const;
    void finishBatch(std::shared_ptr<Batch> batch);
    void countSources();
    bool spillToPendingFile(std::size_t from, Error& error);
    QString source() const;
    void onDecode(const Message& m, const QHostAddress& from, quint16 port, UdpSource* via);
    void onClientMessage(const Message& m, const QHostAddress& from, quint16 port, UdpSource* via);
    // Clears the highlights of the session's band in the square.
    void clearHighlights(const std::string& square);
    void clearClientHighlights(const std::string& id);
    // The folder's database of the band, as last read; none for no database.
    Contents bandContents(const std::string& band, bool& own) const;

    std::shared_ptr<DatabaseDocument> document_;
    QString databasePath_;
    LiveSettings settings_;
    std::shared_ptr<LiveImport> import_;
    ContactFilter filter_;
    std::vector<std::unique_ptr<UdpSource>> udp_;
    std::unique_ptr<LogFollower> follower_;
    std::vector<LiveContact> pending_;
    std::size_t pendingBytes_ = 0;
    std::shared_ptr<Batch> inFlight_;
    bool takingPendingFile_ = false;  // the first contacts came from the pending file
    bool busySaid_ = false;
    QElapsedTimer sinceDroppedNotice_;
    std::int64_t droppedSaid_ = 0;
    QTimer writeTimer_;
    QElapsedTimer sinceWrite_;
    bool listening_ = false;
    LiveCounts counts_;
    QString lastNewSquare_;
    QString lastFailure_;
    std::int64_t highlightsSent_ = 0;
    std::int64_t followerUnreadable_ = 0;

    struct Highlight {
        std::string square;
        int kind = 0;  // 1 new square, 2 worked not confirmed
        std::string id;
        std::uint32_t schema = 2;
        QHostAddress to;
        quint16 port = 0;
        UdpSource* via = nullptr;
        bool own = true;  // coloured from the session's own database
    };
    // A digital-mode program as its messages tell it.
    struct Client {
        bool statusSeen = false;  // until then the session's own database colours
        std::string band;         // of the dial frequency, "20m"; empty for none
        Contents contents;        // the band's database; none: no highlights
        bool own = true;
        bool closed = false;
    };
    std::map<std::string, Client> clients_;  // by id
    // By the client's id and the call.
    std::map<std::pair<std::string, std::string>, Highlight> highlighted_;
    // Sends the highlight's colours, or clears it.
    void send(const std::string& call, const Highlight& h, bool clear) const;
    std::set<std::string> workedThisSession_;  // squares
    static constexpr std::size_t kMaxHighlights = 500;
    static constexpr std::size_t kMaxClients = 64;
};

}  // namespace morvel::live
