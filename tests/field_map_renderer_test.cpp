#include "maps/field_map_renderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "database/qra_file.h"
#include "maps/canvas.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

const QColor kBackground(255, 224, 192), kGreen(0, 128, 0), kRed(249, 96, 79);
const QSize kSizes[] = {{1016, 742}, {640, 480}};

// Field indices f, g (0 for "A") and slot.
void setFlags(std::string& db, int f, int g, int slot, std::int16_t w, std::int16_t c) {
    SquareEntry e = SquareEntry::blank();
    e.worked = w;
    e.confirmed = c;
    e.encode(db.data() + (18 * f + g) * FieldRecord::kSize + slot * SquareEntry::kSize);
}

QImage render(std::string_view db, int view, QSize size, std::vector<OutlinePoint> outline = {}) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawFieldMap(painter, size, db, outline, view);
    return image;
}

// The colour at the centre of square `slot` of field (f, g), or at the top of its column.
QColor squareColour(const QImage& image, int view, int f, int g, int slot, bool top = false) {
    const MapRect r = *viewRect(view);
    const QPoint p = logicalMapping(r.left, r.top, r.right, r.bottom, image.size())
                         .map(QPointF(1200.0 * f + 120 * (slot / 10) + 60,
                                      600.0 * g - 5400 + 60 * (slot % 10) + 30))
                         .toPoint();
    return image.pixelColor(p.x(), top ? 1 : p.y());
}

TEST(FieldMapRenderer, OnlyMinusOneSetsAFlagConfirmedWinsAndTheNorthRowIsAtTheTop) {
    const struct {
        std::int16_t worked, confirmed;
        QColor colour;
    } cases[] = {{-1, -1, kGreen}, {0, -1, kGreen}, {-1, 0, kRed}, {1, 1, kBackground}};
    std::string db(static_cast<std::size_t>(kDatabaseSize), '\0');
    for (int k = 0; k < 4; ++k) setFlags(db, 9, 14, 11 * k, cases[k].worked, cases[k].confirmed);
    setFlags(db, 9, 17, 9, 0, -1);  // JR09, 80..90 N, reaches the top row of pixels
    for (const int view : {kViewWorld, kViewEurope})
        for (const QSize size : kSizes) {
            const QImage image = render(db, view, size);
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(squareColour(image, view, 9, 14, 11 * k), cases[k].colour) << view << k;
            EXPECT_EQ(squareColour(image, view, 9, 17, 9, true), kGreen) << view;
        }
    // An outline along 15 E from the equator to 30 N, through the centre of JK75.
    const QImage world = render(db, kViewWorld, kSizes[0], {{2000, 0, 900}, {0, 1800, 900}});
    EXPECT_EQ(squareColour(world, kViewWorld, 9, 10, 75), Qt::black);
    // The grid: the meridian at 20 E, between fields J and K, within a pixel.
    const QPoint g =
        logicalMapping(0, 5400, 21600, -5400, kSizes[0]).map(QPointF(12000, -2700)).toPoint();
    EXPECT_TRUE(world.pixelColor(g) == Qt::black ||
                world.pixelColor(g - QPoint(1, 0)) == Qt::black);
}

// The corner squares of the view at the picture's corners.
TEST(FieldMapRenderer, EuropeAndNorthAmericaShowSevenBySevenFields) {
    const struct {
        int view, west, south, east, north;
    } views[] = {{kViewEurope, 7, 11, 13, 17}, {kViewNorthAmerica, 0, 9, 6, 15}};
    for (const auto& v : views) {
        std::string db(static_cast<std::size_t>(kDatabaseSize), '\0');
        setFlags(db, v.west, v.south, 0, -1, 0);
        setFlags(db, v.east, v.north, 99, 0, -1);
        const QImage image = render(db, v.view, kSizes[1]);
        EXPECT_EQ(image.pixelColor(2, 477), kRed) << v.view;
        EXPECT_EQ(image.pixelColor(637, 2), kGreen) << v.view;
        EXPECT_EQ(image.pixelColor(637, 477), kBackground) << v.view;
    }
}

TEST(FieldMapRenderer, PickClampsToTheMap) {
    const struct {
        double x, y;
        const char* name;
        float west, south;
    } cases[] = {{10710, 3130, "IO", 340, 50},
                 {21600, 5400, "RR", 160, 80},
                 {-50, -6000, "AA", 180, -90},
                 {1e12, -1e12, "RA", 160, -90}};
    for (const auto& [x, y, name, west, south] : cases) {
        const FieldPick p = pickField({x, y});
        EXPECT_EQ(std::tie(p.fieldname, p.fieldwest, p.fieldsouth), std::tie(name, west, south));
    }
}

TEST(FieldMapRenderer, ExportPictureNames) {
    const struct {
        const char *file, *picture;
        int view;
    } cases[] = {{"6M JO01AB CONTEST.QRA", "6M JO01AB CONTEST N America.jpg", kViewNorthAmerica},
                 {"6M JO01AB .QRA", "6M JO01AB  Europe.jpg", kViewEurope},
                 {"2M X.Y.QRA", "2M X .jpg", 0}};
    for (const auto& c : cases) EXPECT_EQ(exportPictureName(c.file, c.view), c.picture);
}

// Record 1 whole with AA00 worked, then record 2 cut inside AB01's flags; data
// shorter than a record draws nothing and reads nothing past its end.
TEST(FieldMapRenderer, ShortFilesAreEmptyPastTheirEnd) {
    std::string db(static_cast<std::size_t>(kDatabaseSize), '\0'), bytes;
    Error error;
    setFlags(db, 0, 0, 0, -1, 0);
    setFlags(db, 0, 1, 1, -1, 0);
    QTemporaryDir dir;
    test::writeFileBytes(dir.filePath("short.qra"),
                         QByteArray(db.data(), FieldRecord::kSize + SquareEntry::kSize + 7));
    ASSERT_TRUE(readMapDatabase(dir.filePath("short.qra"), bytes, error)) << error;
    const QImage image = render(bytes, kViewWorld, {2032, 1484});
    EXPECT_EQ(squareColour(image, kViewWorld, 0, 0, 0), kRed);
    EXPECT_EQ(squareColour(image, kViewWorld, 0, 1, 1), kBackground);
    EXPECT_EQ(squareColour(render(db.substr(0, 10), kViewWorld, {2032, 1484}), kViewWorld, 0, 0, 0),
              kBackground);
}

}  // namespace
}  // namespace morvel
