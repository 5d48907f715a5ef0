#include "maps/field_map_renderer.h"

#include <gtest/gtest.h>

#include <QPicture>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/text_format.h"
#include "maps/map_export.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

const QColor kBackground(255, 224, 192), kGreen(0, 128, 0), kRed(249, 96, 79), kBlack(0, 0, 0);

// Field indices f, g (0 for "A") and slot.
void setFlags(std::string& db, int f, int g, int slot, std::int16_t w, std::int16_t c) {
    SquareEntry e = SquareEntry::blank();
    e.worked = w;
    e.confirmed = c;
    e.encode(db.data() + (18 * f + g) * FieldRecord::kSize + slot * SquareEntry::kSize);
}

QImage render(std::string_view db, int view, QSize size, std::vector<OutlinePoint> outline = {},
              qreal pixelRatio = 1) {
    QImage image(size * pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    QPainter painter(&image);
    drawFieldMap(painter, size, decodeDatabase(db), outline, view);
    return image;
}

// Recorded as a printer or a vector file receives the drawing, then replayed
// onto an image.
QImage renderRecorded(std::string_view db, int view, QSize size) {
    QPicture picture;
    {
        QPainter painter(&picture);
        drawFieldMap(painter, size, decodeDatabase(db), {}, view);
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPicture(0, 0, picture);
    return image;
}

// Europe at 700 x 700 gives squares of 10 x 10 pixels: square column c (0 at
// 180 W) covers x = 10c - 700 to 10c - 691, row r (0 at 90 S) covers
// y = 1790 - 10r to 1799 - 10r. A border lies on the first pixel east of or
// below its edge. JO62 is column 96, row 142: x 260..269, y 370..379.
TEST(FieldMapRenderer, SquaresAndBordersOnImagesHighDpiImagesAndRecordedPictures) {
    std::string db(static_cast<std::size_t>(kDatabaseSize), '\0');
    setFlags(db, 9, 14, 62, -1, 0);   // JO62
    setFlags(db, 9, 14, 72, 0, -1);   // JO72, east of it
    setFlags(db, 9, 14, 61, -1, -1);  // JO61, south of it
    setFlags(db, 9, 14, 52, 1, 1);    // JO52, west of it
    setFlags(db, 7, 17, 9, 0, -1);    // HR09
    setFlags(db, 13, 11, 90, -1, 0);  // NL90
    const std::pair<QImage, int> devices[] = {{render(db, kViewEurope, {700, 700}), 1},
                                              {render(db, kViewEurope, {700, 700}, {}, 2), 2},
                                              {renderRecorded(db, kViewEurope, {700, 700}), 1}};
    for (const auto& [image, scale] : devices)
        for (const auto& c : test::tableRows("field_map_pixels.txt", 4)) {
            const QColor colour = c[2] == "worked"      ? kRed
                                  : c[2] == "confirmed" ? kGreen
                                  : c[2] == "border"    ? kBlack
                                                        : kBackground;
            EXPECT_EQ(image.pixelColor(std::stoi(c[0]) * scale, std::stoi(c[1]) * scale), colour)
                << c[3] << " at " << scale;
        }
}

// Whole pictures, each of a few squares (field indices, slot, confirmed):
// - Europe at 2032 x 1484: squares 29.03 pixels wide, the edge of NR80 and
//   NR90 (rows 191..211) at x = 8280 / 8400 * 2032 = 2002.97;
// - World at 1080 x 540, 20 minutes a pixel: an outline along 15 E from the
//   equator (y 270) to 30 N (y 180) on x 585 lies over JK75 (x 582..587,
//   y 222..224); the meridian 20 E on x 600, the equator on y 270;
// - Europe and North America at 640 x 480, seven by seven fields: the corner
//   squares of the view at the picture's corners.
TEST(FieldMapRenderer, ViewsSquaresOutlineAndGrid) {
    struct Square {
        int f, g, slot;
        bool confirmed;
    };
    const struct {
        std::vector<Square> squares;
        int view;
        QSize size;
        std::vector<OutlinePoint> outline;
        std::vector<std::tuple<int, int, QColor>> pixels;
    } cases[] = {
        {{{13, 17, 80, false}, {13, 17, 90, true}}, kViewEurope, {2032, 1484}, {},
         {{2001, 201, kRed}, {2003, 201, kGreen}}},
        {{{9, 10, 75, false}}, kViewWorld, {1080, 540}, {{2000, 0, 900}, {0, 1800, 900}},
         {{585, 223, kBlack}, {583, 223, kRed}, {600, 100, kBlack}, {100, 270, kBlack},
          {100, 100, kBackground}}},
        {{{7, 11, 0, false}, {13, 17, 99, true}}, kViewEurope, {640, 480}, {},
         {{2, 477, kRed}, {637, 2, kGreen}, {637, 477, kBackground}}},
        {{{0, 9, 0, false}, {6, 15, 99, true}}, kViewNorthAmerica, {640, 480}, {},
         {{2, 477, kRed}, {637, 2, kGreen}, {637, 477, kBackground}}},
    };
    for (const auto& c : cases) {
        std::string db(static_cast<std::size_t>(kDatabaseSize), '\0');
        for (const Square& q : c.squares)
            setFlags(db, q.f, q.g, q.slot, q.confirmed ? 0 : -1, q.confirmed ? -1 : 0);
        const QImage image = render(db, c.view, c.size, c.outline);
        for (const auto& [x, y, colour] : c.pixels)
            EXPECT_EQ(image.pixelColor(x, y), colour) << c.view << " " << x << "," << y;
    }
}

TEST(FieldMapRenderer, PickClampsToTheMapAndPicturesAreNamedByTheirView) {
    for (const auto& c : test::tableRows("field_map_picks.txt", 5)) {
        if (c[0] == "name") {
            EXPECT_EQ(exportPictureName(QString::fromStdString(c[1]), std::stoi(c[2])),
                      QString::fromStdString(c[3]));
            continue;
        }
        const FieldPick p = pickField({QByteArray::fromStdString(c[1]).toDouble(),
                                       QByteArray::fromStdString(c[2]).toDouble()});
        EXPECT_EQ(p.fieldname + " " + plainNumber(p.fieldwest) + " " + plainNumber(p.fieldsouth),
                  c[3] + " " + c[4]);
    }
}

// Record 1 whole with AA00 worked, then record 2 cut inside AB01's flags; data
// shorter than a record draws nothing and reads nothing past its end.
TEST(FieldMapRenderer, ShortFilesAreEmptyPastTheirEnd) {
    std::string db(static_cast<std::size_t>(kDatabaseSize), '\0');
    std::vector<FieldRecord> records;
    Error error;
    setFlags(db, 0, 0, 0, -1, 0);
    setFlags(db, 0, 1, 1, -1, 0);
    QTemporaryDir dir;
    test::writeFileBytes(dir.filePath("short.qra"),
                         QByteArray(db.data(), FieldRecord::kSize + SquareEntry::kSize + 7));
    ASSERT_TRUE(readDatabase(dir.filePath("short.qra"), records, error)) << error;
    std::string bytes;
    for (const FieldRecord& r : records) bytes += r.bytes();
    // At 2032 x 1484 the centre of AA00 is pixel (5, 1479), that of AB01 (5, 1389).
    const QImage image = render(bytes, kViewWorld, {2032, 1484});
    EXPECT_EQ(image.pixelColor(5, 1479), kRed);
    EXPECT_EQ(image.pixelColor(5, 1389), kBackground);
    EXPECT_EQ(render(db.substr(0, 10), kViewWorld, {2032, 1484}).pixelColor(5, 1479), kBackground);
}

// Two bands that disagree: confirmed on either is green, worked on either
// alone red. Europe at 700 x 700 as above: JO62 centre (265, 375), JO72
// (275, 375), JO52 (255, 375), JO61 (265, 385).
TEST(FieldMapRenderer, AllBandsTakeTheBestOfEachSquare) {
    std::vector<std::string> bands(2, std::string(static_cast<std::size_t>(kDatabaseSize), '\0'));
    setFlags(bands[0], 9, 14, 62, -1, 0);  // JO62 worked here, confirmed there
    setFlags(bands[1], 9, 14, 62, 0, -1);
    setFlags(bands[0], 9, 14, 72, 0, -1);  // JO72 confirmed here, worked there
    setFlags(bands[1], 9, 14, 72, -1, 0);
    setFlags(bands[1], 9, 14, 52, -1, 0);  // JO52 worked on one band only
    QImage image(700, 700, QImage::Format_RGB32);
    QPainter painter(&image);
    const std::vector<std::vector<FieldRecord>> records{decodeDatabase(bands[0]),
                                                        decodeDatabase(bands[1])};
    drawAllBandsMap(painter, QSizeF(700, 700), records, {}, kViewEurope);
    painter.end();
    const std::pair<QPoint, QColor> pixels[] = {{{265, 375}, kGreen}, {{275, 375}, kGreen},
                                                {{255, 375}, kRed},   {{265, 385}, kBackground}};
    for (const auto& [at, colour] : pixels) EXPECT_EQ(image.pixelColor(at), colour) << at.x();
    std::string exported;  // KML and GeoJSON: each square once, in its best state
    for (const MapSquare& s : paintedSquares(std::span<const std::vector<FieldRecord>>(records)))
        exported += s.square + (s.confirmed ? "C " : "W ");
    EXPECT_EQ(exported, "JO52W JO62C JO72C ");
}

}  // namespace
}  // namespace morvel
