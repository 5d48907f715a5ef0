#pragma once

#include <QPaintEngine>
#include <QPainterPath>
#include <QStringList>
#include <QTextItem>
#include <vector>

#include "ui/printing.h"

namespace morvel {

// One drawing command as a printer receives it, in device pixels.
struct PrintedCommand {
    enum class Kind { Shape, Text, Image } kind;
    QRectF bounds;
    QColor fill;   // a shape's brush colour, if any
    QString text;  // a text's characters
};

// Keeps the commands drawn on it, as the paint engine of a printer would.
struct RecordingEngine : QPaintEngine {
    RecordingEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& s) override {
        if (s.state() & DirtyTransform) transform = s.transform();
        if (s.state() & DirtyBrush)
            fill = s.brush().style() == Qt::NoBrush ? QColor() : s.brush().color();
    }
    void drawPath(const QPainterPath& path) override { add(Kind::Shape, path.boundingRect()); }
    void drawRects(const QRectF* rects, int count) override {
        for (int k = 0; k < count; ++k) add(Kind::Shape, rects[k]);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        add(Kind::Shape, QPolygonF(QList<QPointF>(points, points + count)).boundingRect());
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        add(Kind::Text, QRectF(p, QSizeF()), item.text());
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
        add(Kind::Image, r);
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        add(Kind::Image, r);
    }

    using Kind = PrintedCommand::Kind;
    void add(Kind kind, const QRectF& r, const QString& text = {}) {
        commands.push_back(
            {kind, transform.mapRect(r), kind == Kind::Shape ? fill : QColor(), text});
    }
    std::vector<PrintedCommand> commands;
    QTransform transform;
    QColor fill;
};

// The printable part of an A4 page turned to landscape, a quarter inch in
// from each edge, at 1200 dots per inch.
struct RecordingPage : QPaintDevice {
    static constexpr int kDotsPerInch = 1200, kWidth = 13431, kHeight = 9321;
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override {
        return m == PdmWidth                                   ? kWidth
               : m == PdmHeight                                ? kHeight
               : m == PdmWidthMM                               ? kWidth * 254 / 10 / kDotsPerInch
               : m == PdmHeightMM                              ? kHeight * 254 / 10 / kDotsPerInch
               : m == PdmDepth                                 ? 32
               : m == PdmDevicePixelRatioScaled                ? devicePixelRatioFScale()
               : m == PdmDevicePixelRatio || m == PdmNumColors ? 1
                                                               : kDotsPerInch;
    }
    mutable RecordingEngine engine;
};

// Lays each page out as the real printer does and keeps its commands; fails
// with `failure` when that is set.
struct RecordingPrinter : Printer {
    bool print(QSizeF size, const Drawing& draw, const QString& caption, const QString& jobName,
               QString& error) override {
        jobs << jobName;
        if (!(error = failure).isEmpty()) return false;
        RecordingPage page;
        QPainter painter(&page);
        paintPage(painter, QRectF(0, 0, page.kWidth, page.kHeight), size, draw, caption);
        painter.end();
        printed.push_back(page.engine.commands);
        return true;
    }
    std::vector<std::vector<PrintedCommand>> printed;
    QStringList jobs;
    QString failure;
};

}  // namespace morvel
