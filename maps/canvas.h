#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QTransform>
#include <functional>
#include <memory>

class QPainter;

namespace morvel {

// The transform that maps the rectangle of logical coordinates (left, top) to
// (right, bottom) onto a device of the given size, each axis by itself. A
// bottom below top (as in the world map, where north is up) flips the axis;
// an axis of no extent keeps a scale of 1.
QTransform logicalMapping(double left, double top, double right, double bottom, QSizeF device);

// A picture that keeps what the renderers draw on it, with a logical scale
// set by setScale (fixed from the canvas's size at that moment) through which
// a window turns pointer positions into map coordinates and back.
class Canvas {
public:
    // size in device-independent pixels; the image holds size * ratio pixels.
    explicit Canvas(QSize size = QSize(1, 1), qreal devicePixelRatio = 1);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Growing keeps what was drawn; the new part gets the background.
    void resize(QSize size, qreal devicePixelRatio = 1);
    QSize size() const { return size_; }

    // Maps (x1, y1) onto the top left and (x2, y2) onto the bottom right of
    // the canvas as it is now.
    void setScale(double x1, double y1, double x2, double y2);
    // The whole canvas in the background colour.
    void clear();
    void setBackgroundColour(const QColor& colour) { background_ = colour; }
    QColor backgroundColour() const { return background_; }
    // Hands a renderer that draws a whole picture the batch's painter, in
    // device-independent pixels (the scale is not applied); the painter's
    // state is restored afterwards.
    void paint(const std::function<void(QPainter&)>& draw);

    QPointF toLogical(QPointF pixel) const { return toLogical_.map(pixel); }
    QPointF toPixel(QPointF logical) const { return toPixel_.map(logical); }
    // The drawing so far (ends the running batch of drawing).
    const QImage& image() const;
    // The colour drawn at a logical point.
    QColor colourAt(QPointF logical) const;

    // Called when a batch of drawing begins, so that a view can repaint.
    std::function<void()> onChange;

private:
    QPainter& painter();
    void endBatch() const;

    QSize size_;
    QImage image_;
    mutable std::unique_ptr<QPainter> painter_;
    QTransform toPixel_;
    QTransform toLogical_;
    QColor background_{Qt::white};
};

}  // namespace morvel
