#pragma once

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "maps/moving_map.h"

namespace morvel {

// The moving map's drawing area: every paint is a fresh frame of the
// renderer at the camera's centre and zoom. The wheel zooms about the
// pointer, as do + and - about the middle and a touchpad's pinch; a drag or
// the arrow keys pan. When the pointer rests, the square under it gets its
// tool tip.
class MovingMapView : public QWidget {
    Q_OBJECT
public:
    explicit MovingMapView(QWidget* parent = nullptr);

    const MapCamera& camera() const { return camera_; }
    void setCamera(const MapCamera& camera);
    // The layers' records are borrowed: the owner keeps them alive and calls
    // setLayers again when they change.
    void setLayers(std::vector<MapLayer> layers);
    const std::vector<MapLayer>& layers() const { return layers_; }
    void setOutlines(std::shared_ptr<const MapOutlines> outlines);
    void setOptions(const MovingMapOptions& options);
    const MovingMapOptions& options() const { return options_; }
    void setConfirmingSources(ConfirmingSourcesOf sources) { sources_ = std::move(sources); }

    // The tool tip of the square under a point of the area.
    QString tooltipAt(QPointF pixel) const;
    QPointF mapPointAt(QPointF pixel) const;

signals:
    void pointerMoved(QPointF mapPoint);
    void clicked(QPointF mapPoint);
    void cameraChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void zoomAbout(QPointF pixel, double factor);
    void showTooltip();

    MapCamera camera_;
    std::vector<MapLayer> layers_;
    std::shared_ptr<const MapOutlines> outlines_;
    MovingMapOptions options_;
    ConfirmingSourcesOf sources_;
    QPointF pressedAt_;
    QPointF lastDrag_;
    bool pressed_ = false;
    bool dragged_ = false;
    QPointF pointer_;
    QTimer restTimer_;
    QImage frame_;
    MapLabelCache labels_;
};

}  // namespace morvel
