#include "ui/drawing_surface.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

namespace morvel {
namespace {

TEST(DrawingSurface, ShowsItsCanvasAndReportsThePointerInLogicalUnits) {
    DrawingSurface surface;
    surface.resize(300, 120);
    Canvas& canvas = surface.canvas();
    EXPECT_EQ(canvas.size(), QSize(300, 120));
    canvas.setScale(0, 0, 1500, 600);
    canvas.fillBox(QPointF(0, 0), QPointF(750, 600), Qt::black);
    QSignalSpy moved(&surface, &DrawingSurface::pointerMoved);
    QSignalSpy clicked(&surface, &DrawingSurface::clicked);
    surface.show();
    QTest::mouseMove(&surface, QPoint(24, 12));
    QTest::mouseClick(&surface, Qt::LeftButton, {}, QPoint(150, 60));
    ASSERT_GE(moved.count(), 1);
    EXPECT_EQ(moved.first().at(0).toPointF(), QPointF(120, 60));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.first().at(0).toPointF(), QPointF(750, 300));
    const QImage shown = surface.grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(290, 10), QColor(Qt::white));
}

}  // namespace
}  // namespace morvel
