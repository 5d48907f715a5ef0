#include <QApplication>
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
        state.filename = kDb.toStdString();
        state.homeloc = "JO62QM";
        state.fieldname = "IO";
        state.fieldwest = 340;
        state.fieldsouth = 50;
    }
    void open() {
        w = windows.show(kSquareViewWindow);
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return control<QWidget>(w, "Command1")->isVisible(); }));
    }
    void clickAt(QPointF at) {  // moves twice first: a move to where the pointer is reports nothing
        auto* surface = w->findChild<DrawingSurface*>();
        const QPoint pixel = surface->canvas().toPixel(at).toPoint();
        for (const QPoint d : {QPoint(1, 1), QPoint()}) QTest::mouseMove(surface, pixel + d);
        QTest::mouseClick(surface, Qt::LeftButton, {}, pixel);
    }
    QString label(const char* name) const { return control<QLabel>(w, name)->text(); }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(w, name); }
    // Call|date|locator|Worked option checked
    QString panel() const {
        return box("Text1")->text() + '|' + box("Text2")->text() + '|' + box("Text3")->text() +
               '|' + QString::number(control<OptionButton>(w, "Option1")->isChecked());
    }
    // Puts an entry into one slot of field IO of a copy of the file.
    static void put(QByteArray& file, int slot, const SquareEntry& e) {
        e.encode(file.data() + 158 * 2828 + slot * 28);
    }
    void type(const char* call, const char* date, const char* loc) {
        box("Text1")->setText(QString::fromUtf8(call));
        box("Text2")->setText(QString::fromLatin1(date));
        box("Text3")->setText(QString::fromLatin1(loc));
    }

    QString path;
    QWidget* w = nullptr;
};

TEST_F(SquareViewTest, SaveStoresOrRefusesAndAStoredSquareIsPreselectedLockedAndCleared) {
    const struct {
        const char *call, *date, *loc;
        bool confirmed;
        const char *outcome, *storedCall;  // the message, or the locator and call stored
    } cases[] = {
        {"   ", "01/02/24", "IO85AB", false, "No Callsign - save aborted", ""},
        {"G4ABC", "", "IO85AB", false, "No Date worked - save aborted", ""},
        {"G4ABC", "01/02/24", " IO8  ", false, "Invalid QRA - save aborted", ""},
        {" G4ABC", "01/02/24", "IO85", false, "IO85", "G4ABC"},
        {"DL1ABCDEFGHI", "01/02/24", "IO91WM12", true, "IO91WM", "DL1ABCDEFG"},
        {"SP9\u20ac\u0141", "01/02/24", "IO85AB", false, "IO85AB", "SP9??"},
    };
    open();
    QByteArray expected = readFileBytes(path);
    for (int slot = 10; const auto& c : cases) {
        SCOPED_TRACE(c.call);
        clickAt(centre(++slot));  // a blank square: Worked preselected, cursor after "IOnn"
        EXPECT_EQ(panel(), QStringLiteral("          |        |IO%1|1").arg(slot));
        EXPECT_EQ(box("Text3")->cursorPosition(), 4);
        type(c.call, c.date, c.loc);
        if (c.confirmed) QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
        dialogs.clear();
        click(w, "Command3");
        const bool stored = *c.storedCall;
        EXPECT_EQ(dialogs.messages, stored ? QStringList() : QStringList{c.outcome});
        EXPECT_EQ(control<QWidget>(w, "Frame2")->isVisible(), !stored);
        if (stored)
            put(expected, slot, makeEntry(c.outcome, c.storedCall, "01/02/24", c.confirmed));
        if (!stored) click(w, "Command4");
        EXPECT_EQ(readFileBytes(path), expected);
    }
    EXPECT_EQ(label("Label8") + label("Label9"), QStringLiteral(" 3  worked 1  confirmed"));
    clickAt(centre(15));  // stored Confirmed: preselected, and the read-out
    EXPECT_EQ(label("Label1") + label("Label7") + label("Label13"), "DL1ABCDEFGConfirmed 932km");
    EXPECT_EQ(panel(), "DL1ABCDEFG|01/02/24|IO91WM|0");
    clickAt(centre(14));
    box("Text1")->setText(QStringLiteral("typed"));
    clickAt(centre(15));  // locked on a worked square, its stored values back
    EXPECT_EQ(panel(), "G4ABC     |01/02/24|IO85  |1");
    put(expected, 14, SquareEntry::blank());
    click(w, "Clear_Button");
    EXPECT_EQ(readFileBytes(path), expected);
    EXPECT_EQ(label("Label8") + label("Label9"), QStringLiteral(" 2  worked 1  confirmed"));
}

TEST_F(SquareViewTest, AFailedWriteLeavesFileAndPanelAndTheWayOutHandsOverTheNewTotals) {
    windows.add(kFieldMapWindow, [](Windows& ws) { return new Form(ws, kFieldMapWindow); });
    open();
    clickAt(centre(85));
    type("G4ABC", "01/02/24", "IO85");
    const QByteArray before = readFileBytes(path);
    {
        const WriteLimit fullDisk(100000);
        click(w, "Command3");
    }
    expectOneMessage("The square could not be saved in " + kDb + ": ");
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files), QStringList{kDb});
    EXPECT_EQ(panel(), "G4ABC|01/02/24|IO85|1");
    click(w, "Command3");
    clickAt(centre(84));
    click(w, "Command1");  // New Field, with the square locked
    EXPECT_EQ(windows.loadedNames(), QStringList{kFieldMapWindow});
    EXPECT_EQ(state.editlock, 0);
    open();
    click(w, "Command5");  // Main Menu
    EXPECT_EQ(windows.loaded(kSquareViewWindow), nullptr);
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  1"));
}

}  // namespace
}  // namespace morvel::test
