#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QTransform>
#include <functional>
#include <memory>
#include <span>

#include "maps/outline_plot.h"

class QPainter;

namespace morvel {

// The transform that maps the rectangle of logical coordinates (left, top) to
// (right, bottom) onto a device of the given size, each axis by itself. A
// bottom below top (as in the world map, where north is up) flips the axis;
// an axis of no extent keeps a scale of 1.
QTransform logicalMapping(double left, double top, double right, double bottom, QSizeF device);

// A picture that keeps what is drawn on it, in logical coordinates set by
// setScale; the mapping is fixed from the canvas's size at that moment. All
// drawing between two looks at the image goes through one painter, so a map
// of 100,000 primitives costs one painter set-up, not 100,000.
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
    // The whole canvas in the background colour; the drawing position goes
    // back to the scale's origin.
    void clear();
    void setBackgroundColour(const QColor& colour) { background_ = colour; }
    QColor backgroundColour() const { return background_; }
    void setForeColour(const QColor& colour) { fore_ = colour; }
    QColor foreColour() const { return fore_; }

    // Box between two corners, border and interior in the colour given.
    void fillBox(QPointF a, QPointF b, const QColor& colour);
    // Box outline between two corners.
    void box(QPointF a, QPointF b, const QColor& colour);
    // A line in the foreground colour, or in the colour given; the drawing
    // position moves to b.
    void line(QPointF a, QPointF b);
    void line(QPointF a, QPointF b, const QColor& colour);
    // From the drawing position to p, which becomes the drawing position.
    void lineTo(QPointF p);
    // One point in the foreground colour; it becomes the drawing position.
    void point(QPointF p);
    // Outline operations in logical coordinates, one pixel wide.
    void outline(std::span<const DrawOp> ops, const QColor& colour);
    // Hands a renderer that draws a whole picture the batch's painter, in
    // device-independent pixels (the scale is not applied); the painter's
    // state is restored afterwards.
    void paint(const std::function<void(QPainter&)>& draw);

    void setPosition(QPointF p) { position_ = p; }
    QPointF position() const { return position_; }
    void setFontSize(qreal points) { font_.setPointSizeF(points); }
    void setTextFont(const QFont& font) { font_ = font; }
    // One line of text whose top left is the drawing position, in the
    // foreground colour over what is drawn (no background); the drawing
    // position then moves to the start of the next line.
    void printLine(const QString& text);

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
    void usePen(const QColor& colour);
    void endBatch() const;
    QRectF pixelRect(QPointF a, QPointF b) const;

    QSize size_;
    QImage image_;
    mutable std::unique_ptr<QPainter> painter_;
    QColor penColour_;
    QTransform toPixel_;
    QTransform toLogical_;
    QColor background_{Qt::white};
    QColor fore_{Qt::black};
    QFont font_;
    QPointF position_;
    double scaleLeft_ = 0;
};

}  // namespace morvel
