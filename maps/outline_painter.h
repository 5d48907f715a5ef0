#pragma once

#include <QPainter>
#include <span>

#include "maps/outline_plot.h"

namespace morvel {

// Replays drawing operations onto a painter in its current pen and
// transform: SetPoint draws a point, LineTo a line from the current position.
// The caller maps the operations' coordinates onto the device (logicalMapping
// in maps/canvas.h) (for the field
// view: x 0..1500, y 0..601) and usually sets a cosmetic pen so lines stay one
// pixel wide under the scaling. Runs of LineTo become one polyline.
void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops);

// The painter draws on a vector device (SVG, PDF, a printer), not on pixels.
bool isVectorDevice(const QPainter& painter);
// Lines in the painter's pen; on a vector device mapped to device units
// first, as replayDrawOps does, so that a one-pixel pen stays one pixel.
void drawHairlines(QPainter& painter, std::span<const QLineF> lines);

}  // namespace morvel
