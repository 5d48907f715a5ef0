// Repainting an uncovered map window from its kept image: the drawing area
// of the designed client size (1016 x 742) with a drawn map, repainted
// whole as when another window is moved off it. No map is drawn again.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include "maps/field_map_renderer.h"
#include "ui/drawing_surface.h"

namespace {

void BM_RepaintUncoveredMapWindow(benchmark::State& state) {
    morvel::DrawingSurface surface;
    surface.resize(1016, 742);
    morvel::Canvas& canvas = surface.canvas();
    canvas.paint([&](QPainter& p) {
        morvel::drawFieldMap(p, QSizeF(canvas.size()), {}, {}, morvel::kViewWorld);
    });
    surface.show();
    QCoreApplication::processEvents();
    for (auto _ : state) surface.repaint();
}
BENCHMARK(BM_RepaintUncoveredMapWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
