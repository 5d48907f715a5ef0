#include "statistics/statistics.h"

#include <QFile>
#include <functional>

#include "database/qra_file.h"
#include "database/text_format.h"

namespace morvel {

namespace {

// mayBeat(locator, best) is false for a square certainly too near to round
// above the best whole km, which spares its distance.
template <typename Distance, typename MayBeat>
struct Counter {
    Statistics stats;
    const Distance& distance;
    const MayBeat& mayBeat;
    void operator()(int, const FieldRecord& record) {
        bool fieldWorked = false;
        for (int slot = 0; slot < FieldRecord::kSquares; ++slot) {
            const SquareEntry& e = record.entries[slot];
            if (!e.hasContact()) continue;
            // A slot with both flags set (written outside the program) is
            // still one square.
            ++stats.squaresWorked;
            if (e.isConfirmed()) ++stats.squaresConfirmed;
            fieldWorked = true;
            if (!mayBeat(e.locatorText(), stats.odxkm)) continue;
            const float d = distance(e.locatorText());
            const auto k = static_cast<float>(roundHalfEven(d));
            if (stats.odxkm < k) {
                stats.odxkm = k;
                stats.odxcall = std::string(e.callsignText());
                stats.odxloc = std::string(e.locatorText());
            }
        }
        if (fieldWorked) ++stats.fieldsWorked;
    }
};

template <typename Distance, typename MayBeat>
std::optional<Statistics> count(QIODevice& device, QString& error, const Distance& distance,
                                const MayBeat& mayBeat) {
    Counter<Distance, MayBeat> counter{{}, distance, mayBeat};
    if (!forEachRecord(device, std::ref(counter), error)) return std::nullopt;
    return counter.stats;
}

// Only a distance that rounds above the best can replace it: anything a km
// nearer than best + 0.5 is passed over on its cosine alone.
struct HomeDistance {
    explicit HomeDistance(std::string_view homeloc) : home(homeloc, true) {}
    DistanceFrom home;
    float bestSeen = -1;
    double farEnough = 1;
    float operator()(std::string_view loc) const { return home.to(loc); }
    bool mayBeat(std::string_view loc, float best) {
        if (best != bestSeen) {
            bestSeen = best;
            farEnough = DistanceFrom::cosineOfKm(best - 0.5);
        }
        return home.cosineTo(loc) <= farEnough;
    }
};

}  // namespace

std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            QString& error) {
    HomeDistance home(homeloc);
    const auto mayBeat = [&](std::string_view loc, float best) { return home.mayBeat(loc, best); };
    return count(device, error, home, mayBeat);
}

Statistics computeStatistics(std::span<const FieldRecord> records, std::string_view homeloc) {
    HomeDistance home(homeloc);
    const auto mayBeat = [&](std::string_view loc, float best) { return home.mayBeat(loc, best); };
    Counter<HomeDistance, decltype(mayBeat)> counter{{}, home, mayBeat};
    int recordNo = 0;
    for (const FieldRecord& record : records) counter(++recordNo, record);
    return counter.stats;
}

std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            DistanceFunction distance, QString& error) {
    return count(
        device, error, [&](std::string_view loc) { return distance(homeloc, loc); },
        [](std::string_view, float) { return true; });
}

std::optional<Statistics> computeStatistics(const QString& path, std::string_view homeloc,
                                            Error& error) {
    QFile file(path);
    if (!openDatabase(file, error)) return std::nullopt;
    QString reason;
    auto stats = computeStatistics(file, homeloc, reason);
    if (!stats) {
        error = {path, reason};
        return std::nullopt;
    }
    stats->fileSize = file.size();
    return stats;
}

StatisticsCaptions statisticsCaptions(const Statistics& stats, std::string_view fileName) {
    StatisticsCaptions c;
    c.fileLine = std::string(kFileCaption).append(fileName);
    c.squaresWorkedLine = "Squares Worked: " + captionNumber(stats.squaresWorked);
    c.squaresConfirmedLine = "Squares Confirmed: " + captionNumber(stats.squaresConfirmed);
    c.fieldsWorkedLine = "Fields Worked: " + captionNumber(stats.fieldsWorked);
    c.odxLine =
        "ODX: " + stats.odxcall + " " + stats.odxloc + " " + captionNumber(stats.odxkm) + " km";
    return c;
}

}  // namespace morvel
