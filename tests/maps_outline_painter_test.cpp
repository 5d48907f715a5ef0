#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "maps/outline_painter.h"
#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;

const QColor kBackground(255, 224, 192);

QImage fieldImage() {
    QImage image(1501, 602, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

void draw(QImage& image, const std::vector<DrawOp>& ops, QColor colour,
          const QTransform& mapping = QTransform()) {
    QPainter painter(&image);
    painter.setTransform(mapping);
    QPen pen(colour);
    pen.setWidth(0);
    painter.setPen(pen);
    replayDrawOps(painter, ops);
}

TEST(OutlinePainter, PointsAndLinesLandOnTheirPixels) {
    QImage image = fieldImage();
    draw(image,
         {{Kind::SetPoint, 10, 10},
          {Kind::LineTo, 30, 10},
          {Kind::LineTo, 30, 40},
          {Kind::SetPoint, 100, 100},
          {Kind::SetPoint, 200, 100},
          {Kind::LineTo, 200, 120}},
         Qt::black);
    const QColor black(Qt::black);
    const struct {
        int x, y;
        bool inked;
    } probes[] = {{10, 10, true},   {20, 10, true},    {30, 10, true},   {30, 25, true},
                  {30, 40, true},   {20, 25, false},   {100, 100, true}, {150, 100, false},
                  {200, 110, true}, {200, 121, false}, {31, 41, false}};
    for (const auto& p : probes) {
        EXPECT_EQ(image.pixelColor(p.x, p.y) == black, p.inked) << p.x << "," << p.y;
    }
}

TEST(OutlinePainter, FieldIOPointDrawnOnTheSouthernEdge) {
    std::vector<DrawOp> ops;
    plotFieldView(std::vector<OutlinePoint>{{2000, 3000, -60}, {0, 3060, -60}},
                  fieldOrigin(340, 50), ops);
    QImage image = fieldImage();
    draw(image, ops, QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(1140, 600), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(1140, 570), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(1140, 539), kBackground);
    EXPECT_EQ(image.pixelColor(1141, 570), kBackground);
}

TEST(OutlinePainter, WorldMappingPutsNorthUp) {
    const QTransform mapping = logicalMapping(0, 5400, 21600, -5400, QSizeF(2160, 1080));
    EXPECT_EQ(mapping.map(QPointF(10800, 0)), QPointF(1080, 540));
    EXPECT_EQ(mapping.map(QPointF(0, 5400)), QPointF(0, 0));
    EXPECT_EQ(mapping.map(QPointF(21600, -5400)), QPointF(2160, 1080));

    std::vector<DrawOp> ops;
    // From 10 E 30 N to 20 E 30 N, then a point at 179 W on the equator.
    plotWorldMap(std::vector<OutlinePoint>{{2000, 1800, 600}, {0, 1800, 1200}, {2000, 0, -10740}},
                 ops);
    QImage image(2160, 1080, QImage::Format_RGB32);
    image.fill(kBackground);
    draw(image, ops, Qt::black, mapping);
    EXPECT_EQ(image.pixelColor(1150, 360), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(1150, 380), kBackground);
    EXPECT_EQ(image.pixelColor(6, 540), QColor(Qt::black));
}

}  // namespace
}  // namespace morvel
