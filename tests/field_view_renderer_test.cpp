#include "maps/field_view_renderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/test_support.h"

namespace morvel {
namespace {

const QColor kBackground(255, 224, 192), kGreen(0, 128, 0), kRed(249, 96, 79), kInk(128, 64, 64);

// The colour at a logical point (1500 x 601) of a field drawing.
QColor at(const QImage& image, double x, double y) {
    return image.pixelColor(QPointF(x * image.width() / 1500, y * image.height() / 601).toPoint());
}

QImage draw(const FieldRecord& record, QSize size, FieldTotals& totals) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    totals = drawFieldView(painter, size, record, fieldOrigin(340, 50), {}, 1);
    return image;
}

// Square 85 is the cell from (960, 240) to (1080, 300); its neighbours stay empty.
TEST(FieldViewRenderer, FillsAndTotalsCountOnlyMinusOne) {
    const std::tuple<int, std::int16_t, std::int16_t, QColor> cases[] = {
        {0, -1, -1, kGreen},     {11, 0, -1, kGreen},     {22, -1, 0, kRed},
        {55, 1, 1, kBackground}, {85, -1, 0, kRed},       {75, 0, 0, kBackground},
        {95, 0, 0, kBackground}, {84, 0, 0, kBackground}, {86, 0, 0, kBackground}};
    FieldRecord record = FieldRecord::blank();
    for (const auto& [slot, worked, confirmed, colour] : cases)
        std::tie(record.entries[slot].worked, record.entries[slot].confirmed) =
            std::tie(worked, confirmed);
    for (const QSize size : {QSize(1501, 602), QSize(1000, 400)}) {
        FieldTotals totals;
        const QImage image = draw(record, size, totals);
        EXPECT_EQ(workedCaption(totals) + confirmedCaption(totals), " 4  worked 2  confirmed");
        for (const auto& [slot, worked, confirmed, colour] : cases) {
            const double x = 120 * (slot / 10), y = 60 * (9 - slot % 10);
            EXPECT_EQ(at(image, x + 5, y + 5), colour) << slot;
            EXPECT_EQ(at(image, x + 115, y + 55), colour) << slot;
        }
        int ink = 0;  // the number " 9 5" inside its empty cell (1080, 240)-(1200, 300)
        for (int i = 0; i < 50 * 25; ++i)
            ink += at(image, 1085 + i % 50 * 2, 245 + i / 50 * 2) == kInk;
        EXPECT_GT(ink, 10) << size.width();
        // The grid line between columns 4 and 5, within a pixel of where it maps.
        const int gx = 600 * size.width() / 1500, gy = 30 * size.height() / 601;
        EXPECT_TRUE(image.pixelColor(gx - 1, gy) == kInk || image.pixelColor(gx, gy) == kInk)
            << size.width();
    }
}

TEST(FieldViewRenderer, StateBordersLoadOnlyForTheNorthAmericaView) {
    QTemporaryDir dir;
    const std::vector<OutlinePoint> border{{2000, 2730, -4500}, {0, 2730, -4260}};
    test::writeFileBytes(dir.filePath(kStateFile),
                         QByteArray::fromStdString(encodeOutline(border)));
    for (const int mapview : {1, 2, 3}) {
        FieldOutlines outlines;
        outlines.state = {{2000, 0, 0}};  // left over from an earlier view
        loadFieldOutlines(QDir(dir.path()), mapview, outlines);
        EXPECT_EQ(outlines.state, mapview == 3 ? border : std::vector<OutlinePoint>{}) << mapview;
    }
}

TEST(FieldViewRenderer, ReadOutOfTheSquareUnderThePointer) {
    FieldRecord record = FieldRecord::blank();
    record.entries[85] = test::makeEntry("IO91WM", "G4ABC", "25/12/02", false);
    record.entries[86] = test::makeEntry("IO91WM", "G4DEF", "26/12/02", true);
    const std::pair<QPointF, const char*> cases[] = {
        // slot -1: off the grid
        {{965, 245}, "85|IO85|G4ABC     |IO91WM|25/12/02|Worked| 932km"},
        {{1079, 180}, "86|IO86|G4DEF     |IO91WM|26/12/02|Confirmed| 932km"},
        {{0, 599.9}, "0|IO00|          |      |        |      |"},
        {{1200, 100}, "-1|     | | | ||"},
        {{100, 600}, "-1|     | | | ||"}};
    for (const auto& [at, labels] : cases) {
        const SquareReadOut r = readOutAt(at, "IO ", record, "JO62QM");
        std::string got = std::to_string(r.slot.value_or(-1)) + "|" + r.square;
        for (const auto* label : {&r.call, &r.locator, &r.date, &r.state, &r.distance})
            got += "|" + *label;
        EXPECT_EQ(got, labels);
    }
    EXPECT_EQ(fieldViewPointAt({500, 200}, QSizeF(1000, 400)), QPointF(750, 300.5));
}

}  // namespace
}  // namespace morvel
