#include "geo/locator.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

TEST(LocatorDistance, WorkedTable) {
    const std::tuple<const char*, const char*, double> cases[] = {
        {"JO62QM", "IO91WM", 932.4}, {"jo62qm", "io91wm", 932.4},   {"JO62QM12", "IO91WMXX", 932.4},
        {"IO91  ", "JO62  ", 966.4}, {"KP20LE", "QF56OD", 15175.8}, {"AA00AA", "RR99XX", 19997.9}};
    for (const auto& [from, to, km] : cases) {
        EXPECT_NEAR(LocatorDistance(from, to), km, 0.05) << from;
        EXPECT_NEAR(LocatorDistance(to, from), km, 0.05) << to;
    }
}

TEST(LocatorDistance, IdenticalAndInvalidLocatorsGiveZero) {
    // Identical points: x may round past 1 without the clamp.
    for (const char* loc : {"JO62QM", "RR99XX", "KP20LE", "IO85  "})
        EXPECT_EQ(LocatorDistance(loc, loc), 0.0f) << loc;
    for (const char* bad : {"      ", "", "SA00AA", "IO9AWM", "IO91YY", "IO91W ", "@@00AA"}) {
        EXPECT_FALSE(isValidLocator(bad)) << bad;
        EXPECT_EQ(LocatorDistance("JO62QM", bad) + LocatorDistance(bad, "JO62QM"), 0.0f) << bad;
    }
}

}  // namespace
}  // namespace morvel
