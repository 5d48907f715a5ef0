// Reading and projecting the outline files as the map windows do on every
// redraw: nothing is cached between redraws.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "maps/outline_file.h"
#include "maps/outline_painter.h"
#include "maps/outline_plot.h"

namespace {

using namespace morvel;

QString mapPath(const char* name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name));
}

// One square-view redraw's outline work for field IO: coast, islands and
// country borders read from disk and turned into drawing operations.
void BM_FieldViewReadAndProject(benchmark::State& state) {
    const FieldOrigin origin = fieldOrigin(340, 50);
    std::vector<OutlinePoint> points;
    std::vector<DrawOp> ops;
    Error error;
    std::size_t records = 0;
    for (auto _ : state) {
        ops.clear();
        records = 0;
        for (const char* name : {kCoastFile, kIslandFile, kCountryFile}) {
            if (!readOutlineFile(mapPath(name), points, error)) {
                state.SkipWithError(qPrintable(error.message()));
                return;
            }
            records += points.size();
            plotFieldView(points, origin, ops);
        }
        benchmark::DoNotOptimize(ops.data());
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["ops"] = static_cast<double>(ops.size());
}
BENCHMARK(BM_FieldViewReadAndProject)->Unit(benchmark::kMillisecond);

// The same plus painting the operations onto a 1500 x 601 image.
void BM_FieldViewReadProjectAndPaint(benchmark::State& state) {
    const FieldOrigin origin = fieldOrigin(340, 50);
    QImage image(1501, 602, QImage::Format_RGB32);
    std::vector<OutlinePoint> points;
    std::vector<DrawOp> ops;
    Error error;
    for (auto _ : state) {
        QPainter painter(&image);
        for (const char* name : {kCoastFile, kIslandFile, kCountryFile}) {
            if (!readOutlineFile(mapPath(name), points, error)) {
                state.SkipWithError(qPrintable(error.message()));
                return;
            }
            ops.clear();
            plotFieldView(points, origin, ops);
            replayDrawOps(painter, ops);
        }
    }
}
BENCHMARK(BM_FieldViewReadProjectAndPaint)->Unit(benchmark::kMillisecond);

// The field map's world outline, read and projected.
void BM_WorldMapReadAndProject(benchmark::State& state) {
    std::vector<OutlinePoint> points;
    std::vector<DrawOp> ops;
    Error error;
    for (auto _ : state) {
        ops.clear();
        if (!readOutlineFile(mapPath(kWorldFile), points, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
        plotWorldMap(points, ops);
        benchmark::DoNotOptimize(ops.data());
    }
}
BENCHMARK(BM_WorldMapReadAndProject)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The map files lie beside the executable, found through the application.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
