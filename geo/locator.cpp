#include "geo/locator.h"

#include <array>
#include <cmath>
#include <limits>

namespace morvel {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEquatorialRadius = 6378;
constexpr double kPolarRadius = 6356;
constexpr int kSubSquaresPerAxis = 4320;
constexpr int kAxisOrigin = 2160;

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first six characters, upper case, blank-padded; a bare square gets MM.
std::array<char, 6> normalise(std::string_view locator) {
    std::array<char, 6> s;
    s.fill(' ');
    for (std::size_t i = 0; i < s.size() && i < locator.size(); ++i) s[i] = upper(locator[i]);
    if (s[4] == ' ' && s[5] == ' ') s[4] = s[5] = 'M';
    return s;
}

bool inRange(char c, char low, char high) {
    return c >= low && c <= high;
}

// Sub-square indexes 0..4319 along each axis, or nothing for an invalid locator.
struct Indexes {
    int lon;
    int lat;
};

std::optional<Indexes> subSquareIndexes(std::string_view locator) {
    const auto s = normalise(locator);
    if (!(inRange(s[0], 'A', 'R') && inRange(s[1], 'A', 'R') && inRange(s[2], '0', '9') &&
          inRange(s[3], '0', '9') && inRange(s[4], 'A', 'X') && inRange(s[5], 'A', 'X')))
        return std::nullopt;
    const auto axis = [&](int p) {
        return ((s[p] - 'A') * 10 + (s[p + 2] - '0')) * 24 + (s[p + 4] - 'A');
    };
    return Indexes{axis(0), axis(1)};
}

double axisAngle(int n) {
    return kPi * ((n - kAxisOrigin) + 0.5) / kSubSquaresPerAxis;
}

}  // namespace

bool isValidLocator(std::string_view locator) {
    return subSquareIndexes(locator).has_value();
}

DistanceFrom::DistanceFrom(std::string_view fromLocator, bool memoise) {
    const auto n = subSquareIndexes(fromLocator);
    if (!n) return;
    valid_ = true;
    fromLon_ = n->lon;
    from_ = row(n->lat);
    if (memoise) {
        const double unknown = std::numeric_limits<double>::quiet_NaN();
        rows_.assign(kSubSquaresPerAxis, Row{unknown, unknown});
        cosDeltaLon_.assign(kSubSquaresPerAxis, unknown);
    }
}

// The reduced latitude psi = atan(k tan(phi)) as its cosine and sine, without
// the atan: cos(atan t) = 1 / sqrt(1 + t^2), sin(atan t) = t / sqrt(1 + t^2).
DistanceFrom::Row DistanceFrom::row(int latIndex) const {
    if (!rows_.empty() && !std::isnan(rows_[latIndex].cosPsi)) return rows_[latIndex];
    constexpr double k = (kPolarRadius * kPolarRadius) / (kEquatorialRadius * kEquatorialRadius);
    const double t = std::tan(axisAngle(latIndex)) * k;
    const double c = 1 / std::sqrt(1 + t * t);
    const Row r{c, t * c};
    if (!rows_.empty()) rows_[latIndex] = r;
    return r;
}

double DistanceFrom::cosDeltaLon(int lonIndex) const {
    if (!cosDeltaLon_.empty() && !std::isnan(cosDeltaLon_[lonIndex])) return cosDeltaLon_[lonIndex];
    const double c = std::cos(2 * axisAngle(fromLon_) - 2 * axisAngle(lonIndex));
    if (!cosDeltaLon_.empty()) cosDeltaLon_[lonIndex] = c;
    return c;
}

double DistanceFrom::cosineTo(std::string_view toLocator) const {
    if (!valid_) return 1;
    const auto n = subSquareIndexes(toLocator);
    if (!n) return 1;
    const Row to = row(n->lat);
    // The same sub-square is 0 km; the formula would leave a rounding residue.
    if (n->lon == fromLon_ && to.cosPsi == from_.cosPsi && to.sinPsi == from_.sinPsi) return 1;
    const double x = cosDeltaLon(n->lon) * from_.cosPsi * to.cosPsi + to.sinPsi * from_.sinPsi;
    // Rounding can push x a unit past +-1 for nearby points.
    return x > 1 ? 1 : x < -1 ? -1 : x;
}

double DistanceFrom::cosineOfKm(double km) {
    constexpr double r = (kEquatorialRadius + kPolarRadius) / 2;
    return km <= 0 ? 1 : km >= kPi * r ? -1 : std::cos(km / r);
}

float DistanceFrom::to(std::string_view toLocator) const {
    const double x = cosineTo(toLocator);
    if (x == 1) return 0.0f;
    double d;
    if (x == 0) {
        d = kPi / 2;
    } else {
        const double y = std::sqrt(1 - x * x);
        d = std::atan(std::fabs(y / x));
        if (x < 0) d = kPi - d;
    }
    constexpr double r = (kEquatorialRadius + kPolarRadius) / 2;
    return static_cast<float>(d * r);
}

float LocatorDistance(std::string_view fromLocator, std::string_view toLocator) {
    return DistanceFrom(fromLocator).to(toLocator);
}

}  // namespace morvel
