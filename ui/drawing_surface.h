#pragma once

#include <QPointF>
#include <QWidget>

#include "maps/canvas.h"

namespace morvel {

// A window's drawing area: it shows a canvas the size of the area, at the
// screen's pixel density, and reports the pointer in the canvas's logical
// coordinates. The window draws on canvas(); the area repaints from it.
class DrawingSurface : public QWidget {
    Q_OBJECT
public:
    explicit DrawingSurface(QWidget* parent = nullptr);

    // Sized to the area as it is now, so that a scale set next maps onto it.
    Canvas& canvas();
    const Canvas& canvas() const { return canvas_; }

signals:
    void pointerMoved(QPointF logical);
    void clicked(QPointF logical);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitCanvas();

    Canvas canvas_;
};

}  // namespace morvel
