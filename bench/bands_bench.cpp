// Every band at a glance: the overview of a folder of 24 full databases, the
// map of all of them together and the needed squares of a full database.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "statistics/needed_squares.h"
#include "statistics/overview.h"

namespace {

using namespace morvel;

// Every square worked at its own locator, a third of them confirmed.
std::vector<FieldRecord> fullRecords() {
    std::vector<FieldRecord> records;
    for (int r = 1; r <= kRecordCount; ++r) {
        FieldRecord record = FieldRecord::blank();
        const std::string field = fieldLetters(r);
        for (int s = 0; s < 100; ++s) {
            auto& e = record.entries[static_cast<std::size_t>(s)];
            e.setLocator(field + std::to_string(s / 10) + std::to_string(s % 10) +
                         static_cast<char>('A' + (r + s) % 24) +
                         static_cast<char>('A' + (r * 7 + s) % 24));
            e.setCallsign("DL" + std::to_string(r * 100 + s));
            e.setDate("01/02/03");
            (s % 3 == 0 ? e.confirmed : e.worked) = -1;
        }
        records.push_back(record);
    }
    return records;
}

// 24 full databases, the band list over and over.
struct FullFolder {
    FullFolder() {
        const auto records = fullRecords();
        const auto& bands = bandList();
        for (int i = 0; i < 24; ++i) {
            const QString name = QString::fromStdString(upperLatin1(bands[i % bands.size()])) +
                                 QStringLiteral(" JO62QM FULL%1.QRA").arg(i);
            Error error;
            if (!writeDatabase(QDir(dir.path()).filePath(name), records, error)) ok = false;
        }
    }
    QTemporaryDir dir;
    bool ok = true;
};

void BM_Overview24FullDatabases(benchmark::State& state) {
    const FullFolder folder;
    Overview o;
    for (auto _ : state) {
        o = buildOverview(folder.dir.path());
        benchmark::DoNotOptimize(o.squaresWorked);
    }
    if (!folder.ok || o.rows.size() != 24 || o.squaresWorked != 32400 ||
        o.rows.front().stats->squaresConfirmed != 324 * 34)
        state.SkipWithError("not 24 full databases");
}
BENCHMARK(BM_Overview24FullDatabases)->Unit(benchmark::kMillisecond);

// As `morvel-cli map --all-bands` does it: the files read, the outline read
// and the map drawn at 1016 x 742.
void BM_AllBandsMap24FullDatabases(benchmark::State& state) {
    const FullFolder folder;
    const QDir dir(folder.dir.path());
    const QString outlinePath =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kWorldFile));
    QImage image(1016, 742, QImage::Format_RGB32);
    std::size_t outlinePoints = 0;
    for (auto _ : state) {
        std::vector<std::vector<FieldRecord>> databases;
        Error error;
        for (const QString& name : bandDatabaseNames(dir.path()))
            if (!readDatabase(dir.filePath(name), databases.emplace_back(), error))
                state.SkipWithError(qPrintable(error.message()));
        std::vector<OutlinePoint> outline;
        readOutlineFile(outlinePath, outline, error);
        outlinePoints = outline.size();
        QPainter painter(&image);
        drawAllBandsMap(painter, image.size(), databases, outline, kViewWorld);
    }
    if (!folder.ok || image.pixelColor(508, 371) == QColor(255, 224, 192))
        state.SkipWithError("the squares were not drawn");
    state.counters["outline points"] = static_cast<double>(outlinePoints);
}
BENCHMARK(BM_AllBandsMap24FullDatabases)->Unit(benchmark::kMillisecond);

// The whole world (20,000 km) from a full database: the 21,600 worked and
// unconfirmed squares; from an empty one: all 32,400 not worked.
void BM_NeededSquaresWithin20000km(benchmark::State& state) {
    const bool empty = state.range(0) == 0;
    const std::vector<FieldRecord> records =
        empty ? std::vector<FieldRecord>(kRecordCount, FieldRecord::blank()) : fullRecords();
    const NeededMode mode = empty ? NeededMode::NotWorked : NeededMode::Unconfirmed;
    std::size_t found = 0;
    for (auto _ : state) {
        found = neededSquares(records, "JO62QM", 20000, mode).size();
        benchmark::DoNotOptimize(found);
    }
    if (found < (empty ? 32000U : 21000U)) state.SkipWithError("too few squares found");
    state.counters["squares"] = static_cast<double>(found);
}
BENCHMARK(BM_NeededSquaresWithin20000km)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
