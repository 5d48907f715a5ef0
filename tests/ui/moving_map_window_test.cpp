#include <QListWidget>
#include <QSpinBox>
#include <QToolTip>

#include "app_fixture.h"
#include "maps/moving_map.h"
#include "ui/moving_map_view.h"

namespace morvel::test {
namespace {

const QString k2m = QStringLiteral("2M IO91WM HOME.QRA");
const QString k70cm = QStringLiteral("70CM IO91WM HOME.QRA");
const QColor kGreen(0, 128, 0), kRed(249, 96, 79), kBackground(255, 224, 192);

class MovingMapWindowTest : public AppFixture {
protected:
    MovingMapWindowTest() {
        // The outlines beside the program, as an installed one has them.
        for (const QString& name : QDir(QStringLiteral(MORVEL_MAP_DATA_DIR))
                                       .entryList({QStringLiteral("*.pnt")}, QDir::Files))
            QFile::copy(QDir(QStringLiteral(MORVEL_MAP_DATA_DIR)).filePath(name),
                        programPath(name));
        const QString two = makeBlankDatabase(dataDir.path(), k2m);
        setSquare(two, "JO", 62, makeEntry("JO62QM", "DL1ABC", "01/06/24", true));
        setSquare(two, "FN", 31, makeEntry("FN31PR", "W1AW", "02/06/24", false));
        const QString seventy = makeBlankDatabase(dataDir.path(), k70cm);
        setSquare(seventy, "JO", 62, makeEntry("JO62QN", "DL2XYZ", "03/06/24", false));
        setSquare(seventy, "KP", 20, makeEntry("KP20LE", "OH2BH", "04/06/24", true));
    }
    // From the main menu with map option 1 World, 2 Europe or 3 USA, or
    // through the field map's zoom button.
    void open(int view, bool viaFieldMap = false) {
        select(k2m);
        chooseMapView(view);
        click(viaFieldMap ? openFieldMap() : menu(), viaFieldMap ? "MovingMap" : "MovingMapButton");
        window = windows.loaded(kMovingMapWindow);
        ASSERT_TRUE(window && !windows.loaded(kFieldMapWindow));
        view_ = control<MovingMapView>(window, "mapView");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_));
        dialogs.clear();
    }
    MovingMapView& view() { return *view_; }
    QSizeF area() { return QSizeF(view().size()); }
    QPointF pixelOf(const char* locator) {
        return view().camera().toPixel(*locatorCentre(locator), area());
    }
    QColor colourAt(QPointF pixel) { return view().grab().toImage().pixelColor(pixel.toPoint()); }
    QListWidgetItem* band(const QString& name) {
        const auto found =
            control<QListWidget>(window, "bandList")->findItems(name, Qt::MatchExactly);
        return found.size() == 1 ? found[0] : nullptr;
    }

    QWidget* window = nullptr;
    MovingMapView* view_ = nullptr;
};

TEST_F(MovingMapWindowTest, OpensOnTheFieldMapsViewFromMenuOrFieldMapAndItsButtonGoesBack) {
    const std::tuple<int, bool, const char*, QColor> cases[] = {{1, false, "JO62", kGreen},
                                                                {2, false, "JO62", kGreen},
                                                                {3, false, "FN31", kRed},
                                                                {2, true, "JO62", kGreen}};
    for (const auto& [mapview, viaFieldMap, square, colour] : cases) {
        SCOPED_TRACE(mapview);
        open(mapview, viaFieldMap);
        const MapCamera start = MapCamera::forView(mapview);
        EXPECT_EQ(view().camera().centre(), start.centre());
        EXPECT_DOUBLE_EQ(view().camera().zoom(), start.zoom());
        EXPECT_EQ(colourAt(pixelOf(square)), colour);

        QTest::keyClick(&view(), Qt::Key_Plus);
        QTest::keyClick(&view(), Qt::Key_Right);
        EXPECT_GT(view().camera().zoom(), start.zoom());
        click(window, "viewButton");
        EXPECT_EQ(view().camera().centre(), start.centre());
        EXPECT_DOUBLE_EQ(view().camera().zoom(), start.zoom());
        click(window, "quitButton");
        EXPECT_TRUE(menu()->isVisible() && !windows.loaded(kMovingMapWindow));
    }
}

// Each way of moving the map, as the operator does it: the zoom it leaves and
// where the map point under a pixel goes (the wheel keeps the one under the
// pointer, the keys zoom about the middle and move a tenth of the view, a drag
// takes the map with the pointer). A click opens the square view on its field.
TEST_F(MovingMapWindowTest, WheelKeysAndDragMoveTheMapAboutThePointerAndAClickOpensAField) {
    open(1);
    const QPointF pointer(300.5, 200.5), middle(area().width() / 2, area().height() / 2);
    auto wheel = [&](int delta) {
        QWheelEvent event(pointer, view().mapToGlobal(pointer), {}, {0, delta}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view(), &event);
    };
    auto key = [&](Qt::Key k) { QTest::keyClick(&view(), k); };
    auto drag = [&](QPoint by) {
        const QPoint from(400, 300);
        QTest::mousePress(&view(), Qt::LeftButton, {}, from);
        QTest::mouseMove(&view(), from + by / 2);
        QTest::mouseMove(&view(), from + by);
        QTest::mouseRelease(&view(), Qt::LeftButton, {}, from + by);
    };
    // What is done, its zoom factor, and the map point under a pixel comes under another.
    const std::tuple<const char*, std::function<void()>, double, QPointF, QPointF> cases[] = {
        {"wheel in", [&] { wheel(120); }, 1.25, pointer, pointer},
        {"wheel in twice", [&] { wheel(240); }, 1.5625, pointer, pointer},
        {"wheel out", [&] { wheel(-120); }, 0.8, pointer, pointer},
        {"plus", [&] { key(Qt::Key_Plus); }, 1.25, middle, middle},
        {"minus", [&] { key(Qt::Key_Minus); }, 0.8, middle, middle},
        {"left", [&] { key(Qt::Key_Left); }, 1, middle - QPointF(0.1 * area().width(), 0), middle},
        {"down", [&] { key(Qt::Key_Down); }, 1, middle + QPointF(0, 0.1 * area().height()), middle},
        {"drag", [&] { drag(QPoint(-120, 50)); }, 1, {400, 300}, {280, 350}},
    };
    for (const auto& [what, act, zoomFactor, from, to] : cases) {
        SCOPED_TRACE(what);
        // Well inside the world, so that no edge holds the map back.
        view().setCamera(*MapCamera::atLocator("JN58", 6));
        const QPointF under = view().mapPointAt(from);
        act();
        EXPECT_NEAR(view().camera().zoom(), 6 * zoomFactor, 1e-9);
        const QPointF now = view().camera().toPixel(under, area());
        EXPECT_NEAR(now.x(), to.x(), 0.5);
        EXPECT_NEAR(now.y(), to.y(), 0.5);
        EXPECT_FALSE(windows.loaded(kSquareViewWindow)) << "a move is no click";
    }
    view().setCamera(*MapCamera::atLocator("JO62", 6));
    QTest::mouseClick(&view(), Qt::LeftButton, {}, pixelOf("JO62").toPoint());
    deleteUnloaded();
    EXPECT_TRUE(windows.loaded(kSquareViewWindow) && !windows.loaded(kMovingMapWindow));
    EXPECT_EQ(state.fieldname + '|' + state.databasePath, "JO|" + dataPath(k2m));
}

// The controls beside the map: a checked band is drawn, the needed band's
// squares shaded, the circle drawn around the own locator, the pointer's
// locator and its square's contacts told.
TEST_F(MovingMapWindowTest, TheControlsBesideTheMapChangeWhatItShows) {
    open(2);
    ASSERT_TRUE(band(k2m) && band(k70cm));
    EXPECT_EQ(band(k2m)->checkState(), Qt::Checked);
    EXPECT_EQ(band(k70cm)->checkState(), Qt::Unchecked);
    // KP20 is confirmed on 70 cm only: unpainted until that band is checked.
    EXPECT_EQ(colourAt(pixelOf("KP20")), kBackground);
    band(k70cm)->setCheckState(Qt::Checked);
    EXPECT_EQ(colourAt(pixelOf("KP20")), kGreen);

    // The needed squares of 2 m shaded: JO30, and KP20 confirmed on 70 cm only.
    const QColor unshaded = colourAt(pixelOf("JO30"));
    auto* needed = control<QComboBox>(window, "neededBox");
    needed->setCurrentIndex(needed->findText(k2m));
    EXPECT_NE(colourAt(pixelOf("JO30")), unshaded);
    EXPECT_NE(colourAt(pixelOf("KP20")), kGreen);
    needed->setCurrentIndex(0);
    EXPECT_EQ(colourAt(pixelOf("JO30")), unshaded);

    // 300 km due north of IO91WM is about 2.7 degrees of latitude.
    view().setCamera(*MapCamera::atLocator("IO91WM", 6));
    const QImage plain = view().grab().toImage();
    control<QSpinBox>(window, "circleRadius")->setValue(300);
    const QImage circled = view().grab().toImage();
    const QPointF north =
        view().camera().toPixel(*locatorCentre("IO91WM") + QPointF(0, 161.9), area());
    int changed = 0;
    for (int dy = -3; dy <= 3; ++dy) {
        const QPoint at = (north + QPointF(0, dy)).toPoint();
        changed += plain.pixel(at) != circled.pixel(at);
    }
    EXPECT_GT(changed, 0);

    view().setCamera(*MapCamera::atLocator("JO62", 20));
    const QPointF at = pixelOf("JO62QM");
    QTest::mouseMove(&view(), at.toPoint());
    EXPECT_EQ(control<QLabel>(window, "statusLabel")->text(),
              pointerStatus(view().mapPointAt(at.toPoint()), "IO91WM"));
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("\n70cm: DL2XYZ 2024-06-03 JO62QN")))
        << QToolTip::text().toStdString();
    QToolTip::hideText();
}

// Whoever writes a shown database, the open map shows it at once.
TEST_F(MovingMapWindowTest, EveryWriteOfAShownDatabaseShowsAtOnce) {
    open(2);
    const QString path = dataPath(k2m);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"JO40", [&] { ownerSave(path, "JO", 40, makeEntry("JO40", "DL9NEW", "", true)); }},
        {"JO41", [&] { setSquare(path, "JO", 41, makeEntry("JO41", "DL9OUT", "", true)); }},
    };
    for (const auto& [square, write] : cases) {
        SCOPED_TRACE(square);
        EXPECT_EQ(colourAt(pixelOf(square)), kBackground);
        write();
        EXPECT_TRUE(QTest::qWaitFor([&] { return colourAt(pixelOf(square)) == kGreen; }, 5000));
    }
}

// A script gets the picture the window shows: morvel-cli map at the same
// centre, zoom and size, below the picture's heading.
TEST_F(MovingMapWindowTest, TheCommandLinePictureEqualsTheWindows) {
    open(1);
    const std::pair<const char*, double> cases[] = {{"JO62", 4}, {"IO91WM", 18}, {"FN31", 40}};
    for (const auto& [centre, zoom] : cases) {
        SCOPED_TRACE(centre);
        view().setCamera(*MapCamera::atLocator(centre, zoom));
        const QImage shown = view().grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_TRUE(
            runCli({"map", k2m, "cli.png", "--center", centre, "--zoom", QString::number(zoom),
                    "--size", QStringLiteral("%1x%2").arg(view().width()).arg(view().height())}));
        QImage written(dataPath(QStringLiteral("cli.png")));
        ASSERT_EQ(written.height(), shown.height() + 48);
        written = written.copy(0, 48, shown.width(), shown.height())
                      .convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(written == shown);
    }
}

}  // namespace
}  // namespace morvel::test
