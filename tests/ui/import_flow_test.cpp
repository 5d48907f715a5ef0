#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/forms.h"
#include "database/shared_state.h"
#include "import/import_form.h"
#include "import/import_form2.h"
#include "menu/startup.h"
#include "tests/test_support.h"
#include "ui/dialogs.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {
namespace {

using test::readFileBytes;
using test::writeFileBytes;

const QString kDatabase = QStringLiteral("2M JO62QM HOME.QRA");

void deletePending() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The program's folder and the database's folder are kept apart here, so that
// each file is checked to land where it belongs.
class ImportFlowTest : public ::testing::Test {
protected:
    ImportFlowTest()
        : startDir_(QDir::currentPath()), windows_(state_, dialogs_, programDir_.path()) {
        addForms(windows_);
    }
    void SetUp() override {
        ASSERT_TRUE(dbDir_.isValid());
        ASSERT_TRUE(programDir_.isValid());
        db_ = test::makeBlankDatabase(dbDir_.path(), kDatabase);
        QDir::setCurrent(dbDir_.path());
    }
    ~ImportFlowTest() override {
        windows_.end();
        deletePending();
        QDir::setCurrent(startDir_);
    }
    Startup* selectDatabase() {
        auto* menu = qobject_cast<Startup*>(windows_.show(kStartupForm));
        EXPECT_NE(menu, nullptr);
        if (menu != nullptr) {
            EXPECT_TRUE(menu->File1->clickName(kDatabase));
        }
        return menu;
    }
    QString inDb(const char* name) const {
        return QDir(dbDir_.path()).filePath(QString::fromLatin1(name));
    }
    QString inProgram(const char* name) const {
        return QDir(programDir_.path()).filePath(QString::fromLatin1(name));
    }
    void click(QPushButton* button) {
        ASSERT_TRUE(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        deletePending();
    }

    QString startDir_;
    QTemporaryDir dbDir_;
    QTemporaryDir programDir_;
    SharedState state_;
    ScriptedDialogs dialogs_;
    Windows windows_;
    QString db_;
};

const char* const kAdif =
    "Exported <ADIF_VER:5>3.1.4 <EOH>\r\n"
    "<CALL:6>N0CALL <QSO_DATE:8>20231225 <BAND:2>2m <GRIDSQUARE:6>IO85MX <QSL_RCVD:1>Y <EOR>\r\n"
    "<CALL:5>Q2XYZ <QSO_DATE:8>20020403 <BAND:2>2m <GRIDSQUARE:6>FN31PR <EOR>\r\n"
    "<CALL:5>Q3ABC <QSO_DATE:8>20020403 <BAND:4>70cm <GRIDSQUARE:6>JO01AA <EOR>\r\n";

TEST_F(ImportFlowTest, ImportAdifShowsTheNewTotals) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->Label3->text(), QStringLiteral("Squares Worked:  0"));
    writeFileBytes(inDb("log.adi"), kAdif);
    dialogs_.queueFile(inDb("log.adi"));

    click(menu->Command2);

    ASSERT_EQ(dialogs_.shown().size(), 2u);
    const auto& open = dialogs_.shown()[0];
    EXPECT_EQ(open.kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(open.request.title, QStringLiteral("Select ADIF file to import"));
    EXPECT_EQ(open.request.filter, QStringLiteral("ADIF Files (.adi)|*.adi|All Files| *.*"));
    EXPECT_EQ(open.request.filterIndex, 1);
    EXPECT_EQ(dialogs_.shown()[1].text, QStringLiteral("2 new squares added"));
    EXPECT_EQ(dialogs_.shown()[1].title, QStringLiteral("Morvel"));

    EXPECT_EQ(menu->Label3->text(), QStringLiteral("Squares Worked:  2"));
    EXPECT_EQ(menu->Label4->text(), QStringLiteral("Squares Confirmed:  1"));
    EXPECT_EQ(menu->Label2->text(), QStringLiteral("Fields Worked:  2"));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(windows_.loaded(kAdifImportForm), nullptr);
    EXPECT_EQ(windows_.loadedAs<Startup>(kStartupForm), menu);

    // Scratch copy and change log in the program's folder, the backup beside the database.
    EXPECT_EQ(readFileBytes(inProgram("adi.tmp")), QByteArray(kAdif));
    EXPECT_TRUE(readFileBytes(inProgram("changelog.txt")).endsWith("FN31pr\r\n"));
    EXPECT_TRUE(QFile::exists(inDb("2M JO62QM HOME backup.qra")));
    EXPECT_EQ(QDir::currentPath(), QDir(programDir_.path()).canonicalPath());
}

TEST_F(ImportFlowTest, WindowCaptions) {
    const ImportForm adif(windows_);
    EXPECT_EQ(adif.windowTitle(), QStringLiteral("Morvel by Tovrin: Import ADIF records"));
    const ImportForm2 edi(windows_);
    EXPECT_EQ(edi.windowTitle(), QStringLiteral("ImportForm2"));
}

TEST_F(ImportFlowTest, CancelledFileDialogTouchesNothing) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    click(menu->Command2);
    EXPECT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_TRUE(dialogs_.messages().isEmpty());
    EXPECT_FALSE(QFile::exists(inDb("2M JO62QM HOME backup.qra")));
    EXPECT_FALSE(QFile::exists(inProgram("changelog.txt")));
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(ImportFlowTest, ImportEdiAsksOkCancel) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    writeFileBytes(inDb("log.edi"),
                   "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                   "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QByteArray before = readFileBytes(db_);
    dialogs_.queueFile(inDb("log.edi"));
    dialogs_.queueAnswer(MessageAnswer::Cancel);
    click(menu->Command6);

    ASSERT_EQ(dialogs_.shown().size(), 2u);
    EXPECT_EQ(dialogs_.shown()[0].request.title, QStringLiteral("Select EDI file to import"));
    EXPECT_EQ(dialogs_.shown()[0].request.filter,
              QStringLiteral("EDI Files (.edi)|*.edi|All Files| *.*"));
    EXPECT_EQ(dialogs_.shown()[0].request.filterIndex, 1);
    const auto& question = dialogs_.shown()[1];
    EXPECT_EQ(question.text, QStringLiteral("About to import 144 MHz records to QRA file for 2M"));
    EXPECT_EQ(question.buttons, MessageButtons::OkCancel);
    EXPECT_EQ(question.defaultButton, MessageAnswer::Ok);
    EXPECT_EQ(readFileBytes(db_), before);
    EXPECT_TRUE(readFileBytes(inProgram("changelog.txt")).endsWith("\r\n\r\nNo changes made\r\n"));
    EXPECT_EQ(menu->Label3->text(), QStringLiteral("Squares Worked:  0"));

    dialogs_.clear();
    dialogs_.queueFile(inDb("log.edi"));
    dialogs_.queueAnswer(MessageAnswer::Ok);
    click(menu->Command6);
    EXPECT_EQ(dialogs_.messages().last(), QStringLiteral("1 new squares added"));
    EXPECT_EQ(menu->Label3->text(), QStringLiteral("Squares Worked:  1"));
    EXPECT_EQ(windows_.loaded(kEdiImportForm), nullptr);
}

TEST_F(ImportFlowTest, FailedPreparationIsReportedAndTheMenuReturns) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QDir(programDir_.path()).mkdir(QStringLiteral("changelog.txt")));
    writeFileBytes(inDb("log.adi"), kAdif);
    const QByteArray before = readFileBytes(db_);
    dialogs_.queueFile(inDb("log.adi"));
    click(menu->Command2);
    ASSERT_EQ(dialogs_.messages().size(), 1);
    EXPECT_TRUE(
        dialogs_.messages()[0].startsWith(QStringLiteral("The change log could not be created")))
        << dialogs_.messages()[0].toStdString();
    EXPECT_EQ(readFileBytes(db_), before);
    EXPECT_TRUE(menu->isVisible());
}

class SummaryDialogTest : public ImportFlowTest {
protected:
    void SetUp() override {
        ImportFlowTest::SetUp();
        test::setSquare(db_, "FN", 31, test::makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
        test::setSquare(db_, "IO", 91, test::makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    }
    QStringList textFiles() const {
        return QDir(dbDir_.path()).entryList({QStringLiteral("*.txt")}, QDir::Files) +
               QDir(programDir_.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
    }
};

TEST_F(SummaryDialogTest, CancelWritesNothingAndTheDialogIsSetUp) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    click(menu->Command5);
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    const auto& save = dialogs_.shown()[0];
    EXPECT_EQ(save.kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(save.request.title, QStringLiteral("Name of output file"));
    EXPECT_EQ(save.request.filter, QStringLiteral("txt files|*.txt"));
    EXPECT_EQ(save.request.filterIndex, 1);
    EXPECT_EQ(save.request.proposedName, QStringLiteral("2M JO62QM HOME.txt"));
    EXPECT_TRUE(textFiles().isEmpty()) << textFiles().join(QLatin1Char(' ')).toStdString();
}

TEST_F(SummaryDialogTest, WorkedAndConfirmedReportsFollowTheOptions) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    dialogs_.queueFile(QStringLiteral("worked.txt"));
    click(menu->Command5);
    EXPECT_EQ(readFileBytes(inDb("worked.txt")),
              readFileBytes(test::testDataPath(QStringLiteral("summary_worked_example.txt"))));
    EXPECT_FLOAT_EQ(state_.odxkm, 6246.9f);
    EXPECT_EQ(state_.odxloc, "FN31PR");

    QTest::mouseClick(menu->Option2, Qt::LeftButton);
    ASSERT_TRUE(menu->Option2->isChecked());
    dialogs_.queueFile(inDb("confirmed.txt"));
    click(menu->Command5);
    EXPECT_EQ(readFileBytes(inDb("confirmed.txt")),
              readFileBytes(test::testDataPath(QStringLiteral("summary_confirmed_example.txt"))));
    EXPECT_EQ(state_.odxcall, "Q1ABC     ");
    EXPECT_TRUE(dialogs_.messages().isEmpty());
}

TEST_F(SummaryDialogTest, WriteFailureIsReported) {
    Startup* menu = selectDatabase();
    ASSERT_NE(menu, nullptr);
    dialogs_.queueFile(inDb("no such folder/out.txt"));
    click(menu->Command5);
    ASSERT_EQ(dialogs_.messages().size(), 1);
    EXPECT_TRUE(
        dialogs_.messages()[0].startsWith(QStringLiteral("The summary could not be written")));
    EXPECT_TRUE(textFiles().isEmpty());
}

}  // namespace
}  // namespace morvel
