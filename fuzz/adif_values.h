#pragma once

#include <array>
#include <string>

#include "import/adif_reader.h"

namespace morvel::fuzz {

// A record's values, copied: the parser's views live only as long as the call.
using AdifValues = std::array<std::string, kAdifFieldCount>;

inline AdifValues copyValues(const AdifRecord& r) {
    AdifValues values;
    for (std::size_t f = 0; f < values.size(); ++f) values[f] = r.value(static_cast<AdifField>(f));
    return values;
}

}  // namespace morvel::fuzz
