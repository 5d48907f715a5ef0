#include "ui/moving_map_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace morvel {

namespace {
constexpr double kWheelStep = 1.25;   // zoom per notch of the wheel, and per + or -
constexpr double kPanShare = 0.1;     // of the area per arrow key
constexpr double kDragThreshold = 4;  // pixels a press may move and still be a click
constexpr int kRestMs = 400;          // the pointer at rest this long: its tool tip
}  // namespace

MovingMapView::MovingMapView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    restTimer_.setSingleShot(true);
    restTimer_.setInterval(kRestMs);
    connect(&restTimer_, &QTimer::timeout, this, &MovingMapView::showTooltip);
}

void MovingMapView::setCamera(const MapCamera& camera) {
    camera_ = camera;
    update();
    emit cameraChanged();
}

void MovingMapView::setLayers(std::vector<MapLayer> layers) {
    layers_ = std::move(layers);
    update();
}

void MovingMapView::setOutlines(std::shared_ptr<const MapOutlines> outlines) {
    outlines_ = std::move(outlines);
    update();
}

void MovingMapView::setOptions(const MovingMapOptions& options) {
    options_ = options;
    update();
}

QPointF MovingMapView::mapPointAt(QPointF pixel) const {
    return camera_.toMap(pixel, QSizeF(size()));
}

QString MovingMapView::tooltipAt(QPointF pixel) const {
    const std::string locator = locatorAt(mapPointAt(pixel));
    if (locator.empty()) return {};
    return squareTooltip(locator.substr(0, 4), layers_, sources_);
}

void MovingMapView::paintEvent(QPaintEvent*) {
    // Drawn on every core into the frame, then shown.
    const double ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (frame_.size() != pixels) {
        frame_ = QImage(pixels, QImage::Format_RGB32);
        frame_.setDevicePixelRatio(ratio);
    }
    renderMovingMap(frame_, camera_, layers_, outlines_.get(), options_, &labels_);
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), frame_);
}

void MovingMapView::zoomAbout(QPointF pixel, double factor) {
    camera_.zoomAbout(pixel, QSizeF(size()), factor);
    update();
    emit cameraChanged();
    emit pointerMoved(mapPointAt(pointer_));
}

void MovingMapView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) zoomAbout(event->position(), std::pow(kWheelStep, notches));
    event->accept();
}

void MovingMapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragged_ = false;
    pressedAt_ = lastDrag_ = event->position();
    QToolTip::hideText();
}

void MovingMapView::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position();
    if (pressed_) {
        const QPointF moved = event->position() - pressedAt_;
        if (std::hypot(moved.x(), moved.y()) > kDragThreshold) dragged_ = true;
        if (dragged_) {
            camera_.panBy(event->position() - lastDrag_, QSizeF(size()));
            lastDrag_ = event->position();
            update();
            emit cameraChanged();
        }
    } else {
        restTimer_.start();
    }
    emit pointerMoved(mapPointAt(pointer_));
}

void MovingMapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (!dragged_) emit clicked(mapPointAt(event->position()));
}

void MovingMapView::keyPressEvent(QKeyEvent* event) {
    const QPointF middle(width() / 2.0, height() / 2.0);
    const QPointF step(width() * kPanShare, height() * kPanShare);
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAbout(middle, kWheelStep);
            return;
        case Qt::Key_Minus:
            zoomAbout(middle, 1 / kWheelStep);
            return;
        // An arrow shows more of the map on its side.
        case Qt::Key_Left:
            camera_.panBy(QPointF(step.x(), 0), QSizeF(size()));
            break;
        case Qt::Key_Right:
            camera_.panBy(QPointF(-step.x(), 0), QSizeF(size()));
            break;
        case Qt::Key_Up:
            camera_.panBy(QPointF(0, step.y()), QSizeF(size()));
            break;
        case Qt::Key_Down:
            camera_.panBy(QPointF(0, -step.y()), QSizeF(size()));
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    update();
    emit cameraChanged();
}

bool MovingMapView::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoomAbout(gesture->position(), 1 + gesture->value());
            return true;
        }
    }
    if (event->type() == QEvent::Leave) restTimer_.stop();
    return QWidget::event(event);
}

void MovingMapView::showTooltip() {
    if (!underMouse() && !rect().contains(pointer_.toPoint())) return;
    const QString text = tooltipAt(pointer_);
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(mapToGlobal(pointer_.toPoint()), text, this);
}

}  // namespace morvel
