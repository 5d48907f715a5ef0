#include "download/confirmation_sync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <sstream>

#include "app/cli.h"
#include "database/database_document.h"
#include "download/download_state.h"
#include "ledger/ledger.h"
#include "support/test_https_server.h"
#include "test_support.h"

namespace morvel {
namespace {

using test::HttpAnswer;
using test::HttpRequest;
using test::TestHttpsServer;

const QString kSecret = QStringLiteral("s3cret&pw");

QByteArray lotw(int announced, const std::vector<std::string>& grids, bool eof = true) {
    return QByteArray::fromStdString(test::lotwReport(announced, grids, eof));
}

QByteArray qrzAdif(const std::vector<std::string>& grids) {
    std::string adif;
    for (std::size_t i = 0; i < grids.size(); ++i)
        adif += test::confirmation("K" + std::to_string(i) + "QZ", grids[i]);
    return QByteArray::fromStdString(adif).replace("<", "&lt;").replace(">", "&gt;");
}

// The bodies of the service's answers, one a request, the last repeated.
template <typename... Body>
std::vector<QByteArray> bodies(const Body&... body) {
    return {QByteArray(body)...};
}

class ConfirmationSyncTest : public ::testing::Test {
protected:
    ConfirmationSyncTest()
        : database(test::makeBlankDatabase(dir.path(), QStringLiteral("6M FN31PR HOME.QRA"))) {}

    SyncOutcome download(ConfirmationService service, TestHttpsServer& server,
                         const QString& path) {
        SyncRequest request;
        request.folder = dir.path();
        request.service = service;
        request.user = QStringLiteral("K1ABC");
        request.secret = kSecret;
        request.nickname = QStringLiteral("Home");
        request.serviceUrl = server.url(path);
        request.authorities = TestHttpsServer::authority();
        request.retryWaitsMs = {5, 5, 5};
        request.stamp = [] { return ChangelogStamp{"12/06/24", "10:00"}; };
        request.now = [] { return QDateTime(QDate(2024, 6, 13), QTime(9, 30), Qt::UTC); };
        ConfirmationSync sync(request, [this](const QString& p) { return documents.open(p); });
        sync.start();
        return sync.wait();
    }
    // morvel-cli with `input` on standard input: its status, then what it
    // printed or, when it failed, said; the password in neither.
    std::string cli(const QStringList& args, const char* input) {
        std::ostringstream out, err;
        std::istringstream in(input);
        const int status = runCli(args, {out, err, in}, QDir(dir.path()));
        EXPECT_EQ((out.str() + err.str()).find("s3cret"), std::string::npos) << out.str() << err.str();
        return std::to_string(status) + " " + (status == 0 ? out : err).str();
    }
    QString stored(const QString& key) {
        DownloadState state;
        Error error;
        EXPECT_TRUE(DownloadState::read(dir.path(), state, error)) << error;
        return state.value(key);
    }
    // Every byte the download left in the folder, and what it said.
    void expectSecretNowhere(const SyncOutcome& outcome) {
        EXPECT_FALSE(outcome.message.contains(QStringLiteral("s3cret")))
            << outcome.message.toStdString();
        EXPECT_FALSE(outcome.report.text().contains(QStringLiteral("s3cret")));
        QDirIterator files(dir.path(), QDir::Files | QDir::Hidden);
        while (files.hasNext()) {
            const QString f = files.next();
            EXPECT_FALSE(test::readFileBytes(f).contains("s3cret")) << f.toStdString();
        }
    }

    QTemporaryDir dir;
    DatabaseDocuments documents{dir.path()};
    QString database;
};

TEST_F(ConfirmationSyncTest, ADownloadIsAppliedOnlyWhenTheServiceAnsweredWhole) {
    const QByteArray limit = "Page Request Limit!";
    using enum ConfirmationService;
    const struct {
        const char* what;
        ConfirmationService service;
        bool ok;
        std::int64_t newlyConfirmed;
        int requests;
        const char* message;  // its end
        std::vector<QByteArray> bodies;
    } cases[] = {
        {"LoTW whole", Lotw, true, 2, 1, "", {lotw(2, {"FN42", "FN20"})}},
        {"LoTW cut", Lotw, false, 0, 1,
         "127.0.0.1: the reply ended after 2 of 3 records; nothing changed",
         bodies(lotw(3, {"FN42", "FN20"}, false))},
        {"LoTW wrong password", Lotw, false, 0, 1,
         "127.0.0.1: the user name or password is incorrect",
         bodies("<html><body>Username/password incorrect</body></html>")},
        {"LoTW request limit, then whole", Lotw, true, 1, 3, "",
         bodies(limit, limit, lotw(1, {"FN42"}))},
        {"LoTW request limit for good", Lotw, false, 0, 4,
         "127.0.0.1: LoTW's page request limit was reached 4 times; gave up, nothing changed",
         bodies(limit)},
        {"eQSL page and file", Eqsl, true, 1, 2, "",
         bodies("<HTML><A HREF=\"../downloadedfiles/k1abc.adi\">.ADI file</A></HTML>",
                "Received eQSLs\n<EOH>" + QByteArray::fromStdString(test::confirmation("W9EQ", "FN42")))},
        {"eQSL error page", Eqsl, false, 0, 1,
         "127.0.0.1: eQSL says: No such Username/Password found",
         bodies("<BODY>Error: No such Username/Password found</BODY>")},
        {"eQSL nothing new", Eqsl, true, 0, 1, "", {"<BODY>You have no log entries</BODY>"}},
        {"QRZ OK", Qrz, true, 2, 1, "",
         bodies("RESULT=OK&COUNT=2&ADIF=" + qrzAdif({"FN42", "FN20"}))},
        {"QRZ FAIL", Qrz, false, 0, 1,
         "127.0.0.1: the logbook refused the request: bad option; nothing changed",
         bodies("RESULT=FAIL&REASON=bad option")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        database = test::makeBlankDatabase(dir.path(), QStringLiteral("6M FN31PR HOME.QRA"));
        const QByteArray before = test::readFileBytes(database);
        std::size_t next = 0;
        TestHttpsServer server([&](const HttpRequest&) {
            return HttpAnswer(c.bodies[std::min(next++, c.bodies.size() - 1)]);
        });
        const SyncOutcome outcome = download(c.service, server, QStringLiteral("/service/api"));
        EXPECT_EQ(outcome.ok, c.ok) << outcome.message.toStdString();
        EXPECT_TRUE(!*c.message || outcome.message.endsWith(QLatin1String(c.message)))
            << outcome.message.toStdString();
        EXPECT_EQ(outcome.report.newlyConfirmedTotal(), c.newlyConfirmed);
        EXPECT_EQ(server.requests().size(), c.requests);
        if (!c.ok) {
            // A failed download leaves the database and the stored date as they were.
            EXPECT_EQ(test::readFileBytes(database), before);
            EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath(DownloadState::kFileName)));
        }
        expectSecretNowhere(outcome);
    }
}

TEST_F(ConfirmationSyncTest, LotwAsksOnlyForWhatCameSinceTheLastAppliedDownload) {
    QList<QUrlQuery> asked;
    TestHttpsServer server([&](const HttpRequest& r) {
        asked << QUrlQuery(QUrl(QString::fromLatin1(r.target)));
        return HttpAnswer(asked.size() == 1 ? lotw(1, {"FN42"}) : lotw(0, {}));
    });
    ASSERT_TRUE(download(ConfirmationService::Lotw, server, QStringLiteral("/lotwreport.adi")).ok);
    EXPECT_EQ(stored(QStringLiteral("lotw.since")), QStringLiteral("2024-06-12 10:11:12"));
    const QByteArray afterFirst = test::readFileBytes(database);
    const SyncOutcome second =
        download(ConfirmationService::Lotw, server, QStringLiteral("/lotwreport.adi"));
    ASSERT_TRUE(second.ok) << second.message.toStdString();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_FALSE(asked[0].hasQueryItem(QStringLiteral("qso_qslsince")));
    EXPECT_EQ(asked[1].queryItemValue(QStringLiteral("qso_qslsince")),
              QStringLiteral("2024-06-12 10:11:12"));
    for (const char* item : {"qso_query", "qso_qsl", "qso_qsldetail", "qso_mydetail"})
        EXPECT_TRUE(asked[1].hasQueryItem(QLatin1String(item))) << item;
    EXPECT_EQ(asked[1].queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded), kSecret);
    EXPECT_EQ(test::readFileBytes(database), afterFirst);
    EXPECT_EQ(second.report.received, 0);
}

TEST_F(ConfirmationSyncTest, EqslConfirmationsAreRecordedAsEqsl) {
    TestHttpsServer server([&](const HttpRequest& r) {
        if (r.target.contains("downloadedfiles"))
            return HttpAnswer("<EOH>" + QByteArray::fromStdString(test::confirmation("W9EQ", "FN42")));
        return HttpAnswer("<A HREF=\"../downloadedfiles/k1abc.adi\">");
    });
    ASSERT_TRUE(download(ConfirmationService::Eqsl, server, QStringLiteral("/qslcard/in.cfm")).ok);
    EXPECT_EQ(server.requests().value(1).target, "/downloadedfiles/k1abc.adi");
    EXPECT_EQ(stored(QStringLiteral("eqsl.since")), QStringLiteral("202406130930"));
    Error error;
    QString notice;
    const auto ledger = Ledger::open(dir.path(), Ledger::Mode::ReadOnly, error, notice);
    ASSERT_TRUE(ledger) << error;
    std::vector<StoredContact> contacts;
    ASSERT_TRUE(ledger->contacts(QStringLiteral("6M FN31PR HOME.QRA"), std::string("FN42"),
                                 contacts, error));
    ASSERT_EQ(contacts.size(), 1U);
    ASSERT_EQ(contacts[0].confirmations.size(), 1U);
    EXPECT_EQ(contacts[0].confirmations[0].source, ConfirmSource::Eqsl);
}

// Where the folder holds two databases of a band, the user's choice takes the
// band's confirmations, kept for the next downloads until it is undone.
TEST_F(ConfirmationSyncTest, TheDatabaseChosenForABandTakesItsConfirmations) {
    const QString portable =
        test::makeBlankDatabase(dir.path(), QStringLiteral("6M FN42AB PORTABLE.QRA"));
    std::string grid;
    TestHttpsServer server([&](const HttpRequest&) { return HttpAnswer(lotw(1, {grid})); });
    const struct {
        const char* grid;
        const char* choice;  // the --database value; none when null
        const char* said;    // the status, then the start of what it printed or said
        const char* goesTo;  // the database that took the square
        const char* kept;    // the choice in the folder's download state afterwards
    } cases[] = {
        {"FN20", nullptr, "0 Received 1 confirmation: 0 squares newly confirmed, 0 already "
         "confirmed, 1 unmatched", "", ""},
        {"FN21", "6m=6M FN42AB PORTABLE.QRA", "0 Received 1 confirmation: 1 square newly",
         "portable", "6M FN42AB PORTABLE.QRA"},
        {"FN22", nullptr, "0 Received 1 confirmation: 1 square newly", "portable",
         "6M FN42AB PORTABLE.QRA"},
        {"FN23", "6m=6m fn31pr home.qra", "0 Received 1 confirmation: 1 square newly", "home",
         "6m fn31pr home.qra"},
        {"FN24", "6m=", "0 Received 1 confirmation: 0 squares newly confirmed", "", ""},
        {"FN25", "6m=2M FN42AB PORTABLE.QRA",
         "1 --database: 2M FN42AB PORTABLE.QRA is no 6M database of the folder", "", ""},
        {"FN26", "9cm", "2 --database: a band and a database of the folder", "", ""},
        {"FN27", "5m=6M FN42AB PORTABLE.QRA", "2 --database: a band and a database", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grid);
        grid = c.grid;
        QStringList args = server.syncArgs(dir.path()) << QStringLiteral("--password-stdin");
        if (c.choice) args << QStringLiteral("--database") << QString::fromLatin1(c.choice);
        EXPECT_EQ(cli(args, "s3cret&pw\n").substr(0, strlen(c.said)), c.said);
        const int slot = std::stoi(std::string(c.grid).substr(2));
        EXPECT_EQ(std::string(test::readSquare(database, "FN", slot).hasContact() ? "home" : "") +
                      (test::readSquare(portable, "FN", slot).hasContact() ? "portable" : ""),
                  c.goesTo);
        EXPECT_EQ(stored(QStringLiteral("lotw.database.6M")), QString::fromLatin1(c.kept));
    }
}

TEST_F(ConfirmationSyncTest, TheCommandLineTakesThePasswordOnStandardInputOnly) {
    TestHttpsServer server([](const HttpRequest&) { return HttpAnswer(lotw(1, {"FN42"})); });
    const QStringList base = server.syncArgs(dir.path());
    const struct {
        QStringList args;
        const char* input;
        const char* said;  // the status, then the start of what it printed or said
    } cases[] = {
        {base + QStringList{"--password-stdin"}, "s3cret&pw\n",
         "0 Received 1 confirmation: 1 square newly confirmed (6M 1), 0 already confirmed"},
        {base, "s3cret&pw\n", "2 No password for LoTW ("},
        {base + QStringList{"--password-stdin"}, "\n", "2 No password on standard input"},
    };
    for (const auto& c : cases) EXPECT_EQ(cli(c.args, c.input).substr(0, strlen(c.said)), c.said);
    EXPECT_EQ(QUrlQuery(QUrl(QString::fromLatin1(server.requests().value(0).target)))
                  .queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded),
              kSecret);
}

}  // namespace
}  // namespace morvel
