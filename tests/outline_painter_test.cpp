#include "maps/outline_painter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "database/field_record.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"

namespace morvel {
namespace {

// The same drawing twice: once on the picture's pixels directly (no clip),
// once through the painter (a clip over the whole picture turns the direct
// steps off).
std::pair<QImage, QImage> directAndPainted(QSize size, qreal ratio,
                                           const std::function<void(QPainter&)>& draw) {
    std::pair<QImage, QImage> out;
    for (const bool clipped : {false, true}) {
        QImage image(size * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        if (clipped) painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(size)));
        draw(painter);
        painter.end();
        (clipped ? out.second : out.first) = image;
    }
    return out;
}

// The pixels that differ, or (without b) those that are not white.
int differing(const QImage& a, std::optional<QImage> b = {}) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != (b ? b->pixel(x, y) : 0xffffffff);
    return n;
}

// Upright lines at fractional places, both ways round, reaching over the
// picture's edges, under scales and moves as a map's mapping makes them:
// each lights the pixels the painter lights. A slanted line, or any under a
// translucent pen, is the painter's to draw.
TEST(OutlinePainter, HairlinesLightThePixelsThePainterLights) {
    const std::tuple<const char*, QTransform, qreal> mappings[] = {
        {"plain", QTransform(), 1},
        {"scaled and flipped", QTransform(2.37, 0, 0, -1.61, 13.2, 240.7), 1},
        {"moved a stripe up", QTransform::fromTranslate(0.25, -97), 1},
        {"a 2x screen", QTransform(0.71, 0, 0, 0.93, 3.5, 7.25), 2}};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(-30, 230);
    std::vector<QLineF> lines;
    for (int i = 0; i < 200; ++i) {
        const double a = at(random), b = at(random), c = at(random);
        lines.push_back(i % 2 ? QLineF(a, b, a, c) : QLineF(b, a, c, a));
    }
    lines.push_back(QLineF(10, 10, 10, 150));  // whole pixels
    lines.push_back(QLineF(150, 20, 20, 20));
    lines.push_back(QLineF(3.3, 4.1, 150.2, 90.7));
    for (const auto& [what, mapping, ratio] : mappings) {
        for (const QColor& colour : {QColor(20, 40, 60), QColor(128, 64, 64, 90)}) {
            SCOPED_TRACE(std::string(what) + " alpha " + std::to_string(colour.alpha()));
            const auto [direct, painted] = directAndPainted({200, 160}, ratio, [&](QPainter& p) {
                p.setTransform(mapping);
                p.setPen(QPen(colour, 0));
                drawHairlines(p, lines);
            });
            EXPECT_EQ(differing(direct, painted), 0);
            EXPECT_GT(differing(direct), 2000);
        }
    }
}

// A field map on a picture (squares written straight onto its pixels, the
// background with them) is the field map the painter draws, at every view
// and on a 2x screen.
TEST(OutlinePainter, FieldMapSquaresOnPixelsAreThePaintersSquares) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    std::mt19937 random(3);
    for (FieldRecord& record : records)
        for (SquareEntry& e : record.entries) {
            const unsigned roll = random() % 7;
            if (roll == 0) e.worked = SquareEntry::kSet;
            if (roll == 1) e.confirmed = SquareEntry::kSet;
        }
    const std::tuple<int, QSize, qreal> cases[] = {{kViewWorld, {1016, 742}, 1},
                                                   {kViewEurope, {700, 700}, 1},
                                                   {kViewNorthAmerica, {641, 479}, 1},
                                                   {kViewEurope, {333, 250}, 2}};
    for (const auto& [view, size, ratio] : cases) {
        SCOPED_TRACE(view);
        const auto [direct, painted] = directAndPainted(
            size, ratio, [&](QPainter& p) { drawFieldMap(p, QSizeF(size), records, {}, view); });
        EXPECT_EQ(differing(direct, painted), 0);
    }
}

// A coast of short steps plotted on the pixels runs where the painter's
// line runs: every pixel of either lies within a pixel of the other's, and
// the line is about as long (its joints may take a pixel more).
TEST(OutlinePainter, PlottedPolylinesRunWithinAPixelOfThePaintersLine) {
    std::mt19937 random(11);
    std::normal_distribution<double> step(0, 1.7);
    QPolygonF coast;
    QPointF p(-8, 80);
    for (int i = 0; i < 600; ++i) {
        coast << p;
        p += QPointF(std::abs(step(random)) * 0.6, step(random));
    }
    for (const QTransform& mapping : {QTransform(), QTransform(1.9, 0, 0, -0.8, 5.5, 150.25)}) {
        SCOPED_TRACE(mapping.m11());
        const auto [direct, painted] = directAndPainted({240, 200}, 1, [&](QPainter& painter) {
            painter.setTransform(mapping);
            painter.setPen(QPen(Qt::black, 0));
            drawHairPolyline(painter, coast);
        });
        const auto lit = [](const QImage& image, int x, int y) {
            return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
                   qRed(image.pixel(x, y)) == 0;
        };
        const auto near = [&](const QImage& image, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (lit(image, x + dx, y + dy)) return true;
            return false;
        };
        int litDirect = 0, litPainted = 0, astray = 0, shared = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < direct.width(); ++x) {
                litDirect += lit(direct, x, y);
                litPainted += lit(painted, x, y);
                shared += lit(direct, x, y) && lit(painted, x, y);
                astray += (lit(direct, x, y) && !near(painted, x, y)) ||
                          (lit(painted, x, y) && !near(direct, x, y));
            }
        EXPECT_EQ(astray, 0);
        // Most pixels are the very ones the painter lights.
        EXPECT_GT(shared, litPainted * 9 / 10) << shared << " of " << litPainted;
        EXPECT_GT(litPainted, 200);
        EXPECT_NEAR(litDirect, litPainted, litPainted / 5);
    }
}

}  // namespace
}  // namespace morvel
