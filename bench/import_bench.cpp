// ADIF and EDI import of synthetic logs into a 2M database, with `cat LOG >
// /dev/null` and `cp LOG copy` (the import copies the log) as floors. With --write-adif PATH
// [--spread] or --write-edi PATH it only writes the log (for measuring morvel-cli's peak memory).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "database/database_document.h"
#include "bench/synthetic_logs.h"
#include "database/qra_file.h"
#include "import/import_frame.h"
#include "import/import_job.h"

namespace {

constexpr int kAdifRecords = 1'000'000;
constexpr int kEdiContacts = 100'000;

struct Logs {
    QTemporaryDir dir;
    QString oneLine;
    QString spread;
    QString edi;
    qint64 oneLineSize = 0;
    qint64 spreadSize = 0;

    Logs() {
        const QDir d(dir.path());
        oneLine = d.filePath(QStringLiteral("one_line.adi"));
        spread = d.filePath(QStringLiteral("spread.adi"));
        edi = d.filePath(QStringLiteral("contest.edi"));
        oneLineSize = morvel::bench::writeAdifLog(oneLine, kAdifRecords, false);
        spreadSize = morvel::bench::writeAdifLog(spread, kAdifRecords, true);
        morvel::bench::writeEdiLog(edi, kEdiContacts);
    }
    QString database() const {
        return QDir(dir.path()).filePath(QStringLiteral("2M JO62QM BENCH.QRA"));
    }
};

Logs& logs() {
    static Logs instance;
    return instance;
}

morvel::ImportRequest request(morvel::ImportKind kind, const QString& log) {
    morvel::ImportRequest r;
    r.kind = kind;
    r.logPath = log;
    r.databasePath = logs().database();
    r.workDir = logs().dir.path();
    r.backupDir = logs().dir.path();
    r.clock = [] { return morvel::ChangelogStamp{"25/12/2023", "12:00"}; };
    r.ask = [](const QString&) { return true; };
    return r;
}

// The import as the main menu runs it: a job on a worker thread whose
// progress reaches this thread's event loop as queued signals.
morvel::ImportResult runOnWorker(const morvel::ImportRequest& request) {
    morvel::ImportResult result;
    std::int64_t progressed = 0;
    QEventLoop loop;
    morvel::ImportJob job(std::make_shared<morvel::DatabaseDocument>(request.databasePath, request.workDir),
                          request, [](const QString&) { return true; });
    QObject::connect(&job, &morvel::ImportJob::progressed,
                     [&](const morvel::ImportProgress&) { ++progressed; });
    QObject::connect(&job, &morvel::ImportJob::finished, [&](const morvel::ImportResult& r) {
        result = r;
        loop.quit();
    });
    job.start();
    loop.exec();
    benchmark::DoNotOptimize(progressed);
    return result;
}

void runImports(benchmark::State& state, morvel::ImportKind kind, const QString& log, qint64 size,
                bool onWorker = false) {
    std::int64_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        morvel::Error error;
        if (!morvel::writeBlankDatabase(logs().database(), error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
        state.ResumeTiming();
        const morvel::ImportResult result =
            onWorker ? runOnWorker(request(kind, log)) : morvel::runImport(request(kind, log));
        if (result.end != morvel::ImportResult::End::Finished || !result.error.isEmpty() ||
            result.squaresWritten == 0) {
            state.SkipWithError(qPrintable("import failed: " + result.error));
            return;
        }
        written = result.squaresWritten;
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["squares_written"] = static_cast<double>(written);
    state.counters["log_MB"] = static_cast<double>(size) / 1e6;
}

void BM_ImportAdifOneRecordPerLine(benchmark::State& state) {
    runImports(state, morvel::ImportKind::Adif, logs().oneLine, logs().oneLineSize);
}
void BM_ImportAdifOneRecordPerLineOnWorker(benchmark::State& state) {
    runImports(state, morvel::ImportKind::Adif, logs().oneLine, logs().oneLineSize, true);
}
void BM_ImportAdifRecordsSpreadOverLines(benchmark::State& state) {
    runImports(state, morvel::ImportKind::Adif, logs().spread, logs().spreadSize);
}
void BM_ImportEdi100k(benchmark::State& state) {
    runImports(state, morvel::ImportKind::Edi, logs().edi, QFile(logs().edi).size());
}

void catFloor(benchmark::State& state, const QString& log) {
    const std::string command = "cat '" + log.toStdString() + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cat failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFile(log).size());
}
void cpFloor(benchmark::State& state, const QString& log) {
    const std::string command = "cp '" + log.toStdString() + "' '" + log.toStdString() + ".copy'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    QFile::remove(log + QStringLiteral(".copy"));
    state.SetBytesProcessed(state.iterations() * QFile(log).size());
}
void BM_CpFloorOneRecordPerLine(benchmark::State& state) {
    cpFloor(state, logs().oneLine);
}
void BM_CpFloorSpread(benchmark::State& state) {
    cpFloor(state, logs().spread);
}
void BM_CatFloorOneRecordPerLine(benchmark::State& state) {
    catFloor(state, logs().oneLine);
}
void BM_CatFloorSpread(benchmark::State& state) {
    catFloor(state, logs().spread);
}

BENCHMARK(BM_CatFloorOneRecordPerLine)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpFloorOneRecordPerLine)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpFloorSpread)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ImportAdifOneRecordPerLine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_ImportAdifOneRecordPerLineOnWorker)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_CatFloorSpread)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ImportAdifRecordsSpreadOverLines)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_ImportEdi100k)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write-adif") == 0) {
        const bool spread = argc >= 4 && std::strcmp(argv[3], "--spread") == 0;
        const qint64 size =
            morvel::bench::writeAdifLog(QString::fromLocal8Bit(argv[2]), kAdifRecords, spread);
        std::cout << size << " bytes\n";
        return size < 0 ? 1 : 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--write-edi") == 0) {
        const qint64 size =
            morvel::bench::writeEdiLog(QString::fromLocal8Bit(argv[2]), kEdiContacts);
        std::cout << size << " bytes\n";
        return size < 0 ? 1 : 0;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    logs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
