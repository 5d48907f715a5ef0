#include <QCheckBox>
#include <QDialog>
#include <algorithm>
#include <memory>

#include "app_fixture.h"

namespace morvel::test {
namespace {

const QString kDatabase = QStringLiteral("2M JO62QM HOME.QRA");
const QString kLog = testDataPath(QStringLiteral("import_window_log.adi"));

class ImportWindowTest : public AppFixture {
protected:
    ImportWindowTest() : db(makeBlankDatabase(dataDir.path(), kDatabase)) {
        QDir(dataDir.path()).mkdir(QStringLiteral("logs"));
        QFile::copy(kLog, dataPath("logs/log.adi"));
    }
    QString db;
};

TEST_F(ImportWindowTest, AdifImportWritesEachFileWhereItBelongsAndShowsTheNewTotals) {
    QWidget* m = select(kDatabase);
    const QByteArray before = readFileBytes(db);
    dialogs.files.push_back(dataPath("logs/log.adi"));
    click(m, "Command2");
    // The ledger's line follows the closing message.
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("2 new squares added\nThe ledger took 2 new contacts and "
                                         "1 confirmation: card 1")});
    EXPECT_EQ(text("Label3") + text("Label4"),
              QStringLiteral("Squares Worked:  2Squares Confirmed:  1"));
    EXPECT_EQ(readFileBytes(dataPath("adi.tmp")), readFileBytes(kLog));
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
    const std::pair<QFileDevice::Permissions, const char*> cases[] = {
        {QFile::ReadOwner | QFile::WriteOwner, "2 new squares added"},
        {QFile::ReadOwner, "the file is read-only"}};
    for (const auto& [permissions, message] : cases) {
        ASSERT_TRUE(QFile::setPermissions(db, permissions));
        dialogs.clear();
        dialogs.files.push_back(dataPath("logs/log.adi"));
        QTest::mouseClick(control<QPushButton>(m, "Command2"), Qt::LeftButton);
        EXPECT_EQ(enabled(), 0) << message;
        EXPECT_TRUE(QTest::qWaitFor([&] { return enabled() == total; }, 10000)) << message;
        EXPECT_TRUE(dialogs.messages.size() == 1 && dialogs.messages[0].contains(message))
            << dialogs.messages.join('|').toStdString();
    }
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
}

// The options chosen last come back from the settings into the import (only
// eQSL confirms: the card of IO85 counts for nothing), and the dialog's form
// reads back what it shows or says what is wrong.
TEST_F(ImportWindowTest, AdifOptionsAreRememberedAndReadFromTheDialog) {
    settings.setValue("import/adif/confirmedBy", "eqsl");
    settings.setValue("import/adif/notPropMode", "EME");
    settings.setValue("import/ledger", false);
    dialogs.files.push_back(dataPath("logs/log.adi"));
    click(select(kDatabase), "Command2");
    EXPECT_EQ(text("Label3") + text("Label4"),
              QStringLiteral("Squares Worked:  2Squares Confirmed:  0"));
    // Squares only: the closing message alone, and no ledger.
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("2 new squares added")});
    EXPECT_FALSE(QFile::exists(dataPath("contacts.sqlite")));
    EXPECT_TRUE(readFileBytes(dataPath("changelog.txt"))
                    .contains(" with --confirmed-by eqsl --not-prop-mode EME\r\n"));

    AdifOptions o;
    std::unique_ptr<QDialog> form(makeAdifOptionsDialog(o, nullptr));
    control<QCheckBox>(form.get(), "ByEqsl")->setChecked(false);
    control<QCheckBox>(form.get(), "VuccGrids")->setChecked(true);
    control<QLineEdit>(form.get(), "PropMode")->setText(" sat , eme");
    QString reason;
    control<QCheckBox>(form.get(), "Ledger")->setChecked(false);
    bool ledger = true;
    ASSERT_TRUE(readAdifOptionsDialog(*form, o, reason, &ledger));
    EXPECT_EQ(o.describe(), "--vucc-grids --confirmed-by card,lotw --prop-mode SAT,EME");
    EXPECT_FALSE(ledger);
    control<QLineEdit>(form.get(), "NotPropMode")->setText("TROPO");
    EXPECT_FALSE(readAdifOptionsDialog(*form, o, reason));
    EXPECT_EQ(reason, "Not an ADIF PROP_MODE: TROPO");
}

}  // namespace
}  // namespace morvel::test
