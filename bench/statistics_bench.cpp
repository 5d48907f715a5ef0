#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "statistics/statistics.h"

namespace {

// A database with every one of the 32,400 squares worked, each at its own
// six-character locator, as the main menu's statistics read it.
QString makeFullDatabase(const QTemporaryDir& dir) {
    const QString path = QDir(dir.path()).filePath("2M JO62QM FULL.QRA");
    std::vector<morvel::FieldRecord> records;
    for (int r = 1; r <= 324; ++r) {
        morvel::FieldRecord record = morvel::FieldRecord::blank();
        const std::string field = morvel::fieldLetters(r);
        for (int s = 0; s < 100; ++s) {
            auto& e = record.entries[s];
            const char sub1 = static_cast<char>('A' + (r + s) % 24);
            const char sub2 = static_cast<char>('A' + (r * 7 + s) % 24);
            e.setLocator(field + std::to_string(s / 10) + std::to_string(s % 10) + sub1 + sub2);
            e.setCallsign("DL" + std::to_string(r * 100 + s));
            e.setDate("01/02/03");
            (s % 3 == 0 ? e.confirmed : e.worked) = -1;
        }
        records.push_back(record);
    }
    morvel::Error error;
    if (!morvel::writeDatabase(path, records, error)) return {};
    return path;
}

void BM_StatisticsFullDatabase(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = makeFullDatabase(dir);
    int worked = 0;
    for (auto _ : state) {
        morvel::Error error;
        const auto stats = morvel::computeStatistics(path, "JO62QM", error);
        if (!stats) state.SkipWithError(qPrintable(error.message()));
        worked = stats ? stats->squaresWorked : 0;
        benchmark::DoNotOptimize(worked);
    }
    if (worked != 32400) state.SkipWithError("the database does not hold 32,400 worked squares");
    state.counters["squares"] = worked;
}
BENCHMARK(BM_StatisticsFullDatabase)->Unit(benchmark::kMillisecond);

void BM_LocatorDistance(benchmark::State& state) {
    float sum = 0;
    for (auto _ : state) {
        sum += morvel::LocatorDistance("JO62QM", "FN31PR");
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LocatorDistance);

}  // namespace

BENCHMARK_MAIN();
