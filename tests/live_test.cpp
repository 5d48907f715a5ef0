#include <gtest/gtest.h>

#include <QDateTime>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QVariant>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "import/import_frame.h"
#include "live_support.h"

namespace morvel::test {
namespace {

// The fake sender: datagrams laid out as the protocol's QDataStream defines
// them, big-endian, strings as 32-bit length and UTF-8 bytes.
struct Datagram {
    QByteArray bytes;
    QDataStream out{&bytes, QIODevice::WriteOnly};
    Datagram(quint32 type, quint32 schema = 2, quint32 magic = 0xadbccbda) {
        out.setVersion(schema == 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_0);
        out << magic << schema << type;
        text("WSJT-X");
    }
    Datagram& text(const char* s) {
        out << QByteArray(s);
        return *this;
    }
    Datagram& utc(int year, int hour) {
        out << QDateTime(QDate(year, 12, 6), QTime(hour, 5, 30), Qt::UTC);
        return *this;
    }
    // QSO Logged up to `fields` of its 17 fields (then `extra` bytes after them).
    static QByteArray qso(const char* call, const char* grid, quint64 hz, quint32 schema = 2,
                          int fields = 17, int year = 2026, QByteArray extra = {}) {
        Datagram d(5, schema);
        d.utc(year, 19).text(call).text(grid);
        d.out << hz;
        const char* texts[] = {"FT8", "-10", "-12", "50W", "", "Ann"};
        for (int f = 4; f < fields && f < 10; ++f) d.text(texts[f - 4]);
        if (fields > 10) d.utc(year, 18);
        for (int f = 11; f < fields; ++f) d.text(f == 12 ? "SP2XYZ" : "");
        return d.bytes + extra;
    }
    static QByteArray adif(const char* record) { return Datagram(12).text(record).bytes; }
};

// The call sign in a square of field JO, blanks and all.
std::string callIn(const QString& db, int slot) {
    return std::string(readSquare(db, "JO", slot).callsignText());
}

// The squares an import of `log` wrote to `db`, its files beside the database.
int importLog(const QString& log, const QString& db) {
    ImportRequest request;
    request.logPath = log;
    request.databasePath = db;
    request.workDir = request.backupDir = QFileInfo(db).path();
    request.clock = [] { return ChangelogStamp{"06/12/26", "19:00"}; };
    return runImport(request).squaresWritten;
}

const char* const kAdif =
    "<call:6>DL1ABC<gridsquare:4>JO62<band:2>2m<qso_date:8>20261206<time_on:6>180530<eor>";

// What each case of datagrams tells of its skipped contacts, its counts as
// the main menu shows them and the other messages ignored (in
// tests/data/live_messages.txt); only a session that took a contact writes
// the database, and the last import's backup and change log stay as they
// were until it does.
TEST(LiveMessages, EachCaseToldCountedAndOnlyTakenContactsWritten) {
    const QByteArray qso = Datagram::qso("DL1ABC", "JO62", 144174000), adif = Datagram::adif(kAdif);
    // DL1ABC in JO62, as QSO Logged of a schema, up to some of its fields.
    const auto dl = [](quint32 schema, int fields = 17, int year = 2026, QByteArray extra = {},
                       quint64 hz = 144174000, const char* grid = "JO62") {
        return Datagram::qso("DL1ABC", grid, hz, schema, fields, year, extra);
    };
    const std::pair<const char*, std::vector<QByteArray>> cases[] = {
        {"QSO Logged and Logged ADIF of one contact", sent(qso, adif)},
        {"Logged ADIF first", sent(adif, qso)},
        {"the pair and the record again", sent(qso, adif, adif)},
        {"two contacts", sent(qso, qsoLogged("DL1ABC", "JO62", 144'174'000, 40))},
        {"schema 3", sent(dl(3))},
        {"ends after Name", sent(dl(2, 10))},
        {"trailing fields", sent(dl(3, 17, 2026, "xyz"))},
        {"other types", sent(Datagram(3).bytes, Datagram(7).text("replay").bytes)},
        {"a Status cut short", sent(Datagram(1).text("status").bytes)},
        {"another band", sent(dl(2, 17, 2026, {}, 50313000))},
        {"a frequency of no band", sent(dl(2, 17, 2026, {}, 100000000))},
        {"no locator", sent(dl(2, 17, 2026, {}, 144174000, ""))},
        {"a grid that is no locator", sent(dl(2, 17, 2026, {}, 144174000, "ZZ99"))},
        {"a record of no locator, then a contact",
         sent(Datagram::adif("<call:4>G4BB<gridsquare:4>ZZ99<band:2>2m<qso_date:8>20261206<eor>"),
              qso)},
        {"no call", sent(Datagram::adif("<gridsquare:4>JO62<band:2>2m<qso_date:8>20261206<eor>"))},
        {"a date out of range", sent(dl(2, 17, 1800))},
        {"wrong magic", sent(Datagram(5, 2, 0xadbccbdb).bytes)},
        {"schema 4", sent(dl(4))},
        {"a string beyond the datagram", sent(qso.left(40))},
        {"empty and short", sent(QByteArray(), QByteArray("\xad\xbc", 2))},
        {"cut inside the frequency", sent(qso.left(46))},
    };
    std::string told;
    for (const auto& [name, datagrams] : cases) {
        SCOPED_TRACE(name);
        SessionFixture f;
        const QString backup = f.dir.filePath("2M JO62QM T backup.qra");
        const QString changelog = f.dir.filePath("changelog.txt");
        writeFileBytes(backup, blankDatabaseBytes());
        writeFileBytes(changelog, "the last import's lines\n");
        std::string lines;
        QObject::connect(&f.session, &live::LiveSession::contactSkipped,
                         [&](const live::SkippedContact& s) { lines += s.line().toStdString(); });
        f.start();
        const QByteArray before = readFileBytes(f.db);
        for (const QByteArray& d : datagrams) f.session.takeDatagram(d, QHostAddress::LocalHost, 1);
        f.stop();
        const live::LiveCounts& got = f.session.counts();
        told += name + (": " + live::countsText(got).toStdString()) +
                (got.ignored ? "; " + std::to_string(got.ignored) + " ignored" : "") +
                (lines.empty() ? "" : "; said: " + lines) + "\n";
        EXPECT_EQ(callIn(f.db, 62), got.taken ? "DL1ABC    " : "          ");
        if (got.taken == 0) {
            EXPECT_EQ(readFileBytes(f.db), before);
            EXPECT_EQ(readFileBytes(backup), blankDatabaseBytes());
            EXPECT_EQ(readFileBytes(changelog), "the last import's lines\n");
        } else {
            EXPECT_NE(readFileBytes(changelog), "the last import's lines\n");
        }
    }
    EXPECT_EQ(told, readFileBytes(testDataPath("live_messages.txt")).toStdString());
}

TEST(LiveLogFile, ARewrittenLogIsReadAgainAndItsContactsTakenOnce) {
    QTemporaryDir logDir;
    const QString log = logDir.filePath("wsjtx_log.adi");
    const auto record = [](const char* call, const char* grid) {
        return adifRecord(call, grid, "<time_on:4>1900");
    };
    const QByteArray old = "WSJT-X log<eoh>\n" + record("OK1OLD", "JO70");
    writeFileBytes(log, old);
    SessionFixture f(following(log));
    f.start();
    const QByteArray first = record("DL1ABC", "JO62");
    append(log, first + record("DL2XYZ", "JO50").left(30));
    waitFor([&] { return f.session.counts().taken == 1; });
    EXPECT_EQ(f.session.counts().taken, 1);
    // Rewritten shorter, then with everything again and one more.
    writeFileBytes(log, "<eoh>");
    writeFileBytes(log,
                   "<eoh>\n" + record("OK1OLD", "JO70") + first + record("DL2XYZ", "JO50") +
                       record("G4AAA", "JO01") +
                       "<call:4>G4BB<gridsquare:4>IO91<freq:8>144.1740<qso_date:8>20261206<eor>");
    waitFor([&] { return f.session.counts().taken == 4; });
    f.stop();
    EXPECT_EQ(f.session.counts().taken, 4);
    EXPECT_EQ(f.session.counts().newSquares, 4);
    EXPECT_EQ(callIn(f.db, 70), "          ");
    EXPECT_EQ(callIn(f.db, 1), "G4AAA     ");
}

TEST(LiveSession, BackupAndChangeLogEqualOneImportOfTheSameContacts) {
    QTemporaryDir logDir;
    const QString log = logDir.filePath("live.adi");
    writeFileBytes(log, "<eoh>\n");
    SessionFixture live(following(log));
    setSquare(live.db, "JO", 50, makeEntry("JO50AA", "DL2XYZ", "01/01/24", false));
    const QByteArray original = readFileBytes(live.db);
    live.start();
    const QByteArray contacts =
        "<call:5>DL1AB<gridsquare:6>JO62QM<band:2>2M<qso_date:8>20261206<eor>"
        "<call:5>DL2XY<gridsquare:4>JO50<band:2>2m<qso_date:8>20261206<qsl_rcvd:1>Y<eor>"
        "<call:4>G4AA<gridsquare:4>IO91<band:3>70cm<qso_date:8>20261206<eor>"
        "<call:4>G4BB<gridsquare:4>IO91<band:2>2m<qso_date:8>20261206<eor>";
    append(log, contacts);
    waitFor([&] { return live.session.counts().taken == 3; });
    live.stop();
    EXPECT_EQ(live.session.counts().newSquares, 2);  // JO50 was worked: its confirmation is not new

    QTemporaryDir importDir;
    const QString db = importDir.filePath("2M JO62QM T.QRA");
    writeFileBytes(db, original);
    ASSERT_EQ(importLog(log, db), 3);
    for (const char* name : {"changelog.txt", "2M JO62QM T backup.qra", "2M JO62QM T.QRA"})
        EXPECT_EQ(readFileBytes(live.dir.filePath(name)), readFileBytes(importDir.filePath(name)))
            << name;
}

TEST(LiveUdp, MulticastGroupJoinedOnLoopbackOrItsSettingsRead) {
    live::UdpEndpoint e;
    QString reason;
    ASSERT_TRUE(live::parseEndpoint("239.255.0.1:0", true, e, reason)) << reason.toStdString();
    e.interfaceName = "lo";
    live::LiveSettings settings;
    settings.multicast = e;
    SessionFixture f(settings);
    Error error;
    if (!(QNetworkInterface::interfaceFromName("lo").flags() & QNetworkInterface::CanMulticast) ||
        !f.session.start(error))
        GTEST_SKIP() << "no multicast on the loopback interface: " << error;
    // A second listener of the group shares its port.
    settings.multicast->port = f.session.udpPort();
    SessionFixture second(settings);
    second.start();
    QUdpSocket sender;
    sender.setMulticastInterface(QNetworkInterface::interfaceFromName("lo"));
    sender.setSocketOption(QAbstractSocket::MulticastTtlOption, QVariant(0));
    sender.writeDatagram(Datagram::qso("DL1ABC", "JO62", 144174000), e.address,
                         f.session.udpPort());
    waitFor([&] { return f.session.counts().taken == 1 && second.session.counts().taken == 1; });
    f.stop();
    second.stop();
    EXPECT_EQ(f.session.counts().taken, 1);
    EXPECT_EQ(second.session.counts().taken, 1);
}

TEST(LiveCli, SigtermMidBurstLeavesTheDatabaseWholeWithEveryPrintedContact) {
    QTemporaryDir dir;
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    // An address of the loopback of this run's own, so that a listener of
    // another run sharing the port cannot take its datagrams.
    const QHostAddress address(QStringLiteral("127.%1.%2.%3")
                                   .arg(1 + QRandomGenerator::global()->bounded(250))
                                   .arg(QRandomGenerator::global()->bounded(250))
                                   .arg(2 + QRandomGenerator::global()->bounded(250)));
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(address, 0));
    const quint16 port = probe.localPort();
    probe.close();
    Listener listener;
    listener.start(dir.path(), {db, "--udp", address.toString() + ":" + QString::number(port)});
    ASSERT_TRUE(listener.saidWithin("Listening on"));
    QProcess& cli = listener.cli;
    QUdpSocket sender;
    for (int i = 0; i < 400; ++i) {
        const QByteArray call = "DL" + QByteArray::number(i);
        const QByteArray grid = QByteArray("JO") + char('0' + i / 10 % 10) + char('0' + i % 10);
        sender.writeDatagram(Datagram::qso(call, grid, 144174000), address, port);
        if (i == 200) cli.terminate();
        if (i % 50 == 0) QThread::msleep(5);
    }
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(db).size(), kDatabaseSize);
    const QStringList lines = QString(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_GT(lines.size(), 0);
    for (const QString& line : lines) {
        const QStringList w = line.split(' ');
        ASSERT_EQ(w.size(), 4) << line.toStdString();
        const SquareEntry slot = readSquare(db, "JO", w[1].mid(2).toInt());
        if (w[0] == "NEW") {
            EXPECT_EQ(QString::fromLatin1(slot.callsignText()).trimmed(), w[2]);
        }
        EXPECT_TRUE(slot.isWorked()) << line.toStdString();
    }
}

// Unicast addresses, and multicast groups.
TEST(LiveUdp, ListeningAddressesReadOrRefusedWithTheReason) {
    for (const auto& c : tableRows("listening_addresses.txt", 3)) {
        live::UdpEndpoint e;
        QString reason;
        const QString text = QString::fromStdString(c[0]);
        EXPECT_EQ(live::parseEndpoint(text, c[1] == "yes", e, reason) ? live::describeEndpoint(e)
                                                                       : reason,
                  QString::fromStdString(c[2]))
            << c[0];
    }
}

// Contacts handed to a session as QSO Logged datagrams; true once each is taken.
bool send(SessionFixture& f, const std::vector<std::pair<const char*, const char*>>& contacts,
          int ms = 10000) {
    const std::int64_t taken = f.session.counts().taken;
    for (const auto& [call, grid] : contacts)
        f.session.takeDatagram(Datagram::qso(call, grid, 144174000), QHostAddress::LocalHost, 1);
    const auto all = taken + static_cast<std::int64_t>(contacts.size());
    waitFor([&] { return f.session.counts().taken == all; }, ms);
    return f.session.counts().taken == all;
}

// An import while the session listens begins a change log of its own; every
// contact the session writes after it is in that log, once.
TEST(LiveSession, ContactsAfterAnImportGoOnInTheChangeLogItMade) {
    SessionFixture f;
    f.start();
    ASSERT_TRUE(send(f, {{"DL1AAA", "JO61"}}));
    const QString log = f.dir.filePath("import.adi");
    writeFileBytes(log, "<call:6>G4IMPT<gridsquare:4>IO91<band:2>2m<qso_date:8>20261206<eor>");
    ASSERT_EQ(importLog(log, f.db), 1);
    for (const auto& contact :
         {std::pair{"DL2BBB", "JO62"}, {"DL3CCC", "JO63"}, {"DL4DDD", "JO64"}})
        ASSERT_TRUE(send(f, {contact}));
    f.stop();
    EXPECT_EQ(f.session.databaseWrites(), 4);
    const QByteArray changelog = readFileBytes(f.dir.filePath("changelog.txt"));
    EXPECT_TRUE(changelog.contains(" updated from " + log.toLatin1() + " on ")) << changelog.data();
    for (const char* call : {"G4IMPT", "DL2BBB", "DL3CCC", "DL4DDD"})
        EXPECT_EQ(changelog.count(call), 1) << call << "\n" << changelog.data();
    EXPECT_EQ(callIn(f.db, 64), "DL4DDD    ");
}

// While another program holds the database the contacts wait, which is said
// once; when it still holds it at the end they are kept in the pending file,
// which the next session takes first, writing each square and its change-log
// line once.
TEST(LiveSession, ContactsStillWaitingAtTheEndAreKeptForTheNextSession) {
    const QString pending = "2M JO62QM T pending.adi";
    SessionFixture f;
    f.session.stopWaitMs = 300;
    f.start();
    Error error;
    auto holder = std::make_unique<DatabaseLock>(f.db);
    ASSERT_TRUE(holder->acquire(error, 0)) << error;
    std::vector<QString> notices;
    QObject::connect(&f.session, &live::LiveSession::notice,
                     [&](const QString& text) { notices.push_back(text); });
    const QByteArray blank = readFileBytes(f.db);
    EXPECT_FALSE(send(f, {{"DL1AAA", "JO61"}, {"DL2BBB", "JO62"}}, 1400));
    // Said once, naming the holder, however often the write is tried.
    EXPECT_EQ(notices, (std::vector<QString>{"Waiting for 2M JO62QM T.QRA: held by " +
                                             holder->holderDescription()}));
    EXPECT_TRUE(holder->holderDescription().contains("morvel_core_tests, process "));
    EXPECT_EQ(f.session.pendingCount(), 2U);
    EXPECT_FALSE(f.session.stop(error));
    EXPECT_TRUE(error.message().endsWith("; 2 contacts wait in " + pending +
                                         " for the next session or import"))
        << error;
    EXPECT_EQ(readFileBytes(f.db), blank);
    EXPECT_EQ(readFileBytes(f.dir.filePath(pending)),
              readFileBytes(testDataPath("live_pending.adi")));

    holder.reset();
    live::LiveSession next(f.db, f.dir.path(), f.dir.path(), {});
    next.clock = f.session.clock;
    ASSERT_TRUE(next.start(error)) << error;
    waitFor([&] { return !QFileInfo::exists(f.dir.filePath(pending)); });
    EXPECT_FALSE(QFileInfo::exists(f.dir.filePath(pending)));
    next.takeDatagram(Datagram::qso("DL3CCC", "JO63", 144174000), QHostAddress::LocalHost, 1);
    waitFor([&] { return next.counts().taken == 1; });
    ASSERT_TRUE(next.stop(error)) << error;
    EXPECT_EQ(callIn(f.db, 61) + callIn(f.db, 62) + callIn(f.db, 63),
              "DL1AAA    DL2BBB    DL3CCC    ");
    const QByteArray changelog = readFileBytes(f.dir.filePath("changelog.txt"));
    for (const char* call : {"DL1AAA", "DL2BBB", "DL3CCC"})
        EXPECT_EQ(changelog.count(call), 1) << call << "\n" << changelog.data();
}

// The first contact after a quiet spell is written at once; those that come
// within the spacing after a write wait and go in one write together.
TEST(LiveSession, WritesSpacedTheFirstOfAQuietSpellAtOnce) {
    SessionFixture f;
    f.session.minWriteIntervalMs = 1000;
    // The contact, when it is sent and the database write it goes in.
    const std::tuple<const char*, const char*, int, int> steps[] = {{"DL1AAA", "JO61", 0, 1},
                                                                    {"DL2BBB", "JO62", 150, 2},
                                                                    {"DL3CCC", "JO63", 350, 2},
                                                                    {"DL4DDD", "JO64", 550, 2},
                                                                    {"DL5EEE", "JO65", 3000, 3}};
    std::map<QString, std::pair<int, qint64>> taken;  // write and time, by call
    QElapsedTimer clock;
    QObject::connect(&f.session, &live::LiveSession::contactTaken,
                     [&](const live::TakenContact& c) {
                         taken[c.call] = {f.session.databaseWrites(), clock.elapsed()};
                     });
    f.start();
    clock.start();
    for (const auto& [call, grid, sendAtMs, write] : steps) {
        waitFor([&] { return clock.elapsed() >= sendAtMs; }, 5000);
        f.session.takeDatagram(Datagram::qso(call, grid, 144174000), QHostAddress::LocalHost, 1);
    }
    waitFor([&] { return taken.size() == std::size(steps); });
    f.stop();
    for (const auto& [call, grid, sendAtMs, write] : steps) {
        SCOPED_TRACE(call);
        ASSERT_EQ(taken.count(call), 1U);
        EXPECT_EQ(taken[call].first, write);
        if (write != 2) {
            EXPECT_LT(taken[call].second - sendAtMs, 500);
        }
    }
}

}  // namespace
}  // namespace morvel::test
