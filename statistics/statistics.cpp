#include "statistics/statistics.h"

#include <QFile>

#include "database/qra_file.h"
#include "database/text_format.h"

namespace morvel {

namespace {

// mayBeat(locator, best) is false for a square certainly too near to round
// above the best whole km, which spares its distance.
template <typename Distance, typename MayBeat>
std::optional<Statistics> count(QIODevice& device, QString& error, const Distance& distance,
                                const MayBeat& mayBeat) {
    Statistics stats;
    const bool ok = forEachRecord(
        device,
        [&](int, const FieldRecord& record) {
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
        },
        error);
    if (!ok) return std::nullopt;
    return stats;
}

}  // namespace

std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            QString& error) {
    const DistanceFrom home(homeloc, true);
    // Only a distance that rounds above the best can replace it: anything a
    // km nearer than best + 0.5 is passed over on its cosine alone.
    float bestSeen = -1;
    double farEnough = 1;
    const auto mayBeat = [&](std::string_view loc, float best) {
        if (best != bestSeen) {
            bestSeen = best;
            farEnough = DistanceFrom::cosineOfKm(best - 0.5);
        }
        return home.cosineTo(loc) <= farEnough;
    };
    return count(device, error, [&](std::string_view loc) { return home.to(loc); }, mayBeat);
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
