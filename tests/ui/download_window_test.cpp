#include "windows/download_window.h"

#include <QPlainTextEdit>
#include <QProgressBar>

#include "app_fixture.h"
#include "import/contact.h"
#include "tests/support/test_https_server.h"

namespace morvel::test {
namespace {

class DownloadWindowTest : public AppFixture {
protected:
    static constexpr const char* kDatabase = "6M FN31PR HOME.QRA";

    // The window as the main menu opens it, its downloads going to the test server.
    bool openFromMainMenu() {
        windows.add(kDownloadWindow, [this](Windows& w) {
            return new DownloadConfirmationsWindow(
                w, w.databaseFolder(),
                {server.url(QStringLiteral("/lotwreport.adi")), TestHttpsServer::authority()});
        });
        makeBlankDatabase(dataDir.path(), QString::fromLatin1(kDatabase));
        windows.show(kMainMenuWindow);
        click(menu(), "DownloadConfirmationsButton");
        window = windows.loaded(kDownloadWindow);
        return window;
    }
    void download(const char* user = "N0CALL", const char* password = "s3cret&pw") {
        control<QComboBox>(window, "serviceBox")->setCurrentIndex(0);
        control<QLineEdit>(window, "userEdit")->setText(QString::fromLatin1(user));
        control<QLineEdit>(window, "passwordEdit")->setText(QString::fromLatin1(password));
        QTest::mouseClick(control<QPushButton>(window, "downloadButton"), Qt::LeftButton);
    }
    QString report() const { return control<QPlainTextEdit>(window, "reportText")->toPlainText(); }
    bool waitUntilDone() const {
        auto* close = control<QPushButton>(window, "closeButton");
        return QTest::qWaitFor([&] { return close->isEnabled(); }, 20000);
    }

    bool silent = false;  // the server stops sending after the headers
    TestHttpsServer server{[this](const HttpRequest&) {
        HttpAnswer a;
        a.body = readFileBytes(testDataPath("download_lotw_fn42.adi"));  // one 6 m FN42
        a.silentAfterHeaders = silent;
        return a;
    }};
    QWidget* window = nullptr;
};

TEST_F(DownloadWindowTest, ReachedFromTheMainMenuDownloadsAppliesAndReportsThenGoesBack) {
    ASSERT_TRUE(openFromMainMenu());
    EXPECT_FALSE(menu());
    download();
    ASSERT_TRUE(waitUntilDone());
    EXPECT_TRUE(report().startsWith(
        "Received 1 confirmation: 1 square newly confirmed (6M 1), 0 already confirmed"))
        << report().toStdString();
    const SquareEntry square = readSquare(dataPath(kDatabase), "FN", 42);
    EXPECT_TRUE(std::string(square.callsignText()) == "W1AW      " &&
                squareState(square).confirmed);
    EXPECT_EQ(control<QProgressBar>(window, "progressBar")->value(), 1);
    // The password is shown nowhere: not in the report, not in the folder's files.
    EXPECT_FALSE(report().contains("s3cret"));
    for (const QFileInfo& f : QDir(dataDir.path()).entryInfoList(QDir::Files))
        EXPECT_FALSE(readFileBytes(f.filePath()).contains("s3cret")) << f.fileName().toStdString();
    click(window, "closeButton");
    EXPECT_TRUE(menu() && !windows.loaded(kDownloadWindow));
}

// Where the folder holds two databases of a band, the window asks which takes
// the band's confirmations from each service, keeps the answer, and the
// download goes there.
TEST_F(DownloadWindowTest, TheDatabaseChosenForABandTakesItsConfirmations) {
    const QString portable = makeBlankDatabase(dataDir.path(), "6M FN42AB PORTABLE.QRA");
    makeBlankDatabase(dataDir.path(), "2M FN31PR HOME.QRA");
    ASSERT_TRUE(openFromMainMenu());
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
    download();
    EXPECT_EQ(control<QComboBox>(window, "databaseBox6M")->currentText(), "6M FN42AB PORTABLE.QRA");
    ASSERT_TRUE(waitUntilDone());
    EXPECT_TRUE(report().startsWith("Received 1 confirmation: 1 square newly confirmed"))
        << report().toStdString();
    EXPECT_TRUE(squareState(readSquare(portable, "FN", 42)).confirmed);
    EXPECT_FALSE(readSquare(dataPath(kDatabase), "FN", 42).hasContact());
}

TEST_F(DownloadWindowTest, CancelDuringTheDownloadLeavesEverythingAsItWas) {
    silent = true;
    ASSERT_TRUE(openFromMainMenu());
    const QByteArray before = readFileBytes(dataPath(kDatabase));
    download();
    auto* cancel = control<QPushButton>(window, "cancelButton");
    EXPECT_TRUE(cancel->isEnabled() && !control<QPushButton>(window, "closeButton")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 1; }, 10000));
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntilDone());
    EXPECT_EQ(report(), QStringLiteral("Cancelled: nothing changed"));
    EXPECT_EQ(readFileBytes(dataPath(kDatabase)), before);
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{kDatabase});
}

TEST_F(DownloadWindowTest, AMissingUserOrPasswordIsAskedForAndNothingIsSent) {
    ASSERT_TRUE(openFromMainMenu());
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "s3cret", "Enter the user name of your LoTW account."},
        {"N0CALL", "", "Enter the password of your LoTW account."},
    };
    for (const auto& [user, password, message] : cases) {
        dialogs.messages.clear();
        download(user, password);
        expectOneMessage(QString::fromLatin1(message));
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

}  // namespace
}  // namespace morvel::test
