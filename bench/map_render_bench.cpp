// Whole redraws of the two map windows as their renderers do them: reading
// the database and the outline files included, painting into an image of the
// window's size.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "bench/full_database.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"

namespace {

using namespace morvel;
using bench::writeDatabase;

QDir mapFolder() {
    return QDir(QCoreApplication::applicationDirPath());
}

void fieldMap(benchmark::State& state, bool full, int view, QSize size) {
    QTemporaryDir dir;
    const QString path = writeDatabase(dir, full);
    const QString outlinePath = mapFolder().filePath(kWorldFile);
    QImage image(size, QImage::Format_RGB32);
    std::vector<FieldRecord> database;
    std::vector<OutlinePoint> outline;
    Error error;
    for (auto _ : state) {
        if (!readDatabase(path, database, error) ||
            !readOutlineFile(outlinePath, outline, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
        QPainter painter(&image);
        drawFieldMap(painter, size, database, outline, view);
    }
    state.counters["outline points"] = static_cast<double>(outline.size());
}

void BM_FieldMapFullWorld(benchmark::State& s) {
    fieldMap(s, true, kViewWorld, {1016, 742});
}
void BM_FieldMapFullEurope(benchmark::State& s) {
    fieldMap(s, true, kViewEurope, {1016, 742});
}
void BM_FieldMapFullNorthAmerica(benchmark::State& s) {
    fieldMap(s, true, kViewNorthAmerica, {1016, 742});
}
void BM_FieldMapEmptyWorld(benchmark::State& s) {
    fieldMap(s, false, kViewWorld, {1016, 742});
}
void BM_FieldMapFullWorld2x(benchmark::State& s) {
    fieldMap(s, true, kViewWorld, {2032, 1484});
}
BENCHMARK(BM_FieldMapFullWorld)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldMapFullEurope)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldMapFullNorthAmerica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldMapEmptyWorld)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldMapFullWorld2x)->Unit(benchmark::kMillisecond);

// One square-view redraw: the field's record from the file, the outline
// files, and the drawing at the designed size.
void fieldView(benchmark::State& state, const char* field, int view) {
    QTemporaryDir dir;
    const QString path = writeDatabase(dir, true);
    const int recordNo = recordNumber(field[0], field[1]);
    const FieldPick pick = fieldByIndex(field[0] - 'A', field[1] - 'A');
    const QSize size(1501, 602);
    QImage image(size, QImage::Format_RGB32);
    FieldRecord record;
    FieldOutlines outlines;
    Error error;
    for (auto _ : state) {
        if (!readRecord(path, recordNo, record, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
        loadFieldOutlines(mapFolder(), view, outlines);
        image.fill(QColor(255, 224, 192));
        QPainter painter(&image);
        benchmark::DoNotOptimize(drawFieldView(
            painter, size, record, fieldOrigin(pick.fieldwest, pick.fieldsouth), outlines, view));
    }
}

void BM_FieldViewIO(benchmark::State& s) {
    fieldView(s, "IO", kViewWorld);
}
void BM_FieldViewFNWithStates(benchmark::State& s) {
    fieldView(s, "FN", kViewNorthAmerica);
}
BENCHMARK(BM_FieldViewIO)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldViewFNWithStates)->Unit(benchmark::kMillisecond);

// One pointer movement over a worked square: the texts and the distance.
void BM_ReadOut(benchmark::State& state) {
    FieldRecord record = FieldRecord::blank();
    record.entries[85].setLocator("IO91WM");
    record.entries[85].worked = SquareEntry::kSet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(readOutAt({965, 245}, "IO", record, "JO62QM"));
    }
}
BENCHMARK(BM_ReadOut);

}  // namespace

int main(int argc, char** argv) {
    return morvel::bench::runMapBenchmarks(argc, argv);
}
