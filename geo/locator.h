#pragma once

#include <optional>
#include <string_view>

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

// The axis in radians at the centre of the sub-square. For the longitude
// axis this is half the longitude; nothing for an invalid locator.
std::optional<double> LocatorAxis(std::string_view locator, Axis axis);
// The centre of the locator's sub-square; nothing for an invalid locator.
std::optional<Position> LocatorToPosition(std::string_view locator);
// Great-circle distance in km, latitudes corrected for the flattening of the
// Earth. An invalid locator on either side gives 0 km.
float LocatorDistance(std::string_view fromLocator, std::string_view toLocator);

}  // namespace morvel
