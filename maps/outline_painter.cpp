#include "maps/outline_painter.h"

#include <QPolygonF>

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

}  // namespace morvel
