#include "maps/canvas.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace morvel {
namespace {

const QColor kBack(255, 224, 192), kGreen(0, 128, 0), kRed(Qt::red), kBlack(Qt::black);

// 300 x 120 pixels showing the logical rectangle (0, 0)-(1500, 600), five
// units to a pixel, as the square view's field is drawn.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() : canvas(QSize(300, 120)) {
        canvas.setBackgroundColour(kBack);
        canvas.setScale(0, 0, 1500, 600);
        canvas.clear();
    }
    Canvas canvas;
};

// A renderer paints in pixels; the scale turns map points into them and back.
TEST_F(CanvasTest, ARendererPaintsAndTheScaleFindsItsPixels) {
    canvas.paint([](QPainter& painter) {
        painter.fillRect(QRect(24, 12, 24, 12), kGreen);  // logical (120, 60)-(240, 120)
        painter.setPen(kRed);                             // the painter's state ends with it
    });
    canvas.paint([](QPainter& painter) { painter.drawPoint(200, 20); });
    const struct {
        QPointF logical;
        QColor colour;
    } cases[] = {{{125, 65}, kGreen},  {{235, 115}, kGreen}, {{115, 90}, kBack},
                 {{245, 90}, kBack},   {{180, 125}, kBack},  {{1000, 100}, kBlack},
                 {{1500, 600}, QColor()}};
    for (const auto& c : cases)
        EXPECT_EQ(canvas.colourAt(c.logical), c.colour) << c.logical.x() << "," << c.logical.y();
    EXPECT_EQ(canvas.toLogical(QPointF(24, 12)), QPointF(120, 60));
    // Growing keeps the drawing, at twice the pixels for a ratio of 2.
    canvas.resize(QSize(400, 200), 2);
    EXPECT_EQ(canvas.image().size(), QSize(800, 400));
    EXPECT_EQ(canvas.image().pixelColor(72, 36), kGreen);
    canvas.clear();  // a redraw starts from the background
    EXPECT_EQ(canvas.image().pixelColor(72, 36), kBack);
}

}  // namespace
}  // namespace morvel
