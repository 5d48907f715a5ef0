#include "import/adif_bands.h"

#include <array>
#include <cstdint>

namespace morvel {
namespace {

struct Band {
    std::uint64_t lowHz;
    std::uint64_t highHz;
    std::string_view name;
};

// ADIF's Band enumeration, its edges inclusive.
constexpr std::array<Band, 33> kBands = {{
    {135'700, 137'800, "2190m"},
    {472'000, 479'000, "630m"},
    {501'000, 504'000, "560m"},
    {1'800'000, 2'000'000, "160m"},
    {3'500'000, 4'000'000, "80m"},
    {5'060'000, 5'450'000, "60m"},
    {7'000'000, 7'300'000, "40m"},
    {10'100'000, 10'150'000, "30m"},
    {14'000'000, 14'350'000, "20m"},
    {18'068'000, 18'168'000, "17m"},
    {21'000'000, 21'450'000, "15m"},
    {24'890'000, 24'990'000, "12m"},
    {28'000'000, 29'700'000, "10m"},
    {40'000'000, 45'000'000, "8m"},
    {50'000'000, 54'000'000, "6m"},
    {54'000'001, 69'900'000, "5m"},
    {70'000'000, 71'000'000, "4m"},
    {144'000'000, 148'000'000, "2m"},
    {222'000'000, 225'000'000, "1.25m"},
    {420'000'000, 450'000'000, "70cm"},
    {902'000'000, 928'000'000, "33cm"},
    {1'240'000'000, 1'300'000'000, "23cm"},
    {2'300'000'000, 2'450'000'000, "13cm"},
    {3'300'000'000, 3'500'000'000, "9cm"},
    {5'650'000'000, 5'925'000'000, "6cm"},
    {10'000'000'000, 10'500'000'000, "3cm"},
    {24'000'000'000, 24'250'000'000, "1.25cm"},
    {47'000'000'000, 47'200'000'000, "6mm"},
    {75'500'000'000, 81'000'000'000, "4mm"},
    {119'980'000'000, 123'000'000'000, "2.5mm"},
    {134'000'000'000, 149'000'000'000, "2mm"},
    {241'000'000'000, 250'000'000'000, "1mm"},
    {300'000'000'000, 7'500'000'000'000, "submm"},
}};

constexpr std::uint64_t kMaxMhz = 10'000'000;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits, optionally a point and more digits; hertz beyond the sixth decimal
// are dropped. False for anything else or a frequency beyond every band.
bool readHertz(std::string_view text, std::uint64_t& hz) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::uint64_t mhz = 0;
    std::size_t i = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        mhz = mhz * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (mhz > kMaxMhz) return false;
    }
    const std::size_t whole = i;
    std::uint64_t fraction = 0;
    std::size_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            if (decimals < 6) {
                fraction = fraction * 10 + static_cast<std::uint64_t>(text[i] - '0');
                ++decimals;
            }
        }
        if (whole == 0 && i == whole + 1) return false;
    } else if (whole == 0) {
        return false;
    }
    if (i != text.size()) return false;
    for (; decimals < 6; ++decimals) fraction *= 10;
    hz = mhz * 1'000'000 + fraction;
    return true;
}

}  // namespace

std::string_view adifBandOfFrequency(std::string_view mhz) {
    std::uint64_t hz = 0;
    if (!readHertz(mhz, hz)) return {};
    for (const Band& b : kBands)
        if (hz >= b.lowHz && hz <= b.highHz) return b.name;
    return {};
}

}  // namespace morvel
