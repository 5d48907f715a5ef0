#include <QKeyEvent>

#include "app_fixture.h"
#include "ledger/ledger.h"

namespace morvel::test {
namespace {

const QString kDb = QStringLiteral("2M JO62QM EXAMPLE.QRA");

// "%1" in a case's text stands for the square's number.
QString withSlot(const char* text, int slot) {
    const QString s = QString::fromLatin1(text);
    return s.contains(QLatin1String("%1")) ? s.arg(slot) : s;
}

// Typed key by key, as a keyboard of any script would send it.
void typeKeys(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
    }
}

class SquareViewTest : public AppFixture {
protected:
    SquareViewTest() : path(makeBlankDatabase(dataDir.path(), kDb)) {
        state.databasePath = path;
        state.fieldname = "IO";
        state.fieldwest = 340;
        state.fieldsouth = 50;
    }
    void open() {
        w = windows.show(kSquareViewWindow);
        EXPECT_TRUE(activeAndDrawn(w, "Command1"));
    }
    DrawingSurface* surface() const { return w->findChild<DrawingSurface*>(); }
    // The colour shown near the top left corner of a square's cell.
    QColor shown(int slot) const {
        const QPointF corner = fieldCentre(slot) - QPointF(50, 20);
        return surface()->grab().toImage().pixelColor(
            surface()->canvas().toPixel(corner).toPoint());
    }
    QString label(const char* name) const { return control<QLabel>(w, name)->text(); }
    QString readOut() const {
        return label("Label1") + '|' + label("Label3") + '|' + label("Label2") + '|' +
               label("Label7") + '|' + label("Label13");
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(w, name); }
    bool panelOpen() const { return control<QWidget>(w, "Frame2")->isVisible(); }
    // Call|date|locator|Worked option checked
    QString panel() const {
        return box("Text1")->text() + '|' + box("Text2")->text() + '|' + box("Text3")->text() +
               '|' + QString::number(control<OptionButton>(w, "Option1")->isChecked());
    }
    // A worked square in one slot of field IO of a copy of the file, laid out
    // by hand: locator, worked -1, confirmed 0, call, date.
    static void put(QByteArray& file, int slot, const QByteArray& loc, const char* call,
                    const char* date) {
        file.replace(158 * 2828 + slot * 28, 28,
                     loc.leftJustified(6) + QByteArray("\xFF\xFF\0\0", 4) +
                         QByteArray(call).leftJustified(10) + QByteArray(date).leftJustified(8));
    }
    void type(const QString& call, const QString& date, const QString& loc) {
        box("Text1")->setText(call);
        box("Text2")->setText(date);
        box("Text3")->setText(loc);
    }

    QString path;
    QWidget* w = nullptr;
};

TEST_F(SquareViewTest, SaveStoresWhatIsRightAndRefusesTheRestWithTheReason) {
    // Typed: call, date, locator; the message, or what is stored: locator, call, date.
    const std::tuple<const char*, const char*, const char*, const char*, const char*, const char*>
        cases[] = {
            {"G4ABC", "01/02/24", "JO62QM", "JO62QM is not in square IO%1 - save aborted", "", ""},
            {" g4abc", "25/12/2024", "io%1", "IO%1  ", "G4ABC", "25/12/24"},
        };
    open();
    QByteArray expected = readFileBytes(path);
    for (int slot = 10; const auto& [call, date, loc, message, storedCall, storedDate] : cases) {
        SCOPED_TRACE(call);
        pointAt(w, fieldCentre(++slot));  // a blank square: Worked preselected, caret after "IOnn"
        EXPECT_EQ(panel(), QStringLiteral("||IO%1|1").arg(slot));
        EXPECT_EQ(box("Text3")->cursorPosition(), 4);
        EXPECT_EQ(label("Label10"), QStringLiteral("IO%1").arg(slot));
        type(QString::fromLatin1(call), QString::fromLatin1(date), withSlot(loc, slot));
        dialogs.clear();
        click(w, "Command3");
        const bool stored = *storedCall;
        const QString outcome = withSlot(message, slot);
        EXPECT_EQ(dialogs.messages, stored ? QStringList() : QStringList{outcome});
        EXPECT_EQ(panelOpen(), !stored);
        if (stored) {
            put(expected, slot, outcome.toLatin1(), storedCall, storedDate);
            // The read-out shows the square as the file now holds it.
            EXPECT_TRUE(readOut().startsWith(QString::fromLatin1(storedCall)));
        } else {
            EXPECT_EQ(box("Text2")->text(), QString::fromLatin1(date));  // texts kept
            click(w, "Command4");
        }
        EXPECT_EQ(readFileBytes(path), expected);
    }
    pointAt(w, fieldCentre(91));
    type("Q1XYZ", "5/1/2024", "IO91wm");
    QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
    click(w, "Command3");
    EXPECT_EQ(readOut(), "Q1XYZ     |05/01/24|IO91wm|Confirmed| 932km");
    EXPECT_EQ(label("Label8") + label("Label9"), QStringLiteral(" 2  worked 1  confirmed"));
    pointAt(w, fieldCentre(91));  // stored Confirmed: preselected
    EXPECT_EQ(panel(), "Q1XYZ|05/01/24|IO91wm|0");
    EXPECT_NE(shown(91), shown(99));
    click(w, "Clear_Button");
    EXPECT_EQ(shown(91), shown(99));  // drawn empty again, like a square never worked
    EXPECT_EQ(readFileBytes(path), expected);
    EXPECT_EQ(readOut(), "          |        |      |      |");
    EXPECT_EQ(label("Label8") + label("Label9"), QStringLiteral(" 1  worked 0  confirmed"));
}

TEST_F(SquareViewTest, TheClickedSquareIsEditedAndAClickBesideTheGridOpensNothing) {
    open();
    pointAt(w, fieldCentre(85), false);
    pointAt(w, {1300, 300});  // right of the grid, after hovering over IO85
    EXPECT_FALSE(panelOpen());
    pointAt(w, fieldCentre(42));
    type("G4ABC", "01/02/24", "IO42");
    pointAt(w, fieldCentre(43), false);  // the panel's square stays named while it is open
    EXPECT_EQ(label("Label10"), "IO42");
    click(w, "Command3");
    EXPECT_EQ(std::string(readSquare(path, "IO", 42).callsignText()), "G4ABC     ");
    EXPECT_EQ(std::string(readSquare(path, "IO", 85).callsignText()), "          ");
}

TEST_F(SquareViewTest, TheKeyboardTypesOnlyWhatTheFileHoldsAndEnterAndEscapeAct) {
    open();
    pointAt(w, fieldCentre(85));
    box("Text1")->clear();
    typeKeys(box("Text1"), QString::fromUtf8("ДЛ9g4zbcdefghij"));
    EXPECT_EQ(box("Text1")->text(), "9g4zbcdefg");  // no Cyrillic, ten at most
    typeKeys(box("Text2"), QStringLiteral("x1.2/9/24"));
    EXPECT_EQ(box("Text2")->text(), "12/9/24");
    box("Text3")->setText("IO85");
    box("Text2")->setFocus();
    QTest::keyClick(box("Text2"), Qt::Key_Tab);
    EXPECT_EQ(box("Text3")->cursorPosition(), 4);
    QTest::keyClicks(box("Text3"), "-mÄx");  // only what a locator holds
    QTest::keyClick(box("Text3"), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panelOpen(); }));
    EXPECT_EQ(std::string(readSquare(path, "IO", 85).locatorText()) +
                  std::string(readSquare(path, "IO", 85).callsignText()),
              "IO85mx9G4ZBCDEFG");
    pointAt(w, fieldCentre(84));
    type("G4ABC", "01/02/24", "IO84");
    QTest::keyClick(box("Text1"), Qt::Key_Escape);
    EXPECT_FALSE(panelOpen());
    deleteUnloaded();
    EXPECT_EQ(windows.loaded(kSquareViewWindow), w);  // the edit dropped, not the window
    EXPECT_EQ(std::string(readSquare(path, "IO", 84).callsignText()), "          ");
}

TEST_F(SquareViewTest, AFailedWriteLeavesFileAndPanelAndTheWayOutHandsOverTheNewTotals) {
    windows.add(kFieldMapWindow, [](Windows& ws) { return new Form(ws, kFieldMapWindow); });
    open();
    pointAt(w, fieldCentre(85));
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
    pointAt(w, fieldCentre(84));
    click(w, "Command1");  // New Field, with the panel open
    EXPECT_EQ(windows.loadedNames(), QStringList{kFieldMapWindow});
    open();
    EXPECT_FALSE(panelOpen());
    click(w, "Command5");  // Main Menu
    EXPECT_EQ(windows.loaded(kSquareViewWindow), nullptr);
    EXPECT_EQ(text("Label3"), QStringLiteral("Squares Worked:  1"));
}

// In the free room of the right column; the field as the window shows it.
TEST_F(SquareViewTest, SaveAsWritesTheFieldWithoutCoveringAControl) {
    setSquare(path, "IO", 91, makeEntry("IO91WM", "G4ABC", "01/02/03", true));
    open();
    auto* saveAs = control<QWidget>(w, "SaveAs");
    for (QWidget* other : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(other == saveAs || other == surface() ||
                    !saveAs->geometry().intersects(other->geometry()))
            << other->objectName().toStdString();
    dialogs.files = {dataPath("io.geojson")};
    click(w, "SaveAs");
    EXPECT_EQ(dialogs.requests.at(0).proposedName, "2M JO62QM EXAMPLE IO.png");
    EXPECT_TRUE(readFileBytes(dataPath("io.geojson")).contains("\"square\":\"IO91\""));
}

// The read-out names who confirmed the square under the pointer, from the
// folder's ledger; a confirmed square the ledger knows nothing of is of
// "source unknown", also one the editor confirmed (it names no source), and
// a square only worked names none, whatever the ledger says. A save is read
// afresh; it goes through the owner into the change log (and the ledger).
TEST_F(SquareViewTest, TheReadOutNamesTheConfirmingSourcesAndSavesAreReadAfresh) {
    setSquare(path, "IO", 85, makeEntry("IO85", "G4ABC", "01/07/24", true));
    setSquare(path, "IO", 86, makeEntry("IO86", "G4DEF", "01/07/24", true));
    setSquare(path, "IO", 88, makeEntry("IO88", "G4JKL", "01/07/24", false));
    {
        Error error;
        QString notice;
        const auto ledger = Ledger::open(dataDir.path(), Ledger::Mode::ReadWrite, error, notice);
        ASSERT_TRUE(ledger) << error;
        std::vector<LedgerContact> contacts{ledgerContact("G4ABC", "IO85", "20240701"),
                                            ledgerContact("G4JKL", "IO88", "20240701")};
        contacts[0].confirm(ConfirmSource::Card, "2024-07-01");
        contacts[0].confirm(ConfirmSource::Lotw, "2024-06-03");
        contacts[1].confirm(ConfirmSource::Eqsl, "2024-08-09");  // the .qra says only worked
        LedgerReport report;
        ASSERT_TRUE(ledger->recordContacts(kDb, contacts, report, error)) << error;
    }
    open();
    // Slot, the call typed and saved as confirmed first (or none), the sources shown.
    const std::tuple<int, const char*, const char*> cases[] = {
        {85, nullptr, "card 2024-07-01, LoTW 2024-06-03"},
        {86, nullptr, "source unknown"},
        {88, nullptr, ""},
        {84, "G4XYZ", "source unknown"},
    };
    for (const auto& [slot, edit, sources] : cases) {
        SCOPED_TRACE(slot);
        if (edit) {
            pointAt(w, fieldCentre(slot));
            type(QString::fromLatin1(edit), "02/08/24", QStringLiteral("IO%1").arg(slot));
            QTest::mouseClick(control<OptionButton>(w, "Option2"), Qt::LeftButton);
            click(w, "Command3");
            EXPECT_FALSE(panelOpen());
        }
        pointAt(w, fieldCentre(slot + 1), false);
        pointAt(w, fieldCentre(slot), false);
        // Read from the ledger on a worker: shown once it is read.
        const QString expected = QString::fromLatin1(sources);
        EXPECT_TRUE(QTest::qWaitFor([&] { return label("Sources") == expected; }, 10000))
            << label("Sources").toStdString();
    }
    EXPECT_EQ(dialogs.messages, QStringList());
    EXPECT_EQ(readFileBytes(dataPath("changelog.txt")),
              "G4XYZ         02/08/24      IO84 QSL edited\r\n");
}

}  // namespace
}  // namespace morvel::test
