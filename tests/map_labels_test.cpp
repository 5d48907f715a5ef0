#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "database/qra_names.h"
#include "geo/locator.h"
#include "maps/moving_map.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

// Every square of a band worked, every third confirmed, each band offset so
// that the squares hold from one band to all of them.
std::vector<FieldRecord> bandRecords(int band) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    for (int r = 0; r < kRecordCount; ++r)
        for (int slot = 0; slot < FieldRecord::kSquares; ++slot) {
            if ((r + slot) % 6 < band) continue;
            const std::string loc = fieldLetters(r + 1) + char('0' + slot / 10) +
                                    char('0' + slot % 10) + "mm";
            records[static_cast<std::size_t>(r)].entries[static_cast<std::size_t>(slot)] =
                makeEntry(loc, "DL1ABC", "01/06/24", (r + slot) % 3 == 0);
        }
    return records;
}

// The band counts and square numbers are laid straight onto an RGB32
// frame's pixels; what they make there is what the painter's own drawing of
// the same labels makes (a picture of another format takes that way), pixel
// for pixel, also shifted as a stripe of a frame is and cut at its edges.
TEST(MapLabels, LaidOnThePixelsAsThePainterLaysThem) {
    static const char* const kBands[] = {"6m", "2m", "70cm", "23cm", "13cm"};
    std::vector<std::vector<FieldRecord>> records;
    for (int b = 0; b < 5; ++b) records.push_back(bandRecords(b));
    std::vector<MapLayer> layers;
    for (int b = 0; b < 5; ++b) {
        MapLayer l;
        l.band = QString::fromLatin1(kBands[b]);
        l.databaseFile = l.band.toUpper() + QStringLiteral(" JO62QM HOME.QRA");
        l.homeLocator = "JO62QM";
        l.records = records[static_cast<std::size_t>(b)];
        l.colour = bandColour(l.band);
        layers.push_back(l);
    }
    const QSize size(900, 620);
    const struct {
        const char* what;
        const char* centre;
        double zoom;
        int shift;  // rows the frame is moved up by, as a lower stripe is
        bool counts, numbers;
    } cases[] = {
        {"band counts", "JO62", 5, 0, true, false},
        {"band counts, a stripe's rows", "JN58", 5, 233, true, false},
        {"square numbers", "JO62", 8, 0, false, true},
        {"square numbers, a stripe's rows", "FN31", 20, 101, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MapCamera camera = *MapCamera::atLocator(c.centre, c.zoom);
        const MapDetail detail = mapDetail(camera, QSizeF(size), 5);
        ASSERT_EQ(detail.bandCounts, c.counts);
        ASSERT_EQ(detail.squareNumbers, c.numbers);
        // The frame's rows from `shift` down, as a stripe holds them.
        const auto frame = [&](QImage::Format format) {
            QImage image(size.width(), size.height() - c.shift, format);
            image.fill(Qt::black);
            QPainter painter(&image);
            painter.translate(0, -c.shift);
            drawMovingMap(painter, QSizeF(size), camera, layers, nullptr);
            painter.end();
            return image.convertToFormat(QImage::Format_RGB32);
        };
        const QImage direct = frame(QImage::Format_RGB32);
        const QImage painted = frame(QImage::Format_ARGB32_Premultiplied);
        int differ = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < size.width(); ++x) differ += direct.pixel(x, y) != painted.pixel(x, y);
        EXPECT_EQ(differ, 0) << "pixels differ";
        // The labels are there: light pixels of the band counts' white, or
        // the square numbers' dark ink, over the squares.
        int inked = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QColor p = direct.pixelColor(x, y);
                inked += c.counts ? p.lightness() > 240 : p.lightness() < 60;
            }
        EXPECT_GT(inked, 500);
    }
}

}  // namespace
}  // namespace morvel::test
