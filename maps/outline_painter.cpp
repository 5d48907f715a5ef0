#include "maps/outline_painter.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

namespace morvel {

namespace {

// Vector devices (SVG, PDF, printers) get each outline as a path of its
// own, and the points that stand alone as points.
void replayAsPaths(QPainter& painter, std::span<const DrawOp> ops) {
    const QBrush brush = painter.brush();
    painter.setBrush(Qt::NoBrush);
    QPainterPath path;
    QPolygonF points;
    QPointF current;
    bool alone = false;  // `current` was set and no line has left it yet
    const auto flush = [&] {
        if (alone) points << current;
        if (!path.isEmpty()) painter.drawPath(path);
        path.clear();
    };
    for (const DrawOp& op : ops) {
        const QPointF p(op.x, op.y);
        if (op.kind == DrawOp::Kind::SetPoint) {
            flush();
            alone = true;
        } else {
            if (path.isEmpty()) path.moveTo(current);
            path.lineTo(p);
            alone = false;
        }
        current = p;
    }
    flush();
    if (!points.isEmpty()) painter.drawPoints(points);
    painter.setBrush(brush);
}

}  // namespace

void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops) {
    if (painter.paintEngine() && painter.paintEngine()->type() != QPaintEngine::Raster) {
        replayAsPaths(painter, ops);
        return;
    }
    QPolygonF run;
    QPointF current;
    const auto flush = [&] {
        if (run.size() > 1) painter.drawPolyline(run);
        run.clear();
    };
    for (const DrawOp& op : ops) {
        const QPointF p(op.x, op.y);
        if (op.kind == DrawOp::Kind::SetPoint) {
            flush();
            painter.drawPoint(p);
        } else if (run.isEmpty()) {
            run << current << p;
        } else {
            run << p;
        }
        current = p;
    }
    flush();
}

}  // namespace morvel
