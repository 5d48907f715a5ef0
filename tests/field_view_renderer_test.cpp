#include "maps/field_view_renderer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/test_support.h"

namespace morvel {
namespace {

const QColor kBackground(255, 224, 192);
const QColor kGreen(0, 128, 0);
const QColor kRed(249, 96, 79);
const QColor kGrid(128, 64, 64);
const QColor kState(192, 64, 0);
const QSize kSizes[] = {{1501, 602}, {1000, 400}};

struct Drawing {
    QImage image;
    FieldTotals totals;
    QPoint pixel(double x, double y) const {
        return QPointF(x * image.width() / 1500, y * image.height() / 601).toPoint();
    }
    QColor at(double x, double y) const { return image.pixelColor(pixel(x, y)); }
    // The colour within a pixel of a logical point.
    bool near(double x, double y, QColor colour) const {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (image.pixelColor(pixel(x, y) + QPoint(dx, dy)) == colour) return true;
        return false;
    }
};

Drawing draw(const FieldRecord& record, QSize size, const FieldOutlines& outlines = {},
             int mapview = 1, FieldOrigin origin = fieldOrigin(340, 50)) {
    Drawing d{QImage(size, QImage::Format_RGB32), {}};
    d.image.fill(kBackground);
    QPainter painter(&d.image);
    d.totals = drawFieldView(painter, size, record, origin, outlines, mapview);
    return d;
}

TEST(FieldViewRenderer, EmptyFieldShowsGridAndAllNumbersWithoutFills) {
    const Drawing d = draw(FieldRecord::blank(), kSizes[0]);
    EXPECT_EQ(workedCaption(d.totals), " 0  worked");
    EXPECT_EQ(confirmedCaption(d.totals), " 0  confirmed");
    for (int k = 0; k <= 10; ++k) {
        EXPECT_TRUE(d.near(10 + 120 * k - (k == 10 ? 20 : 0), 60 * k, kGrid)) << k;
        EXPECT_TRUE(d.near(120 * k, 10 + 60 * k - (k == 10 ? 20 : 0), kGrid)) << k;
    }
    // Every cell carries text in the numbers' place and nothing in its corners.
    for (int i = 0; i < 10; ++i)
        for (int r = 0; r < 10; ++r) {
            int inked = 0;
            for (int x = 120 * i + 36; x < 120 * i + 100; x += 2)
                for (int y = 60 * r + 22; y < 60 * r + 40; ++y) inked += d.at(x, y) != kBackground;
            EXPECT_GT(inked, 5) << i << "," << r;
            EXPECT_EQ(d.at(120 * i + 10, 60 * r + 8), kBackground);
        }
}

TEST(FieldViewRenderer, FillsAndTotalsCountOnlyMinusOne) {
    const struct {
        int slot;
        std::int16_t worked, confirmed;
        QColor colour;
    } cases[] = {{0, -1, -1, kGreen},     {11, 0, -1, kGreen},     {22, -1, 0, kRed},
                 {33, 1, 0, kBackground}, {44, 0, 1, kBackground}, {55, 1, 1, kBackground},
                 {85, -1, 0, kRed}};
    FieldRecord record = FieldRecord::blank();
    for (const auto& c : cases) {
        record.entries[c.slot].worked = c.worked;
        record.entries[c.slot].confirmed = c.confirmed;
    }
    for (const QSize size : kSizes) {
        const Drawing d = draw(record, size);
        EXPECT_EQ(workedCaption(d.totals), " 4  worked");
        EXPECT_EQ(confirmedCaption(d.totals), " 2  confirmed");
        for (const auto& c : cases) {
            // Square 85 is the cell from (960, 240) to (1080, 300).
            const double x = 120 * (c.slot / 10), y = 60 * (9 - c.slot % 10);
            for (const QPointF p :
                 {QPointF(x + 5, y + 5), QPointF(x + 115, y + 5), QPointF(x + 5, y + 55)})
                EXPECT_EQ(d.at(p.x(), p.y()), c.colour)
                    << c.slot << " at " << p.x() << "," << p.y();
        }
        for (const QPointF p :
             {QPointF(955, 270), QPointF(1085, 270), QPointF(1000, 235), QPointF(1000, 305)})
            EXPECT_NE(d.at(p.x(), p.y()), kRed) << p.x() << "," << p.y();
    }
}

TEST(FieldViewRenderer, StateBordersOnlyInTheNorthAmericaView) {
    QTemporaryDir dir;
    // A border through field FN (fieldwest 280, fieldsouth 40): 75 W to 71 W at 45.5 N.
    FieldOutlines stateOnly;
    stateOnly.state = {{2000, 2730, -4500}, {0, 2730, -4260}};
    test::writeFileBytes(dir.filePath(kStateFile),
                         QByteArray::fromStdString(encodeOutline(stateOnly.state)));
    for (const int mapview : {1, 2, 3}) {
        FieldOutlines outlines;
        outlines.state = {{2000, 0, 0}};  // left over from an earlier view
        loadFieldOutlines(QDir(dir.path()), mapview, outlines);
        EXPECT_EQ(outlines.state.size(), mapview == 3 ? 2u : 0u);
        EXPECT_TRUE(outlines.coast.empty());
        // On its own, the border would be drawn in any view.
        const Drawing d =
            draw(FieldRecord::blank(), kSizes[0], stateOnly, mapview, fieldOrigin(280, 40));
        EXPECT_EQ(d.near(370, 270, kState), mapview == 3) << mapview;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(kCoastFile)));
}

TEST(FieldViewRenderer, ReadOutOfTheSquareUnderThePointer) {
    FieldRecord record = FieldRecord::blank();
    record.entries[85] = test::makeEntry("IO91WM", "G4ABC", "25/12/02", false);
    record.entries[86] = test::makeEntry("IO91WM", "G4DEF", "26/12/02", true);
    const struct {
        QPointF at;
        int slot;  // -1: off the grid
        const char *label10, *label1, *label2, *label7, *label13;
    } cases[] = {
        {{965, 245}, 85, "IO85", "G4ABC     ", "IO91WM", "Worked", " 932km"},
        {{1079, 180}, 86, "IO86", "G4DEF     ", "IO91WM", "Confirmed", " 932km"},
        {{0, 599.9}, 0, "IO00", "          ", "      ", "      ", ""},
        {{1200, 100}, -1, "     ", " ", " ", "", ""},
        {{100, 600}, -1, "     ", " ", " ", "", ""},
    };
    for (const auto& c : cases) {
        const SquareReadOut r = readOutAt(c.at, "IO ", record, "JO62QM");
        EXPECT_EQ(r.slot.value_or(-1), c.slot) << c.label10;
        EXPECT_EQ(r.label10, c.label10);
        EXPECT_EQ(r.label1 + "|" + r.label2 + "|" + r.label7 + "|" + r.label13,
                  std::string(c.label1) + "|" + c.label2 + "|" + c.label7 + "|" + c.label13);
    }
    EXPECT_EQ(readOutAt({965, 245}, "IO", record, "JO62QM").label3, "25/12/02");
    EXPECT_EQ(fieldViewPointAt({1501, 602}, QSizeF(1501, 602)), QPointF(1500, 601));
    EXPECT_EQ(fieldViewPointAt({500, 200}, QSizeF(1000, 400)), QPointF(750, 300.5));
}

}  // namespace
}  // namespace morvel
