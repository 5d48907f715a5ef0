#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "app_fixture.h"
#include "import/contact.h"
#include "tests/support/test_https_server.h"
#include "tests/test_support.h"
#include "windows/download_window.h"

namespace morvel::test {
namespace {

std::string adifField(const char* name, const std::string& value) {
    return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value;
}

// A LoTW report of one 6 m confirmation of FN42.
QByteArray lotwReport() {
    const std::string out =
        "ARRL Logbook of the World Status Report\n" +
        adifField("APP_LoTW_LASTQSL", "2024-06-12 10:11:12") + adifField("APP_LoTW_NUMREC", "1") +
        "<eoh>\n" + adifField("CALL", "W1AW") + adifField("BAND", "6M") +
        adifField("MODE", "FT8") + adifField("QSO_DATE", "20240611") +
        adifField("TIME_ON", "1815") + adifField("GRIDSQUARE", "FN42") +
        adifField("QSL_RCVD", "Y") + adifField("QSLRDATE", "20240612") + "<eor>\n<APP_LoTW_EOF>\n";
    return QByteArray::fromStdString(out);
}

class DownloadWindowTest : public AppFixture {
protected:
    static constexpr const char* kDatabase = "6M FN31PR HOME.QRA";

    // The window as the main menu opens it, its downloads going to `server`.
    QWidget* openFromMainMenu(TestHttpsServer& server) {
        windows.add(kDownloadWindow, [&server](Windows& w) {
            return new DownloadConfirmationsWindow(
                w, w.databaseFolder(),
                {server.url(QStringLiteral("/lotwreport.adi")), TestHttpsServer::authority()});
        });
        makeBlankDatabase(dataDir.path(), QString::fromLatin1(kDatabase));
        windows.show(kMainMenuWindow);
        click(menu(), "DownloadConfirmationsButton");
        return windows.loaded(kDownloadWindow);
    }
    void fillAccount(QWidget* window, const QString& password) {
        control<QComboBox>(window, "serviceBox")->setCurrentIndex(0);
        control<QLineEdit>(window, "userEdit")->setText(QStringLiteral("N0CALL"));
        control<QLineEdit>(window, "passwordEdit")->setText(password);
    }
    QString report(QWidget* window) const {
        return control<QPlainTextEdit>(window, "reportText")->toPlainText();
    }
    bool waitUntilDone(QWidget* window) const {
        auto* close = control<QPushButton>(window, "closeButton");
        return QTest::qWaitFor([&] { return close->isEnabled(); }, 20000);
    }
};

TEST_F(DownloadWindowTest, ReachedFromTheMainMenuDownloadsAppliesAndReportsThenGoesBack) {
    TestHttpsServer server([](const HttpRequest&) {
        HttpAnswer a;
        a.body = lotwReport();
        return a;
    });
    QWidget* window = openFromMainMenu(server);
    ASSERT_TRUE(window);
    EXPECT_FALSE(menu());
    fillAccount(window, QStringLiteral("s3cret&pw"));
    QTest::mouseClick(control<QPushButton>(window, "downloadButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntilDone(window));
    EXPECT_TRUE(report(window).startsWith(
        "Received 1 confirmation: 1 square newly confirmed (6M 1), 0 already confirmed"))
        << report(window).toStdString();
    const SquareEntry square = readSquare(dataPath(kDatabase), "FN", 42);
    EXPECT_EQ(std::string(square.callsignText()), "W1AW      ");
    EXPECT_TRUE(squareState(square).confirmed);
    EXPECT_EQ(control<QProgressBar>(window, "progressBar")->value(), 1);
    // The password is shown nowhere: not in the report, not in the folder's files.
    EXPECT_FALSE(report(window).contains("s3cret"));
    for (const QFileInfo& f : QDir(dataDir.path()).entryInfoList(QDir::Files))
        EXPECT_FALSE(readFileBytes(f.filePath()).contains("s3cret")) << f.fileName().toStdString();
    click(window, "closeButton");
    EXPECT_TRUE(menu());
    EXPECT_FALSE(windows.loaded(kDownloadWindow));
}

// Where the folder holds two databases of a band, the window asks which takes
// the band's confirmations from each service, keeps the answer, and the
// download goes there.
TEST_F(DownloadWindowTest, TheDatabaseChosenForABandTakesItsConfirmations) {
    TestHttpsServer server([](const HttpRequest&) {
        HttpAnswer a;
        a.body = lotwReport();
        return a;
    });
    const QString portable = makeBlankDatabase(dataDir.path(), "6M FN42AB PORTABLE.QRA");
    makeBlankDatabase(dataDir.path(), "2M FN31PR HOME.QRA");
    QWidget* window = openFromMainMenu(server);
    ASSERT_TRUE(window);
    fillAccount(window, QStringLiteral("s3cret&pw"));
    EXPECT_FALSE(window->findChild<QComboBox*>(QStringLiteral("databaseBox2M")));
    auto* box = control<QComboBox>(window, "databaseBox6M");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentIndex(), 0);
    box->setCurrentIndex(box->findText(QStringLiteral("6M FN42AB PORTABLE.QRA")));
    EXPECT_TRUE(readFileBytes(dataPath("confirmation downloads.txt"))
                    .contains("lotw.database.6M=6M FN42AB PORTABLE.QRA\n"));
    // Each service has its own choice.
    control<QComboBox>(window, "serviceBox")->setCurrentIndex(1);
    EXPECT_EQ(control<QComboBox>(window, "databaseBox6M")->currentIndex(), 0);
    fillAccount(window, QStringLiteral("s3cret&pw"));
    EXPECT_EQ(control<QComboBox>(window, "databaseBox6M")->currentText(),
              "6M FN42AB PORTABLE.QRA");

    QTest::mouseClick(control<QPushButton>(window, "downloadButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntilDone(window));
    EXPECT_TRUE(report(window).startsWith("Received 1 confirmation: 1 square newly confirmed"))
        << report(window).toStdString();
    EXPECT_TRUE(squareState(readSquare(portable, "FN", 42)).confirmed);
    EXPECT_FALSE(readSquare(dataPath(kDatabase), "FN", 42).hasContact());
}

TEST_F(DownloadWindowTest, CancelDuringTheDownloadLeavesEverythingAsItWas) {
    TestHttpsServer server([](const HttpRequest&) {
        HttpAnswer a;
        a.body = lotwReport();
        a.silentAfterHeaders = true;
        return a;
    });
    QWidget* window = openFromMainMenu(server);
    ASSERT_TRUE(window);
    const QByteArray before = readFileBytes(dataPath(kDatabase));
    fillAccount(window, QStringLiteral("s3cret&pw"));
    QTest::mouseClick(control<QPushButton>(window, "downloadButton"), Qt::LeftButton);
    auto* cancel = control<QPushButton>(window, "cancelButton");
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(control<QPushButton>(window, "closeButton")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 1; }, 10000));
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntilDone(window));
    EXPECT_EQ(report(window), QStringLiteral("Cancelled: nothing changed"));
    EXPECT_EQ(readFileBytes(dataPath(kDatabase)), before);
    EXPECT_FALSE(QFileInfo::exists(dataPath("confirmation downloads.txt")));
    EXPECT_FALSE(QFileInfo::exists(dataPath("changelog.txt")));
}

TEST_F(DownloadWindowTest, AMissingUserOrPasswordIsAskedForAndNothingIsSent) {
    TestHttpsServer server([](const HttpRequest&) { return HttpAnswer{}; });
    const struct {
        const char* user;
        const char* password;
        const char* message;
    } cases[] = {
        {"", "s3cret", "Enter the user name of your LoTW account."},
        {"N0CALL", "", "Enter the password of your LoTW account."},
    };
    QWidget* window = openFromMainMenu(server);
    ASSERT_TRUE(window);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        dialogs.messages.clear();
        control<QComboBox>(window, "serviceBox")->setCurrentIndex(0);
        control<QLineEdit>(window, "userEdit")->setText(QString::fromLatin1(c.user));
        control<QLineEdit>(window, "passwordEdit")->setText(QString::fromLatin1(c.password));
        QTest::mouseClick(control<QPushButton>(window, "downloadButton"), Qt::LeftButton);
        expectOneMessage(QString::fromLatin1(c.message));
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

}  // namespace
}  // namespace morvel::test
