#include "windows/square_view_window.h"

#include <sys/resource.h>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <csignal>

#include "app_fixture.h"
#include "database/qra_names.h"
#include "ui/drawing_surface.h"

namespace morvel::test {
namespace {

const QString kDb = QStringLiteral("2M JO62QM EXAMPLE.QRA");
const QColor kGreen(0, 128, 0), kRed(249, 96, 79), kBackground(255, 224, 192);
constexpr int kIO = 159;  // record of field IO

QPointF centre(int slot) {
    return {120.0 * (slot / 10) + 60, 60.0 * (9 - slot % 10) + 30};
}
QPointF corner(int slot) {
    return centre(slot) - QPointF(54, 26);
}
QByteArray bytesOf(const SquareEntry& e) {
    QByteArray b(28, '\0');
    e.encode(b.data());
    return b;
}

class SquareViewTest : public AppFixture {
protected:
    SquareViewTest() {
        path = makeBlankDatabase(dataDir.path(), kDb);
        state.filename = state.mapfile = kDb.toStdString();
        state.homeloc = "JO62QM";
        state.fieldname = "IO";
        state.fieldwest = 340;
        state.fieldsouth = 50;
        state.mapview = 1;
    }
    QWidget* open() {
        w = windows.show(kSquareViewWindow);
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return control<QWidget>(w, "Command1")->isVisible(); }));
        return w;
    }
    DrawingSurface* surface() const { return w->findChild<DrawingSurface*>(); }
    QPoint pixel(QPointF logical) const { return surface()->canvas().toPixel(logical).toPoint(); }
    void move(QPointF logical) { QTest::mouseMove(surface(), pixel(logical)); }
    void clickAt(QPointF logical) {
        move(logical);
        QTest::mouseClick(surface(), Qt::LeftButton, {}, pixel(logical));
    }
    QString label(const char* name) const { return control<QLabel>(w, name)->text(); }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(w, name); }
    bool checked(const char* name) const { return control<OptionButton>(w, name)->isChecked(); }
    bool panelOpen() const { return control<QGroupBox>(w, "Frame2")->isVisible(); }
    QColor colourAt(QPointF logical) const { return surface()->canvas().colourAt(logical); }
    QByteArray slotBytes(int slot) const {
        return readFileBytes(path).mid((kIO - 1) * 2828 + slot * 28, 28);
    }

    QString path;
    QWidget* w = nullptr;
};

TEST_F(SquareViewTest, OpensOnTheFieldOfTheSharedState) {
    setSquare(path, "IO", 85, makeEntry("IO85AB", "G4ABC", "01/02/24", false));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "02/02/24", true));
    open();
    EXPECT_EQ(label("Label12"), QStringLiteral("File: ") + kDb);
    EXPECT_EQ(label("Label10"), QStringLiteral("IO"));
    EXPECT_EQ(label("Label8"), QStringLiteral(" 2  worked"));
    EXPECT_EQ(label("Label9"), QStringLiteral(" 1  confirmed"));
    EXPECT_EQ(state.recordno, kIO);
    EXPECT_EQ(colourAt(QPointF(965, 245)), kRed);  // IO85: (960, 240)-(1080, 300)
    EXPECT_EQ(colourAt(corner(91)), kGreen);
    EXPECT_EQ(colourAt(corner(84)), kBackground);
    EXPECT_TRUE(control<QWidget>(w, "Command5")->isVisible());
    EXPECT_TRUE(QDir(programDir.path()).entryList(QDir::Files).isEmpty());  // no outline made

    const int dx = 300;
    const QPoint frame = control<QWidget>(w, "Frame1")->pos();
    w->resize(w->width() + dx, w->height() + 200);  // drawn again to fill the window
    EXPECT_EQ(surface()->canvas().size(), w->size());
    EXPECT_EQ(colourAt(QPointF(1075, 295)), kRed);
    EXPECT_EQ(surface()->canvas().toPixel(QPointF(1500, 601)), QPointF(w->width(), w->height()));
    EXPECT_EQ(control<QWidget>(w, "Frame1")->pos(), frame + QPoint(dx, 0));
}

TEST_F(SquareViewTest, ReadOutFollowsThePointerUntilAClickLocksIt) {
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "02/02/24", false));
    open();
    struct Case {
        QPointF at;
        const char* l10;
        const char* l1;
        const char* l2;
        const char* l7;
        const char* l13;
        int hover;
    } cases[] = {
        {centre(91), "IO91", "M0XYZ     ", "IO91WM", "Worked", " 932km", 91},
        {centre(5), "IO05", "          ", "      ", "      ", "", 5},
        {QPointF(1210, 300), "     ", " ", " ", "", "", 5},   // right of the grid
        {QPointF(300, 600.5), "     ", " ", " ", "", "", 5},  // below it
    };
    for (const Case& c : cases) {
        move(c.at);
        EXPECT_EQ(label("Label10"), QLatin1String(c.l10));
        EXPECT_EQ(label("Label1"), QLatin1String(c.l1));
        EXPECT_EQ(label("Label2"), QLatin1String(c.l2));
        EXPECT_EQ(label("Label7"), QLatin1String(c.l7));
        EXPECT_EQ(label("Label13"), QLatin1String(c.l13));
        EXPECT_EQ(state.hoverslot, c.hover);
    }
    clickAt(centre(91));
    move(centre(5));  // locked: the read-out stays on IO91
    EXPECT_EQ(label("Label10"), QStringLiteral("IO91"));
    EXPECT_EQ(state.hoverslot, 91);
    EXPECT_EQ(state.editlock, -1);
}

// Each case opens the panel on its own empty square, types, and saves.
TEST_F(SquareViewTest, SaveChecksThePanelAndWritesOnlyTheSquare) {
    struct Case {
        const char* call;  // nullptr: left as the panel shows it
        const char* date;
        const char* loc;
        int option;             // 0 as preselected, 2 Confirmed
        const char* message;    // refused with this message
        const char* storedLoc;  // and the box afterwards
        const char* storedCall;
    } cases[] = {
        {nullptr, nullptr, nullptr, 0, "No Callsign - save aborted", "", ""},
        {"   ", "01/02/24", "IO85AB", 0, "No Callsign - save aborted", "", ""},
        {"G4ABC", "", "IO85AB", 0, "No Date worked - save aborted", "", ""},
        {"G4ABC", "  ", "IO85AB", 0, "No Date worked - save aborted", "", ""},
        {"G4ABC", "01/02/24", "IO8", 0, "Invalid QRA - save aborted", "", ""},
        {"G4ABC", "01/02/24", " IO8  ", 0, "Invalid QRA - save aborted", "", ""},
        {"G4ABC", "01/02/24", "IO85", 0, nullptr, "IO85  ", "G4ABC     "},
        {"G4ABC", "01/02/24", "IO85AB12", 0, nullptr, "IO85AB", "G4ABC     "},
        {" G4ABC", "01/02/24", "IO85AB", 0, nullptr, "IO85AB", "G4ABC     "},
        {"DL1ABCDEFGHI", "01/02/24", "IO85AB", 2, nullptr, "IO85AB", "DL1ABCDEFG"},
        {"SP9\u20ac\u0141", "01/02/24", "IO85AB", 0, nullptr, "IO85AB", "SP9??     "},
    };
    open();
    int worked = 0, confirmed = 0;
    for (int n = 0; n < static_cast<int>(std::size(cases)); ++n) {
        const Case& c = cases[n];
        const int slot = 11 + n;
        SCOPED_TRACE(n);
        clickAt(centre(slot));
        const QString name = QStringLiteral("IO%1").arg(slot, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(panelOpen());
        EXPECT_EQ(box("Text1")->text(), QStringLiteral("          "));
        EXPECT_EQ(box("Text2")->text(), QStringLiteral("        "));
        EXPECT_EQ(box("Text3")->text(), name);
        EXPECT_EQ(box("Text3")->cursorPosition(), 4);
        EXPECT_TRUE(checked("Option1"));
        if (c.call) box("Text1")->setText(QString::fromUtf8(c.call));
        if (c.date) box("Text2")->setText(QString::fromLatin1(c.date));
        if (c.loc) box("Text3")->setText(QString::fromLatin1(c.loc));
        if (c.option) QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
        const QByteArray before = readFileBytes(path);
        dialogs.clear();
        click(w, "Command3");
        if (c.message) {
            EXPECT_EQ(dialogs.messages(), QStringList{QString::fromLatin1(c.message)});
            EXPECT_EQ(readFileBytes(path), before);
            EXPECT_TRUE(panelOpen());
            click(w, "Command4");
            EXPECT_FALSE(panelOpen());
            continue;
        }
        EXPECT_TRUE(dialogs.messages().isEmpty());
        SquareEntry e = makeEntry(c.storedLoc, c.storedCall, "01/02/24", c.option == 2);
        QByteArray expected = before;
        expected.replace((kIO - 1) * 2828 + slot * 28, 28, bytesOf(e));
        EXPECT_EQ(readFileBytes(path), expected);
        EXPECT_EQ(box("Text3")->text(), QString::fromLatin1(c.storedLoc).trimmed());
        EXPECT_FALSE(panelOpen());
        EXPECT_EQ(state.editlock, 0);
        ++worked;
        confirmed += c.option == 2;
        EXPECT_EQ(colourAt(corner(slot)), c.option == 2 ? kGreen : kRed);
        EXPECT_EQ(label("Label8"), QStringLiteral(" %1  worked").arg(worked));
        EXPECT_EQ(label("Label9"), QStringLiteral(" %1  confirmed").arg(confirmed));
    }
}

TEST_F(SquareViewTest, PanelOptionsClearAndReload) {
    setSquare(path, "IO", 85, makeEntry("IO85AB", "G4ABC", "01/02/24", false));
    setSquare(path, "IO", 86, makeEntry("IO86CD", "M0XYZ", "02/02/24", true));
    SquareEntry both = makeEntry("IO87EF", "F5AA", "03/02/24", true);
    both.worked = -1;
    setSquare(path, "IO", 87, both);
    open();
    clickAt(centre(87));
    EXPECT_TRUE(checked("Option1"));
    EXPECT_EQ(state.editlock, 0);  // confirmed: the read-out runs on
    clickAt(centre(86));
    EXPECT_TRUE(checked("Option2") && !checked("Option1"));
    clickAt(centre(85));  // worked after a confirmed one: Worked again
    EXPECT_TRUE(checked("Option1") && !checked("Option2"));
    EXPECT_EQ(state.editlock, -1);
    box("Text1")->setText(QStringLiteral("typed"));
    clickAt(centre(5));  // still IO85, its stored values back
    EXPECT_EQ(state.slotno, 85);
    EXPECT_EQ(box("Text1")->text(), QStringLiteral("G4ABC     "));
    EXPECT_EQ(box("Text3")->text(), QStringLiteral("IO85AB"));

    click(w, "Command4");
    clickAt(centre(86));
    const QByteArray before = readFileBytes(path);
    click(w, "Clear_Button");  // confirmed square emptied at once
    QByteArray expected = before;
    expected.replace((kIO - 1) * 2828 + 86 * 28, 28, bytesOf(SquareEntry::blank()));
    EXPECT_EQ(readFileBytes(path), expected);
    EXPECT_EQ(colourAt(corner(86)), kBackground);
    EXPECT_EQ(label("Label9"), QStringLiteral(" 1  confirmed"));
    EXPECT_FALSE(panelOpen());

    move(centre(85));
    move(QPointF(1210, 300));  // off the grid: the click edits IO85
    clickAt(QPointF(1210, 300));
    EXPECT_EQ(state.slotno, 85);
    EXPECT_EQ(box("Text1")->text(), QStringLiteral("G4ABC     "));
}

TEST_F(SquareViewTest, AFailedWriteIsReportedAndChangesNothing) {
    struct Case {
        const char* what;
        std::function<void()> spoil, mend;
    } cases[] = {
        {"read-only", [&] { QFile::setPermissions(path, QFile::ReadOwner); },
         [&] { QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner); }},
        {"gone", [&] { QFile::rename(path, path + ".away"); },
         [&] { QFile::rename(path + ".away", path); }},
        {"full disk",
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit small{100000, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [] {
             const rlimit all{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &all);
         }},
    };
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clickAt(centre(85));
        box("Text1")->setText(QStringLiteral("G4ABC"));
        box("Text2")->setText(QStringLiteral("01/02/24"));
        const QByteArray before = readFileBytes(path);
        dialogs.clear();
        c.spoil();
        click(w, "Command3");
        c.mend();
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages()[0].startsWith(
            QStringLiteral("The square could not be saved in ") + kDb + QStringLiteral(": ")));
        EXPECT_EQ(readFileBytes(path), before);
        EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{kDb});
        EXPECT_TRUE(panelOpen());
        EXPECT_EQ(box("Text1")->text(), QStringLiteral("G4ABC"));
        click(w, "Command4");
    }
}

TEST_F(SquareViewTest, ShortOrMissingDatabaseOpensEmptyAndCreatesNothing) {
    writeFileBytes(path, readFileBytes(path).left(100 * 2828));
    open();
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(label("Label8"), QStringLiteral(" 0  worked"));
    clickAt(centre(85));
    EXPECT_EQ(box("Text1")->text(), QStringLiteral("          "));
    EXPECT_EQ(readFileBytes(path).size(), 100 * 2828);
    windows.unload(kSquareViewWindow);
    deleteUnloaded();

    QFile::remove(path);
    open();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("Could not read ") + kDb));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SquareViewTest, NewFieldAndMainMenuLeaveTheWindow) {
    windows.add(kFieldMapWindow, [](Windows& ws) { return new Form(ws, kFieldMapWindow); });
    open();
    clickAt(centre(85));
    click(w, "Command1");
    EXPECT_NE(windows.loaded(kFieldMapWindow), nullptr);
    EXPECT_EQ(windows.loaded(kSquareViewWindow), nullptr);
    EXPECT_EQ(state.editlock, 0);

    open();
    clickAt(centre(84));
    box("Text1")->setText(QStringLiteral("G4ABC"));
    box("Text2")->setText(QStringLiteral("01/02/24"));
    click(w, "Command3");
    click(w, "Command5");
    EXPECT_EQ(windows.loaded(kSquareViewWindow), nullptr);
    ASSERT_NE(menu(), nullptr);
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  1"));
}

}  // namespace
}  // namespace morvel::test
