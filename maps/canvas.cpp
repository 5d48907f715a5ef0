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
    font_.setStyleHint(QFont::SansSerif);
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
    scaleLeft_ = x1;
}

QPainter& Canvas::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        penColour_ = QColor();
        if (onChange) onChange();
    }
    return *painter_;
}

void Canvas::usePen(const QColor& colour) {
    QPainter& p = painter();
    if (colour == penColour_) return;
    p.setPen(QPen(colour, 0));
    penColour_ = colour;
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
    position_ = toLogical(QPointF(0, 0));
    if (onChange) onChange();
}

QRectF Canvas::pixelRect(QPointF a, QPointF b) const {
    return QRectF(toPixel(a), toPixel(b)).normalized();
}

void Canvas::fillBox(QPointF a, QPointF b, const QColor& colour) {
    const QRectF r = pixelRect(a, b);
    usePen(colour);
    painter_->fillRect(r, colour);
    painter_->drawRect(r);
    position_ = b;
}

void Canvas::box(QPointF a, QPointF b, const QColor& colour) {
    usePen(colour);
    painter_->drawRect(pixelRect(a, b));
    position_ = b;
}

void Canvas::line(QPointF a, QPointF b) {
    line(a, b, fore_);
}

void Canvas::line(QPointF a, QPointF b, const QColor& colour) {
    usePen(colour);
    painter_->drawLine(toPixel(a), toPixel(b));
    position_ = b;
}

void Canvas::lineTo(QPointF p) {
    line(position_, p);
}

void Canvas::point(QPointF p) {
    usePen(fore_);
    painter_->drawPoint(toPixel(p));
    position_ = p;
}

void Canvas::outline(std::span<const DrawOp> ops, const QColor& colour) {
    QPainter& p = painter();
    QPen pen(colour, 0);
    pen.setCosmetic(true);
    p.setPen(pen);
    penColour_ = QColor();
    p.setTransform(toPixel_);
    replayDrawOps(p, ops);
    p.resetTransform();
}

void Canvas::paint(const std::function<void(QPainter&)>& draw) {
    QPainter& p = painter();
    p.save();
    draw(p);
    p.restore();
    penColour_ = QColor();
}

void Canvas::printLine(const QString& text) {
    QPainter& p = painter();
    p.setFont(font_);
    usePen(fore_);
    const QFontMetricsF metrics(font_, &image_);
    const QPointF topLeft = toPixel(position_);
    p.drawText(topLeft + QPointF(0, metrics.ascent()), text);
    const QPointF next = toLogical(topLeft + QPointF(0, metrics.height()));
    position_ = QPointF(scaleLeft_, next.y());
}

QColor Canvas::colourAt(QPointF logical) const {
    const QImage& picture = image();
    const QPointF px = toPixel(logical) * picture.devicePixelRatio();
    const QPoint at(static_cast<int>(px.x()), static_cast<int>(px.y()));
    if (!picture.rect().contains(at)) return {};
    return picture.pixelColor(at);
}

}  // namespace morvel
