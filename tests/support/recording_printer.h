#pragma once

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <vector>

#include "ui/printing.h"

namespace morvel {

// One drawing command as the printer received it, in device pixels.
struct PrintedCommand {
    enum class Kind { Shape, Text, Image } kind;
    QRectF bounds;
    QColor fill;   // a shape's brush colour, if any
    QString text;  // a text's characters
};

// Keeps the commands drawn on it, as a paint engine of a printer does.
class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& s) override {
        if (s.state() & DirtyTransform) transform = s.transform();
        if (s.state() & DirtyBrush) brush = s.brush();
    }
    void drawPath(const QPainterPath& path) override { shape(path.boundingRect()); }
    void drawRects(const QRectF* rects, int count) override {
        for (int k = 0; k < count; ++k) shape(rects[k]);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int k = 0; k < count; ++k) shape(QRectF(lines[k].p1(), lines[k].p2()).normalized());
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        shape(QPolygonF(QList<QPointF>(points, points + count)).boundingRect());
    }
    void drawPoints(const QPointF* points, int count) override { drawPolygon(points, count, {}); }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        commands.push_back({PrintedCommand::Kind::Text, transform.mapRect(QRectF(p, QSizeF())),
                            {}, item.text()});
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { image(r); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        image(r);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { image(r); }

    std::vector<PrintedCommand> commands;

private:
    void shape(const QRectF& r) {
        commands.push_back({PrintedCommand::Kind::Shape, transform.mapRect(r),
                            brush.style() == Qt::NoBrush ? QColor() : brush.color(), {}});
    }
    void image(const QRectF& r) {
        commands.push_back({PrintedCommand::Kind::Image, transform.mapRect(r), {}, {}});
    }
    QTransform transform;
    QBrush brush;
};

// The printable part of an A4 page turned to landscape, a quarter inch in
// from each edge, at 1200 dots per inch.
class RecordingPage : public QPaintDevice {
public:
    static constexpr int kDotsPerInch = 1200, kWidth = 13431, kHeight = 9321;
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth: return kWidth;
            case PdmHeight: return kHeight;
            case PdmWidthMM: return kWidth * 254 / 10 / kDotsPerInch;
            case PdmHeightMM: return kHeight * 254 / 10 / kDotsPerInch;
            case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY:
                return kDotsPerInch;
            case PdmDevicePixelRatioScaled: return devicePixelRatioFScale();
            default: return m == PdmDepth ? 32 : 1;
        }
    }
};

// Lays each page out on a recording page as the real printer does, and keeps
// its commands; fails with `failure` when that is set.
struct RecordingPrinter : Printer {
    bool print(QSizeF size, const Drawing& draw, const QString& caption, QString& error) override {
        if (!(error = failure).isEmpty()) return false;
        RecordingPage page;
        QPainter painter(&page);
        paintPage(painter, QRectF(0, 0, page.kWidth, page.kHeight), size, draw, caption);
        painter.end();
        printed.push_back(page.engine.commands);
        return true;
    }
    std::vector<std::vector<PrintedCommand>> printed;
    QString failure;
};

}  // namespace morvel
