#pragma once

#include <QString>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"

namespace morvel {

enum class NeededMode {
    NotWorked,    // squares with no contact
    Unconfirmed,  // squares worked and not confirmed
};

struct NeededSquare {
    std::string square;  // "JO62"
    float km = 0;        // from the operator's locator to the square's middle
    float bearing = 0;   // degrees from true north, 0 to < 360
};

// The needed squares of a database's records (in file order) within `withinKm` of `homeloc`,
// nearest first, a tie in square order. Nothing when homeloc is no locator.
std::vector<NeededSquare> neededSquares(std::span<const FieldRecord> records, std::string_view homeloc,
                                        double withinKm, NeededMode mode);

// The same for a database file, measured from the locator in its name.
bool readNeededSquares(const QString& path, double withinKm, NeededMode mode,
                       std::vector<NeededSquare>& squares, Error& error);

}  // namespace morvel
