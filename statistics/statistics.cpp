#include "statistics/statistics.h"

#include <QFile>

#include "database/qra_file.h"
#include "database/text_format.h"

namespace morvel {

namespace {

template <typename Distance>
std::optional<Statistics> count(QIODevice& device, QString& error, const Distance& distance) {
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
    return count(device, error, [&](std::string_view loc) { return home.to(loc); });
}

std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            DistanceFunction distance, QString& error) {
    return count(device, error, [&](std::string_view loc) { return distance(homeloc, loc); });
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
