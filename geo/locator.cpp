#include "geo/locator.h"

#include <array>
#include <cmath>

namespace morvel {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEquatorialRadius = 6378;
constexpr double kPolarRadius = 6356;
constexpr int kSubSquaresPerAxis = 4320;
constexpr int kAxisOrigin = 2160;

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The first six characters, upper case, blank-padded; a bare square gets MM.
std::array<char, 6> normalise(std::string_view locator) {
    std::array<char, 6> s;
    s.fill(' ');
    for (std::size_t i = 0; i < s.size() && i < locator.size(); ++i) s[i] = upper(locator[i]);
    if (s[4] == ' ' && s[5] == ' ') s[4] = s[5] = 'M';
    return s;
}

bool inRange(char c, char low, char high) { return c >= low && c <= high; }

}  // namespace

bool isValidLocator(std::string_view locator) {
    const auto s = normalise(locator);
    return inRange(s[0], 'A', 'R') && inRange(s[1], 'A', 'R') && inRange(s[2], '0', '9') &&
           inRange(s[3], '0', '9') && inRange(s[4], 'A', 'X') && inRange(s[5], 'A', 'X');
}

std::optional<double> LocatorAxis(std::string_view locator, Axis axis) {
    if (!isValidLocator(locator)) return std::nullopt;
    const auto s = normalise(locator);
    const int p = static_cast<int>(axis) - 1;
    const int n = ((s[p] - 'A') * 10 + (s[p + 2] - '0')) * 24 + (s[p + 4] - 'A');
    return kPi * ((n - kAxisOrigin) + 0.5) / kSubSquaresPerAxis;
}

std::optional<Position> LocatorToPosition(std::string_view locator) {
    const auto lon = LocatorAxis(locator, Axis::Longitude);
    const auto lat = LocatorAxis(locator, Axis::Latitude);
    if (!lon || !lat) return std::nullopt;
    return Position{2 * *lon, *lat};
}

float LocatorDistance(std::string_view fromLocator, std::string_view toLocator) {
    const auto from = LocatorToPosition(fromLocator);
    const auto to = LocatorToPosition(toLocator);
    if (!from || !to) return 0.0f;
    // The same sub-square is 0 km; the formula would leave a rounding residue.
    if (from->longitude == to->longitude && from->latitude == to->latitude) return 0.0f;
    const double r = (kEquatorialRadius + kPolarRadius) / 2;
    const double k = (kPolarRadius * kPolarRadius) / (kEquatorialRadius * kEquatorialRadius);
    const double psi1 = std::atan(std::tan(from->latitude) * k);
    const double psi2 = std::atan(std::tan(to->latitude) * k);
    double x = std::cos(from->longitude - to->longitude) * std::cos(psi1) * std::cos(psi2) +
               std::sin(psi2) * std::sin(psi1);
    // Rounding can push x a unit past +-1 for identical points.
    if (x > 1) x = 1;
    if (x < -1) x = -1;
    double d;
    if (x == 0) {
        d = kPi / 2;
    } else {
        const double y = std::sqrt(1 - x * x);
        d = std::atan(std::fabs(y / x));
        if (x < 0) d = kPi - d;
    }
    return static_cast<float>(d * r);
}

}  // namespace morvel
