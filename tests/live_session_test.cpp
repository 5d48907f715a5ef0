#include "live/live_session.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QThread>
#include <QUdpSocket>
#include <functional>
#include <memory>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "ledger/ledger.h"
#include "test_support.h"

namespace morvel::test {
namespace {

using live::MessageType;
using live::MessageWriter;

void waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// What a digital-mode program sends, as WSJT-X 2.6 lays it out.
QByteArray status(const std::string& id, quint64 dialHz) {
    return MessageWriter(MessageType::Status, id)
        .u64(dialHz)
        .utf8("FT8")
        .utf8("")
        .utf8("")
        .utf8("FT8")
        .boolean(false)
        .boolean(false)
        .boolean(true)
        .u32(1500)
        .u32(1500)
        .utf8("SP2XYZ")
        .utf8("JO93")
        .utf8("")
        .bytes();
}
QByteArray heartbeat(const std::string& id) {
    return MessageWriter(MessageType::Heartbeat, id).u32(3).utf8("2.6.1").utf8("").bytes();
}
QByteArray closing(const std::string& id) {
    return MessageWriter(MessageType::Close, id).bytes();
}
QByteArray decode(const std::string& id, const char* message) {
    return MessageWriter(MessageType::Decode, id)
        .boolean(true)
        .time(QTime(19, 0))
        .i32(-5)
        .real(0.1)
        .u32(1200)
        .utf8("~")
        .utf8(message)
        .boolean(false)
        .boolean(false)
        .bytes();
}
QByteArray qsoLogged(const char* call, const char* grid, quint64 hz, int minute = 5) {
    return MessageWriter(MessageType::QsoLogged, "WSJT-X")
        .dateTime(QDate(2026, 12, 6), QTime(19, minute + 1))
        .utf8(call)
        .utf8(grid)
        .u64(hz)
        .utf8("FT8")
        .utf8("-10")
        .utf8("-12")
        .utf8("")
        .utf8("")
        .utf8("")
        .dateTime(QDate(2026, 12, 6), QTime(19, minute))
        .bytes();
}
QByteArray loggedAdif(const QByteArray& record) {
    return MessageWriter(MessageType::LoggedAdif, "WSJT-X")
        .utf8(("<adif_ver:5>3.1.0<programid:6>WSJT-X<EOH>\n" + record).toStdString())
        .bytes();
}

// The highlights a client received, as "ID CALL new|worked|clear".
std::vector<std::string> received(QUdpSocket& socket, const live::HighlightColours& colours) {
    std::vector<std::string> out;
    while (socket.hasPendingDatagrams()) {
        const QByteArray bytes = socket.receiveDatagram().data();
        QDataStream in(bytes);
        quint32 magic = 0, schema = 0, type = 0;
        in >> magic >> schema;
        in.setVersion(schema >= 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_0);
        QByteArray id, call;
        QColor background, foreground;
        in >> type >> id >> call >> background >> foreground;
        if (type != 13) {
            out.push_back("type " + std::to_string(type));
            continue;
        }
        const char* kind = !background.isValid()                    ? "clear"
                           : background == colours.newBackground    ? "new"
                           : background == colours.workedBackground ? "worked"
                                                                    : "other";
        out.push_back(id.toStdString() + " " + call.toStdString() + " " + kind);
    }
    return out;
}

struct ProgramStep {
    const char* what;
    bool restart;  // the program starts again: a new socket, a new port
    std::vector<QByteArray> datagrams;
    std::vector<std::string> highlights;
};

// A 2 m session while the program moves between bands: 6 m has its own
// database (and a backup of it that must not count), 20 m has none.
TEST(LiveFakeProgram, HighlightsFollowTheDialFrequencysBandAndComeBackAfterARestart) {
    QTemporaryDir dir;
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    const QString sixMetres = makeBlankDatabase(dir.path(), "6M JO62QM T.QRA");
    setSquare(sixMetres, "JO", 62, makeEntry("JO62AA", "DL1ABC", "01/01/24", true));
    setSquare(sixMetres, "JO", 50, makeEntry("JO50AA", "K1AA", "01/01/24", false));
    const QString backup = makeBlankDatabase(dir.path(), "6M JO62QM T backup.qra");
    setSquare(backup, "JO", 50, makeEntry("JO50AA", "K1AA", "01/01/24", true));
    live::LiveSettings settings;
    settings.udp = live::UdpEndpoint{};
    settings.udp->port = 0;
    settings.highlight = true;
    live::LiveSession session(db, dir.path(), dir.path(), settings);
    Error error;
    ASSERT_TRUE(session.start(error)) << error;

    const std::string id = "WSJT-X";
    const std::string other = "WSJT-X - IC9700";
    const std::vector<ProgramStep> steps = {
        {"on 2 m", false, {status(id, 144'174'000)}, {}},
        {"callers on 2 m",
         false,
         {decode(id, "CQ DL1ABC JO62"), decode(id, "CQ K1AA JO50")},
         {"WSJT-X DL1ABC new", "WSJT-X K1AA new"}},
        {"to 6 m", false, {status(id, 50'313'000)}, {"WSJT-X DL1ABC clear", "WSJT-X K1AA clear"}},
        {"callers on 6 m",
         false,
         {decode(id, "CQ DL1ABC JO62"), decode(id, "CQ K1AA JO50")},
         {"WSJT-X K1AA worked"}},
        {"still 6 m", false, {status(id, 50'314'000)}, {}},
        {"to 20 m, no database",
         false,
         {status(id, 14'074'000), decode(id, "CQ K1AA JO50")},
         {"WSJT-X K1AA clear"}},
        {"back to 6 m",
         false,
         {status(id, 50'313'000), decode(id, "CQ K1AA JO50")},
         {"WSJT-X K1AA worked"}},
        {"closed", false, {closing(id)}, {}},
        {"started again", true, {heartbeat(id)}, {"WSJT-X K1AA worked"}},
        {"started as another instance",
         true,
         {closing(id), heartbeat(other)},
         {"WSJT-X - IC9700 K1AA worked"}},
    };
    auto program = std::make_unique<QUdpSocket>();
    ASSERT_TRUE(program->bind(QHostAddress::LocalHost, 0));
    for (const ProgramStep& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.restart) {
            program = std::make_unique<QUdpSocket>();
            ASSERT_TRUE(program->bind(QHostAddress::LocalHost, 0));
        }
        for (const QByteArray& d : step.datagrams)
            program->writeDatagram(d, QHostAddress::LocalHost, session.udpPort());
        std::vector<std::string> got;
        waitFor(
            [&] {
                for (const std::string& h : received(*program, session.colours)) got.push_back(h);
                return got.size() >= step.highlights.size() && !step.highlights.empty();
            },
            step.highlights.empty() ? 300 : 10000);
        waitFor([] { return false; }, 100);
        for (const std::string& h : received(*program, session.colours)) got.push_back(h);
        EXPECT_EQ(got, step.highlights);
    }
    ASSERT_TRUE(session.stop(error)) << error;
}

struct PortCase {
    const char* what;
    QAbstractSocket::BindMode holderMode;
};

TEST(LiveUdp, AUnicastPortInUseIsRefusedAndItsListenerKeepsItsDatagrams) {
    const std::vector<PortCase> cases = {
        {"held without sharing", QAbstractSocket::DontShareAddress},
        {"held by a listener that would share",
         QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint},
    };
    for (const PortCase& c : cases) {
        SCOPED_TRACE(c.what);
        QUdpSocket holder;
        ASSERT_TRUE(holder.bind(QHostAddress::LocalHost, 0, c.holderMode));
        QTemporaryDir dir;
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
        live::LiveSettings settings;
        settings.udp = live::UdpEndpoint{};
        settings.udp->port = holder.localPort();
        live::LiveSession session(db, dir.path(), dir.path(), settings);
        Error error;
        EXPECT_FALSE(session.start(error));
        const std::string port = std::to_string(holder.localPort());
        EXPECT_NE(error.message().toStdString().find("port " + port + " is in use"),
                  std::string::npos)
            << error;
        EXPECT_NE(error.message().toStdString().find("multicast group, as 239.255.0.1:" + port),
                  std::string::npos)
            << error;
        QUdpSocket sender;
        sender.writeDatagram(qsoLogged("DL1ABC", "JO62", 144'174'000), QHostAddress::LocalHost,
                             holder.localPort());
        EXPECT_TRUE(holder.waitForReadyRead(5000));
        EXPECT_EQ(session.counts().taken, 0);
    }
}

const QByteArray kRecord =
    "<call:6>DL1ABC<gridsquare:4>JO62<band:2>2m<freq:10>144.174000<mode:3>FT8"
    "<qso_date:8>20261206<time_on:6>190500<time_off:6>190600<eor>";

struct SkipCase {
    const char* what;
    std::vector<QByteArray> datagrams;
    std::vector<std::string> lines;  // the skipped lines, in order
    std::int64_t taken, duplicates;
    const char* counts;  // as the main menu shows them
};

TEST(LiveSkipped, EachSkippedContactToldWithItsReasonAndAPairCountedOnce) {
    const std::vector<SkipCase> cases = {
        {"QSO Logged and Logged ADIF of one contact",
         {qsoLogged("DL1ABC", "JO62", 144'174'000), loggedAdif(kRecord)},
         {},
         1,
         0,
         "1 contact taken"},
        {"Logged ADIF first",
         {loggedAdif(kRecord), qsoLogged("DL1ABC", "JO62", 144'174'000)},
         {},
         1,
         0,
         "1 contact taken"},
        {"the pair and the record again",
         {qsoLogged("DL1ABC", "JO62", 144'174'000), loggedAdif(kRecord), loggedAdif(kRecord)},
         {},
         1,
         1,
         "1 contact taken, 1 skipped (1 repeated)"},
        {"two contacts",
         {qsoLogged("DL1ABC", "JO62", 144'174'000), qsoLogged("DL1ABC", "JO62", 144'174'000, 40)},
         {},
         2,
         0,
         "2 contacts taken"},
        {"another band",
         {qsoLogged("DL1ABC", "JO62", 50'313'000)},
         {"skipped DL1ABC: another band (6m)"},
         0,
         0,
         "0 contacts taken, 1 skipped (1 of another band)"},
        {"no band",
         {qsoLogged("DL1ABC", "JO62", 100'000'000)},
         {"skipped DL1ABC: no band"},
         0,
         0,
         "0 contacts taken, 1 skipped (1 of another band)"},
        {"no locator",
         {qsoLogged("DL1ABC", "", 144'174'000)},
         {"skipped DL1ABC: no locator"},
         0,
         0,
         "0 contacts taken, 1 skipped (1 without a locator)"},
        {"not a locator",
         {loggedAdif("<call:4>G4BB<gridsquare:4>ZZ99<band:2>2m<qso_date:8>20261206<eor>"),
          qsoLogged("DL1ABC", "JO62", 144'174'000)},
         {"skipped G4BB: not a locator"},
         1,
         0,
         "1 contact taken, 1 skipped (1 not a locator)"},
        {"no call",
         {loggedAdif("<gridsquare:4>JO62<band:2>2m<qso_date:8>20261206<eor>")},
         {"skipped a contact: no call sign"},
         0,
         0,
         "0 contacts taken, 1 skipped (1 incomplete)"},
    };
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
        live::LiveSession session(db, dir.path(), dir.path(), {});
        std::vector<std::string> lines;
        QObject::connect(
            &session, &live::LiveSession::contactSkipped,
            [&](const live::SkippedContact& s) { lines.push_back(s.line().toStdString()); });
        Error error;
        ASSERT_TRUE(session.start(error)) << error;
        for (const QByteArray& d : c.datagrams) session.takeDatagram(d, QHostAddress::LocalHost, 1);
        ASSERT_TRUE(session.stop(error)) << error;
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(session.counts().taken, c.taken);
        EXPECT_EQ(session.counts().duplicates, c.duplicates);
        EXPECT_EQ(live::countsText(session.counts()).toStdString(), c.counts);
    }
}

TEST(LiveCli, SkippedContactsHaveALineAndThePairCountsOnce) {
    QTemporaryDir dir;
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 port = probe.localPort();
    probe.close();
    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(MORVEL_CLI, {"listen", db, "--udp", "127.0.0.1:" + QString::number(port)});
    QByteArray err;
    waitFor([&] {
        cli.waitForReadyRead(50);
        err += cli.readAllStandardError();
        return err.endsWith("Ctrl+C ends\n");
    });
    QUdpSocket sender;
    for (const QByteArray& d : {qsoLogged("DL1ABC", "JO62", 144'174'000), loggedAdif(kRecord),
                                qsoLogged("K1AA", "FN31", 14'074'000)})
        sender.writeDatagram(d, QHostAddress::LocalHost, port);
    waitFor([&] {
        cli.waitForReadyRead(50);
        err += cli.readAllStandardError();
        return err.contains("skipped K1AA");
    });
    cli.terminate();
    ASSERT_TRUE(cli.waitForFinished(10000));
    err += cli.readAllStandardError();
    EXPECT_EQ(cli.readAllStandardOutput(), "NEW JO62 DL1ABC 2m\n");
    EXPECT_EQ(err.toStdString(),
              "Listening on UDP 127.0.0.1:" + std::to_string(port) +
                  " for 2M JO62QM T.QRA; Ctrl+C ends\n"
                  "skipped K1AA: another band (20m)\n"
                  "1 contact taken, 1 new square; skipped: 0 repeated, 1 of another band, 0 "
                  "incomplete, 0 unreadable\n");
}

// The ledger's state before the session, and what the session must leave.
struct LedgerCase {
    const char* what;
    std::function<void(const QString& ledgerPath)> prepare;
    std::size_t rows;  // the ledger's contacts of the database afterwards
    int notices;       // said about the ledger
};

TEST(LiveLedger, EveryContactWrittenGetsItsRowAndALedgerProblemStopsNoSquare) {
    const auto newer = [](const QString& path) {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version = 9", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    const std::vector<LedgerCase> cases = {
        {"no ledger yet", [](const QString&) {}, 2, 0},
        {"not SQLite", [](const QString& p) { writeFileBytes(p, QByteArray(4096, 'x')); }, 2, 1},
        {"of a newer schema", newer, 0, 1},
    };
    for (const LedgerCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
        const QString ledgerPath = dir.filePath(kLedgerFileName);
        c.prepare(ledgerPath);
        const QString log = dir.filePath("wsjtx_log.adi");
        writeFileBytes(log, "<eoh>\n");
        live::LiveSettings settings;
        settings.logPath = log;
        live::LiveSession session(db, dir.path(), dir.path(), settings);
        int notices = 0;
        QObject::connect(&session, &live::LiveSession::notice, [&](const QString& text) {
            if (text.contains(kLedgerFileName)) ++notices;
        });
        Error error;
        ASSERT_TRUE(session.start(error)) << error;
        session.takeDatagram(qsoLogged("DL1ABC", "JO62", 144'174'000), QHostAddress::LocalHost, 1);
        session.takeDatagram(loggedAdif(kRecord), QHostAddress::LocalHost, 1);
        waitFor([&] { return session.counts().taken == 1 && session.pendingCount() == 0; });
        // A second write: the problem is not said again.
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(
            "<call:4>G4BB<gridsquare:4>IO91<band:2>2m<qso_date:8>20261206"
            "<time_on:4>2000<eor>\n");
        file.close();
        waitFor([&] { return session.counts().taken == 2; });
        ASSERT_TRUE(session.stop(error)) << error;
        EXPECT_EQ(std::string(readSquare(db, "JO", 62).callsignText()), "DL1ABC    ");
        EXPECT_EQ(std::string(readSquare(db, "IO", 91).callsignText()), "G4BB      ");
        EXPECT_EQ(notices, c.notices);

        QString notice;
        std::unique_ptr<Ledger> ledger =
            Ledger::open(dir.path(), Ledger::Mode::ReadOnly, error, notice);
        std::vector<StoredContact> rows;
        if (ledger) {
            ASSERT_TRUE(ledger->contacts("2M JO62QM T.QRA", std::nullopt, rows, error));
        }
        ASSERT_EQ(rows.size(), c.rows);
        if (c.rows == 0) continue;
        EXPECT_EQ(rows[0].contact.call, "DL1ABC");
        EXPECT_EQ(rows[0].contact.origin, "WSJT-X");
        EXPECT_EQ(rows[0].contact.mode, "FT8");
        EXPECT_EQ(rows[0].contact.freq, "144.174000");
        EXPECT_EQ(contactTimeText(rows[0].contact.time), "2026-12-06 19:05");
        EXPECT_EQ(rows[1].contact.call, "G4BB");
        EXPECT_EQ(rows[1].contact.origin, "wsjtx_log.adi");
    }
}

struct LockCase {
    const char* what;
    const char* lockBytes;  // nullptr: no lock file
    bool said;
};

TEST(ImportCli, ALeftOverLockFileTakenOverIsSaidInTheReport) {
    const std::vector<LockCase> cases = {
        {"no lock file", nullptr, false},
        {"an empty one left over", "", true},
        {"one that is no lock", "not a lock\n", true},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
        const QString lock = DatabaseLock::lockPath(db);
        if (c.lockBytes) {
            writeFileBytes(lock, c.lockBytes);
            QFile file(lock);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                         QFileDevice::FileModificationTime));
        }
        writeFileBytes(dir.filePath("log.adi"),
                       "<call:6>DL1ABC<gridsquare:4>JO62<band:2>2m<qso_date:8>20261206<eor>");
        QProcess cli;
        cli.setWorkingDirectory(dir.path());
        cli.start(MORVEL_CLI, {"import-adif", db, dir.filePath("log.adi"), "--no-ledger"});
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 0);
        const QString err = cli.readAllStandardError();
        EXPECT_EQ(err.contains("Took over the lock file " + QDir::toNativeSeparators(lock)), c.said)
            << err.toStdString();
        EXPECT_EQ(std::string(readSquare(db, "JO", 62).callsignText()), "DL1ABC    ");
    }
}

}  // namespace
}  // namespace morvel::test
