// The moving map's frames at 2560 x 1440 with every square of all ten bands
// worked (every third confirmed) and the outlines loaded: one frame of a
// pan or zoom at each scale the map draws differently, the tool tip of a
// square when the pointer rests (with the ledger's answer for each band), and
// the outlines' memory.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "bench/full_database.h"
#include "database/qra_file.h"
#include "ledger/ledger.h"
#include "maps/moving_map.h"

namespace {

using namespace morvel;

struct FullBands {
    FullBands() {
        const QString path = bench::writeDatabase(dir, true);
        Error error;
        std::vector<FieldRecord> records;
        readDatabase(path, records, error);
        QStringList names;
        for (const std::string& band : bandList()) {
            names << QString::fromStdString(band).toUpper() + QStringLiteral(" JO62QM FULL.QRA");
            databases.push_back(records);
        }
        layers = mapLayers(names, databases);
        outlines = MapOutlines::load(QDir(QCoreApplication::applicationDirPath()));
    }
    QTemporaryDir dir;
    std::vector<std::vector<FieldRecord>> databases;
    std::vector<MapLayer> layers;
    std::shared_ptr<const MapOutlines> outlines;
};

FullBands& fullBands() {
    static FullBands bands;
    return bands;
}

// One frame after a pan: the camera one step further each time, so no
// frame repeats the one before.
void frame(benchmark::State& state, const char* centre, double zoom, int shownBands,
           bool withOutlines = true) {
    FullBands& bands = fullBands();
    std::vector<MapLayer> layers = bands.layers;
    for (std::size_t i = 0; i < layers.size(); ++i)
        layers[i].shown = static_cast<int>(i) < shownBands;
    const QSize size(2560, 1440);
    QImage image(size, QImage::Format_RGB32);
    MapCamera camera = *MapCamera::atLocator(centre, zoom);
    int step = 0;
    MapLabelCache labels;  // as the window keeps it
    for (auto _ : state) {
        camera.panBy(QPointF(++step % 2 ? 7 : -7, 3), QSizeF(size));
        renderMovingMap(image, camera, layers, withOutlines ? bands.outlines.get() : nullptr, {},
                        &labels);
        benchmark::DoNotOptimize(image.constBits());
    }
    const MapDetail d = mapDetail(camera, QSizeF(size), shownBands);
    state.counters["marks"] = d.bandMarks;
    state.counters["counts"] = d.bandCounts;
    state.counters["numbers"] = d.squareNumbers;
    state.counters["fine_outlines"] = d.fineOutlines;
}

void BM_FrameWorldAllBands(benchmark::State& s) { frame(s, "JJ00", 1, 10); }
void BM_FrameZoom2AllBands(benchmark::State& s) { frame(s, "JO62", 2, 10); }
void BM_FrameZoom3AllBands(benchmark::State& s) { frame(s, "JO62", 3, 10); }
void BM_FrameZoom4AllBands(benchmark::State& s) { frame(s, "JO62", 4, 10); }
void BM_FrameZoom6AllBands(benchmark::State& s) { frame(s, "JO62", 6, 10); }
void BM_FrameZoom10AllBands(benchmark::State& s) { frame(s, "JO62", 10, 10); }
void BM_FrameFieldAllBands(benchmark::State& s) { frame(s, "JO62", 18, 10); }
void BM_FrameZoom30AllBands(benchmark::State& s) { frame(s, "JO62", 30, 10); }
void BM_FrameSquareAllBands(benchmark::State& s) { frame(s, "JO62", 60, 10); }
void BM_FrameZoom4TwoBands(benchmark::State& s) { frame(s, "JO62", 4, 2); }
void BM_FrameZoom6OneBand(benchmark::State& s) { frame(s, "JO62", 6, 1); }
// What the outlines and the squares each cost of a frame.
void BM_FrameZoom3AllBandsNoOutlines(benchmark::State& s) { frame(s, "JO62", 3, 10, false); }
void BM_FrameZoom3NoBandNoOutlines(benchmark::State& s) { frame(s, "JO62", 3, 0, false); }

BENCHMARK(BM_FrameWorldAllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom2AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom3AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom4AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom6AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom10AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameFieldAllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom30AllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameSquareAllBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom4TwoBands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom6OneBand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom3AllBandsNoOutlines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameZoom3NoBandNoOutlines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The tool tip of a square confirmed on every band, the ledger asked for
// each band's sources (a ledger of 10 x 32,400 contacts).
void BM_TooltipTenBandsWithLedger(benchmark::State& state) {
    FullBands& bands = fullBands();
    Error error;
    QString notice;
    std::unique_ptr<Ledger> ledger =
        Ledger::open(bands.dir.path(), Ledger::Mode::ReadWrite, error, notice);
    if (!ledger) {
        state.SkipWithError(qPrintable(error.message()));
        return;
    }
    for (const MapLayer& layer : bands.layers) {
        std::vector<LedgerContact> contacts;
        for (int r = 1; r <= kRecordCount; ++r)
            for (int k = 0; k < 100; ++k) {
                LedgerContact c;
                c.call = "G4ABC";
                c.band = layer.band.toUpper().toStdString();
                c.mode = "CW";
                c.time = 1'000'000'000 + r * 100 + k;
                c.locator = fieldLetters(r) + std::to_string(k / 10) + std::to_string(k % 10) + "LL";
                if (k % 3 == 0) c.confirm(ConfirmSource::Lotw, "2024-06-03");
                contacts.push_back(std::move(c));
            }
        LedgerReport report;
        if (!ledger->recordContacts(layer.databaseFile, contacts, report, error)) {
            state.SkipWithError(qPrintable(error.message()));
            return;
        }
    }
    const ConfirmingSourcesOf sources = [&](const QString& file, const std::string& square,
                                            bool confirmed) {
        return squareConfirmingSources(*ledger, file, square, confirmed);
    };
    qsizetype length = 0;
    for (auto _ : state) {
        const QString text = squareTooltip("JO60", bands.layers, sources);  // slot 0: confirmed
        length = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["chars"] = static_cast<double>(length);
}
BENCHMARK(BM_TooltipTenBandsWithLedger)->Unit(benchmark::kMicrosecond);

// The outlines every window shares, finest included.
void BM_LoadOutlines(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto outlines = MapOutlines::load(QDir(QCoreApplication::applicationDirPath()));
        bytes = outlines->bytes();
    }
    state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_LoadOutlines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return morvel::bench::runMapBenchmarks(argc, argv);
}
