#include "download/confirmation_sync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <sstream>
#include <tuple>

#include "app/cli.h"
#include "database/database_document.h"
#include "download/download_state.h"
#include "support/test_https_server.h"
#include "test_support.h"

namespace morvel {
namespace {

using test::HttpAnswer;
using test::HttpRequest;
using test::TestHttpsServer;

const QString kSecret = QStringLiteral("s3cret&pw");
const QString kHome = QStringLiteral("6M FN31PR HOME.QRA");

QByteArray lotw(int announced, const std::vector<std::string>& grids, bool eof = true) {
    return QByteArray::fromStdString(test::lotwReport(announced, grids, eof));
}

QByteArray qrzAdif(const std::vector<std::string>& grids) {
    std::string adif;
    for (std::size_t i = 0; i < grids.size(); ++i)
        adif += test::confirmation("K" + std::to_string(i) + "QZ", grids[i]);
    return QByteArray::fromStdString(adif).replace("<", "&lt;").replace(">", "&gt;");
}

const QByteArray kEqslFile =
    "Received eQSLs\n<EOH>" + QByteArray::fromStdString(test::confirmation("W9EQ", "FN42"));

template <typename... Body>
std::vector<QByteArray> bodies(const Body&... body) {
    return {QByteArray(body)...};
}

class ConfirmationSyncTest : public ::testing::Test {
protected:
    ConfirmationSyncTest() : database(test::makeBlankDatabase(dir.path(), kHome)) {}

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
        EXPECT_EQ((out.str() + err.str()).find("s3cret"), std::string::npos)
            << out.str() << err.str();
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

// What each download said, the paths it asked for, the squares it newly
// confirmed, who confirmed FN42 in the ledger and the folder's download
// state afterwards are in tests/data/sync_downloads.txt.
TEST_F(ConfirmationSyncTest, ADownloadIsAppliedOnlyWhenTheServiceAnsweredWhole) {
    const QByteArray limit = "Page Request Limit!";
    using enum ConfirmationService;
    // The service and its answers, one a request, the last repeated.
    const std::pair<ConfirmationService, std::vector<QByteArray>> cases[] = {
        {Lotw, bodies(lotw(2, {"FN42", "FN20"}))},
        {Lotw, bodies(lotw(3, {"FN42", "FN20"}, false))},
        {Lotw, bodies("<html><body>Username/password incorrect</body></html>")},
        {Lotw, bodies(limit, limit, lotw(1, {"FN42"}))},
        {Lotw, bodies(limit)},
        {Eqsl,
         bodies("<HTML><A HREF=\"../downloadedfiles/k1abc.adi\">.ADI file</A></HTML>", kEqslFile)},
        {Eqsl, bodies("<BODY>Error: No such Username/Password found</BODY>")},
        {Eqsl, bodies("<BODY>You have no log entries</BODY>")},
        {Qrz, bodies("RESULT=OK&COUNT=2&ADIF=" + qrzAdif({"FN42", "FN20"}))},
        {Qrz, bodies("RESULT=FAIL&REASON=bad option")},
    };
    std::string said;
    for (const auto& [service, answers] : cases) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        database = test::makeBlankDatabase(dir.path(), kHome);
        const QByteArray before = test::readFileBytes(database);
        std::size_t next = 0;
        TestHttpsServer server([&](const HttpRequest&) {
            return HttpAnswer(answers[std::min(next++, answers.size() - 1)]);
        });
        const SyncOutcome outcome = download(service, server, QStringLiteral("/service/api"));
        EXPECT_TRUE(outcome.ok || !outcome.message.isEmpty());
        const QString state = QDir(dir.path()).filePath(DownloadState::kFileName);
        std::string asked, sources;
        for (const HttpRequest& r : server.requests())
            asked += " " + r.target.split('?').first().toStdString();
        for (const StoredContact& c : test::ledgerContacts(dir.path(), kHome, "FN42"))
            for (const auto& k : c.confirmations)
                sources += std::string(" ") + confirmSourceName(k.source);
        said += (outcome.ok ? "applied" : "failed: " + outcome.message.toStdString()) +
                "; asked:" + asked +
                "; newly confirmed: " + std::to_string(outcome.report.newlyConfirmedTotal()) +
                "; FN42 confirmed by:" + sources + "\n" +
                (QFileInfo::exists(state) ? test::readFileBytes(state).toStdString() : "");
        // A failed download leaves the database as it was.
        if (!outcome.ok) {
            EXPECT_EQ(test::readFileBytes(database), before);
        }
        expectSecretNowhere(outcome);
    }
    EXPECT_EQ(said, test::readFileBytes(test::testDataPath("sync_downloads.txt")).toStdString());
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

// Where the folder holds two databases of a band, the user's choice takes the
// band's confirmations, kept for the next downloads until it is undone. The
// password is read from standard input only.
TEST_F(ConfirmationSyncTest, TheCommandLineTakesTheChosenDatabaseAndThePasswordOnStandardInput) {
    const QString portable =
        test::makeBlankDatabase(dir.path(), QStringLiteral("6M FN42AB PORTABLE.QRA"));
    std::string grid;
    TestHttpsServer server([&](const HttpRequest&) { return HttpAnswer(lotw(1, {grid})); });
    const char* const pw = "s3cret&pw\n";
    // The square confirmed, the --database value and the password given on standard input.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"FN20", nullptr, pw},      {"FN21", "6m=6M FN42AB PORTABLE.QRA", pw},
        {"FN22", nullptr, pw},      {"FN23", "6m=6m fn31pr home.qra", pw},
        {"FN24", "6m=", pw},        {"FN25", "6m=2M FN42AB PORTABLE.QRA", pw},
        {"FN26", "9cm", pw},        {"FN27", "5m=6M FN42AB PORTABLE.QRA", pw},
        {"FN28", nullptr, nullptr}, {"FN29", nullptr, "\n"},
    };
    // For each: its status and the first line it printed or said, the database that took
    // the square and the choice the folder's download state keeps.
    std::string said;
    for (const auto& [square, choice, input] : cases) {
        grid = square;
        QStringList args = server.syncArgs(dir.path());
        if (input) args << QStringLiteral("--password-stdin");
        if (choice) args << QStringLiteral("--database") << QString::fromLatin1(choice);
        const int slot = std::stoi(std::string(square).substr(2));
        // A refusal up to its explanation, which may name the system's secret store.
        const std::string out = cli(args, input ? input : pw);
        std::string first = out.substr(0, out.find('\n'));
        if (out[0] != '0') first = first.substr(0, first.find(" ("));
        said += std::string(square) + (choice ? " --database " + std::string(choice) : "") +
                (input ? " --password-stdin" : "") + ": " + first + "\n  taken by:" +
                (test::readSquare(database, "FN", slot).hasContact() ? " home" : "") +
                (test::readSquare(portable, "FN", slot).hasContact() ? " portable" : "") +
                "; kept: " + stored(QStringLiteral("lotw.database.6M")).toStdString() + "\n";
    }
    EXPECT_EQ(QString::fromStdString(said).replace(dir.path(), "DIR").toStdString(),
              test::readFileBytes(test::testDataPath("sync_database_choice.txt")).toStdString());
    EXPECT_EQ(QUrlQuery(QUrl(QString::fromLatin1(server.requests().value(0).target)))
                  .queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded),
              kSecret);
}

}  // namespace
}  // namespace morvel
