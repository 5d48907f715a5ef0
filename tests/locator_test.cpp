#include "geo/locator.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

TEST(LocatorDistance, WorkedTable) {
    const struct {
        const char *from, *to;
        double km;
    } cases[] = {{"JO62QM", "IO91WM", 932.4},     {"jo62qm", "io91wm", 932.4},
                 {"JO62QM12", "IO91WMXX", 932.4}, {"IO91  ", "JO62  ", 966.4},
                 {"KP20LE", "QF56OD", 15175.8},   {"AA00AA", "RR99XX", 19997.9}};
    for (const auto& c : cases) {
        EXPECT_NEAR(LocatorDistance(c.from, c.to), c.km, 0.05) << c.from;
        EXPECT_NEAR(LocatorDistance(c.to, c.from), c.km, 0.05) << c.to;
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
