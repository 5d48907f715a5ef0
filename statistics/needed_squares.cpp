#include "statistics/needed_squares.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "geo/locator.h"

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

// Initial great-circle bearings from home to the middle (MM) of every square,
// the trigonometry of each square column and row done once.
class BearingFrom {
public:
    explicit BearingFrom(std::string_view home) {
        double lon, lat;
        middle(home, lon, lat);
        sinHome_ = std::sin(lat * kDegree);
        cosHome_ = std::cos(lat * kDegree);
        for (int k = 0; k < kAxis; ++k) {
            const double dl = (-180 + 2 * k + 12.5 / 12 - lon) * kDegree;
            const double p = (-90 + k + 12.5 / 24) * kDegree;
            sinDl_[k] = std::sin(dl);
            cosDl_[k] = std::cos(dl);
            sinLat_[k] = std::sin(p);
            cosLat_[k] = std::cos(p);
        }
    }
    // Column from 180 W, row from 90 S.
    float to(int column, int row) const {
        // In single precision: a tenth of a degree is all anyone reads, and
        // the double atan2 costs several times as much.
        const float b = std::atan2(
            static_cast<float>(sinDl_[column] * cosLat_[row]),
            static_cast<float>(cosHome_ * sinLat_[row] - sinHome_ * cosLat_[row] * cosDl_[column]));
        const float degrees = b / static_cast<float>(kDegree);
        const float turned = degrees < 0 ? degrees + 360 : degrees;
        return turned >= 360 ? 0 : turned;
    }

private:
    static constexpr int kAxis = 180;
    double sinHome_ = 0, cosHome_ = 0;
    std::array<double, kAxis> sinDl_{}, cosDl_{}, sinLat_{}, cosLat_{};
};

}  // namespace

std::vector<NeededSquare> neededSquares(std::span<const FieldRecord> records, std::string_view homeloc,
                                        double withinKm, NeededMode mode) {
    std::vector<NeededSquare> out;
    if (!isValidLocator(homeloc)) return out;
    const DistanceFrom home(homeloc, true);
    // Sorted as distance and record-and-slot, which is square order: a tie
    // keeps square order without a stable sort of whole results.
    struct Found {
        float km;
        int index;  // (record - 1) * 100 + slot
        bool operator<(const Found& o) const { return km < o.km || (km == o.km && index < o.index); }
    };
    std::vector<Found> found;
    char square[5] = "AA00";
    const int count = static_cast<int>(std::min<std::size_t>(kRecordCount, records.size()));
    for (int r = 0; r < count; ++r) {
        square[0] = static_cast<char>('A' + r / kFieldLetters);
        square[1] = static_cast<char>('A' + r % kFieldLetters);
        for (int n = 0; n < FieldRecord::kSquares; ++n) {
            const SquareEntry& e =
                records[static_cast<std::size_t>(r)].entries[static_cast<std::size_t>(n)];
            const bool confirmed = e.isConfirmed();
            const bool worked = e.hasContact();
            if (mode == NeededMode::NotWorked ? worked : (!worked || confirmed)) continue;
            square[2] = static_cast<char>('0' + n / 10);
            square[3] = static_cast<char>('0' + n % 10);
            const float km = home.to(std::string_view(square, 4));
            if (km <= withinKm) found.push_back({km, r * 100 + n});
        }
    }
    std::sort(found.begin(), found.end());
    const BearingFrom bearing(homeloc);
    out.reserve(found.size());
    for (const Found& f : found) {
        const int r = f.index / 100, n = f.index % 100;
        const char name[4] = {static_cast<char>('A' + r / kFieldLetters),
                              static_cast<char>('A' + r % kFieldLetters),
                              static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
        out.push_back({std::string(name, 4), f.km,
                       bearing.to(10 * (r / kFieldLetters) + n / 10, 10 * (r % kFieldLetters) + n % 10)});
    }
    return out;
}

bool readNeededSquares(const QString& path, double withinKm, NeededMode mode,
                       std::vector<NeededSquare>& squares, Error& error) {
    std::vector<FieldRecord> records;
    if (!readDatabase(path, records, error)) return false;
    const std::string home = toLatin1Text(homeLocatorFromFileName(QFileInfo(path).fileName()));
    if (!isValidLocator(home)) {
        error = {path, QStringLiteral("its name holds no locator to measure from")};
        return false;
    }
    squares = neededSquares(records, home, withinKm, mode);
    return true;
}

}  // namespace morvel
