#include "windows/square_view_window.h"

#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <csignal>

#include "app_fixture.h"
#include "ui/drawing_surface.h"

namespace morvel::test {
namespace {

const QString kDb = QStringLiteral("2M JO62QM EXAMPLE.QRA");
const QColor kGreen(0, 128, 0), kRed(249, 96, 79), kBackground(255, 224, 192);

QPointF centre(int slot) {
    return {120.0 * (slot / 10) + 60, 60.0 * (9 - slot % 10) + 30};
}
QPointF corner(int slot) {
    return centre(slot) - QPointF(54, 26);
}
const QPointF kOffGrid(1210, 300);

class SquareViewTest : public AppFixture {
protected:
    SquareViewTest() : path(makeBlankDatabase(dataDir.path(), kDb)) {
        state.filename = state.mapfile = kDb.toStdString();
        state.homeloc = "JO62QM";
        state.fieldname = "IO";
        state.fieldwest = 340;
        state.fieldsouth = 50;
        state.mapview = 1;
    }
    void open() {
        w = windows.show(kSquareViewWindow);
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return control<QWidget>(w, "Command1")->isVisible(); }));
    }
    Canvas& canvas() const { return w->findChild<DrawingSurface*>()->canvas(); }
    // Twice, since a move to where the pointer already is reports nothing.
    void move(QPointF at) {
        for (const QPoint d : {QPoint(1, 1), QPoint()})
            QTest::mouseMove(w->findChild<DrawingSurface*>(), canvas().toPixel(at).toPoint() + d);
    }
    void clickAt(QPointF at) {
        move(at);
        QTest::mouseClick(w->findChild<DrawingSurface*>(), Qt::LeftButton, {},
                          canvas().toPixel(at).toPoint());
    }
    QString label(const char* name) const { return control<QLabel>(w, name)->text(); }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(w, name); }
    bool panelOpen() const { return control<QWidget>(w, "Frame2")->isVisible(); }
    QString panel() const {
        return box("Text1")->text() + '|' + box("Text2")->text() + '|' + box("Text3")->text() +
               '|' + QString::number(control<OptionButton>(w, "Option1")->isChecked());
    }
    // The file as it must be with one slot of field IO replaced.
    QByteArray withSlot(const QByteArray& before, int slot, const SquareEntry& e) const {
        QByteArray b = before;
        e.encode(b.data() + 158 * 2828 + slot * 28);
        return b;
    }
    void type(const char* call, const char* date) {
        box("Text1")->setText(QString::fromUtf8(call));
        box("Text2")->setText(QString::fromLatin1(date));
    }

    QString path;
    QWidget* w = nullptr;
};

TEST_F(SquareViewTest, ShowsTheFieldAndFillsAResizedWindow) {
    setSquare(path, "IO", 85, makeEntry("IO85AB", "G4ABC", "01/02/24", false));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "02/02/24", true));
    open();
    EXPECT_EQ(label("Label12") + label("Label10") + label("Label8") + label("Label9"),
              "File: " + kDb + "IO 2  worked 1  confirmed");
    EXPECT_EQ(canvas().colourAt(QPointF(965, 245)), kRed);  // IO85: (960, 240)-(1080, 300)
    EXPECT_EQ(canvas().colourAt(corner(91)), kGreen);
    EXPECT_TRUE(QDir(programDir.path()).isEmpty());  // missing outlines: nothing made
    const QPoint frame = control<QWidget>(w, "Frame1")->pos();
    w->resize(w->width() + 300, w->height() + 200);
    EXPECT_EQ(canvas().toPixel(QPointF(1500, 601)), QPointF(w->width(), w->height()));
    EXPECT_EQ(canvas().colourAt(QPointF(1075, 295)), kRed);
    EXPECT_EQ(control<QWidget>(w, "Frame1")->pos(), frame + QPoint(300, 0));
}

TEST_F(SquareViewTest, ReadOutFollowsThePointerUntilAClickLocksIt) {
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "02/02/24", false));
    open();
    const auto readOut = [&] {
        QStringList shown;
        for (const char* name : {"Label10", "Label1", "Label2", "Label3", "Label7", "Label13"})
            shown << label(name);
        return shown.join('|') + '|' + QString::number(state.hoverslot);
    };
    const std::pair<QPointF, const char*> cases[] = {
        {centre(91), "IO91|M0XYZ     |IO91WM|02/02/24|Worked| 932km|91"},
        {centre(5), "IO05|          |      |        |      ||5"},
        {kOffGrid, "     | | | |||5"},
        {QPointF(300, 600.5), "     | | | |||5"},
    };
    for (const auto& [at, expected] : cases) {
        move(at);
        EXPECT_EQ(readOut(), expected);
    }
    clickAt(centre(5));
    move(centre(91));  // locked on IO05
    EXPECT_EQ(readOut(), "IO05|          |      |        |      ||5");
}

TEST_F(SquareViewTest, SaveChecksThePanelAndWritesOnlyTheSquare) {
    struct Case {
        const char *call, *date, *loc;
        bool confirmed;
        const char* outcome;  // the message, or the locator box after the save
        const char* storedCall;
    } cases[] = {
        {"          ", "        ", nullptr, false, "No Callsign - save aborted", ""},
        {"   ", "01/02/24", "IO85AB", false, "No Callsign - save aborted", ""},
        {"G4ABC", "", "IO85AB", false, "No Date worked - save aborted", ""},
        {"G4ABC", "01/02/24", " IO8  ", false, "Invalid QRA - save aborted", ""},
        {"G4ABC", "01/02/24", "IO85", false, "IO85", "G4ABC"},
        {"G4ABC", "01/02/24", "IO85AB12", false, "IO85AB", "G4ABC"},
        {" G4ABC", "01/02/24", "IO85AB", false, "IO85AB", "G4ABC"},
        {"DL1ABCDEFGHI", "01/02/24", "IO85AB", true, "IO85AB", "DL1ABCDEFG"},
        {"SP9\u20ac\u0141", "01/02/24", "IO85AB", false, "IO85AB", "SP9??"},
    };
    open();
    for (int n = 0, worked = 0, confirmed = 0; n < static_cast<int>(std::size(cases)); ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(n);
        clickAt(centre(11 + n));
        EXPECT_EQ(panel(), QStringLiteral("          |        |IO%1|1").arg(11 + n));
        EXPECT_EQ(box("Text3")->cursorPosition(), 4);
        type(c.call, c.date);
        if (c.loc) box("Text3")->setText(QString::fromLatin1(c.loc));
        if (c.confirmed) QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
        const QByteArray before = readFileBytes(path);
        dialogs.clear();
        click(w, "Command3");
        if (!*c.storedCall) {
            EXPECT_EQ(dialogs.messages(), QStringList{QString::fromLatin1(c.outcome)});
            EXPECT_EQ(readFileBytes(path), before);
            EXPECT_TRUE(panelOpen());
            click(w, "Command4");
            continue;
        }
        const SquareEntry e = makeEntry(c.outcome, c.storedCall, "01/02/24", c.confirmed);
        EXPECT_EQ(readFileBytes(path), withSlot(before, 11 + n, e));
        EXPECT_EQ(box("Text3")->text(), QLatin1String(c.outcome));
        EXPECT_FALSE(panelOpen());
        EXPECT_EQ(canvas().colourAt(corner(11 + n)), c.confirmed ? kGreen : kRed);
        confirmed += c.confirmed;
        EXPECT_EQ(label("Label8") + label("Label9"),
                  QStringLiteral(" %1  worked %2  confirmed").arg(++worked).arg(confirmed));
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
    EXPECT_EQ(panel() + QString::number(state.editlock), "F5AA      |03/02/24|IO87EF|10");
    clickAt(centre(86));
    EXPECT_EQ(panel(), "M0XYZ     |02/02/24|IO86CD|0");
    clickAt(centre(85));  // worked after a confirmed one: Worked again
    box("Text1")->setText(QStringLiteral("typed"));
    clickAt(centre(5));  // still IO85, its stored values back
    EXPECT_EQ(panel() + QString::number(state.editlock), "G4ABC     |01/02/24|IO85AB|1-1");
    click(w, "Command4");
    clickAt(centre(86));
    const QByteArray before = readFileBytes(path);
    click(w, "Clear_Button");
    EXPECT_EQ(readFileBytes(path), withSlot(before, 86, SquareEntry::blank()));
    EXPECT_EQ(canvas().colourAt(corner(86)), kBackground);
    EXPECT_EQ(label("Label9"), QStringLiteral(" 1  confirmed"));
    move(centre(85));
    clickAt(kOffGrid);  // off the grid: the square last under the pointer
    EXPECT_EQ(panel(), "G4ABC     |01/02/24|IO85AB|1");
}

TEST_F(SquareViewTest, AFailedWriteIsReportedAndChangesNothing) {
    const auto limit = [](rlim_t size) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{size, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &r);
    };
    const std::pair<std::function<void()>, std::function<void()>> cases[] = {
        {[&] { QFile::setPermissions(path, QFile::ReadOwner); },
         [&] { QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner); }},
        {[&] { QFile::rename(path, path + "~"); }, [&] { QFile::rename(path + "~", path); }},
        {[&] { limit(100000); }, [&] { limit(RLIM_INFINITY); }},  // a full disk
    };
    open();
    for (const auto& [spoil, mend] : cases) {
        clickAt(centre(85));
        type("G4ABC", "01/02/24");
        const QByteArray before = readFileBytes(path);
        dialogs.clear();
        spoil();
        click(w, "Command3");
        mend();
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(
            dialogs.messages()[0].startsWith("The square could not be saved in " + kDb + ": "));
        EXPECT_EQ(readFileBytes(path), before);
        EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{kDb});
        EXPECT_EQ(panel(), "G4ABC|01/02/24|IO85|1");
        click(w, "Command4");
    }
}

TEST_F(SquareViewTest, ShortOrMissingDatabaseOpensEmptyAndCreatesNothing) {
    writeFileBytes(path, readFileBytes(path).left(100 * 2828));
    open();
    clickAt(centre(85));
    EXPECT_EQ(label("Label8") + panel(), " 0  worked          |        |IO85|1");
    EXPECT_EQ(readFileBytes(path).size() + dialogs.messages().size(), 100 * 2828);
    windows.unload(kSquareViewWindow);
    deleteUnloaded();
    QFile::remove(path);
    open();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("Could not read " + kDb));
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
    type("G4ABC", "01/02/24");
    click(w, "Command3");
    click(w, "Command5");
    EXPECT_EQ(windows.loaded(kSquareViewWindow), nullptr);
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  1"));
}

}  // namespace
}  // namespace morvel::test
