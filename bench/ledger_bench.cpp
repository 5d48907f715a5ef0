// The import with the contact ledger: 100,000 and 1,000,000 contacts all of
// the database's band into a fresh database and ledger, the same without the
// ledger and `cp` of the log as its floor, and the overview with its award
// columns over 24 databases and a 1,000,000-contact ledger.
// With --write-log PATH RECORDS it only writes a log (for morvel-cli's peak memory).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "bench/synthetic_logs.h"
#include "database/qra_file.h"
#include "import/import_frame.h"
#include "ledger/ledger.h"
#include "statistics/overview.h"

namespace {

using morvel::bench::Random;

struct Logs {
    QTemporaryDir dir;
    QString small, large;
    qint64 smallSize = 0, largeSize = 0;
    Logs() {
        small = dir.filePath(QStringLiteral("100k.adi"));
        large = dir.filePath(QStringLiteral("1M.adi"));
        smallSize = morvel::bench::writeTwoMetreLog(small, 100'000);
        largeSize = morvel::bench::writeTwoMetreLog(large, 1'000'000);
    }
};

Logs& logs() {
    static Logs instance;
    return instance;
}

// Each run into a fresh folder: a blank database and no ledger yet.
void runImports(benchmark::State& state, const QString& log, qint64 size, bool ledger) {
    std::int64_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder(logs().dir.filePath(QStringLiteral("run-XXXXXX")));
        const QString database = folder.filePath(QStringLiteral("2M JO62QM BENCH.QRA"));
        morvel::Error error;
        if (!morvel::writeBlankDatabase(database, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
        morvel::ImportRequest r;
        r.logPath = log;
        r.databasePath = database;
        r.workDir = r.backupDir = folder.path();
        r.clock = [] { return morvel::ChangelogStamp{"07/12/2026", "10:00"}; };
        r.ask = [](const QString&) { return true; };
        r.ledger = ledger;
        state.ResumeTiming();
        const morvel::ImportResult result = morvel::runImport(r);
        state.PauseTiming();
        if (result.end != morvel::ImportResult::End::Finished || !result.error.isEmpty() ||
            (ledger && !result.ledgerText.startsWith(QStringLiteral("The ledger took")))) {
            state.SkipWithError(qPrintable("import failed: " + result.error + result.ledgerText));
            return;
        }
        written = result.squaresWritten;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["squares_written"] = static_cast<double>(written);
    state.counters["log_MB"] = static_cast<double>(size) / 1e6;
}

void BM_Import100kWithLedger(benchmark::State& state) {
    runImports(state, logs().small, logs().smallSize, true);
}
void BM_Import1MWithLedger(benchmark::State& state) {
    runImports(state, logs().large, logs().largeSize, true);
}
void BM_Import1MNoLedger(benchmark::State& state) {
    runImports(state, logs().large, logs().largeSize, false);
}
void BM_CpFloor1M(benchmark::State& state) {
    const std::string command =
        "cp '" + logs().large.toStdString() + "' '" + logs().large.toStdString() + ".copy'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    QFile::remove(logs().large + QStringLiteral(".copy"));
}

// 24 databases, each with its squares worked and a third confirmed, and a
// ledger of 1,000,000 contacts spread over them.
struct Folder {
    QTemporaryDir dir;
    Folder() {
        const char* const bands[] = {"10M", "6M", "4M", "2M", "70CM", "23CM"};
        const char* const places[] = {"JO62QM HOME", "JO62QM PORTABLE", "JO73AB HILL",
                                      "IO91WM CLUB"};
        QStringList names;
        for (const char* b : bands)
            for (const char* p : places) names << QString::fromLatin1(b) + ' ' + p + ".QRA";
        morvel::Error error;
        QString notice;
        const auto ledger =
            morvel::Ledger::open(dir.path(), morvel::Ledger::Mode::ReadWrite, error, notice);
        Random rng(24);
        std::vector<morvel::LedgerContact> batch(1'000'000 / 24);
        for (const QString& name : names) {
            std::vector<morvel::FieldRecord> records(324);
            for (morvel::FieldRecord& r : records)
                for (int i = 0; i < morvel::FieldRecord::kSquares; ++i)
                    r.entries[static_cast<std::size_t>(i)] = morvel::SquareEntry::blank();
            for (morvel::LedgerContact& c : batch) {
                const std::string loc = morvel::bench::randomLocator(rng);
                c.call = morvel::bench::randomCall(rng);
                c.band = "2M";
                c.mode = "FT8";
                c.time = 1'600'000'000 + rng.below(100'000'000);
                c.locator = loc;
                c.myGrid = "JO62QM";
                c.origin = QStringLiteral("bench.adi");
                c.confirmed = {rng.below(10) == 0, rng.below(5) == 0, rng.below(8) == 0, false};
                const int record = (loc[0] - 'A') * 18 + (loc[1] - 'A');
                const int slot = (loc[2] - '0') * 10 + (loc[3] - '0');
                morvel::SquareEntry& e = records[static_cast<std::size_t>(record)]
                                             .entries[static_cast<std::size_t>(slot)];
                e.setLocator(loc);
                e.setCallsign(c.call);
                e.setDate("01/01/24");
                if (c.confirmed[0] || c.confirmed[1])
                    e.confirmed = morvel::SquareEntry::kSet;
                else if (!e.isConfirmed())
                    e.worked = morvel::SquareEntry::kSet;
            }
            morvel::LedgerReport report;
            if (!ledger || !ledger->recordContacts(name, batch, report, error) ||
                !morvel::writeDatabase(dir.filePath(name), records, error))
                std::cerr << "setup failed: " << error.message().toStdString() << "\n";
        }
    }
};

void BM_OverviewWithAwards24Databases1MContacts(benchmark::State& state) {
    static Folder folder;
    for (auto _ : state) {
        const morvel::Overview o = morvel::buildOverview(folder.dir.path());
        benchmark::DoNotOptimize(o.rows.size());
        if (o.rows.size() != 24 || !o.ledgerProblem.isEmpty()) state.SkipWithError("overview");
    }
}

}  // namespace

BENCHMARK(BM_Import100kWithLedger)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Import1MWithLedger)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Import1MNoLedger)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CpFloor1M)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OverviewWithAwards24Databases1MContacts)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--write-log") == 0)
        return morvel::bench::writeTwoMetreLog(QString::fromLocal8Bit(argv[2]),
                                               std::atoi(argv[3])) > 0
                   ? 0
                   : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
