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

TEST_F(CanvasTest, PrimitivesInkTheExpectedPixelsOnly) {
    canvas.fillBox(QPointF(120, 60), QPointF(240, 120), kGreen);  // pixels 24..48, 12..24
    canvas.box(QPointF(1000, 100), QPointF(1250, 300), kRed);     // 200..250, 20..60
    canvas.setForeColour(kBlack);
    canvas.point(QPointF(500, 100));   // (100, 20)
    canvas.lineTo(QPointF(500, 200));  // down to (100, 40)
    const DrawOp ops[] = {{DrawOp::Kind::SetPoint, 500, 550}, {DrawOp::Kind::LineTo, 1000, 550}};
    canvas.outline(ops, Qt::blue);  // row 110, 100..200
    canvas.paint([](QPainter& painter) { painter.setPen(Qt::yellow); });
    canvas.box(QPointF(1400, 0), QPointF(1450, 50), kRed);  // the pen is set again after both
    const struct {
        int x, y;
        QColor colour;
    } cases[] = {{24, 12, kGreen},     {48, 24, kGreen},  {23, 18, kBack},   {49, 18, kBack},
                 {36, 25, kBack},      {200, 40, kRed},   {250, 20, kRed},   {225, 40, kBack},
                 {100, 20, kBlack},    {101, 20, kBack},  {100, 40, kBlack}, {100, 110, Qt::blue},
                 {200, 110, Qt::blue}, {150, 111, kBack}, {285, 0, kRed},    {290, 10, kRed}};
    for (const auto& c : cases)
        EXPECT_EQ(canvas.image().pixelColor(c.x, c.y), c.colour) << c.x << "," << c.y;
    // Growing keeps the drawing, at twice the pixels for a ratio of 2.
    canvas.resize(QSize(400, 200), 2);
    EXPECT_EQ(canvas.image().size(), QSize(800, 400));
    EXPECT_EQ(canvas.image().pixelColor(72, 36), kGreen);
    canvas.clear();  // a redraw starts from the background
    EXPECT_EQ(canvas.image().pixelColor(72, 36), kBack);
}

}  // namespace
}  // namespace morvel
