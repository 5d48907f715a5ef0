#include "ui/drawing_surface.h"

#include <QMouseEvent>
#include <QPainter>

namespace morvel {

DrawingSurface::DrawingSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_.onChange = [this] { update(); };
}

void DrawingSurface::fitCanvas() {
    canvas_.resize(size(), devicePixelRatioF());
}

Canvas& DrawingSurface::canvas() {
    fitCanvas();
    return canvas_;
}

void DrawingSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), canvas_.backgroundColour());
    p.drawImage(QPointF(0, 0), canvas_.image());
}

void DrawingSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitCanvas();
}

void DrawingSurface::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(canvas_.toLogical(event->position()));
}

void DrawingSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked(canvas_.toLogical(event->position()));
    }
}

}  // namespace morvel
