#include <algorithm>

#include "app_fixture.h"

namespace morvel::test {
namespace {

const QString kDatabase = QStringLiteral("2M JO62QM HOME.QRA");
const char* const kAdif =
    "Exported <ADIF_VER:5>3.1.4 <EOH>\r\n"
    "<CALL:6>N0CALL <QSO_DATE:8>20231225 <BAND:2>2m <GRIDSQUARE:6>IO85MX <QSL_RCVD:1>Y <EOR>\r\n"
    "<CALL:5>Q2XYZ <QSO_DATE:8>20020403 <BAND:2>2m <GRIDSQUARE:6>FN31PR <EOR>\r\n"
    "<CALL:5>Q3ABC <QSO_DATE:8>20020403 <BAND:4>70cm <GRIDSQUARE:6>JO01AA <EOR>\r\n";

class ImportWindowTest : public AppFixture {
protected:
    ImportWindowTest() : db(makeBlankDatabase(dataDir.path(), kDatabase)) {
        QDir(dataDir.path()).mkdir(QStringLiteral("logs"));
        writeFileBytes(dataPath("logs/log.adi"), kAdif);
    }
    QString db;
};

TEST_F(ImportWindowTest, AdifImportWritesEachFileWhereItBelongsAndShowsTheNewTotals) {
    QWidget* m = select(kDatabase);
    const QByteArray before = readFileBytes(db);
    dialogs.files.push_back(dataPath("logs/log.adi"));
    click(m, "Command2");
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("2 new squares added")});
    EXPECT_EQ(text("Label3") + text("Label4"),
              QStringLiteral("Squares Worked:  2Squares Confirmed:  1"));
    EXPECT_EQ(readFileBytes(dataPath("adi.tmp")), QByteArray(kAdif));
    EXPECT_TRUE(readFileBytes(dataPath("changelog.txt")).endsWith("FN31pr\r\n"));
    EXPECT_EQ(readFileBytes(dataPath("2M JO62QM HOME backup.qra")), before);
    EXPECT_EQ(readSquare(db, "FN", 31).callsignText(), "Q2XYZ     ");
    // The next run's file dialog opens in the folder of this log.
    settings.sync();
    QSettings nextRun(settings.fileName(), QSettings::IniFormat);
    windows.setSettings(&nextRun);
    click(m, "Command6");  // cancelled
    EXPECT_EQ(dialogs.requests.front().directory, dataDir.path());
    EXPECT_EQ(dialogs.requests.back().directory, dataPath("logs"));
}

TEST_F(ImportWindowTest, EdiImportAsksFirstAndCancelLeavesTheDatabase) {
    QWidget* m = select(kDatabase);
    writeFileBytes(dataPath("log.edi"),
                   "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                   "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QByteArray before = readFileBytes(db);
    dialogs.files.push_back(dataPath("log.edi"));
    dialogs.answers.push_back(MessageAnswer::Cancel);
    click(m, "Command6");
    EXPECT_EQ(dialogs.messages, QStringList{"About to import 144 MHz records to QRA file for 2M"});
    EXPECT_EQ(dialogs.asked[0].first, MessageButtons::OkCancel);
    EXPECT_EQ(readFileBytes(db), before);
}

// The import runs on a worker thread: meanwhile no control of the menu can
// start anything, and afterwards every one works again, however it ended.
TEST_F(ImportWindowTest, TheMenuIsDisabledWhileAnImportRunsAndEnabledAfterAnyOutcome) {
    QWidget* m = select(kDatabase);
    const auto controls = m->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const auto enabled = [&] {
        return std::count_if(controls.begin(), controls.end(),
                             [](QWidget* w) { return w->isEnabled(); });
    };
    const auto total = static_cast<long>(controls.size());
    ASSERT_EQ(enabled(), total);
    const struct {
        QFileDevice::Permissions permissions;
        const char* message;
    } cases[] = {{QFile::ReadOwner | QFile::WriteOwner, "2 new squares added"},
                 {QFile::ReadOwner, "the file is read-only"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(QFile::setPermissions(db, c.permissions));
        dialogs.clear();
        dialogs.files.push_back(dataPath("logs/log.adi"));
        QTest::mouseClick(control<QPushButton>(m, "Command2"), Qt::LeftButton);
        EXPECT_EQ(enabled(), 0) << c.message;
        EXPECT_TRUE(QTest::qWaitFor([&] { return enabled() == total; }, 10000)) << c.message;
        EXPECT_TRUE(dialogs.messages.size() == 1 && dialogs.messages[0].contains(c.message))
            << dialogs.messages.join('|').toStdString();
    }
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
}  // namespace morvel::test
