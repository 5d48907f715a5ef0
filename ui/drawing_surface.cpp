#include "ui/drawing_surface.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace morvel {

DrawingSurface::DrawingSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_.setStyleHint(QFont::SansSerif);
}

void DrawingSurface::ensureImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize wanted = size() * ratio;
    if (image_.size() == wanted && !image_.isNull()) return;
    // Growing keeps what was drawn; the new part gets the background.
    QImage grown(wanted.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    grown.setDevicePixelRatio(ratio);
    grown.fill(background_);
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(QPointF(0, 0), image_);
    }
    image_ = grown;
}

void DrawingSurface::setScale(double x1, double y1, double x2, double y2) {
    ensureImage();
    const double w = width() > 0 ? width() : 1;
    const double h = height() > 0 ? height() : 1;
    const double sx = x2 != x1 ? w / (x2 - x1) : 1;
    const double sy = y2 != y1 ? h / (y2 - y1) : 1;
    toPixel_ = QTransform(sx, 0, 0, sy, -x1 * sx, -y1 * sy);
    toLogical_ = toPixel_.inverted();
    scaleLeft_ = x1;
}

void DrawingSurface::setBackgroundColour(const QColor& colour) {
    background_ = colour;
}

void DrawingSurface::clear() {
    ensureImage();
    image_.fill(background_);
    position_ = toLogical(QPointF(0, 0));
    update();
}

QRectF DrawingSurface::pixelRect(QPointF a, QPointF b) const {
    return QRectF(toPixel(a), toPixel(b)).normalized();
}

void DrawingSurface::fillBox(QPointF a, QPointF b, const QColor& colour) {
    ensureImage();
    QPainter p(&image_);
    const QRectF r = pixelRect(a, b);
    p.fillRect(r, colour);
    p.setPen(QPen(colour, 0));
    p.drawRect(r);
    position_ = b;
    update();
}

void DrawingSurface::box(QPointF a, QPointF b, const QColor& colour) {
    ensureImage();
    QPainter p(&image_);
    p.setPen(QPen(colour, 0));
    p.drawRect(pixelRect(a, b));
    position_ = b;
    update();
}

void DrawingSurface::line(QPointF a, QPointF b) {
    line(a, b, fore_);
}

void DrawingSurface::line(QPointF a, QPointF b, const QColor& colour) {
    ensureImage();
    QPainter p(&image_);
    p.setPen(QPen(colour, 0));
    p.drawLine(toPixel(a), toPixel(b));
    position_ = b;
    update();
}

void DrawingSurface::lineTo(QPointF p) {
    line(position_, p);
}

void DrawingSurface::point(QPointF pt) {
    ensureImage();
    QPainter p(&image_);
    p.setPen(QPen(fore_, 0));
    p.drawPoint(toPixel(pt));
    position_ = pt;
    update();
}

void DrawingSurface::setFontSize(qreal points) {
    font_.setPointSizeF(points);
}

void DrawingSurface::printLine(const QString& text) {
    ensureImage();
    QPainter p(&image_);
    p.setFont(font_);
    p.setPen(fore_);
    const QFontMetricsF metrics(font_, &image_);
    const QPointF topLeft = toPixel(position_);
    p.drawText(topLeft + QPointF(0, metrics.ascent()), text);
    const QPointF next = toLogical(topLeft + QPointF(0, metrics.height()));
    position_ = QPointF(scaleLeft_, next.y());
    update();
}

QPointF DrawingSurface::toLogical(QPointF pixel) const {
    return toLogical_.map(pixel);
}

QPointF DrawingSurface::toPixel(QPointF logical) const {
    return toPixel_.map(logical);
}

QColor DrawingSurface::colourAt(QPointF logical) const {
    const QPointF px = toPixel(logical) * image_.devicePixelRatio();
    const QPoint at(static_cast<int>(px.x()), static_cast<int>(px.y()));
    if (!image_.rect().contains(at)) return {};
    return image_.pixelColor(at);
}

void DrawingSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    if (!image_.isNull()) p.drawImage(QPointF(0, 0), image_);
}

void DrawingSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ensureImage();
}

void DrawingSurface::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(toLogical(event->position()));
}

void DrawingSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked(toLogical(event->position()));
    }
}

}  // namespace morvel
