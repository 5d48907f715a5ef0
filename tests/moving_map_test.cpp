#include "maps/moving_map.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "database/qra_names.h"
#include "geo/locator.h"
#include "ledger/ledger.h"
#include "maps/field_map_renderer.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

const QColor kGreen(0, 128, 0), kBackground(255, 224, 192);

std::vector<FieldRecord> blankRecords() {
    return std::vector<FieldRecord>(kRecordCount, FieldRecord::blank());
}
void put(std::vector<FieldRecord>& records, const char* locator, const char* call, bool confirmed) {
    const int record = recordOfLocator(locator);
    SquareEntry& e = records[static_cast<std::size_t>(record - 1)]
                         .entries[static_cast<std::size_t>(slotOfLocator(locator))];
    e = makeEntry(locator, call, "01/06/24", confirmed);
    if (confirmed) e.worked = SquareEntry::kSet;
}

MapLayer layer(const char* band, const std::vector<FieldRecord>& records, bool shown = true) {
    MapLayer l;
    l.band = QString::fromLatin1(band);
    l.databaseFile = l.band.toUpper() + QStringLiteral(" JO62QM HOME.QRA");
    l.homeLocator = "JO62QM";
    l.records = records;
    l.colour = bandColour(l.band);
    l.shown = shown;
    return l;
}

QImage render(QSize size, const MapCamera& camera, std::span<const MapLayer> layers,
              const MapOutlines* outlines, const MovingMapOptions& options = {}) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawMovingMap(painter, QSizeF(size), camera, layers, outlines, options);
    painter.end();
    return image;
}

QColor pixel(const QImage& image, QPointF at) {
    return image.pixelColor(static_cast<int>(std::floor(at.x())),
                            static_cast<int>(std::floor(at.y())));
}

void expectNear(QPointF got, QPointF expected) {
    EXPECT_NEAR(got.x(), expected.x(), 1e-6);
    EXPECT_NEAR(got.y(), expected.y(), 1e-6);
}

// The camera of a row of map_camera_cases.txt, and its pixel.
double number(const std::string& text) {
    return QByteArray::fromStdString(text).toDouble();
}
MapCamera cameraOf(const std::vector<std::string>& c) {
    return c[1].empty() ? MapCamera() : *MapCamera::atLocator(c[1], number(c[2]));
}
QPointF pixelOf(const std::vector<std::string>& c) {
    return {number(c[3]), number(c[4])};
}

// The locator under a pixel, and back: where a square's centre is drawn.
TEST(MovingMapTest, TheLocatorUnderAPixelAndAPixelOfASquareFollowTheCentreAndZoom) {
    const QSizeF target(1800, 900);
    for (const auto& c : tableRows("map_camera_cases.txt", 7)) {
        if (c[0] != "under") continue;
        SCOPED_TRACE(c[5]);
        const MapCamera camera = cameraOf(c);
        EXPECT_EQ(locatorAt(camera.toMap(pixelOf(c), target)).substr(0, c[5].size()), c[5]);
        if (c[6] == "yes") expectNear(camera.toPixel(*locatorCentre(c[5]), target), pixelOf(c));
    }
    EXPECT_FALSE(locatorCentre("SS00"));
    EXPECT_FALSE(locatorCentre("JO6"));
    EXPECT_FALSE(locatorCentre("JO62ZZ"));
}

TEST(MovingMapTest, ZoomingAboutThePointerKeepsTheLocatorUnderIt) {
    const QSizeF target(1200, 700);
    for (const auto& c : tableRows("map_camera_cases.txt", 7)) {
        if (c[0] != "zoom") continue;
        SCOPED_TRACE(c[1] + " " + c[5]);
        MapCamera camera = cameraOf(c);
        const QPointF before = camera.toMap(pixelOf(c), target);
        camera.zoomAbout(pixelOf(c), target, number(c[5]));
        EXPECT_DOUBLE_EQ(camera.zoom(), number(c[6]));
        expectNear(camera.toMap(pixelOf(c), target), before);
    }
}

TEST(MovingMapTest, TheCameraStaysWithinTheWorldAndItsZoomRange) {
    const QSizeF target(1000, 500);
    MapCamera camera;
    camera.zoomAbout({500, 250}, target, 0.5);
    EXPECT_EQ(camera.zoom(), kMinMapZoom);
    camera.panBy({300, -200}, target);  // the whole world shown: nothing to move to
    EXPECT_EQ(camera.centre(), QPointF(10800, 0));
    camera.zoomAbout({500, 250}, target, 1000);
    EXPECT_EQ(camera.zoom(), kMaxMapZoom);
    // Dragged far beyond the north-west corner, the map stops at it.
    camera = *MapCamera::atLocator("AR09", 10);
    camera.panBy({5000, 5000}, target);
    const MapRect shown = camera.shown();
    EXPECT_DOUBLE_EQ(shown.left, 0);
    EXPECT_DOUBLE_EQ(shown.top, 5400);
}

TEST(MovingMapTest, AtZoomOneOneBandIsTheFieldMapsWorldViewPixelForPixel) {
    const auto outlines = MapOutlines::load(QDir(MORVEL_MAP_DATA_DIR));
    ASSERT_FALSE(outlines->worldOutline().empty());
    std::vector<FieldRecord> records = blankRecords();
    put(records, "JO62QM", "DL1ABC", true);
    put(records, "FN31PR", "W1AW", false);
    put(records, "QF56OD", "VK2AB", true);
    const std::vector<MapLayer> layers = {layer("2m", records)};
    for (const QSize size : {QSize(1016, 742), QSize(2560, 1440), QSize(333, 777)}) {
        SCOPED_TRACE(size.width());
        QImage fieldMap(size, QImage::Format_RGB32);
        QPainter painter(&fieldMap);
        drawFieldMap(painter, QSizeF(size), records, outlines->worldOutline(), kViewWorld);
        painter.end();
        const QImage moving = render(size, MapCamera::forView(kViewWorld), layers, outlines.get());
        EXPECT_TRUE(moving == fieldMap);
    }
}

TEST(MovingMapTest, WhatAFrameDrawsChangesWithTheScale) {
    // Zoom, layers shown, and what is drawn: field Letters, square Numbers,
    // Subsquares, Fine outlines, band Marks, band Counts.
    const std::tuple<double, int, std::string> cases[] = {
        {1, 3, "......"},  // the field map itself
        {1.5, 1, "L....."}, {4, 3, "L....C"},   {6, 3, "LN.FM."},
        {6, 1, "LN.F.."},   {18, 10, "LN.FM."}, {60, 2, "LNSFM."},
    };
    for (const auto& [zoom, layers, drawn] : cases) {
        const MapDetail d = mapDetail(MapCamera({10800, 0}, zoom), QSizeF(1280, 720), layers);
        const bool shown[] = {d.fieldLetters, d.squareNumbers, d.subsquares,
                              d.fineOutlines, d.bandMarks,     d.bandCounts};
        std::string got;
        for (int i = 0; i < 6; ++i) got += shown[i] ? "LNSFMC"[i] : '.';
        EXPECT_EQ(got, drawn) << zoom;
    }
}

TEST(MovingMapTest, ASquareWorkedOnTwoBandsShowsAMarkForEach) {
    std::vector<FieldRecord> twoMetres = blankRecords(), seventy = blankRecords(),
                             six = blankRecords();
    put(twoMetres, "JO62QM", "DL1ABC", true);
    put(seventy, "JO62AA", "DL2XYZ", false);
    put(six, "JN58", "OE1ZZZ", true);  // another square: no mark in JO62
    const std::vector<MapLayer> layers = {layer("2m", twoMetres), layer("70cm", seventy),
                                          layer("6m", six)};
    const QSize size(1280, 720);
    const MapCamera camera = *MapCamera::atLocator("JO62", 18);
    const QImage image = render(size, camera, layers, nullptr);
    const QPointF nw = camera.toPixel({9 * 1200 + 6 * 120, -5400 + 14 * 600 + 2 * 60 + 60}, size);
    const QPointF se = camera.toPixel({9 * 1200 + 7 * 120, -5400 + 14 * 600 + 2 * 60}, size);
    const std::vector<QRectF> marks = bandMarkRects(QRectF(nw, se), 3);
    ASSERT_EQ(marks.size(), 3u);
    // Confirmed on 2 m: filled in its colour.
    EXPECT_EQ(pixel(image, marks[0].center()), layers[0].colour);
    // Worked on 70 cm: outlined in its colour.
    EXPECT_EQ(pixel(image, marks[1].center()), kBackground);
    EXPECT_EQ(pixel(image, QPointF(marks[1].center().x(), marks[1].top() + 0.5)), layers[1].colour);
    // Not on 6 m: its place stays empty.
    EXPECT_EQ(pixel(image, marks[2].center()), kBackground);
    EXPECT_EQ(pixel(image, QPointF(marks[2].center().x(), marks[2].top() + 0.5)), kBackground);

    // Too small for marks, the square is filled as on the all-bands map.
    const MapCamera far = *MapCamera::atLocator("JO62", 2);
    const QImage small = render(size, far, layers, nullptr);
    EXPECT_EQ(pixel(small, far.toPixel(*locatorCentre("JO62"), size) + QPointF(-4, -2)), kGreen);
    EXPECT_EQ(pixel(small, far.toPixel(*locatorCentre("JN58"), size) + QPointF(-4, -2)), kGreen);
    // Hidden, a band draws nothing.
    std::vector<MapLayer> hidden = layers;
    hidden[0].shown = false;
    const QImage without = render(size, camera, hidden, nullptr);
    EXPECT_EQ(pixel(without, marks[0].center()), kBackground);
}

TEST(MovingMapTest, NeededSquaresAreShadedAndTheCircleRunsAtItsRadius) {
    std::vector<FieldRecord> records = blankRecords();
    put(records, "JO62QM", "DL1ABC", true);
    const std::vector<MapLayer> layers = {layer("2m", records)};
    const QSize size(1200, 700);
    const MapCamera camera = *MapCamera::atLocator("JO62", 6);
    MovingMapOptions options;
    options.neededLayer = 0;
    const QImage shaded = render(size, camera, layers, nullptr, options);
    const QImage plain = render(size, camera, layers, nullptr);
    const QPointF needed = camera.toPixel(*locatorCentre("JO72"), size) + QPointF(5, 5);
    EXPECT_EQ(pixel(plain, needed), kBackground);
    EXPECT_NE(pixel(shaded, needed), kBackground);
    EXPECT_EQ(pixel(shaded, camera.toPixel(*locatorCentre("JO62"), size) + QPointF(5, 5)), kGreen);

    // 333.6 km due north of JO62MM (13 E, 52.5 N) is 3 degrees of latitude.
    options = {};
    options.homeLocator = "JO62MM";
    options.circleKm = 6371.0 * 3 * std::numbers::pi / 180;
    const QImage circled = render(size, camera, layers, nullptr, options);
    const QPointF north = camera.toPixel(QPointF(193 * 60 + 2.5, (52.5 + 3) * 60 + 1.25), size);
    bool found = false;
    for (int dy = -2; dy <= 2; ++dy)
        found = found || pixel(circled, north + QPointF(0, dy)) == QColor(0, 64, 224);
    EXPECT_TRUE(found);
    EXPECT_NE(pixel(circled, north + QPointF(0, 12)), QColor(0, 64, 224));
}

TEST(MovingMapTest, TheTooltipNamesEachBandsContactAndWhoConfirmedIt) {
    QTemporaryDir dir;
    Error error;
    QString notice;
    auto ledger = Ledger::open(dir.path(), Ledger::Mode::ReadWrite, error, notice);
    ASSERT_TRUE(ledger) << error;
    LedgerContact contact = ledgerContact("DL1ABC", "JO62QM", "20240601");
    contact.confirm(ConfirmSource::Card, "2024-07-01");
    contact.confirm(ConfirmSource::Lotw, "2024-06-03");
    LedgerReport report;
    ASSERT_TRUE(ledger->recordContacts("2M JO62QM HOME.QRA", {&contact, 1}, report, error))
        << error;

    std::vector<FieldRecord> twoMetres = blankRecords(), seventy = blankRecords();
    put(twoMetres, "JO62QM", "DL1ABC", true);
    put(seventy, "JO62AA", "DL2XYZ", false);
    std::vector<MapLayer> layers = {layer("2m", twoMetres), layer("70cm", seventy)};
    layers[0].homeLocator = "JO40AA";
    const ConfirmingSourcesOf sources = [&](const QString& file, const std::string& square,
                                            bool confirmed) {
        return squareConfirmingSources(*ledger, file, square, confirmed);
    };
    EXPECT_EQ(squareTooltip("jo62", layers, sources),
              QStringLiteral("JO62\n"
                             "2m: DL1ABC 2024-06-01 JO62QM %1 km, confirmed: card 2024-07-01, "
                             "LoTW 2024-06-03\n"
                             "70cm: DL2XYZ 2024-06-01 JO62AA %2 km, worked")
                  .arg(std::lround(LocatorDistance("JO40AA", "JO62QM")))
                  .arg(std::lround(LocatorDistance("JO62QM", "JO62AA"))));
    EXPECT_EQ(squareTooltip("JO72", layers, sources), QString());
    layers[1].shown = false;
    EXPECT_FALSE(squareTooltip("JO62", layers, sources).contains(QStringLiteral("70cm")));
    // Without the ledger's word a confirmed square says so plainly.
    EXPECT_TRUE(squareTooltip("JO62", layers, {}).endsWith(QStringLiteral("km, confirmed")));
}

TEST(MovingMapTest, TheStatusLineGivesThePointersLocatorDistanceAndBearing) {
    // Due east along the equator, due north along a meridian.
    const QPointF jj00(180 * 60 + 2.5, 1.25), jj10(182 * 60 + 2.5, 1.25),
        jj01(180 * 60 + 2.5, 61.25);
    const auto status = [](const char* from, const char* to, int bearing) {
        return QStringLiteral("%1  %2 km  bearing %3\u00B0")
            .arg(QLatin1String(to))
            .arg(std::lround(LocatorDistance(from, to)))
            .arg(bearing);
    };
    const std::tuple<QPointF, const char*, QString> cases[] = {
        {jj10, "JJ00AA", status("JJ00AA", "JJ10AA", 90)},
        {jj01, "JJ00AA", status("JJ00AA", "JJ01AA", 0)},
        {jj00, "JJ10AA", status("JJ10AA", "JJ00AA", 270)},
        {jj00, "", "JJ00AA"},
        {QPointF(-1, 0), "JJ00AA", QString()},
    };
    for (const auto& [at, home, shown] : cases) EXPECT_EQ(pointerStatus(at, home), shown);
}

}  // namespace
}  // namespace morvel::test
