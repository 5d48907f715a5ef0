#include "maps/canvas.h"

#include <gtest/gtest.h>


namespace morvel {
namespace {

const QColor kBack(255, 224, 192);

// 300 x 120 pixels showing the logical rectangle (0, 0)-(1500, 600), five
// units to a pixel, as the square view's field is drawn.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() : canvas(QSize(300, 120)) {
        canvas.setBackgroundColour(kBack);
        canvas.setScale(0, 0, 1500, 600);
        canvas.clear();
    }
    QColor pixel(int x, int y) const { return canvas.image().pixelColor(x, y); }

    Canvas canvas;
};

TEST_F(CanvasTest, EveryPrimitiveInksTheExpectedPixelsOnly) {
    const QColor green(0, 128, 0), brown(128, 64, 64), red(255, 0, 0), blue(Qt::blue);
    canvas.fillBox(QPointF(120, 60), QPointF(240, 120), green);  // pixels 24..48, 12..24
    canvas.box(QPointF(1000, 100), QPointF(1250, 300), red);     // 200..250, 20..60
    canvas.setForeColour(brown);
    canvas.line(QPointF(0, 500), QPointF(1500, 500));  // row 100
    canvas.setForeColour(Qt::black);
    canvas.point(QPointF(500, 100));   // (100, 20)
    canvas.lineTo(QPointF(500, 200));  // down to (100, 40)
    canvas.line(QPointF(5, 0), QPointF(5, 600), red);
    EXPECT_EQ(canvas.position(), QPointF(5, 600));
    const DrawOp ops[] = {{DrawOp::Kind::SetPoint, 500, 550}, {DrawOp::Kind::LineTo, 1000, 550}};
    canvas.outline(ops, blue);                                 // row 110, 100..200
    canvas.box(QPointF(1400, 0), QPointF(1450, 50), Qt::red);  // the pen is set again after it
    const struct {
        int x, y;
        QColor colour;
    } cases[] = {{24, 12, green},  {48, 24, green},      {36, 18, green},      {23, 18, kBack},
                 {49, 18, kBack},  {36, 25, kBack},      {200, 40, red},       {250, 20, red},
                 {225, 40, kBack}, {150, 100, brown},    {150, 99, kBack},     {100, 20, Qt::black},
                 {101, 20, kBack}, {100, 30, Qt::black}, {100, 40, Qt::black}, {1, 50, red},
                 {100, 110, blue}, {200, 110, blue},     {150, 111, kBack},    {285, 0, red}};
    for (const auto& c : cases) EXPECT_EQ(pixel(c.x, c.y), c.colour) << c.x << "," << c.y;
    EXPECT_EQ(canvas.colourAt(QPointF(180, 90)), green);
    canvas.clear();
    EXPECT_EQ(pixel(36, 18), kBack);
}

TEST_F(CanvasTest, TextLiesBelowTheDrawingPositionWhichMovesToTheNextLine) {
    canvas.setFontSize(16);
    canvas.setPosition(QPointF(175, 100));  // pixel (35, 20)
    canvas.printLine(QStringLiteral(" 3 5"));
    int inked = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 300; ++x)
            if (pixel(x, y) != kBack) {
                ++inked;
                EXPECT_TRUE(x >= 35 && y >= 20) << x << "," << y;
            }
    EXPECT_GT(inked, 10);
    EXPECT_EQ(canvas.position().x(), 0);
    EXPECT_GT(canvas.position().y(), 100);
}

TEST_F(CanvasTest, GrowingKeepsTheDrawingAndRendersAtTheRatio) {
    canvas.fillBox(QPointF(0, 0), QPointF(100, 100), Qt::black);
    canvas.resize(QSize(400, 200), 2);
    EXPECT_EQ(canvas.image().size(), QSize(800, 400));
    EXPECT_EQ(pixel(5, 5), QColor(Qt::black));
    EXPECT_EQ(pixel(700, 300), kBack);
}

}  // namespace
}  // namespace morvel
