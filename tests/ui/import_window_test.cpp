#include "windows/import_window.h"

#include <QFile>

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
    ImportWindowTest() { db = makeBlankDatabase(dataDir.path(), kDatabase); }
    QString db;
};

TEST_F(ImportWindowTest, ImportAdifWritesEachFileWhereItBelongsAndShowsTheNewTotals) {
    QWidget* m = select(kDatabase);
    writeFileBytes(dataPath("log.adi"), kAdif);
    click(m, "Command2");  // cancelled file dialog: nothing happens
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_FALSE(QFile::exists(programPath("changelog.txt")));
    dialogs.queueFile(dataPath("log.adi"));
    click(m, "Command2");
    const auto& open = dialogs.shown()[1];
    EXPECT_EQ(open.request.title, QStringLiteral("Select ADIF file to import"));
    EXPECT_EQ(open.request.filter, QStringLiteral("ADIF Files (.adi)|*.adi|All Files| *.*"));
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("2 new squares added")});
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  2"));
    EXPECT_EQ(text("Label4"), QStringLiteral("Squares Confirmed:  1"));
    EXPECT_TRUE(menu()->isVisible());
    EXPECT_EQ(windows.loaded(kImportAdifWindow), nullptr);
    EXPECT_EQ(readFileBytes(programPath("adi.tmp")), QByteArray(kAdif));
    EXPECT_TRUE(readFileBytes(programPath("changelog.txt")).endsWith("FN31pr\r\n"));
    EXPECT_TRUE(QFile::exists(dataPath("2M JO62QM HOME backup.qra")));
    EXPECT_EQ(QDir::currentPath(), QDir(programDir.path()).canonicalPath());
}

TEST_F(ImportWindowTest, ImportEdiAsksAndCancelLeavesTheDatabase) {
    QWidget* m = select(kDatabase);
    writeFileBytes(dataPath("log.edi"),
                   "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                   "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QByteArray before = readFileBytes(db);
    for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        dialogs.clear();
        dialogs.queueFile(dataPath("log.edi"));
        dialogs.queueAnswer(answer);
        click(m, "Command6");
        EXPECT_EQ(dialogs.shown()[0].request.filter,
                  QStringLiteral("EDI Files (.edi)|*.edi|All Files| *.*"));
        EXPECT_EQ(dialogs.shown()[1].text,
                  QStringLiteral("About to import 144 MHz records to QRA file for 2M"));
        EXPECT_EQ(dialogs.shown()[1].buttons, MessageButtons::OkCancel);
    }
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("1 new squares added"));
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  1"));
    EXPECT_NE(readFileBytes(db), before);
    EXPECT_EQ(readFileBytes(dataPath("2M JO62QM HOME backup.qra")), before);
}

TEST_F(ImportWindowTest, TheDialogOpensWhereTheLastLogWasChosenAlsoInTheNextRun) {
    QWidget* m = select(kDatabase);
    ASSERT_TRUE(QDir(dataDir.path()).mkdir(QStringLiteral("logs")));
    writeFileBytes(dataPath("logs/log.adi"), kAdif);
    dialogs.queueFile(dataPath("logs/log.adi"));
    click(m, "Command2");
    settings.sync();
    QSettings nextRun(settings.fileName(), QSettings::IniFormat);
    windows.setSettings(&nextRun);
    click(m, "Command6");  // cancelled
    EXPECT_EQ(dialogs.shown().front().request.directory, programDir.path());
    EXPECT_EQ(dialogs.shown().back().request.directory, dataPath("logs"));
}

TEST_F(ImportWindowTest, AVanishedDatabaseIsReportedOnceAndLeavesTheList) {
    QWidget* m = select(kDatabase);
    ASSERT_TRUE(QFile::remove(db));
    writeFileBytes(dataPath("log.adi"), kAdif);
    dialogs.queueFile(dataPath("log.adi"));
    click(m, "Command2");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].count(kDatabase), 1);
    EXPECT_TRUE(control<FileList>(m, "File1")->names().isEmpty());
    EXPECT_FALSE(control<QWidget>(m, "Command2")->isVisible());
}

TEST_F(ImportWindowTest, AFailedPreparationIsReportedAndTheDatabaseIsUntouched) {
    QWidget* m = select(kDatabase);
    ASSERT_TRUE(QDir(programDir.path()).mkdir(QStringLiteral("changelog.txt")));
    writeFileBytes(dataPath("log.adi"), kAdif);
    const QByteArray before = readFileBytes(db);
    dialogs.queueFile(dataPath("log.adi"));
    click(m, "Command2");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("The change log could not be created")));
    EXPECT_EQ(readFileBytes(db), before);
    EXPECT_TRUE(menu()->isVisible());
}

}  // namespace
}  // namespace morvel::test
