#include "maps/canvas.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace morvel {
namespace {

// On a screen of two device pixels to the pixel the picture holds twice the
// pixels, so that the square view stays sharp, and a point still finds its colour.
TEST(Canvas, HighDpiScreensGetEveryDevicePixel) {
    Canvas canvas(QSize(300, 120), 2);
    canvas.setBackgroundColour(Qt::white);
    canvas.setScale(0, 0, 1500, 600);
    canvas.clear();
    canvas.paint([](QPainter& painter) { painter.fillRect(QRect(24, 12, 24, 12), Qt::green); });
    EXPECT_EQ(canvas.image().size(), QSize(600, 240));
    EXPECT_EQ(canvas.colourAt(QPointF(125, 65)), QColor(Qt::green));
    EXPECT_EQ(canvas.colourAt(QPointF(115, 65)), QColor(Qt::white));
    EXPECT_EQ(canvas.image().pixelColor(95, 47), QColor(Qt::green));  // the last device pixel
}

}  // namespace
}  // namespace morvel
