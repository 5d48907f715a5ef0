// The summary report of a full database: all 32,400 squares worked, every
// third one confirmed.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include "bench/synthetic_logs.h"
#include "database/field_record.h"
#include "database/qra_names.h"
#include "statistics/summary.h"

namespace {

QByteArray fullDatabase() {
    morvel::bench::Random rng(7);
    QByteArray bytes;
    bytes.reserve(2828 * 324);
    for (int r = 1; r <= morvel::kRecordCount; ++r) {
        morvel::FieldRecord record = morvel::FieldRecord::blank();
        const std::string field = morvel::fieldLetters(r);
        for (int s = 0; s < morvel::FieldRecord::kSquares; ++s) {
            morvel::SquareEntry& e = record.entries[static_cast<std::size_t>(s)];
            std::string loc = field + morvel::bench::twoDigits(s);
            loc += static_cast<char>('a' + rng.below(24));
            loc += static_cast<char>('a' + rng.below(24));
            e.setLocator(loc);
            e.setCallsign(morvel::bench::randomCall(rng));
            e.setDate("25/12/23");
            const bool confirmed = rng.below(3) == 0;
            e.confirmed = confirmed ? -1 : 0;
            e.worked = confirmed ? 0 : -1;
        }
        bytes += QByteArray::fromStdString(record.bytes());
    }
    return bytes;
}

void buildReport(benchmark::State& state, morvel::SummaryMode mode) {
    QByteArray db = fullDatabase();
    std::size_t size = 0;
    for (auto _ : state) {
        QBuffer buffer(&db);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        const auto report = morvel::buildSummary(buffer, QStringLiteral("2M JO62QM FULL.QRA"),
                                                 "JO62QM", mode, error);
        if (!report) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        size = report->text.size();
        benchmark::DoNotOptimize(report->text.data());
    }
    state.counters["report_bytes"] = static_cast<double>(size);
}

void BM_SummaryWorkedFullDatabase(benchmark::State& state) {
    buildReport(state, morvel::SummaryMode::Worked);
}
void BM_SummaryConfirmedFullDatabase(benchmark::State& state) {
    buildReport(state, morvel::SummaryMode::Confirmed);
}

// From the database file to the report file, as the main menu runs it.
void BM_SummaryWorkedFileToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString db = QDir(dir.path()).filePath(QStringLiteral("2M JO62QM FULL.QRA"));
    const QString out = QDir(dir.path()).filePath(QStringLiteral("2M JO62QM FULL.txt"));
    {
        QFile f(db);
        if (!f.open(QIODevice::WriteOnly) || f.write(fullDatabase()) != 916272) {
            state.SkipWithError("cannot write the database");
            return;
        }
    }
    for (auto _ : state) {
        morvel::Error error;
        if (!morvel::writeSummary(db, out, QStringLiteral("2M JO62QM FULL.QRA"), "JO62QM",
                                  morvel::SummaryMode::Worked, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
    }
}

BENCHMARK(BM_SummaryWorkedFullDatabase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryConfirmedFullDatabase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryWorkedFileToFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
