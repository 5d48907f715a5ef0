#include "windows/square_view_window.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>

#include "app_fixture.h"
#include "ui/drawing_surface.h"

namespace morvel::test {
namespace {

const QString kDb = QStringLiteral("2M JO62QM EXAMPLE.QRA");

QPointF centre(int slot) {
    return {120.0 * (slot / 10) + 60, 60.0 * (9 - slot % 10) + 30};
}

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
    DrawingSurface* surface() const { return w->findChild<DrawingSurface*>(); }
    QPoint pixel(QPointF at) const { return surface()->canvas().toPixel(at).toPoint(); }
    // Twice, since a move to where the pointer already is reports nothing.
    void move(QPointF at) {
        for (const QPoint d : {QPoint(1, 1), QPoint()}) QTest::mouseMove(surface(), pixel(at) + d);
    }
    void clickAt(QPointF at) {
        move(at);
        QTest::mouseClick(surface(), Qt::LeftButton, {}, pixel(at));
    }
    QString label(const char* name) const { return control<QLabel>(w, name)->text(); }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(w, name); }
    bool panelOpen() const { return control<QWidget>(w, "Frame2")->isVisible(); }
    // Call|date|locator|Worked option checked
    QString panel() const {
        return box("Text1")->text() + '|' + box("Text2")->text() + '|' + box("Text3")->text() +
               '|' + QString::number(control<OptionButton>(w, "Option1")->isChecked());
    }
    // The file as it must be with one slot of field IO replaced.
    QByteArray withSlot(QByteArray bytes, int slot, const SquareEntry& e) const {
        e.encode(bytes.data() + 158 * 2828 + slot * 28);
        return bytes;
    }
    void type(const char* call, const char* date) {
        box("Text1")->setText(QString::fromUtf8(call));
        box("Text2")->setText(QString::fromLatin1(date));
    }

    QString path;
    QWidget* w = nullptr;
};

TEST_F(SquareViewTest, SaveStoresTheTypedSquareOrRefusesWithAMessage) {
    const struct {
        const char *call, *date, *loc;
        bool confirmed;
        const char* outcome;  // the message, or the locator stored
        const char* storedCall;
    } cases[] = {
        {"   ", "01/02/24", "IO85AB", false, "No Callsign - save aborted", ""},
        {"G4ABC", "", "IO85AB", false, "No Date worked - save aborted", ""},
        {"G4ABC", "01/02/24", " IO8  ", false, "Invalid QRA - save aborted", ""},
        {" G4ABC", "01/02/24", "IO85", false, "IO85", "G4ABC"},
        {"G4ABC", "01/02/24", "IO85AB12", false, "IO85AB", "G4ABC"},
        {"DL1ABCDEFGHI", "01/02/24", "IO85AB", true, "IO85AB", "DL1ABCDEFG"},
        {"SP9\u20ac\u0141", "01/02/24", "IO85AB", false, "IO85AB", "SP9??"},
    };
    open();
    int worked = 0, confirmed = 0;
    for (int n = 0; n < static_cast<int>(std::size(cases)); ++n) {
        const auto& c = cases[n];
        SCOPED_TRACE(n);
        clickAt(centre(11 + n));  // a blank square: Worked preselected, cursor after "IOnn"
        EXPECT_EQ(panel(), QStringLiteral("          |        |IO%1|1").arg(11 + n));
        EXPECT_EQ(box("Text3")->cursorPosition(), 4);
        type(c.call, c.date);
        box("Text3")->setText(QString::fromLatin1(c.loc));
        if (c.confirmed) QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
        const QByteArray before = readFileBytes(path);
        dialogs.clear();
        click(w, "Command3");
        if (!*c.storedCall) {
            EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(c.outcome)});
            EXPECT_EQ(readFileBytes(path), before);
            EXPECT_TRUE(panelOpen());
            click(w, "Command4");
            continue;
        }
        const SquareEntry e = makeEntry(c.outcome, c.storedCall, "01/02/24", c.confirmed);
        EXPECT_EQ(readFileBytes(path), withSlot(before, 11 + n, e));
        EXPECT_FALSE(panelOpen());
        confirmed += c.confirmed;
        EXPECT_EQ(label("Label8") + label("Label9"),
                  QStringLiteral(" %1  worked %2  confirmed").arg(++worked).arg(confirmed));
    }
}

TEST_F(SquareViewTest, StoredOptionIsPreselectedAClickElsewhereKeepsTheSquareAndClearBlanksIt) {
    setSquare(path, "IO", 85, makeEntry("IO85AB", "G4ABC", "01/02/24", false));
    setSquare(path, "IO", 91, makeEntry("IO91WM", "M0XYZ", "02/02/24", true));
    open();
    move(centre(91));
    EXPECT_EQ(label("Label1") + label("Label7") + label("Label13"), "M0XYZ     Confirmed 932km");
    clickAt(centre(91));
    EXPECT_EQ(panel(), "M0XYZ     |02/02/24|IO91WM|0");
    clickAt(centre(85));
    EXPECT_EQ(panel(), "G4ABC     |01/02/24|IO85AB|1");
    box("Text1")->setText(QStringLiteral("typed"));
    clickAt(centre(91));  // locked on IO85, its stored values back
    EXPECT_EQ(panel(), "G4ABC     |01/02/24|IO85AB|1");
    const QByteArray before = readFileBytes(path);
    click(w, "Clear_Button");
    EXPECT_EQ(readFileBytes(path), withSlot(before, 85, SquareEntry::blank()));
    EXPECT_EQ(label("Label8") + label("Label9"), QStringLiteral(" 1  worked 1  confirmed"));
}

TEST_F(SquareViewTest, AFailedWriteIsReportedAndLeavesFileAndPanel) {
    std::unique_ptr<WriteLimit> fullDisk;
    const std::pair<std::function<void()>, std::function<void()>> cases[] = {
        {[&] { QFile::rename(path, path + "~"); }, [&] { QFile::rename(path + "~", path); }},
        {[&] { fullDisk = std::make_unique<WriteLimit>(100000); }, [&] { fullDisk.reset(); }},
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
        expectOneMessage("The square could not be saved in " + kDb + ": ");
        EXPECT_EQ(readFileBytes(path), before);
        EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{kDb});
        EXPECT_EQ(panel(), "G4ABC|01/02/24|IO85|1");
        click(w, "Command4");
    }
}

TEST_F(SquareViewTest, NewFieldAndMainMenuHandOverWithTheNewTotals) {
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
