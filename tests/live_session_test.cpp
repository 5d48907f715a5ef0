#include "live/live_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "ledger/ledger.h"
#include "live_support.h"

namespace morvel::test {
namespace {

using live::MessageType;
using live::MessageWriter;

// What a digital-mode program sends, as WSJT-X 2.6 lays it out.
QByteArray status(const std::string& id, quint64 dialHz) {
    MessageWriter w(MessageType::Status, id);
    w.u64(dialHz).utf8("FT8").utf8("").utf8("").utf8("FT8").boolean(false).boolean(false);
    return w.boolean(true).u32(1500).u32(1500).utf8("SP2XYZ").utf8("JO93").utf8("").bytes();
}
QByteArray heartbeat(const std::string& id) {
    return MessageWriter(MessageType::Heartbeat, id).u32(3).utf8("2.6.1").utf8("").bytes();
}
QByteArray closing(const std::string& id) {
    return MessageWriter(MessageType::Close, id).bytes();
}
QByteArray decode(const std::string& id, const char* message) {
    MessageWriter w(MessageType::Decode, id);
    w.boolean(true).time(QTime(19, 0)).i32(-5).real(0.1).u32(1200).utf8("~").utf8(message);
    return w.boolean(false).boolean(false).bytes();
}
QByteArray loggedAdif(const QByteArray& record) {
    return MessageWriter(MessageType::LoggedAdif, "WSJT-X")
        .utf8(("<adif_ver:5>3.1.0<programid:6>WSJT-X<EOH>\n" + record).toStdString())
        .bytes();
}

// A 2 m session while the program moves between bands: 6 m has its own
// database (and a backup of it that must not count), 20 m has none. Callers
// of needed squares are coloured, worked ones otherwise, confirmed ones not;
// a logged contact's caller is cleared.
TEST(LiveFakeProgram, HighlightsFollowTheDialFrequencysBandAndComeBackAfterARestart) {
    SessionFixture f(highlighting());
    setSquare(f.db, "JO", 51, makeEntry("JO51AA", "DL2XYZ", "01/01/24", false));
    setSquare(f.db, "JO", 70, makeEntry("JO70AA", "OK1AB", "01/01/24", true));
    const QString sixMetres = makeBlankDatabase(f.dir.path(), "6M JO62QM T.QRA");
    setSquare(sixMetres, "JO", 62, makeEntry("JO62AA", "DL1ABC", "01/01/24", true));
    setSquare(sixMetres, "JO", 50, makeEntry("JO50AA", "K1AA", "01/01/24", false));
    const QString backup = makeBlankDatabase(f.dir.path(), "6M JO62QM T backup.qra");
    setSquare(backup, "JO", 50, makeEntry("JO50AA", "K1AA", "01/01/24", true));
    f.start();

    const std::string id = "WSJT-X";
    // What happens, whether the program starts again first (a new socket, a new port), what
    // it sends and the highlights it gets.
    const std::tuple<const char*, bool, std::vector<QByteArray>, const char*> steps[] = {
        {"on 2 m", false, sent(status(id, 144'174'000)), ""},
        {"callers on 2 m, a worked and a confirmed one, and a call that is no caller's", false,
         sent(decode(id, "CQ DL1ABC JO62"), decode(id, "SP9XX DL2XYZ JO51"),
              decode(id, "CQ DX OK1AB JO70"), decode(id, "DL1ABC SP9XX -12")),
         "WSJT-X DL1ABC new; WSJT-X DL2XYZ worked"},
        {"DL1ABC logged", false, sent(qsoLogged("DL1ABC", "JO62")), "WSJT-X DL1ABC clear"},
        {"to 6 m", false, sent(status(id, 50'313'000)), "WSJT-X DL2XYZ clear"},
        {"callers on 6 m", false, sent(decode(id, "CQ DL1ABC JO62"), decode(id, "CQ K1AA JO50")),
         "WSJT-X K1AA worked"},
        {"still 6 m", false, sent(status(id, 50'314'000)), ""},
        {"to 20 m, no database", false, sent(status(id, 14'074'000), decode(id, "CQ K1AA JO50")),
         "WSJT-X K1AA clear"},
        {"back to 6 m", false, sent(status(id, 50'313'000), decode(id, "CQ K1AA JO50")),
         "WSJT-X K1AA worked"},
        {"closed", false, sent(closing(id)), ""},
        {"started again", true, sent(heartbeat(id)), "WSJT-X K1AA worked"},
        {"started as another instance", true, sent(closing(id), heartbeat("WSJT-X - IC9700")),
         "WSJT-X - IC9700 K1AA worked"},
    };
    std::unique_ptr<QUdpSocket> program;
    for (const auto& [what, restart, datagrams, highlights] : steps) {
        SCOPED_TRACE(what);
        if (restart || !program) {
            program = std::make_unique<QUdpSocket>();
            ASSERT_TRUE(program->bind(QHostAddress::LocalHost, 0));
        }
        for (const QByteArray& d : datagrams)
            program->writeDatagram(d, QHostAddress::LocalHost, f.session.udpPort());
        const std::string expected = highlights;
        std::string got;
        waitFor(
            [&] {
                receive(*program, f.session.colours, got);
                return !expected.empty() && got.size() >= expected.size();
            },
            expected.empty() ? 300 : 10000);
        waitFor([] { return false; }, 100);
        receive(*program, f.session.colours, got);
        EXPECT_EQ(got, expected);
    }
    f.stop();
}

TEST(LiveUdp, AUnicastPortInUseIsRefusedAndItsListenerKeepsItsDatagrams) {
    using Mode = QAbstractSocket::BindMode;
    for (const Mode holderMode :
         {Mode(QAbstractSocket::DontShareAddress),
          QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint}) {
        SCOPED_TRACE(holderMode.toInt());
        QUdpSocket holder;
        ASSERT_TRUE(holder.bind(QHostAddress::LocalHost, 0, holderMode));
        live::LiveSettings settings = highlighting();
        settings.udp->port = holder.localPort();
        SessionFixture f(settings);
        Error error;
        EXPECT_FALSE(f.session.start(error));
        const QString port = QString::number(holder.localPort());
        EXPECT_TRUE(error.message().contains("port " + port + " is in use")) << error;
        EXPECT_TRUE(error.message().contains("multicast group, as 239.255.0.1:" + port)) << error;
        QUdpSocket().writeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost,
                                   holder.localPort());
        EXPECT_TRUE(holder.waitForReadyRead(5000));
        EXPECT_EQ(f.session.counts().taken, 0);
    }
}

const QByteArray kRecord =
    "<call:6>DL1ABC<gridsquare:4>JO62<band:2>2m<freq:10>144.174000<mode:3>FT8"
    "<qso_date:8>20261206<time_on:6>190500<time_off:6>190600<eor>";

TEST(LiveLedger, EveryContactWrittenGetsItsRowAndALedgerProblemStopsNoSquare) {
    const char* const kRows = "DL1ABC WSJT-X FT8 144.174000 2026-12-06 19:05; "
                              "G4BB wsjtx_log.adi   2026-12-06 20:00; ";
    // The ledger's state before the session and how it is made, the ledger's contacts of the
    // database afterwards and how often the ledger is spoken of.
    const std::tuple<const char*, std::function<void(const QString&)>, const char*, int> cases[] = {
        {"no ledger yet", [](const QString&) {}, kRows, 0},
        {"not SQLite", [](const QString& p) { writeFileBytes(p, QByteArray(4096, 'x')); }, kRows,
         1},
        {"of a newer schema", writeNewerLedger, "", 1},
    };
    for (const auto& [what, prepare, rows, said] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir logDir;
        const QString log = logDir.filePath("wsjtx_log.adi");
        writeFileBytes(log, "<eoh>\n");
        SessionFixture f(following(log));
        prepare(f.dir.filePath(kLedgerFileName));
        int notices = 0;
        QObject::connect(&f.session, &live::LiveSession::notice, [&](const QString& text) {
            if (text.contains(kLedgerFileName)) ++notices;
        });
        f.start();
        f.session.takeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost, 1);
        f.session.takeDatagram(loggedAdif(kRecord), QHostAddress::LocalHost, 1);
        waitFor([&] { return f.session.counts().taken == 1 && f.session.pendingCount() == 0; });
        // A second write: the problem is not said again.
        append(log, adifRecord("G4BB", "IO91", "<time_on:4>2000"));
        waitFor([&] { return f.session.counts().taken == 2; });
        f.stop();
        EXPECT_EQ(std::string(readSquare(f.db, "JO", 62).callsignText()), "DL1ABC    ");
        EXPECT_EQ(std::string(readSquare(f.db, "IO", 91).callsignText()), "G4BB      ");
        EXPECT_EQ(notices, said);
        std::string got;
        for (const StoredContact& r : ledgerContacts(f.dir.path(), "2M JO62QM T.QRA"))
            got += r.contact.call + " " + r.contact.origin.toStdString() + " " + r.contact.mode +
                   " " + r.contact.freq + " " + contactTimeText(r.contact.time) + "; ";
        EXPECT_EQ(got, rows);
    }
}

}  // namespace
}  // namespace morvel::test
