#include "statistics/needed_squares.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "geo/locator.h"
#include "maps/field_map_renderer.h"

namespace morvel {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

// The middle of a locator's sub-square in degrees; a bare square stands for
// its sub-square MM, as the distance takes it.
void middle(std::string_view loc, double& lon, double& lat) {
    const auto up = [&](std::size_t i) { return upperLatin1Byte(i < loc.size() ? loc[i] : ' '); };
    const bool sub = up(4) >= 'A' && up(4) <= 'X' && up(5) >= 'A' && up(5) <= 'X';
    lon = (up(0) - 'A') * 20 + (up(2) - '0') * 2 - 180 + ((sub ? up(4) : 'M') - 'A' + 0.5) / 12;
    lat = (up(1) - 'A') * 10 + (up(3) - '0') - 90 + ((sub ? up(5) : 'M') - 'A' + 0.5) / 24;
}

bool flagSet(std::string_view bytes, std::size_t at) {
    return at + 1 < bytes.size() && bytes[at] == '\xff' && bytes[at + 1] == '\xff';
}

}  // namespace

float locatorBearing(std::string_view from, std::string_view to) {
    double lon1, lat1, lon2, lat2;
    middle(from, lon1, lat1);
    middle(to, lon2, lat2);
    const double dl = (lon2 - lon1) * kDegree;
    const double p1 = lat1 * kDegree, p2 = lat2 * kDegree;
    const double b = std::atan2(std::sin(dl) * std::cos(p2),
                                std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl));
    const double degrees = std::fmod(b / kDegree + 360, 360);
    return static_cast<float>(degrees >= 360 ? 0 : degrees);
}

std::vector<NeededSquare> neededSquares(std::string_view database, std::string_view homeloc,
                                        double withinKm, NeededMode mode) {
    std::vector<NeededSquare> out;
    if (!isValidLocator(homeloc)) return out;
    const DistanceFrom home(homeloc, true);
    std::string square = "AA00";
    for (int r = 0; r < kRecordCount; ++r) {
        const std::string field = fieldLetters(r + 1);
        square[0] = field[0];
        square[1] = field[1];
        for (int n = 0; n < FieldRecord::kSquares; ++n) {
            const std::size_t at = static_cast<std::size_t>(r) * FieldRecord::kSize +
                                   static_cast<std::size_t>(n) * SquareEntry::kSize;
            const bool confirmed = flagSet(database, at + 8);
            const bool worked = confirmed || flagSet(database, at + 6);
            if (mode == NeededMode::NotWorked ? worked : (!worked || confirmed)) continue;
            square[2] = static_cast<char>('0' + n / 10);
            square[3] = static_cast<char>('0' + n % 10);
            const float km = home.to(square);
            if (km > withinKm) continue;
            out.push_back({square, km, 0});
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const NeededSquare& a, const NeededSquare& b) { return a.km < b.km; });
    for (NeededSquare& s : out) s.bearing = locatorBearing(homeloc, s.square);
    return out;
}

bool readNeededSquares(const QString& path, double withinKm, NeededMode mode,
                       std::vector<NeededSquare>& squares, Error& error) {
    std::string bytes;
    if (!readMapDatabase(path, bytes, error)) return false;
    const std::string home = toLatin1Text(homeLocatorFromFileName(QFileInfo(path).fileName()));
    if (!isValidLocator(home)) {
        error = {path, QStringLiteral("its name holds no locator to measure from")};
        return false;
    }
    squares = neededSquares(bytes, home, withinKm, mode);
    return true;
}

}  // namespace morvel
