#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QRandomGenerator>
#include <algorithm>

#include "live/log_follower.h"
#include "live_support.h"

namespace morvel::test {
namespace {

QByteArray record(int i) {
    return adifRecord("DL" + QByteArray::number(i) + "A",
                      QByteArray("JO") + char('0' + i / 10 % 10) + char('0' + i % 10));
}

QByteArray records(int from, int count) {
    QByteArray out;
    for (int i = from; i < from + count; ++i) out += record(i);
    return out;
}

// What the import's reading takes from a log: "CALL LOCATOR" of each
// contact for a 2M database, then the count of unreadable records.
struct Taken {
    std::string contacts;
    std::int64_t unreadable = 0;
    void take(const AdifRecord& r) {
        bool readable = true;
        if (const auto c = adifContact(r, "2M", readable))
            contacts += c->call + " " + c->locator.substr(0, 4) + ",";
        if (!readable) ++unreadable;
    }
};

Taken imported(const QString& path) {
    Taken t;
    AdifParser parser([&t](const AdifRecord& r) {
        t.take(r);
        return true;
    });
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QString reason;
    EXPECT_TRUE(readAdif(file, parser, reason));
    t.unreadable += parser.unreadable();
    return t;
}

// A follower of a log that starts empty (or with `start`) and grows by the
// given bytes in pieces of 1 to 64 bytes, each piece read as it comes; the
// clock stands still until every piece is in, then passes the wait.
struct Followed {
    QTemporaryDir dir;
    QString log = dir.filePath("wsjtx_log.adi");
    std::int64_t ms = 1000;
    Taken existing, taken;
    std::vector<QString> notices;
    live::LogFollower follower{log};

    explicit Followed(const QByteArray& start = {}) {
        writeFileBytes(log, start);
        follower.clock = [this] { return ms; };
        QObject::connect(&follower, &live::LogFollower::notice,
                         [this](const QString& text) { notices.push_back(text); });
        Error error;
        EXPECT_TRUE(follower.start([this](const AdifRecord& r) { existing.take(r); },
                                   [this](const AdifRecord& r) { taken.take(r); }, error))
            << error;
    }
    void grow(const QByteArray& bytes, quint32 seed) {
        QRandomGenerator pieces(seed);
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype n = std::min<qsizetype>(1 + pieces.bounded(64), bytes.size() - at);
            append(log, bytes.mid(at, n));
            follower.readNew();
            at += n;
        }
    }
    void add(const QByteArray& bytes) {
        append(log, bytes);
        follower.readNew();
    }
    void wait(std::int64_t forMs = live::LogFollower::kWaitMs) {
        ms += forMs;
        follower.readNew();
    }
    Taken result() {
        Taken t = taken;
        t.unreadable += follower.unreadable();
        return t;
    }
};

// The same bytes, fed to the follower in pieces and to the import whole,
// give the same contacts and the same unreadable count: a broken length
// loses its own record only, whether the log was still growing or not. So
// does a log cut at every offset, read as it is when listening ends.
TEST(LogFollower, TakesWhatTheImportTakesOfTheSameBytes) {
    const auto same = [](const QByteArray& bytes, quint32 seed, bool wait) {
        Followed f;
        f.grow(bytes, seed);
        if (wait) f.wait();
        f.follower.finish();
        const Taken i = imported(f.log), r = f.result();
        EXPECT_EQ(r.contacts, i.contacts);
        EXPECT_EQ(r.unreadable, i.unreadable);
        return r;
    };
    const QByteArray head = "WSJT-X ADIF Export<eoh>\n" + records(0, 3);
    const std::vector<std::pair<QByteArray, int>> cases = {
        {head + "<call:99999999999>DL1AAA<gridsquare:4>JO99<eor>\n" + records(3, 2000), 2003},
        {head + "<notes:16777217>x<eor>\n" + records(3, 300), 303},  // beyond any field's
        {head + "<notes:100000>x<eor>\n" + records(3, 300), 303},    // never reached
        {head + "<call:7>DL1AAA", 3},                                // one past the end
        {head + "<call:6>DL1AAA<gridsquare:5>JO62", 3},
        {head + "<call:6>DL1AAA<gridsquare:4>JO62<band:2>2m", 3},  // no <eor>
    };
    for (const auto& [bytes, contacts] : cases) {
        SCOPED_TRACE(bytes.right(40).toStdString());
        const Taken r = same(bytes, qHash(bytes), true);
        EXPECT_EQ(std::count(r.contacts.begin(), r.contacts.end(), ','), contacts);
        EXPECT_EQ(r.unreadable, 1);
    }
    const QByteArray whole = "<eoh>" + records(10, 2) + "<notes:3>a<b" + record(12) + record(13);
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        same(whole.left(cut), static_cast<quint32>(cut), false);
    }
}

// A value running past the log's end waits for the rest as long as the
// wait allows and no longer: then its record is unreadable, said once with
// the byte of its field, and the records after it are taken.
TEST(LogFollower, AValuePastTheEndWaitsForItsRestUpToTheWait) {
    Followed f;
    const QByteArray first = record(1);
    f.grow(first.left(10), 1);  // "<call:4>DL" of "<call:4>DL1A"
    f.wait(live::LogFollower::kWaitMs - 1);
    EXPECT_EQ(f.follower.unreadable(), 0);
    f.add(first.mid(10));
    EXPECT_EQ(f.taken.contacts, "DL1A JO01,");

    f.add("<call:6>DL2BBB<notes:80>x<eor>\n" + record(2));
    f.wait(live::LogFollower::kWaitMs - 1);
    EXPECT_EQ(f.taken.contacts, "DL1A JO01,");
    EXPECT_TRUE(f.notices.empty());
    f.wait(1);
    f.follower.readNew();
    EXPECT_EQ(f.taken.contacts, "DL1A JO01,DL2A JO02,");
    EXPECT_EQ(f.follower.counts().lengthPastEnd, 1);
    // A length beyond any field's is not waited for.
    f.add("<notes:16777217>x<eor>\n" + record(3));
    EXPECT_EQ(f.taken.contacts, "DL1A JO01,DL2A JO02,DL3A JO03,");
    EXPECT_EQ(f.follower.counts().lengthTooLarge, 1);
    // Listening ends: a value still waited for is judged at once.
    f.add("<notes:500>x<eor>\n" + record(4));
    f.follower.finish();
    EXPECT_EQ(f.taken.contacts, "DL1A JO01,DL2A JO02,DL3A JO03,DL4A JO04,");
    EXPECT_EQ(f.follower.counts().lengthPastEnd, 2);
    EXPECT_EQ(f.follower.counts().cutOff, 0);
    // Each said once, with the byte of its field.
    EXPECT_EQ(QStringList(f.notices.begin(), f.notices.end())
                  .join('\n')
                  .replace(QDir::toNativeSeparators(f.log), "LOG")
                  .toStdString(),
              readFileBytes(testDataPath("live_follow_notices.txt")).trimmed().toStdString());
}

// Records in the log when following starts are told apart from those
// written later, also when a broken length before them held the reading.
TEST(LogFollower, RecordsThereAtTheStartAreNotTakenAsNew) {
    Followed f("<eoh>" + record(1) + "<notes:500>x<eor>" + record(2).chopped(1));
    append(f.log, record(3));
    f.wait();
    EXPECT_EQ(f.existing.contacts + "|" + f.taken.contacts, "DL1A JO01,DL2A JO02,|DL3A JO03,");
}

// Only a regular file is followed: anything else is refused at the start,
// naming the path and what it is; put in a followed log's place, it is said
// once, and the log is read again from its start when a file is back. A
// missing log, or a link to none, is waited for.
TEST(LogFollower, ANameThatIsNoFileIsRefusedOrWaitedOut) {
    QLocalServer server;
    // What is put at the path, as it is described, and how.
    const std::pair<const char*, std::function<void(const QString& path)>> kinds[] = {
        {"a folder", [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); }},
        {"a FIFO", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p), 0644), 0); }},
        {"a socket", [&server](const QString& p) { ASSERT_TRUE(server.listen(p)); }},
        {"a link to a device", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); }},
        {"a link to a folder", [](const QString& p) { ASSERT_TRUE(QFile::link("/", p)); }},
    };
    for (const auto& [described, make] : kinds) {
        SCOPED_TRACE(described);
        QTemporaryDir dir;
        const QString log = dir.filePath("log.adi");
        const auto unmake = [&] {
            server.close();
            if (QFileInfo(log).isDir() && !QFileInfo(log).isSymLink())
                ASSERT_TRUE(QDir(log).removeRecursively());
            else
                ASSERT_TRUE(QFile::remove(log) || !QFileInfo::exists(log));
        };
        make(log);
        live::LogFollower follower(log);
        Taken appended;
        std::vector<QString> notices;
        QObject::connect(&follower, &live::LogFollower::notice,
                         [&](const QString& text) { notices.push_back(text); });
        Error error;
        EXPECT_FALSE(follower.start({}, {}, error));
        EXPECT_EQ(error.message(), log + ": " + described + ", not a file");
        unmake();
        writeFileBytes(log, "<eoh>" + record(1));
        ASSERT_TRUE(follower.start(
            {}, [&](const AdifRecord& r) { appended.take(r); }, error));
        ASSERT_TRUE(QFile::remove(log));
        make(log);
        follower.readNew();
        follower.readNew();
        EXPECT_EQ(follower.counts().notAFile, 1);
        EXPECT_EQ(notices,
                  std::vector<QString>{log + ": " + described +
                                       " now, not a file; waiting for a log file of that name"});
        unmake();
        writeFileBytes(log, "<eoh>" + record(5) + record(6));
        follower.readNew();
        EXPECT_EQ(appended.contacts, "DL5A JO05,DL6A JO06,");
    }
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("link.adi")));
    for (const char* name : {"missing.adi", "link.adi"}) {
        live::LogFollower follower(dir.filePath(name));
        Error error;
        EXPECT_TRUE(follower.start({}, {}, error)) << name << error;
    }
}

// morvel-cli refuses a log that is no file, says what it could not read as
// it goes and ends with the counts by reason, in the right number.
TEST(LiveFollowCli, RefusesNoFileAndCountsUnreadableRecordsByReason) {
    QTemporaryDir dir;
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM T.QRA");
    ASSERT_TRUE(QDir(dir.path()).mkdir("logs"));
    Listener refused;
    refused.start(dir.path(), {db, "--follow", "logs"});
    ASSERT_TRUE(refused.cli.waitForFinished(10000));
    EXPECT_EQ(refused.cli.exitCode(), 1);
    EXPECT_EQ(refused.cli.readAllStandardError().toStdString(),
              "Cannot listen: " + dir.filePath("logs").toStdString() + ": a folder, not a file\n");

    const QString log = dir.filePath("log.adi");
    writeFileBytes(log, "<eoh>\n");
    Listener l;
    l.start(dir.path(), {db, "--follow", log});
    ASSERT_TRUE(l.saidWithin("Listening on"));
    append(log, "<call:99999999999>DL1AAA<eor>\n" + record(1) +
                    "<call:4>K1AA<gridsquare:4>FN31<band:3>20m<qso_date:8>20261206<eor>\n"
                    "<call:4>DL9A<band:2>2m");
    ASSERT_TRUE(l.saidWithin("byte 6 is unreadable"));
    ASSERT_TRUE(l.saidWithin("\nskipped K1AA: another band (20m)\n"));
    ASSERT_TRUE(QFile::rename(log, log + ".old"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("log.adi"));
    ASSERT_TRUE(l.saidWithin("a folder now, not a file"));
    l.cli.terminate();
    ASSERT_TRUE(l.cli.waitForFinished(10000));
    l.err += l.cli.readAllStandardError();
    EXPECT_EQ(l.cli.exitCode(), 0);
    EXPECT_EQ(l.cli.readAllStandardOutput(), "NEW JO01 DL1A 2m\n");
    EXPECT_TRUE(l.err.endsWith(
        "\n1 contact taken, 1 new square; skipped: 0 repeated, 1 of another band, 0 incomplete, "
        "2 unreadable (1 log record with a length beyond any field's, 1 log record cut off at "
        "the log's end); refused: the log was not a file once\n"))
        << l.err.toStdString();
}

}  // namespace
}  // namespace morvel::test
