#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace morvel {

// A geographic position in radians, east and north positive.
struct Position {
    double longitude = 0;
    double latitude = 0;
};

enum class Axis { Longitude = 1, Latitude = 2 };

// True for a locator the distance can measure: field letters A-R, two digits,
// then sub-square letters A-X or two blanks (the square's centre sub-square
// MM is then taken), in any case. Only the first six characters count; a text
// shorter than six is read as if padded with blanks.
bool isValidLocator(std::string_view locator);

// Distances from one fixed locator, with its side of the computation done
// once: the statistics and the summary measure every square from the
// operator's own locator.
// With memoise set, the trigonometry of each sub-square row and column is
// kept once computed, for callers that measure thousands of squares.
class DistanceFrom {
public:
    explicit DistanceFrom(std::string_view fromLocator, bool memoise = false);
    float to(std::string_view toLocator) const;
    // The cosine of the angle to a locator, without the arc: larger is nearer
    // (1 where to() gives 0 km). With cosineOfKm it tells cheaply that a
    // locator lies nearer than a distance, for callers looking for the farthest.
    double cosineTo(std::string_view toLocator) const;
    static double cosineOfKm(double km);

private:
    struct Row {
        double cosPsi;
        double sinPsi;
    };
    Row row(int latIndex) const;
    double cosDeltaLon(int lonIndex) const;

    bool valid_ = false;
    int fromLon_ = 0;
    Row from_{};
    mutable std::vector<Row> rows_;            // by latitude index, NaN until computed
    mutable std::vector<double> cosDeltaLon_;  // by longitude index, NaN until computed
};

// Great-circle distance in km, latitudes corrected for the flattening of the
// Earth. An invalid locator on either side gives 0 km.
float LocatorDistance(std::string_view fromLocator, std::string_view toLocator);

}  // namespace morvel
