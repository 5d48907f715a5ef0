#include "maps/outline_painter.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

namespace morvel {

namespace {

// Strokes drawn in device units while it lives: a one-pixel pen stays one
// pixel under a scaling world transform also in viewers that scale every pen
// (SVG viewers ignore Qt's non-scaling strokes).
class OnDevice {
public:
    explicit OnDevice(QPainter& painter) : painter_(painter), world_(painter.worldTransform()) {
        painter.save();
        painter.setWorldTransform(QTransform());
        painter.setBrush(Qt::NoBrush);
    }
    ~OnDevice() { painter_.restore(); }
    template <typename Shape>
    Shape map(const Shape& shape) const {
        return world_.map(shape);
    }

private:
    QPainter& painter_;
    QTransform world_;
};

// Vector devices get each outline as a path of its own, and the points
// that stand alone as points.
void replayAsPaths(QPainter& painter, std::span<const DrawOp> ops) {
    const OnDevice device(painter);
    QPainterPath path;
    QPolygonF points;
    QPointF current;
    bool alone = false;  // `current` was set and no line has left it yet
    const auto flush = [&] {
        if (alone) points << current;
        if (!path.isEmpty()) painter.drawPath(device.map(path));
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
    if (!points.isEmpty()) painter.drawPoints(device.map(points));
}

}  // namespace

bool isVectorDevice(const QPainter& painter) {
    return painter.paintEngine() && painter.paintEngine()->type() != QPaintEngine::Raster;
}

void drawHairlines(QPainter& painter, std::span<const QLineF> lines) {
    if (!isVectorDevice(painter)) {
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        return;
    }
    const OnDevice device(painter);
    QPainterPath path;
    for (const QLineF& line : lines) {
        path.moveTo(line.p1());
        path.lineTo(line.p2());
    }
    painter.drawPath(device.map(path));
}

void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops) {
    if (isVectorDevice(painter)) {
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
