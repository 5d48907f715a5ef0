#include "ui/drawing_surface.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "ui/printing.h"

namespace morvel {
namespace {

// A 300 x 120 pixel area showing the logical rectangle (0, 0)-(1500, 600),
// five units to a pixel, as the square view's field is drawn.
class SurfaceTest : public ::testing::Test {
protected:
    SurfaceTest() {
        surface.resize(300, 120);
        surface.setBackgroundColour(QColor(255, 224, 192));
        surface.setScale(0, 0, 1500, 600);
        surface.clear();
    }
    QColor pixel(int x, int y) const { return surface.image().pixelColor(x, y); }

    DrawingSurface surface;
};

TEST_F(SurfaceTest, MapsTheLogicalRectangleOntoTheArea) {
    EXPECT_EQ(surface.toPixel(QPointF(0, 0)), QPointF(0, 0));
    EXPECT_EQ(surface.toPixel(QPointF(1500, 600)), QPointF(300, 120));
    EXPECT_EQ(surface.toLogical(QPointF(24, 12)), QPointF(120, 60));
    EXPECT_EQ(pixel(0, 0), QColor(255, 224, 192));
    EXPECT_EQ(pixel(299, 119), QColor(255, 224, 192));
}

TEST_F(SurfaceTest, AScaleWithYUpwardsFlipsTheArea) {
    surface.setScale(0, 5400, 21600, -5400);
    EXPECT_EQ(surface.toPixel(QPointF(0, 5400)), QPointF(0, 0));
    EXPECT_EQ(surface.toPixel(QPointF(21600, -5400)), QPointF(300, 120));
    EXPECT_EQ(surface.toPixel(QPointF(10800, 0)), QPointF(150, 60));
}

TEST_F(SurfaceTest, FilledBoxesCoverBothCornersInTheirColour) {
    const QColor green(0, 128, 0);
    surface.fillBox(QPointF(120, 60), QPointF(240, 120), green);  // pixels 24..48, 12..24
    EXPECT_EQ(pixel(24, 12), green);
    EXPECT_EQ(pixel(48, 24), green);
    EXPECT_EQ(pixel(36, 18), green);
    EXPECT_EQ(pixel(23, 18), QColor(255, 224, 192));
    EXPECT_EQ(pixel(49, 18), QColor(255, 224, 192));
    EXPECT_EQ(pixel(36, 25), QColor(255, 224, 192));
    EXPECT_EQ(surface.colourAt(QPointF(180, 90)), green);
}

TEST_F(SurfaceTest, LinesPointsAndTheDrawingPosition) {
    surface.setForeColour(QColor(128, 64, 64));
    surface.line(QPointF(0, 300), QPointF(1500, 300));  // pixel row 60
    EXPECT_EQ(pixel(0, 60), QColor(128, 64, 64));
    EXPECT_EQ(pixel(150, 60), QColor(128, 64, 64));
    EXPECT_EQ(pixel(150, 59), QColor(255, 224, 192));
    EXPECT_EQ(surface.position(), QPointF(1500, 300));

    surface.setForeColour(Qt::black);
    surface.point(QPointF(500, 100));  // pixel (100, 20)
    EXPECT_EQ(pixel(100, 20), QColor(Qt::black));
    EXPECT_EQ(pixel(101, 20), QColor(255, 224, 192));
    surface.lineTo(QPointF(500, 200));  // down to pixel (100, 40)
    EXPECT_EQ(pixel(100, 30), QColor(Qt::black));
    EXPECT_EQ(pixel(100, 40), QColor(Qt::black));
    EXPECT_EQ(surface.position(), QPointF(500, 200));

    surface.line(QPointF(0, 0), QPointF(0, 600), QColor(255, 0, 0));
    EXPECT_EQ(pixel(0, 50), QColor(255, 0, 0));
    EXPECT_EQ(surface.foreColour(), QColor(Qt::black));
}

TEST_F(SurfaceTest, TextIsDrawnBelowTheDrawingPositionWhichMovesToTheNextLine) {
    surface.setForeColour(Qt::black);
    surface.setFontSize(16);
    surface.setPosition(QPointF(175, 100));  // pixel (35, 20)
    surface.printLine(QStringLiteral(" 3 5"));
    int inked = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (pixel(x, y) != QColor(255, 224, 192)) {
                ++inked;
                EXPECT_GE(x, 35);
                EXPECT_GE(y, 20);
            }
        }
    }
    EXPECT_GT(inked, 10);
    EXPECT_EQ(surface.position().x(), 0);
    EXPECT_GT(surface.position().y(), 100);
}

TEST_F(SurfaceTest, ClearPaintsTheBackgroundAndKeepsTheScale) {
    surface.fillBox(QPointF(0, 0), QPointF(1500, 600), Qt::black);
    surface.clear();
    EXPECT_EQ(pixel(150, 60), QColor(255, 224, 192));
    EXPECT_EQ(surface.toPixel(QPointF(1500, 600)), QPointF(300, 120));
}

TEST_F(SurfaceTest, PointerEventsArriveInLogicalUnits) {
    QSignalSpy moved(&surface, &DrawingSurface::pointerMoved);
    QSignalSpy clicked(&surface, &DrawingSurface::clicked);
    surface.show();
    QTest::mouseMove(&surface, QPoint(24, 12));
    QTest::mouseClick(&surface, Qt::LeftButton, {}, QPoint(150, 60));
    ASSERT_GE(moved.count(), 1);
    EXPECT_EQ(moved.first().at(0).toPointF(), QPointF(120, 60));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.first().at(0).toPointF(), QPointF(750, 300));
}

TEST_F(SurfaceTest, TheDrawingIsExportedAsJpegAndHandedToThePrinter) {
    surface.fillBox(QPointF(0, 0), QPointF(750, 600), QColor(0, 128, 0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("6M JO01AB  Europe.jpg"));
    QString error;
    ASSERT_TRUE(saveJpeg(surface.image(), path, error)) << qPrintable(error);
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage back = reader.read();
    ASSERT_EQ(back.size(), QSize(300, 120));
    const QColor left = back.pixelColor(50, 60);
    const QColor right = back.pixelColor(250, 60);
    EXPECT_NEAR(left.green(), 128, 8);
    EXPECT_NEAR(left.red(), 0, 8);
    EXPECT_NEAR(right.red(), 255, 8);
    EXPECT_NEAR(right.green(), 224, 8);

    EXPECT_FALSE(saveJpeg(surface.image(), dir.filePath(QStringLiteral("no/such/x.jpg")), error));
    EXPECT_FALSE(error.isEmpty());

    RecordingPrinter printer;
    ASSERT_TRUE(printer.printImage(surface.image(), error));
    ASSERT_EQ(printer.printed().size(), 1u);
    EXPECT_EQ(printer.printed()[0].pixelColor(50, 60), QColor(0, 128, 0));
    printer.failure = QStringLiteral("No default printer is set up.");
    EXPECT_FALSE(printer.printImage(surface.image(), error));
    EXPECT_EQ(error, printer.failure);
}

}  // namespace
}  // namespace morvel
