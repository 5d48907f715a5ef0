#include "windows/main_menu_window.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>

#include "app_fixture.h"
#include "database/text_format.h"
#include "geo/locator.h"

namespace morvel::test {
namespace {

const QString kPortable = QStringLiteral("2M IO85AB PORTABLE.QRA");
const char* const kStatistics[] = {"Label5", "Label3", "Label4", "Label2", "Label7"};
const char* const kDatabaseControls[] = {"View",   "Command6", "Command5", "Command2",
                                         "Frame1", "Frame2",   "Option1",  "Option2"};

class MainMenuTest : public AppFixture {
protected:
    void expectNoDatabase() {
        for (const char* name : kDatabaseControls)
            EXPECT_FALSE(control<QWidget>(menu(), name)->isVisible()) << name;
        for (const char* name : kStatistics) EXPECT_EQ(text(name), QString()) << name;
        EXPECT_EQ(state.filename, "");
        EXPECT_EQ(state.mapfile, "");
    }
    FileList* list() const { return control<FileList>(menu(), "File1"); }
};

// Stands in for the windows that other parts of the program add.
class StubWindow : public Form {
public:
    StubWindow(Windows& w, const QString& name, std::function<void()> load)
        : Form(w, name), load_(std::move(load)) {}
    void onLoad() override { load_(); }

private:
    std::function<void()> load_;
};

TEST_F(MainMenuTest, StartsWithNothingSelectedAndListsDatabasesInAnyCase) {
    for (const char* name : {"b.QRA", "a.qra", "C.Qra", "notes.txt", "d.qra.bak"})
        writeFileBytes(dataPath(QString::fromLatin1(name)), "x");
    state.filename = "left over";
    startProgram();
    expectNoDatabase();
    EXPECT_EQ(list()->names(), (QStringList{"a.qra", "b.QRA", "C.Qra"}));
}

TEST_F(MainMenuTest, ClickingADatabaseShowsItsStatistics) {
    const QString path = makeBlankDatabase(dataDir.path(), kPortable);
    setSquare(path, "JO", 1, makeEntry("JO01AA", "G4ABC", "20240101", true));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "20240102", false));
    setSquare(path, "RR", 0, makeEntry("RR00AA", "ZL1AA", "20240103", false));
    startProgram();
    clickListed(list(), kPortable);
    const int far = static_cast<int>(roundHalfEven(LocatorDistance("IO85AB", "RR00AA")));
    const QStringList expected = {"File: 2M IO85AB PORTABLE.QRA", "Squares Worked:  3",
                                  "Squares Confirmed:  1", "Fields Worked:  3",
                                  QStringLiteral("ODX: ZL1AA      RR00AA  %1 km").arg(far)};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(text(kStatistics[i]), expected[i]);
    for (const char* name : kDatabaseControls)
        EXPECT_TRUE(control<QWidget>(menu(), name)->isVisible()) << name;
    EXPECT_EQ(state.band, "2M");
    EXPECT_EQ(state.homeloc, "IO85AB");
    EXPECT_EQ(state.mapfile, "2M IO85AB PORTABLE.QRA");
    EXPECT_EQ(state.odxkm, static_cast<float>(far));
    EXPECT_EQ(state.fieldrec.entries[0].callsignText(), "ZL1AA     ");
}

TEST_F(MainMenuTest, ADatabaseUnreadableWhenClickedIsReportedAndNothingStaleStays) {
    makeBlankDatabase(dataDir.path(), kPortable);
    const QString gone = QStringLiteral("6M JO01AB .QRA");
    makeBlankDatabase(dataDir.path(), gone);
    select(kPortable);
    ASSERT_TRUE(QFile::remove(dataPath(gone)));  // by another program, behind the list's back
    clickListed(list(), gone);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("Could not read 6M JO01AB .QRA: ")));
    EXPECT_EQ(dialogs.messages()[0].count(gone), 1);
    EXPECT_EQ(list()->names(), QStringList{kPortable});
    expectNoDatabase();
    list()->clickName(kPortable);  // the menu stays usable
    EXPECT_EQ(text("Label5"), QStringLiteral("File: 2M IO85AB PORTABLE.QRA"));
}

TEST_F(MainMenuTest, ALongNameLosesItsMiddleInTheFileLineAndScrollsTheList) {
    const QString name = QStringLiteral("2M JO62QM ") + QString(60, 'X') + QStringLiteral(" END.QRA");
    makeBlankDatabase(dataDir.path(), name);
    select(name);
    auto* line = control<QLabel>(menu(), "Label5");
    EXPECT_TRUE(line->text().startsWith("File: 2M JO62QM XX") && line->text().endsWith("XX END.QRA") &&
                line->text().contains(QChar(0x2026)));
    EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width());
    EXPECT_EQ(line->toolTip(), name);
    list()->doItemsLayout();
    EXPECT_GT(list()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(MainMenuTest, QuitByButtonAndByAccessKeyEndsTheProgram) {
    QSignalSpy ended(&windows, &Windows::programEnded);
    click(startProgram(), "Command3");
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(menu(), nullptr);
    QWidget* m = startProgram();
    QApplication::setActiveWindow(m);
    ASSERT_TRUE(QTest::qWaitForWindowActive(m));
    QTest::keyClick(m, Qt::Key_Q, Qt::AltModifier);
    EXPECT_TRUE(ended.wait(2000));
}

TEST_F(MainMenuTest, ViewEditOpensTheFieldMapFromTheProgramFolder) {
    makeBlankDatabase(dataDir.path(), kPortable);
    QWidget* m = select(kPortable);
    QString folderWhenLoaded;
    windows.add(kFieldMapWindow, [&](Windows& w) {
        return new StubWindow(w, kFieldMapWindow, [&] { folderWhenLoaded = QDir::currentPath(); });
    });
    QTest::mouseClick(m->findChildren<OptionButton*>(QStringLiteral("Option3")).at(1),
                      Qt::LeftButton);
    click(m, "View");
    EXPECT_EQ(state.mapview, 2);
    EXPECT_EQ(QDir(folderWhenLoaded).canonicalPath(), QDir(programDir.path()).canonicalPath());
    EXPECT_EQ(menu(), nullptr);
}

TEST_F(MainMenuTest, AProgramFolderThatCannotBeEnteredStopsViewEdit) {
    makeBlankDatabase(dataDir.path(), kPortable);
    windows.add(kFieldMapWindow, [](Windows& w) { return new StubWindow(w, kFieldMapWindow, [] {}); });
    QWidget* m = select(kPortable);
    ASSERT_TRUE(QDir(programDir.path()).removeRecursively());
    click(m, "View");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("The program folder ")));
    EXPECT_EQ(windows.loaded(kFieldMapWindow), nullptr);
    EXPECT_EQ(menu(), m);
}

TEST_F(MainMenuTest, SummariesFollowTheOptionsAndFailuresAreReported) {
    const QString path = makeBlankDatabase(dataDir.path(), QStringLiteral("2M JO62QM HOME.QRA"));
    setSquare(path, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    QWidget* m = select(QStringLiteral("2M JO62QM HOME.QRA"));
    click(m, "Command5");  // cancelled
    EXPECT_EQ(dialogs.shown().at(0).request.proposedName, QStringLiteral("2M JO62QM HOME.txt"));
    dialogs.queueFile(QStringLiteral("worked.txt"));
    click(m, "Command5");
    EXPECT_EQ(readFileBytes(dataPath("worked.txt")),
              readFileBytes(testDataPath(QStringLiteral("summary_worked_example.txt"))));
    QTest::mouseClick(control<OptionButton>(m, "Option2"), Qt::LeftButton);
    dialogs.queueFile(dataPath("confirmed.txt"));
    click(m, "Command5");
    EXPECT_EQ(readFileBytes(dataPath("confirmed.txt")),
              readFileBytes(testDataPath(QStringLiteral("summary_confirmed_example.txt"))));
    EXPECT_EQ(state.odxcall, "Q1ABC     ");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    dialogs.queueFile(dataPath("no such folder/out.txt"));
    click(m, "Command5");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("The summary could not be written")));
    EXPECT_EQ(QDir::currentPath(), QDir(programDir.path()).canonicalPath());
}

}  // namespace
}  // namespace morvel::test
