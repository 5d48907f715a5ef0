#pragma once

#include <QPainter>
#include <QPolygonF>
#include <QRectF>
#include <optional>
#include <span>
#include <vector>

#include "maps/outline_plot.h"

namespace morvel {

// Replays drawing operations onto a painter in its current pen and
// transform: SetPoint draws a point, LineTo a line from the current position.
// The caller maps the operations' coordinates onto the device (logicalMapping
// in maps/canvas.h) (for the field
// view: x 0..1500, y 0..601) and usually sets a cosmetic pen so lines stay one
// pixel wide under the scaling. Runs of LineTo become one polyline.
void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops);

// The same operations cut into what the raster replay draws at once (a
// polyline, or a dot), each with its bounds: a painter clipped to part of
// the map replays only the runs that reach into `within` (map coordinates),
// pixel for pixel as replayDrawOps would draw there.
struct DrawRun {
    QPolygonF points;  // one point: a dot
    QRectF bounds;
};
std::vector<DrawRun> drawRuns(std::span<const DrawOp> ops);
void replayDrawRuns(QPainter& painter, std::span<const DrawRun> runs, const QRectF& within);

// The pixels of the picture a painter paints plainly: an RGB32 picture, no
// clip, no opacity, no composition but over; nothing for any other painter.
// Where it answers, a drawing step may write the picture's pixels itself.
std::optional<QRect> directPixels(const QPainter& painter);
// The part of (0, 0)-target, in the painter's coordinates, that its clip and
// its picture's edges let through: a stripe of a frame draws only that.
QRectF drawnArea(const QPainter& painter, QSizeF target);

// A polyline in the painter's pen; a plain hairline on a picture's pixels
// (directPixels) is plotted straight onto them, a pixel per step, close to
// what the painter draws and far cheaper for the short steps of a coast.
void drawHairPolyline(QPainter& painter, const QPolygonF& points);

// The painter draws on a vector device (SVG, PDF, a printer), not on pixels.
bool isVectorDevice(const QPainter& painter);
// Lines in the painter's pen; on a vector device mapped to device units
// first, as replayDrawOps does, so that a one-pixel pen stays one pixel.
void drawHairlines(QPainter& painter, std::span<const QLineF> lines);

}  // namespace morvel
