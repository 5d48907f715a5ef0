// A full redraw of the world map: every one of the 32,400 squares filled and
// outlined, "mapper.pnt" replayed and the 19 + 19 grid lines, at 1016 x 742,
// once through the canvas (one painter per redraw) and once the way the
// first drawing surface did it, a painter set up for every primitive.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "maps/canvas.h"
#include "maps/outline_file.h"
#include "maps/outline_plot.h"

namespace {

using namespace morvel;

const QSize kArea(1016, 742);

std::vector<DrawOp> worldOutline() {
    std::vector<OutlinePoint> points;
    morvel::Error error;
    readOutlineFile(QDir(QCoreApplication::applicationDirPath()).filePath(kWorldFile), points,
                    error);
    std::vector<DrawOp> ops;
    plotWorldMap(points, ops);
    return ops;
}

QColor squareColour(int i) {
    static const QColor colours[] = {QColor(255, 224, 192), QColor(0, 192, 0), QColor(255, 0, 0)};
    return colours[i % 3];
}

// The world map's drawing in the map's logical units (minutes of arc, north
// up); Surface is either drawing target.
template <class Surface>
void drawWorld(Surface& s, const std::vector<DrawOp>& ops) {
    s.setScale(0, 5400, 21600, -5400);
    s.clear();
    for (int lon = 0; lon < 180; ++lon) {
        for (int lat = 0; lat < 180; ++lat) {
            const QPointF a(120.0 * lon, 60.0 * lat - 5400);
            const QPointF b = a + QPointF(120, 60);
            s.fillBox(a, b, squareColour(lon + lat));
            s.box(a, b, QColor(128, 128, 128));
        }
    }
    s.outlineOps(ops);
    for (int i = 0; i <= 18; ++i) {
        s.line(QPointF(1200.0 * i, -5400), QPointF(1200.0 * i, 5400), Qt::black);
        s.line(QPointF(0, 600.0 * i - 5400), QPointF(21600, 600.0 * i - 5400), Qt::black);
    }
}

struct CanvasTarget {
    Canvas canvas{kArea};
    void setScale(double a, double b, double c, double d) { canvas.setScale(a, b, c, d); }
    void clear() { canvas.clear(); }
    void fillBox(QPointF a, QPointF b, const QColor& c) { canvas.fillBox(a, b, c); }
    void box(QPointF a, QPointF b, const QColor& c) { canvas.box(a, b, c); }
    void line(QPointF a, QPointF b, const QColor& c) { canvas.line(a, b, c); }
    void outlineOps(const std::vector<DrawOp>& ops) { canvas.outline(ops, Qt::black); }
};

// The old surface: a QPainter begun and ended for every primitive.
struct PerPrimitiveTarget {
    QImage image{kArea, QImage::Format_RGB32};
    QTransform toPixel;
    QPointF position;
    void setScale(double x1, double y1, double x2, double y2) {
        toPixel = logicalMapping(x1, y1, x2, y2, kArea);
    }
    void clear() { image.fill(QColor(255, 224, 192)); }
    QRectF rect(QPointF a, QPointF b) const {
        return QRectF(toPixel.map(a), toPixel.map(b)).normalized();
    }
    void fillBox(QPointF a, QPointF b, const QColor& c) {
        QPainter p(&image);
        p.fillRect(rect(a, b), c);
        p.setPen(QPen(c, 0));
        p.drawRect(rect(a, b));
    }
    void box(QPointF a, QPointF b, const QColor& c) {
        QPainter p(&image);
        p.setPen(QPen(c, 0));
        p.drawRect(rect(a, b));
    }
    void line(QPointF a, QPointF b, const QColor& c) {
        QPainter p(&image);
        p.setPen(QPen(c, 0));
        p.drawLine(toPixel.map(a), toPixel.map(b));
        position = b;
    }
    void outlineOps(const std::vector<DrawOp>& ops) {
        for (const DrawOp& op : ops) {
            const QPointF pt(op.x, op.y);
            if (op.kind == DrawOp::Kind::LineTo) {
                line(position, pt, Qt::black);
            } else {
                QPainter p(&image);
                p.setPen(QPen(Qt::black, 0));
                p.drawPoint(toPixel.map(pt));
                position = pt;
            }
        }
    }
};

template <class Target>
void BM_WorldMapRedraw(benchmark::State& state) {
    const std::vector<DrawOp> ops = worldOutline();
    if (ops.empty()) {
        state.SkipWithError("mapper.pnt not found beside the benchmark");
        return;
    }
    Target target;
    for (auto _ : state) {
        drawWorld(target, ops);
        if constexpr (std::is_same_v<Target, CanvasTarget>) {
            benchmark::DoNotOptimize(target.canvas.image().constBits());
        } else {
            benchmark::DoNotOptimize(target.image.constBits());
        }
    }
    state.counters["outline_ops"] = static_cast<double>(ops.size());
}
BENCHMARK(BM_WorldMapRedraw<CanvasTarget>)
    ->Name("BM_WorldMapRedraw/Canvas")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldMapRedraw<PerPrimitiveTarget>)
    ->Name("BM_WorldMapRedraw/PainterPerPrimitive")
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
