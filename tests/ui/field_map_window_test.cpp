#include <map>
#include <optional>

#include "app_fixture.h"
#include "maps/field_map_renderer.h"
#include "tests/support/recording_printer.h"

namespace morvel::test {
namespace {

const QString kHome = QStringLiteral("2M IO91WM HOME.QRA");
const QColor kGreen(0, 128, 0), kRed(249, 96, 79);

class FieldMapTest : public AppFixture {
protected:
    FieldMapTest() {
        const QString path = makeBlankDatabase(dataDir.path(), kHome);
        setSquare(path, "IO", 91, makeEntry("IO91WM", "G4ABC", "01/02/03", true));
        setSquare(path, "FN", 31, makeEntry("FN31PR", "W1AW", "01/02/03", false));
        setSquare(path, "QF", 56, makeEntry("QF56OD", "VK2AB", "01/02/03", true));
        windows.setPrinter(printer);
    }
    // View/Edit with map option (the Option3 array) 1 World, 2 Europe or 3 USA.
    void openMap(int view) {
        select(kHome);
        map = openFieldMap(view);
        dialogs.clear();
    }
    Canvas& canvas() { return canvasOf(map); }
    QWidget* map = nullptr;
    RecordingPrinter printer;
};

TEST_F(FieldMapTest, EachOptionAndViewButtonShowsItsViewAndQuitLeavesTheDatabase) {
    const QByteArray before = readFileBytes(dataPath(kHome));
    const std::tuple<const char*, int, const char*, QColor> cases[] = {
        {nullptr, 1, "QF56", kGreen},    {nullptr, 2, "IO91", kGreen},
        {nullptr, 3, "FN31", kRed},      {"Command2", 2, "IO91", kGreen},
        {"Command4", 1, "QF56", kGreen}, {"Command3", 3, "FN31", kRed}};
    for (const auto& [button, view, loc, colour] : cases) {
        SCOPED_TRACE(view);
        if (map) click(map, button ? button : "Command1");  // a view button, or Quit
        if (!button) openMap(view);
        EXPECT_EQ(state.mapview, view);
        EXPECT_EQ(canvas().colourAt(mapCentre(loc)), colour);
    }
    click(map, "Command1");
    EXPECT_TRUE(menu()->isVisible() && !windows.loaded(kFieldMapWindow));
    EXPECT_EQ(readFileBytes(dataPath(kHome)), before);
    EXPECT_FALSE(QFile::exists(programPath(QLatin1String(kWorldFile))));
}

// Whoever writes the database, the open map shows it without being asked:
// this program's owner (an editor save) and other programs (the file written
// or replaced behind the owner's back, seen by its watcher).
TEST_F(FieldMapTest, EveryWriteOfTheDatabaseShowsOnTheOpenMap) {
    openMap(2);
    const QString path = dataPath(kHome);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"IO81", [&] { ownerSave(path, "IO", 81, makeEntry("IO81", "G4NEW", "", true)); }},
        {"IO82", [&] { setSquare(path, "IO", 82, makeEntry("IO82", "G4OUT", "", false)); }},
        {"IO83",  // morvel-cli's import, which replaces the file
         [&] {
             writeFileBytes(
                 dataPath("log.adi"),
                 "<CALL:4>W1AW <QSO_DATE:8>20240106 <BAND:2>2m <GRIDSQUARE:4>IO83 <EOR>");
             ASSERT_TRUE(runCli({"import-adif", kHome, "log.adi"}));
         }},
    };
    for (const auto& [loc, write] : cases) {
        SCOPED_TRACE(loc);
        const QColor before = canvas().colourAt(mapCentre(loc));
        write();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return canvas().colourAt(mapCentre(loc)) != before; }, 10000));
    }
}

TEST_F(FieldMapTest, PrintLeavesOutLabel1AndAClickWithoutAMoveOpensThatField) {
    openMap(1);
    auto* label1 = control<QLabel>(map, "Label1");
    pointAt(map, mapCentre("IO91"), false);
    ASSERT_TRUE(label1->isVisible());
    click(map, "Command5");
    printer.failure = "No default printer is set up.";
    click(map, "Command5");
    ASSERT_EQ(printer.printed.size(), 1u);
    // Drawn afresh for the printer at its 1200 dots an inch, no picture of the
    // window: the map (its white background, as paper is) filling the
    // landscape page in the window's shape, each square a rect, the file
    // caption under the map; the job named after the database.
    QRectF page;
    QStringList texts;
    std::map<QRgb, std::vector<QRectF>> fills;
    for (const PrintedCommand& c : printer.printed[0]) {
        EXPECT_NE(c.kind, PrintedCommand::Kind::Image);
        if (c.kind == PrintedCommand::Kind::Text && c.bounds.top() > page.bottom()) texts << c.text;
        if (c.fill == QColor(Qt::white) && c.bounds.width() > 1000) page = c.bounds;
        EXPECT_NE(c.fill, QColor(255, 224, 192));
        if (c.fill.isValid()) fills[c.fill.rgb()].push_back(c.bounds);
    }
    EXPECT_EQ(texts, QStringList{"File: " + kHome});
    EXPECT_EQ(printer.jobs, (QStringList{"2M IO91WM HOME", "2M IO91WM HOME"}));
    EXPECT_EQ(page.topLeft(), QPointF(0, 0));
    EXPECT_NEAR(page.width() / page.height(), 1.0 * map->width() / map->height(), 0.002);
    EXPECT_NEAR(std::max(page.width() / RecordingPage::kWidth,
                         page.height() / (RecordingPage::kHeight - 250)),
                1, 0.03);
    ASSERT_EQ(fills[kGreen.rgb()].size() * 10 + fills[kRed.rgb()].size(), 21u);
    EXPECT_NEAR(fills[kRed.rgb()][0].width(), page.width() / 180, 0.01);
    EXPECT_EQ(dialogs.messages,
              QStringList{"The map could not be printed: No default printer is set up."});
    EXPECT_TRUE(label1->isVisible());
    windows.add(kSquareViewWindow, [](Windows& w) { return new Form(w, kSquareViewWindow); });
    QTest::mouseClick(map->findChild<DrawingSurface*>(), Qt::LeftButton, {},
                      canvas().toPixel(mapCentre("QF56")).toPoint());
    deleteUnloaded();
    EXPECT_EQ(state.fieldname.toStdString() + std::to_string(state.fieldwest) +
                  std::to_string(state.fieldsouth),
              "QF140.000000-40.000000");
    EXPECT_TRUE(windows.loaded(kSquareViewWindow) && !windows.loaded(kFieldMapWindow));
}

TEST_F(FieldMapTest, ExportWritesTheNamedPictureOrSaysWhyNotAndKeepsTheEarlierOne) {
    openMap(1);
    click(map, "Command6");
    EXPECT_EQ(dialogs.messages, QStringList{"File 2M IO91WM HOME World.jpg exported"});
    const QString picture = dataPath("2M IO91WM HOME World.jpg");
    EXPECT_EQ(QImage(picture).size(), QSize(1016, 742));
    const QByteArray earlier = readFileBytes(picture);
    dialogs.clear();
    {
        const WriteLimit fullDisk(1000);
        click(map, "Command6");
    }
    expectOneMessage("The picture 2M IO91WM HOME World.jpg could not be written: ");
    EXPECT_EQ(readFileBytes(picture), earlier);
}

// Beside the other buttons, covering none. A name typed without a suffix
// gets the chosen filter's, one with a suffix is written in its format; a
// name that then names an existing file asks first.
TEST_F(FieldMapTest, SaveAsWritesTheFormatChosenOrSaysWhyNot) {
    openMap(2);
    auto* saveAs = control<QWidget>(map, "SaveAs");
    for (const char* other : {"Command6", "Command5", "Command1", "Command2", "Label3"})
        EXPECT_FALSE(saveAs->geometry().intersects(control<QWidget>(map, other)->geometry()));
    writeFileBytes(dataPath("old.pdf"), "earlier");
    // The name typed, the filter (1 PNG, 2 JPEG, 3 SVG, 4 PDF, 5 KML, 6 GeoJSON), the
    // answer to replacing, the file written (or none), its start, the message.
    using Answer = std::optional<MessageAnswer>;
    const std::tuple<const char*, int, Answer, const char*, const char*, const char*> cases[] = {
        {"a", 3, {}, "a.svg", "<?xml", "File a.svg saved"},
        {"e.kml", 1, {}, "e.kml", "<?xml", "File e.kml saved"},
        {"old", 4, MessageAnswer::No, "old.pdf", "earlier", "old.pdf already exists."},
        {"old", 4, MessageAnswer::Yes, "old.pdf", "%PDF", "File old.pdf saved"},
        {"none/m.pdf", 4, {}, nullptr, nullptr, "The map could not be saved: "},
        {"m.gif", 1, {}, nullptr, nullptr, "The map could not be saved: "},
    };
    for (const auto& [typed, filter, replace, written, start, message] : cases) {
        SCOPED_TRACE(typed);
        dialogs.clear();
        dialogs.files = {dataPath(typed)};
        dialogs.filterChoices = {filter};
        if (replace) dialogs.answers = {*replace};
        click(map, "SaveAs");
        EXPECT_EQ(dialogs.requests.at(0).proposedName + '|' + dialogs.requests.at(0).directory,
                  "2M IO91WM HOME Europe.png|" + dataDir.path());
        EXPECT_TRUE(dialogs.messages.back().startsWith(message))
            << dialogs.messages.join('|').toStdString();
        EXPECT_TRUE(!written || readFileBytes(dataPath(written)).startsWith(start));
        EXPECT_EQ(QFile::exists(dataPath(typed)), written && QString(typed) == written);
    }
    const qsizetype files = QDir(dataDir.path()).entryList(QDir::Files).size();
    click(map, "SaveAs");  // cancelled: nothing more
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files).size(), files);
}

// The system's printer is chosen in the print dialog, which the job's name
// is shown in; a cancelled dialog prints nothing and says nothing.
TEST_F(FieldMapTest, PrintAsksThePrintDialogForThePrinter) {
    QtPrinter system(dialogs);
    windows.setPrinter(system);
    openMap(2);
    click(map, "Command5");
    dialogs.printFile = dataPath("printed.pdf");
    click(map, "Command5");
    EXPECT_EQ(dialogs.printJobs, (QStringList{"2M IO91WM HOME", "2M IO91WM HOME"}));
    EXPECT_TRUE(readFileBytes(dataPath("printed.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

}  // namespace
}  // namespace morvel::test
