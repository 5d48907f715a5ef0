#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QTransform>
#include <QWidget>

namespace morvel {

// A window's drawing area that keeps what is drawn on it as an image: it
// repaints from that image when uncovered, and printing and export take the
// image. Drawing is in logical coordinates set by setScale; the mapping is
// fixed from the area's size at that moment.
class DrawingSurface : public QWidget {
    Q_OBJECT
public:
    explicit DrawingSurface(QWidget* parent = nullptr);

    // Maps (x1, y1) onto the top left and (x2, y2) onto the bottom right of
    // the area as it is now.
    void setScale(double x1, double y1, double x2, double y2);
    // The whole area in the background colour; the drawing position goes back
    // to the scale's origin.
    void clear();
    void setBackgroundColour(const QColor& colour);
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

    void setPosition(QPointF p) { position_ = p; }
    QPointF position() const { return position_; }
    void setFontSize(qreal points);
    void setTextFont(const QFont& font) { font_ = font; }
    // One line of text whose top left is the drawing position, in the
    // foreground colour over what is drawn (no background); the drawing
    // position then moves to the start of the next line.
    void printLine(const QString& text);

    // Logical coordinates of a point of the area, and back.
    QPointF toLogical(QPointF pixel) const;
    QPointF toPixel(QPointF logical) const;
    // The drawing, the size of the area.
    const QImage& image() const { return image_; }
    // The colour drawn at a logical point (for checks).
    QColor colourAt(QPointF logical) const;

signals:
    void pointerMoved(QPointF logical);
    void clicked(QPointF logical);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ensureImage();
    QRectF pixelRect(QPointF a, QPointF b) const;

    QImage image_;
    QTransform toPixel_;
    QTransform toLogical_;
    QColor background_{Qt::white};
    QColor fore_{Qt::black};
    QFont font_;
    QPointF position_;
    double scaleLeft_ = 0;
};

}  // namespace morvel
