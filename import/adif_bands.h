#pragma once

#include <string_view>

namespace morvel {

// The band ADIF's band table gives a frequency in MHz as ADIF writes it
// ("144.300", blanks around it aside): its lower case name ("2m", "70cm"),
// empty when the text is no number or lies on no band. Read in whole hertz
// without floating point, so that an edge (54 MHz ends 6m, 54.000001 starts
// 5m) falls on the side the table puts it.
std::string_view adifBandOfFrequency(std::string_view mhz);

}  // namespace morvel
