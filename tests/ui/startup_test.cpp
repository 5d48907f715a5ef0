#include "menu/startup.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "app_fixture.h"
#include "database/text_format.h"
#include "geo/locator.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

const QString kPortable = QStringLiteral("2M IO85AB PORTABLE.QRA");

class StartupTest : public AppFixture {
protected:
    std::vector<QWidget*> databaseControls(Startup* m) const {
        return {m->View,   m->Command6, m->Command5, m->Command2,
                m->Frame1, m->Frame2,   m->Option1,  m->Option2};
    }
    std::vector<QLabel*> statisticsLabels(Startup* m) const {
        return {m->Label3, m->Label4, m->Label2, m->Label5, m->Label7};
    }
    void expectNoDatabaseState(Startup* m) {
        for (QWidget* w : databaseControls(m))
            EXPECT_FALSE(w->isVisible()) << qPrintable(w->objectName());
        for (QLabel* l : statisticsLabels(m)) EXPECT_EQ(l->text(), QString());
        for (QWidget* w : std::initializer_list<QWidget*>{m->Label1, m->v, m->Label6, m->File1,
                                                          m->Command4, m->Command1, m->Command3}) {
            EXPECT_TRUE(w->isVisible());
        }
    }
};

TEST_F(StartupTest, StartsWithOnlyTheStartControlsAndEmptyStatistics) {
    makeBlankDatabase(dataDir.path(), kPortable);
    state.filename = "left over";
    Startup* m = startProgram();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Morvel by Tovrin: Main Menu"));
    expectNoDatabaseState(m);
    EXPECT_EQ(state.filename, "");
    EXPECT_EQ(state.mapfile, "");
    EXPECT_EQ(m->File1->names(), QStringList{kPortable});
    EXPECT_EQ(m->File1->fileName(), QString());
}

TEST_F(StartupTest, ControlsCarryTheirCaptionsToolTipsAndFonts) {
    Startup* m = startProgram();
    struct Control {
        QAbstractButton* button;
        const char* caption;
        const char* toolTip;
        qreal points;
    };
    const Control buttons[] = {
        {m->Command4, "Create File", "create a new, empty QRA database file", 12},
        {m->Command1, "Delete File", "", 12},
        {m->Command3, "&Quit", "Quit back to windows", 12},
        {m->View, "&View/Edit", "examine and change square records ", 12},
        {m->Command2, "Import ADIF", "Import from V2 ADIF log file", 9.75},
        {m->Command6, "Import EDI", "Import in EDI logfile format", 9.75},
        {m->Command5, "Summary to Text File", "List worked/confirmed to a text file", 9.75},
    };
    for (const Control& c : buttons) {
        EXPECT_EQ(c.button->text(), QString::fromLatin1(c.caption));
        EXPECT_EQ(c.button->toolTip(), QString::fromLatin1(c.toolTip)) << c.caption;
        EXPECT_EQ(c.button->font().pointSizeF(), c.points) << c.caption;
        EXPECT_TRUE(c.button->font().bold()) << c.caption;
    }
    EXPECT_EQ(m->Option3(1)->text(), QStringLiteral("World"));
    EXPECT_EQ(m->Option3(2)->text(), QStringLiteral("Europe"));
    EXPECT_EQ(m->Option3(3)->text(), QStringLiteral("USA"));
    EXPECT_EQ(m->Option3.selectedIndex(), 1);
    EXPECT_EQ(m->Option1->text(), QStringLiteral("Worked"));
    EXPECT_EQ(m->Option1->toolTip(), QStringLiteral("List worked (and confirmed) squares"));
    EXPECT_TRUE(m->Option1->isChecked());
    EXPECT_EQ(m->Option2->text(), QStringLiteral("Confirmed"));
    EXPECT_EQ(m->Option2->toolTip(), QStringLiteral("List only confirmed squares"));
    EXPECT_FALSE(m->Option2->isChecked());

    EXPECT_EQ(m->Label1->text(), QStringLiteral("Morvel the QRA Squares database by Tovrin"));
    EXPECT_EQ(m->Label1->font().pointSizeF(), 18);
    EXPECT_TRUE(m->Label1->font().bold());
    EXPECT_EQ(m->v->text(), QStringLiteral("Version 2.8"));
    EXPECT_EQ(m->v->font().pointSizeF(), 9.75);
    EXPECT_FALSE(m->v->font().bold());
    EXPECT_EQ(m->Label6->text(), QStringLiteral("QRA Databases - click on filename to select"));
    EXPECT_EQ(m->Label6->font().pointSizeF(), 12);
    EXPECT_TRUE(m->File1->font().bold());
    EXPECT_EQ(m->File1->font().pointSizeF(), 12);
    for (QLabel* l : statisticsLabels(m)) {
        EXPECT_EQ(l->font().pointSizeF(), 13.5);
        EXPECT_FALSE(l->font().bold());
    }
    EXPECT_EQ(m->palette().color(QPalette::Window), QColor(255, 224, 192));
    EXPECT_EQ(m->Command4->palette().color(QPalette::Button), QColor(255, 224, 192));
    EXPECT_EQ(m->Frame1->palette().color(QPalette::Window), QColor(255, 224, 192));
}

TEST_F(StartupTest, ListsDatabasesWhateverTheCaseOfTheirSuffix) {
    for (const char* name : {"b.QRA", "a.qra", "C.Qra", "notes.txt", "d.qra.bak", "qra"}) {
        writeFileBytes(dataPath(QString::fromLatin1(name)), "x");
    }
    QDir(dataDir.path()).mkdir(QStringLiteral("folder.qra"));
    Startup* m = startProgram();
    EXPECT_EQ(m->File1->names(), (QStringList{"a.qra", "b.QRA", "C.Qra"}));
}

TEST_F(StartupTest, ClickingADatabaseShowsItsStatisticsAndTheDatabaseControls) {
    const QString path = makeBlankDatabase(dataDir.path(), kPortable);
    setSquare(path, "JO", 1, makeEntry("JO01AA", "G4ABC", "20240101", true));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "20240102", false));
    setSquare(path, "RR", 0, makeEntry("RR00AA", "ZL1AA", "20240103", false));
    Startup* m = startProgram();
    clickListed(m->File1, kPortable);

    const int km = static_cast<int>(roundHalfEven(LocatorDistance("IO85AB", "JO01AA")));
    const int far = static_cast<int>(roundHalfEven(LocatorDistance("IO85AB", "RR00AA")));
    ASSERT_GT(far, km);
    ASSERT_GT(km, static_cast<int>(roundHalfEven(LocatorDistance("IO85AB", "IO91WM"))));
    EXPECT_EQ(m->Label3->text(), QStringLiteral("Squares Worked:  3"));
    EXPECT_EQ(m->Label4->text(), QStringLiteral("Squares Confirmed:  1"));
    EXPECT_EQ(m->Label2->text(), QStringLiteral("Fields Worked:  3"));
    EXPECT_EQ(m->Label5->text(), QStringLiteral("File: 2M IO85AB PORTABLE.QRA"));
    EXPECT_EQ(m->Label7->text(), QStringLiteral("ODX: ZL1AA      RR00AA  %1 km").arg(far));
    for (QWidget* w : databaseControls(m))
        EXPECT_TRUE(w->isVisible()) << qPrintable(w->objectName());
    EXPECT_EQ(state.filename, "2M IO85AB PORTABLE.QRA");
    EXPECT_EQ(state.band, "2M");
    EXPECT_EQ(state.homeloc, "IO85AB");
    EXPECT_EQ(state.mapfile, "2M IO85AB PORTABLE.QRA");
    EXPECT_EQ(state.odxcall, "ZL1AA     ");
    EXPECT_EQ(state.odxloc, "RR00AA");
    EXPECT_EQ(state.odxkm, static_cast<float>(far));
    EXPECT_EQ(state.fieldrec.entries[0].callsignText(), "ZL1AA     ");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartupTest, AnEmptyDatabaseShowsZerosAndSelectingAnotherReplacesTheFigures) {
    const QString path = makeBlankDatabase(dataDir.path(), kPortable);
    setSquare(path, "JO", 1, makeEntry("JO01AA", "G4ABC", "20240101", true));
    makeBlankDatabase(dataDir.path(), QStringLiteral("6M JO01AB .QRA"));
    Startup* m = startProgram();
    m->File1->clickName(kPortable);
    m->File1->clickName(QStringLiteral("6M JO01AB .QRA"));
    EXPECT_EQ(m->Label3->text(), QStringLiteral("Squares Worked:  0"));
    EXPECT_EQ(m->Label4->text(), QStringLiteral("Squares Confirmed:  0"));
    EXPECT_EQ(m->Label2->text(), QStringLiteral("Fields Worked:  0"));
    EXPECT_EQ(m->Label5->text(), QStringLiteral("File: 6M JO01AB .QRA"));
    EXPECT_EQ(m->Label7->text(), QStringLiteral("ODX:    0 km"));
    EXPECT_EQ(state.band, "6M");
    EXPECT_EQ(state.homeloc, "JO01AB");
}

TEST_F(StartupTest, ADatabaseThatCannotBeReadIsReportedAndNothingStaleStays) {
    makeBlankDatabase(dataDir.path(), kPortable);
    const QString gone = QStringLiteral("6M JO01AB .QRA");
    makeBlankDatabase(dataDir.path(), gone);
    Startup* m = startProgram();
    m->File1->clickName(kPortable);
    ASSERT_TRUE(m->View->isVisible());
    // Removed behind the list's back, by another program.
    ASSERT_TRUE(QFile::remove(dataPath(gone)));
    clickListed(m->File1, gone);

    ASSERT_EQ(dialogs.shown().size(), 1u);
    const ScriptedDialogs::Shown& box = dialogs.shown()[0];
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Could not read 6M JO01AB .QRA: ")))
        << qPrintable(box.text);
    EXPECT_GT(box.text.size(), QStringLiteral("Could not read 6M JO01AB .QRA: ").size());
    EXPECT_EQ(box.title, QStringLiteral("Morvel"));
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    expectNoDatabaseState(m);
    EXPECT_EQ(state.filename, "");
    EXPECT_EQ(state.mapfile, "");

    // The menu stays usable: the good file can be selected again.
    m->File1->clickName(kPortable);
    EXPECT_EQ(m->Label5->text(), QStringLiteral("File: 2M IO85AB PORTABLE.QRA"));
    EXPECT_TRUE(m->Command2->isVisible());
}

TEST_F(StartupTest, QuitEndsTheProgram) {
    QSignalSpy ended(&windows, &Windows::programEnded);
    Startup* m = startProgram();
    QTest::mouseClick(m->Command3, Qt::LeftButton);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(menu(), nullptr);
    EXPECT_TRUE(windows.loadedNames().isEmpty());
}

TEST_F(StartupTest, QuitByItsAccessKey) {
    QSignalSpy ended(&windows, &Windows::programEnded);
    Startup* m = startProgram();
    QApplication::setActiveWindow(m);
    ASSERT_TRUE(QTest::qWaitForWindowActive(m));
    QTest::keyClick(m, Qt::Key_Q, Qt::AltModifier);
    // An access key presses the button visibly, then clicks it.
    EXPECT_TRUE(ended.wait(2000));
}

TEST_F(StartupTest, CreateFileUnloadsTheMenuAndDeleteFileHidesIt) {
    makeBlankDatabase(dataDir.path(), kPortable);
    Startup* m = startProgram();
    m->File1->clickName(kPortable);
    QTest::mouseClick(m->Command1, Qt::LeftButton);
    EXPECT_EQ(menu(), m);
    EXPECT_FALSE(m->isVisible());
    EXPECT_EQ(m->Label5->text(), QStringLiteral("File: 2M IO85AB PORTABLE.QRA"));
    EXPECT_TRUE(windows.loaded(kDeleteForm)->isVisible());

    windows.unload(kDeleteForm);
    windows.show(kStartupForm);
    QTest::mouseClick(m->Command4, Qt::LeftButton);
    EXPECT_EQ(menu(), nullptr);
    ASSERT_NE(windows.loaded(kCreateForm), nullptr);
    EXPECT_TRUE(windows.loaded(kCreateForm)->isVisible());
}

// Stands in for the windows that other parts of the program add.
class StubForm : public Form {
public:
    StubForm(Windows& w, const QString& name, std::function<void(Windows&)> onLoad)
        : Form(w, name), onLoad_(std::move(onLoad)) {}
    void Form_Load() override {
        if (onLoad_) onLoad_(windows());
    }

private:
    std::function<void(Windows&)> onLoad_;
};

TEST_F(StartupTest, ViewEditOpensTheFieldMapFromTheProgramFolder) {
    makeBlankDatabase(dataDir.path(), kPortable);
    Startup* m = startProgram();
    m->File1->clickName(kPortable);
    // Without a field map window the button says so and the menu stays.
    QTest::mouseClick(m->View, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("The field map is not part of this version yet.")});
    EXPECT_EQ(menu(), m);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(state.filename, "2M IO85AB PORTABLE.QRA");

    QString folderWhenLoaded;
    windows.add(kFieldMapForm, [&](Windows& w) {
        return new StubForm(w, kFieldMapForm,
                            [&](Windows&) { folderWhenLoaded = QDir::currentPath(); });
    });
    QTest::mouseClick(m->Option3(2), Qt::LeftButton);
    EXPECT_EQ(m->Option3.selectedIndex(), 2);
    QTest::mouseClick(m->View, Qt::LeftButton);
    EXPECT_EQ(state.mapview, 2);
    EXPECT_EQ(QDir(folderWhenLoaded).canonicalPath(), QDir(programDir.path()).canonicalPath());
    EXPECT_EQ(menu(), nullptr);
    EXPECT_TRUE(windows.loaded(kFieldMapForm)->isVisible());
}

TEST_F(StartupTest, AnImportIsFollowedByFreshStatistics) {
    const QString path = makeBlankDatabase(dataDir.path(), kPortable);
    windows.add(kAdifImportForm, [&](Windows& w) {
        return new StubForm(w, kAdifImportForm, [&](Windows& ws) {
            setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "20240102", false));
            ws.show(kStartupForm);
        });
    });
    Startup* m = startProgram();
    m->File1->clickName(kPortable);
    EXPECT_EQ(m->Label3->text(), QStringLiteral("Squares Worked:  0"));
    QTest::mouseClick(m->Command2, Qt::LeftButton);
    EXPECT_EQ(m->Label3->text(), QStringLiteral("Squares Worked:  1"));
    EXPECT_EQ(windows.loaded(kAdifImportForm), nullptr);
    EXPECT_EQ(menu(), m);
    EXPECT_TRUE(m->isVisible());
}

}  // namespace
}  // namespace morvel::test
