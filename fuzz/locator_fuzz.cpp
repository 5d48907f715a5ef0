#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "geo/locator.h"

// Any two texts measure to a finite distance between 0 and half the Earth's circumference.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = size / 2;
    const std::string_view a = text.substr(0, cut);
    const std::string_view b = text.substr(cut);
    const float d = morvel::LocatorDistance(a, b);
    if (!std::isfinite(d) || d < 0 || d > 20100) std::abort();
    if (morvel::DistanceFrom(a, true).to(b) != d) std::abort();
    return 0;
}
