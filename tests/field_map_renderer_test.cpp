#include "maps/field_map_renderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "database/qra_file.h"
#include "maps/canvas.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

const QColor kBackground(255, 224, 192);
const QColor kGreen(0, 128, 0);
const QColor kRed(249, 96, 79);
const QColor kBlack(0, 0, 0);
const QSize kSizes[] = {{1016, 742}, {640, 480}};

std::string blankDatabase() { return std::string(static_cast<std::size_t>(kDatabaseSize), '\0'); }

// Field indices f, g (0 for "A") and slot.
void setFlags(std::string& db, int f, int g, int slot, std::int16_t worked,
              std::int16_t confirmed) {
    SquareEntry e = SquareEntry::blank();
    e.worked = worked;
    e.confirmed = confirmed;
    e.encode(db.data() + (18 * f + g) * FieldRecord::kSize + slot * SquareEntry::kSize);
}

QImage render(std::string_view db, const std::vector<OutlinePoint>& outline, int view,
              QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawFieldMap(painter, size, db, outline, view);
    return image;
}

QPoint pixelOf(QPointF map, int view, QSize size) {
    const MapRect r = *viewRect(view);
    return logicalMapping(r.left, r.top, r.right, r.bottom, size).map(map).toPoint();
}

// The centre of a square of field (f, g).
QPoint squarePixel(int f, int g, int slot, int view, QSize size) {
    return pixelOf({1200.0 * f + 120 * (slot / 10) + 60, 600.0 * g - 5400 + 60 * (slot % 10) + 30},
                   view, size);
}

TEST(FieldMapRenderer, EmptyDatabaseShowsBackgroundOutlineAndGridOnly) {
    // 10 E to 20 E at 15 N.
    const QImage image =
        render(blankDatabase(), {{2000, 900, 600}, {0, 900, 1200}}, kViewWorld, kSizes[0]);
    const auto inkNear = [&](QPointF map) {
        const QPoint p = pixelOf(map, kViewWorld, kSizes[0]);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (image.pixelColor(p + QPoint(dx, dy)) == kBlack) return true;
        return false;
    };
    EXPECT_TRUE(inkNear({11700, 900}));   // the outline
    EXPECT_TRUE(inkNear({10800, 2000}));  // the grid
    EXPECT_FALSE(inkNear({11700, 2000}));
    EXPECT_EQ(image.pixelColor(squarePixel(9, 14, 0, kViewWorld, kSizes[0])), kBackground);
}

TEST(FieldMapRenderer, OnlyMinusOneSetsAFlagAndConfirmedWins) {
    const struct {
        std::int16_t worked, confirmed;
        QColor colour;
    } cases[] = {{-1, -1, kGreen},    {0, -1, kGreen},     {-1, 0, kRed},
                 {1, 1, kBackground}, {1, 0, kBackground}, {0, 1, kBackground}};
    std::string db = blankDatabase();
    for (int k = 0; k < 6; ++k) setFlags(db, 9, 14, 11 * k, cases[k].worked, cases[k].confirmed);
    setFlags(db, 9, 17, 9, 0, -1);  // JR09, 80..90 N
    for (const int view : {kViewWorld, kViewEurope}) {
        for (const QSize size : kSizes) {
            SCOPED_TRACE(testing::Message() << "view " << view << " at " << size.width());
            const QImage image = render(db, {}, view, size);
            for (int k = 0; k < 6; ++k)
                EXPECT_EQ(image.pixelColor(squarePixel(9, 14, 11 * k, view, size)), cases[k].colour)
                    << k;
            // The northernmost row reaches the top of the picture.
            EXPECT_EQ(image.pixelColor(squarePixel(9, 17, 9, view, size).x(), 1), kGreen);
        }
    }
}

// The corner squares of the view at the picture's corners; the squares just
// outside it, all green, nowhere.
TEST(FieldMapRenderer, EuropeAndNorthAmericaShowSevenBySevenFields) {
    const struct {
        int view, west, south, east, north;
    } views[] = {{kViewEurope, 7, 11, 13, 17}, {kViewNorthAmerica, 0, 9, 6, 15}};
    for (const auto& v : views) {
        std::string db = blankDatabase();
        setFlags(db, v.west, v.south, 0, -1, 0);
        setFlags(db, v.east, v.north, 99, 0, -1);
        if (v.west > 0) setFlags(db, v.west - 1, v.south, 90, 0, -1);
        if (v.south > 0) setFlags(db, v.west, v.south - 1, 9, 0, -1);
        if (v.east < 17) setFlags(db, v.east + 1, v.north, 9, 0, -1);
        if (v.north < 17) setFlags(db, v.east, v.north + 1, 90, 0, -1);
        for (const QSize size : kSizes) {
            const QImage image = render(db, {}, v.view, size);
            const int w = size.width(), h = size.height(), dx = w / 70 + 3, dy = h / 70 + 3;
            EXPECT_EQ(image.pixelColor(2, h - 3), kRed) << v.view;
            EXPECT_EQ(image.pixelColor(w - 3, 2), kGreen) << v.view;
            for (const QPoint p : {QPoint(2, 2), QPoint(w - 3, h - 3), QPoint(dx, h - 3),
                                   QPoint(2, h - dy), QPoint(w - dx, 2), QPoint(w - 3, dy)})
                EXPECT_EQ(image.pixelColor(p), kBackground) << v.view << " " << p.x() << "," << p.y();
        }
    }
}

TEST(FieldMapRenderer, PickKeepsFieldsWithinTheMap) {
    const struct {
        double x, y;
        const char* name;
        float west, south;
    } cases[] = {{10710, 3130, "IO", 340, 50},
                 {21600, 5400, "RR", 160, 80},
                 {-50, -6000, "AA", 180, -90},
                 {1e12, -1e12, "RA", 160, -90}};
    for (const auto& c : cases) {
        const FieldPick pick = pickField({c.x, c.y});
        EXPECT_EQ(pick.fieldname, c.name);
        EXPECT_EQ(pick.fieldwest, c.west) << c.name;
        EXPECT_EQ(pick.fieldsouth, c.south) << c.name;
    }
    EXPECT_EQ(pickCaption(pickField({10710, 3130})), "click to see record for Field IO");
    const QSizeF s(kSizes[1]);
    EXPECT_EQ(mapPointAt({s.width() / 2, s.height() / 2}, s, kViewWorld), QPointF(10800, 0));
    EXPECT_EQ(mapPointAt({0, 0}, s, kViewEurope), QPointF(8400, 5400));
    EXPECT_EQ(mapPointAt({s.width(), s.height()}, s, kViewNorthAmerica), QPointF(8400, 0));
}

TEST(FieldMapRenderer, ExportPictureNames) {
    const struct {
        const char* file;
        int view;
        const char* picture;
    } cases[] = {
        {"6M JO01AB CONTEST.QRA", kViewNorthAmerica, "6M JO01AB CONTEST N America.jpg"},
        {"6M JO01AB .QRA", kViewEurope, "6M JO01AB  Europe.jpg"},
        {"2M X.Y.QRA", 0, "2M X .jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(exportPictureName(c.file, c.view), c.picture);
    EXPECT_EQ(exportedMessage("6M JO01AB  Europe.jpg"), "File 6M JO01AB  Europe.jpg exported");
}

// Record 1 whole with AA00 worked, then record 2 cut inside AB01's flags.
TEST(FieldMapRenderer, ShortFilesAreEmptyPastTheirEnd) {
    std::string db = blankDatabase();
    setFlags(db, 0, 0, 0, -1, 0);
    setFlags(db, 0, 1, 1, -1, 0);
    QTemporaryDir dir;
    const QString path = dir.filePath("short.qra");
    test::writeFileBytes(path, QByteArray(db.data(), FieldRecord::kSize + SquareEntry::kSize + 7));
    std::string bytes, error;
    ASSERT_TRUE(readMapDatabase(path, bytes, error)) << error;
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(kDatabaseSize));
    const QSize size(2032, 1484);
    const QImage image = render(bytes, {}, kViewWorld, size);
    EXPECT_EQ(image.pixelColor(squarePixel(0, 0, 0, kViewWorld, size)), kRed);
    EXPECT_EQ(image.pixelColor(squarePixel(0, 1, 1, kViewWorld, size)), kBackground);
    // Data shorter than a record draws no squares and reads nothing past its end.
    EXPECT_EQ(render(db.substr(0, 10), {}, kViewWorld, size)
                  .pixelColor(squarePixel(0, 0, 0, kViewWorld, size)),
              kBackground);
}

}  // namespace
}  // namespace morvel
