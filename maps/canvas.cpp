#include "maps/canvas.h"

#include <QFontMetricsF>
#include <QPainter>

#include "maps/outline_painter.h"

namespace morvel {

QTransform logicalMapping(double left, double top, double right, double bottom, QSizeF device) {
    const double w = device.width() > 0 ? device.width() : 1;
    const double h = device.height() > 0 ? device.height() : 1;
    const double sx = right != left ? w / (right - left) : 1;
    const double sy = bottom != top ? h / (bottom - top) : 1;
    return QTransform(sx, 0, 0, sy, -left * sx, -top * sy);
}

Canvas::Canvas(QSize size, qreal devicePixelRatio) {
    resize(size, devicePixelRatio);
}

Canvas::~Canvas() = default;

void Canvas::resize(QSize size, qreal devicePixelRatio) {
    size = size.expandedTo(QSize(1, 1));
    const QSize pixels = size * devicePixelRatio;
    if (size == size_ && image_.size() == pixels) return;
    endBatch();
    QImage grown(pixels, QImage::Format_RGB32);
    grown.setDevicePixelRatio(devicePixelRatio);
    grown.fill(background_);
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(QPointF(0, 0), image_);
    }
    image_ = grown;
    size_ = size;
}

void Canvas::setScale(double x1, double y1, double x2, double y2) {
    toPixel_ = logicalMapping(x1, y1, x2, y2, size_);
    toLogical_ = toPixel_.inverted();
}

QPainter& Canvas::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        if (onChange) onChange();
    }
    return *painter_;
}

void Canvas::endBatch() const {
    painter_.reset();
}

const QImage& Canvas::image() const {
    endBatch();
    return image_;
}

void Canvas::clear() {
    endBatch();
    image_.fill(background_);
    if (onChange) onChange();
}

void Canvas::paint(const std::function<void(QPainter&)>& draw) {
    QPainter& p = painter();
    p.save();
    draw(p);
    p.restore();
}

QColor Canvas::colourAt(QPointF logical) const {
    const QImage& picture = image();
    const QPointF px = toPixel(logical) * picture.devicePixelRatio();
    const QPoint at(static_cast<int>(px.x()), static_cast<int>(px.y()));
    if (!picture.rect().contains(at)) return {};
    return picture.pixelColor(at);
}

}  // namespace morvel
