#include "app_fixture.h"

namespace morvel::test {
namespace {

const QString kPortable = QStringLiteral("2M IO85AB PORTABLE.QRA");
const char* const kStatistics[] = {"Label5", "Label3", "Label4", "Label2", "Label7"};

using MainMenuTest = AppFixture;

// A database vanished behind the list's back is reported once, and nothing
// stale stays.
TEST_F(MainMenuTest, ClickingADatabaseShowsItsStatisticsAndAVanishedOneIsReportedOnce) {
    const QString path = makeBlankDatabase(dataDir.path(), kPortable);
    const QString gone = QStringLiteral("6M JO01AB .QRA");
    makeBlankDatabase(dataDir.path(), gone);
    setSquare(path, "JO", 1, makeEntry("JO01AA", "G4ABC", "20240101", true));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "20240102", false));
    setSquare(path, "RR", 0, makeEntry("RR00AA", "ZL1AA", "20240103", false));
    clickListed(control<FileList>(windows.show(kMainMenuWindow), "File1"), kPortable);
    QStringList shown;
    for (const char* label : kStatistics) shown << text(label);
    EXPECT_EQ(shown.join('|'), QStringLiteral("File: 2M IO85AB PORTABLE.QRA|Squares Worked:  3|"
                                              "Squares Confirmed:  1|Fields Worked:  3|"
                                              "ODX: ZL1AA      RR00AA  4985 km"));  // 4984.6
    ASSERT_TRUE(QFile::remove(dataPath(gone)));  // by another program
    clickListed(control<FileList>(menu(), "File1"), gone);
    expectOneMessage("Could not read 6M JO01AB .QRA: ");
    EXPECT_EQ(dialogs.messages.value(0).count(gone), 1);
    EXPECT_EQ(control<FileList>(menu(), "File1")->names(), QStringList{kPortable});
    for (const char* label : kStatistics) EXPECT_EQ(text(label), QString()) << label;
    EXPECT_EQ(state.databasePath, "");
}

TEST_F(MainMenuTest, ALongNameLosesItsMiddleInTheFileLineAndKeepsItInTheToolTip) {
    const QString name = "2M JO62QM " + QString(60, 'X') + " END.QRA";
    makeBlankDatabase(dataDir.path(), name);
    auto* line = control<QLabel>(select(name), "Label5");
    EXPECT_TRUE(line->text().startsWith("File: 2M JO62QM X") && line->text().contains(u"X\u2026X"));
    EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width());
    EXPECT_EQ(line->toolTip(), name);
}

TEST_F(MainMenuTest, SummaryIsWrittenWhereTheSaveDialogSaysOrNotAtAll) {
    const QString name = QStringLiteral("2M JO62QM HOME.QRA"), path = dataPath(name);
    makeBlankDatabase(dataDir.path(), name);
    setSquare(path, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    QWidget* m = select(name);
    click(m, "Command5");  // cancelled
    EXPECT_EQ(dialogs.requests.at(0).proposedName, "2M JO62QM HOME.txt");
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{name});
    EXPECT_TRUE(QDir(programDir.path()).isEmpty());
    QTest::mouseClick(control<OptionButton>(m, "Option2"), Qt::LeftButton);
    dialogs.files.push_back(QStringLiteral("confirmed.txt"));  // relative to where the user started
    click(m, "Command5");
    EXPECT_EQ(readFileBytes(dataPath("confirmed.txt")),
              readFileBytes(testDataPath(QStringLiteral("summary_confirmed_example.txt"))));
}

// An import killed before it replaced the database left the previous backup
// aside, and a marker that there was no change log before; selecting the
// database puts both back.
TEST_F(MainMenuTest, SelectingADatabasePutsBackWhatAKilledImportLeftAside) {
    const QString name = QStringLiteral("2M JO62QM HOME.QRA");
    const QString backup = dataPath(QStringLiteral("2M JO62QM HOME backup.qra"));
    writeFileBytes(backup, readFileBytes(makeBlankDatabase(dataDir.path(), name)));
    writeFileBytes(backup + ".undo", "previous backup");
    writeFileBytes(dataPath("changelog.txt"), "the killed import's");
    writeFileBytes(dataPath("changelog.txt.none"), "");
    select(name);
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files),
              (QStringList{"2M JO62QM HOME backup.qra", name}));
    EXPECT_EQ(readFileBytes(backup), "previous backup");
}

// Databases made or deleted by another program show in the list while it is
// on screen, the selected one staying selected with its figures.
TEST_F(MainMenuTest, TheListFollowsDatabasesMadeAndDeletedMeanwhile) {
    makeBlankDatabase(dataDir.path(), kPortable);
    QWidget* m = select(kPortable);
    auto* list = control<FileList>(m, "File1");
    ASSERT_TRUE(runCli({"create", "6m", "JO01AB", "CONTEST"}));
    const QString made = QStringLiteral("6M JO01AB CONTEST.QRA");
    const QStringList both{kPortable, made};
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->names() == both; }, 5000))
        << list->names().join('|').toStdString();
    EXPECT_EQ(list->fileName() + '|' + text("Label5"), kPortable + "|File: " + kPortable);
    // A file written into the folder by hand counts as well; one of no database's
    // name does not.
    writeFileBytes(dataPath("notes.txt"), "x");
    writeFileBytes(dataPath("3CM JO01AB .qra"), readFileBytes(dataPath(made)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->names().size() == 3; }, 5000));
    EXPECT_EQ(list->names(), (QStringList{kPortable, "3CM JO01AB .qra", made}));
    ASSERT_TRUE(QFile::remove(dataPath(kPortable)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->names().size() == 2; }, 5000));
    EXPECT_EQ(list->fileName() + text("Label5") + state.databasePath, QString());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

}  // namespace
}  // namespace morvel::test
