#include "maps/outline_painter.h"

#include <QPolygonF>
#include <QTransform>

namespace morvel {

void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops) {
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

QTransform logicalMapping(double left, double top, double right, double bottom, QSizeF device) {
    const double sx = device.width() / (right - left);
    const double sy = device.height() / (bottom - top);
    return QTransform(sx, 0, 0, sy, -left * sx, -top * sy);
}

}  // namespace morvel
