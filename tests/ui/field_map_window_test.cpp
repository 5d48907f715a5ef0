#include <QFile>

#include "app_fixture.h"
#include "maps/field_map_renderer.h"
#include "tests/support/recording_printer.h"
#include "ui/drawing_surface.h"

namespace morvel::test {
namespace {

const QString kHome = QStringLiteral("2M IO91WM HOME.QRA");
const QColor kGreen(0, 128, 0), kRed(249, 96, 79);

QPointF centre(const char* l) {  // of a square, in map coordinates
    return {1200.0 * (l[0] - 'A') + 120 * (l[2] - '0') + 60,
            600.0 * (l[1] - 'A') - 5400 + 60 * (l[3] - '0') + 30};
}

// The databases lie in the program's folder, as the installed program keeps them.
class FieldMapTest : public AppFixture {
protected:
    FieldMapTest() {
        QDir::setCurrent(programDir.path());
        for (const char* name : {"2M IO91WM HOME.QRA", "6M JO01AB CONTEST.QRA", "6M JO01AB .QRA"}) {
            const QString path = makeBlankDatabase(programDir.path(), QLatin1String(name));
            setSquare(path, "IO", 91, makeEntry("IO91WM", "G4ABC", "01/02/03", true));
            setSquare(path, "FN", 31, makeEntry("FN31PR", "W1AW", "01/02/03", false));
            setSquare(path, "QF", 56, makeEntry("QF56OD", "VK2AB", "01/02/03", true));
        }
        windows.setPrinter(printer);
    }
    // View/Edit with map option 1 World, 2 Europe or 3 USA; the first focus draws.
    void openMap(const QString& name, int view) {
        select(name);
        QTest::mouseClick(  // the Option3 array: 1 World, 2 Europe, 3 USA
            menu()->findChildren<OptionButton*>(QStringLiteral("Option3")).at(view - 1),
            Qt::LeftButton);
        click(menu(), "View");
        map = windows.loaded(kFieldMapWindow);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return control<QWidget>(map, "Command4")->isVisible(); }));
        dialogs.clear();
    }
    Canvas& canvas() { return map->findChild<DrawingSurface*>()->canvas(); }
    QColor colourAt(const char* loc) { return canvas().colourAt(centre(loc)); }
    QWidget* map = nullptr;
    RecordingPrinter printer;
};

TEST_F(FieldMapTest, EachOptionAndViewButtonShowsItsViewAndQuitLeavesTheDatabase) {
    const QByteArray before = readFileBytes(programPath(kHome));
    const struct {
        const char* button;
        int view;
        const char* loc;
        QColor colour;
    } cases[] = {{nullptr, 1, "QF56", kGreen},    {nullptr, 2, "IO91", kGreen},
                 {nullptr, 3, "FN31", kRed},      {"Command2", 2, "IO91", kGreen},
                 {"Command4", 1, "QF56", kGreen}, {"Command3", 3, "FN31", kRed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        if (map) click(map, c.button ? c.button : "Command1");  // a view button, or Quit
        if (!c.button) openMap(kHome, c.view);
        EXPECT_EQ(state.mapview, c.view);
        EXPECT_EQ(colourAt(c.loc), c.colour);
    }
    click(map, "Command1");
    EXPECT_TRUE(menu()->isVisible() && !windows.loaded(kFieldMapWindow));
    EXPECT_EQ(readFileBytes(programPath(kHome)), before);
    EXPECT_FALSE(QFile::exists(programPath(QLatin1String(kWorldFile))));
}

TEST_F(FieldMapTest, PrintLeavesOutLabel1AndAClickWithoutAMoveOpensThatField) {
    openMap(kHome, 1);
    auto* label1 = control<QLabel>(map, "Label1");
    QTest::mouseMove(map->findChild<DrawingSurface*>(), canvas().toPixel(centre("IO91")).toPoint());
    ASSERT_TRUE(label1->isVisible());
    click(map, "Command5");
    printer.failure = "No default printer is set up.";
    click(map, "Command5");
    ASSERT_EQ(printer.printed.size(), 1u);
    const QImage printed = printer.printed[0].convertToFormat(canvas().image().format());
    const QRect under1 = label1->geometry();
    EXPECT_EQ(printed.copy(under1), canvas().image().copy(under1));  // the map, no Label1 over it
    EXPECT_EQ(dialogs.messages,
              QStringList{"The map could not be printed: No default printer is set up."});
    EXPECT_TRUE(label1->isVisible());
    std::string opened;
    windows.add(kSquareViewWindow, [&](Windows& w) {
        opened =
            state.fieldname + std::to_string(state.fieldwest) + std::to_string(state.fieldsouth);
        return new Form(w, kSquareViewWindow);
    });
    QTest::mouseClick(map->findChild<DrawingSurface*>(), Qt::LeftButton, {},
                      canvas().toPixel(centre("QF56")).toPoint());
    deleteUnloaded();
    EXPECT_EQ(opened, "QF140.000000-40.000000");
    EXPECT_EQ(windows.loaded(kFieldMapWindow), nullptr);
}

TEST_F(FieldMapTest, ExportWritesTheNamedPictureOrSaysWhyNot) {
    const struct {
        const char* database;
        int view;
        const char* picture;
    } rows[] = {{"2M IO91WM HOME.QRA", 1, "2M IO91WM HOME World.jpg"},
                {"6M JO01AB CONTEST.QRA", 3, "6M JO01AB CONTEST N America.jpg"},
                {"6M JO01AB .QRA", 2, "6M JO01AB  Europe.jpg"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.picture);
        openMap(QLatin1String(r.database), r.view);
        click(map, "Command6");
        EXPECT_EQ(dialogs.messages,
                  QStringList{QStringLiteral("File %1 exported").arg(r.picture)});
        EXPECT_EQ(QImage(programPath(QLatin1String(r.picture))).size(), QSize(1016, 742));
        click(map, "Command1");
    }
    const QString first = programPath(QLatin1String(rows[0].picture));
    const QByteArray earlier = readFileBytes(first);
    openMap(kHome, 1);
    {
        const WriteLimit fullDisk(1000);
        click(map, "Command6");
    }
    expectOneMessage("The picture 2M IO91WM HOME World.jpg could not be written: ");
    EXPECT_EQ(readFileBytes(first), earlier);
}

TEST_F(FieldMapTest, AnUnreadableDatabaseIsReportedOnceAndNeverCreated) {
    openMap(kHome, 1);
    QFile::remove(programPath(kHome));
    click(map, "Command3");
    click(map, "Command2");
    expectOneMessage("Could not read " + kHome + ": ");
    EXPECT_FALSE(QFile::exists(programPath(kHome)));
}

}  // namespace
}  // namespace morvel::test
