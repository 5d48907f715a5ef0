#include "maps/outline_painter.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>
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

std::optional<QRect> directPixels(const QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image || painter.hasClipping() ||
        painter.opacity() != 1 || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    auto* picture = static_cast<QImage*>(device);
    if (picture->format() != QImage::Format_RGB32) return std::nullopt;
    return picture->rect();
}

namespace {

// One segment in device pixels, cut to the picture, each pixel it passes
// the one its point falls in, a pixel per step along its longer axis.
void plotSegment(uchar* bits, qsizetype stride, int width, int height, QPointF a, QPointF b,
                 QRgb colour) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const auto cut = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!cut(-dx, a.x()) || !cut(dx, width - a.x()) || !cut(-dy, a.y()) || !cut(dy, height - a.y()))
        return;
    const QPointF from(a.x() + t0 * dx, a.y() + t0 * dy);
    const QPointF to(a.x() + t1 * dx, a.y() + t1 * dy);
    const auto plot = [&](double x, double y) {
        const int px = std::clamp(static_cast<int>(std::floor(x)), 0, width - 1);
        const int py = std::clamp(static_cast<int>(std::floor(y)), 0, height - 1);
        reinterpret_cast<QRgb*>(bits + stride * py)[px] = colour;
    };
    // One pixel per column (or row) along the longer axis, where the line
    // crosses that column's middle.
    const bool across = std::abs(dx) >= std::abs(dy);
    const double start = across ? from.x() : from.y(), end = across ? to.x() : to.y();
    const double low = std::min(start, end), high = std::max(start, end);
    if (high - low == 0) {
        plot(from.x(), from.y());
        return;
    }
    const double slope = across ? dy / dx : dx / dy;
    for (int c = static_cast<int>(std::floor(low)); c <= static_cast<int>(std::floor(high)); ++c) {
        const double m = std::clamp(c + 0.5, low, high);
        const double other = (across ? from.y() : from.x()) + (m - start) * slope;
        if (across)
            plot(m, other);
        else
            plot(other, m);
    }
}

// The painter's pen is a plain one-pixel line in one opaque colour.
bool plainHairline(const QPainter& painter) {
    const QPen pen = painter.pen();
    return pen.isCosmetic() && pen.style() == Qt::SolidLine && pen.color().alpha() == 255 &&
           pen.brush().style() == Qt::SolidPattern && !painter.testRenderHint(QPainter::Antialiasing);
}

}  // namespace

void drawHairPolyline(QPainter& painter, const QPolygonF& points) {
    const std::optional<QRect> pixels = directPixels(painter);
    const QTransform t = painter.deviceTransform();
    if (!pixels || !plainHairline(painter) || t.type() > QTransform::TxScale) {
        painter.drawPolyline(points);
        return;
    }
    auto* picture = static_cast<QImage*>(painter.device());
    uchar* bits = picture->bits();
    const qsizetype stride = picture->bytesPerLine();
    const QRgb colour = painter.pen().color().rgba();
    const auto map = [&](QPointF p) { return QPointF(t.m11() * p.x() + t.dx(), t.m22() * p.y() + t.dy()); };
    QPointF last = map(points.value(0));
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF next = map(points[i]);
        plotSegment(bits, stride, picture->width(), picture->height(), last, next, colour);
        last = next;
    }
}

QRectF drawnArea(const QPainter& painter, QSizeF target) {
    QRectF area(QPointF(0, 0), target);
    if (painter.hasClipping()) area &= painter.clipBoundingRect();
    if (const QPaintDevice* device = painter.device(); device && device->devType() == QInternal::Image) {
        const auto* picture = static_cast<const QImage*>(device);
        bool invertible = false;
        const QTransform back = painter.deviceTransform().inverted(&invertible);
        if (invertible) area &= back.mapRect(QRectF(picture->rect()));
    }
    return area;
}

bool isVectorDevice(const QPainter& painter) {
    return painter.paintEngine() && painter.paintEngine()->type() != QPaintEngine::Raster;
}

void drawHairlines(QPainter& painter, std::span<const QLineF> lines) {
    if (!isVectorDevice(painter)) {
        const QPen pen = painter.pen();
        const std::optional<QRect> clip = directPixels(painter);
        if (!clip || !plainHairline(painter)) {
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
            return;
        }
        // Lines along the pixel rows and columns lit as the painter lights
        // them (the column or row the line lies in, both ends' pixels
        // included), straight onto the picture: the painter's cost per
        // pixel row of a long upright line is most of a map's frame.
        auto* picture = static_cast<QImage*>(painter.device());
        uchar* bits = picture->bits();
        const qsizetype stride = picture->bytesPerLine();
        const auto pixelRow = [&](int y) { return reinterpret_cast<QRgb*>(bits + stride * y); };
        const QTransform t = painter.deviceTransform();
        const QRgb colour = pen.color().rgba();
        std::vector<QLineF> others;
        for (const QLineF& line : lines) {
            const QPointF a = t.map(line.p1());
            const QPointF b = t.map(line.p2());
            if (a.x() == b.x() && a.y() != b.y()) {
                const double column = std::floor(a.x());
                if (column < clip->left() || column > clip->right()) continue;
                const double first = std::max<double>(std::floor(std::min(a.y(), b.y())), clip->top());
                const double last = std::min<double>(std::floor(std::max(a.y(), b.y())), clip->bottom());
                for (int y = static_cast<int>(first); y <= static_cast<int>(last) && first <= last; ++y)
                    pixelRow(y)[static_cast<int>(column)] = colour;
            } else if (a.y() == b.y() && a.x() != b.x()) {
                const double row = std::floor(a.y());
                if (row < clip->top() || row > clip->bottom()) continue;
                const double first = std::max<double>(std::floor(std::min(a.x(), b.x())), clip->left());
                const double last = std::min<double>(std::floor(std::max(a.x(), b.x())), clip->right());
                if (first > last) continue;
                QRgb* pixels = pixelRow(static_cast<int>(row));
                std::fill(pixels + static_cast<int>(first), pixels + static_cast<int>(last) + 1, colour);
            } else {
                others.push_back(line);
            }
        }
        if (!others.empty()) painter.drawLines(others.data(), static_cast<int>(others.size()));
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

namespace {

// The runs the raster replay draws at once, in order: a dot for each
// SetPoint, a polyline for each run of LineTo from the point before it.
template <typename Dot, typename Polyline>
void forEachDrawRun(std::span<const DrawOp> ops, Dot dot, Polyline polyline) {
    QPolygonF run;
    QPointF current;
    const auto flush = [&] {
        if (run.size() > 1) polyline(run);
        run.clear();
    };
    for (const DrawOp& op : ops) {
        const QPointF p(op.x, op.y);
        if (op.kind == DrawOp::Kind::SetPoint) {
            flush();
            dot(p);
        } else if (run.isEmpty()) {
            run << current << p;
        } else {
            run << p;
        }
        current = p;
    }
    flush();
}

}  // namespace

void replayDrawOps(QPainter& painter, std::span<const DrawOp> ops) {
    if (isVectorDevice(painter)) {
        replayAsPaths(painter, ops);
        return;
    }
    forEachDrawRun(
        ops, [&](QPointF p) { painter.drawPoint(p); },
        [&](const QPolygonF& run) { painter.drawPolyline(run); });
}

std::vector<DrawRun> drawRuns(std::span<const DrawOp> ops) {
    std::vector<DrawRun> runs;
    forEachDrawRun(
        ops, [&](QPointF p) { runs.push_back({QPolygonF{p}, QRectF(p, p)}); },
        [&](const QPolygonF& run) { runs.push_back({run, run.boundingRect()}); });
    return runs;
}

void replayDrawRuns(QPainter& painter, std::span<const DrawRun> runs, const QRectF& within) {
    for (const DrawRun& r : runs) {
        if (r.bounds.right() < within.left() || r.bounds.left() > within.right() ||
            r.bounds.bottom() < within.top() || r.bounds.top() > within.bottom())
            continue;
        if (r.points.size() == 1)
            painter.drawPoint(r.points.first());
        else
            painter.drawPolyline(r.points);
    }
}

}  // namespace morvel
