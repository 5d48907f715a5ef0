// The exports of the world map of a full database (32,400 squares, every
// third confirmed) as morvel-cli map makes them: the database read, its
// squares listed, the file made and written whole (synced) into a
// temporary folder.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "database/qra_file.h"
#include "bench/full_database.h"
#include "maps/field_map_renderer.h"
#include "maps/map_export.h"

namespace {

using namespace morvel;

void exportWorld(benchmark::State& state, const char* name) {
    QTemporaryDir dir;
    const QString path = bench::writeDatabase(dir, true);
    const QString out = dir.filePath(QString::fromLatin1(name));
    std::vector<OutlinePoint> outline;
    Error error;
    readOutlineFile(QDir(QCoreApplication::applicationDirPath()).filePath(kWorldFile), outline,
                    error);
    std::vector<FieldRecord> database;
    std::size_t squares = 0;
    for (auto _ : state) {
        if (!readDatabase(path, database, error)) break;
        const MapExport map{
            QSizeF(1016, 742),
            [&](QPainter& p, QSizeF size) { drawFieldMap(p, size, database, outline, kViewWorld); },
            paintedSquares(database), QStringLiteral("2M JO62QM FULL World")};
        squares = map.squares.size();
        if (!writeMapExport(out, map, 1, error)) break;
    }
    if (error.isSet()) state.SkipWithError(qPrintable(error.message()));
    state.counters["squares"] = static_cast<double>(squares);
    state.counters["MB"] = static_cast<double>(QFileInfo(out).size()) / 1e6;
}

void BM_ExportWorldSvg(benchmark::State& s) {
    exportWorld(s, "world.svg");
}
void BM_ExportWorldPdf(benchmark::State& s) {
    exportWorld(s, "world.pdf");
}
void BM_ExportWorldPng(benchmark::State& s) {
    exportWorld(s, "world.png");
}
void BM_ExportKml(benchmark::State& s) {
    exportWorld(s, "world.kml");
}
void BM_ExportGeoJson(benchmark::State& s) {
    exportWorld(s, "world.geojson");
}
BENCHMARK(BM_ExportWorldSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWorldPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWorldPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportKml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportGeoJson)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return morvel::bench::runMapBenchmarks(argc, argv);
}
