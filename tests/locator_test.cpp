#include "geo/locator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace morvel {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

TEST(LocatorDistance, WorkedTable) {
    struct Case {
        const char* from;
        const char* to;
        double km;
    };
    for (const Case c : {Case{"JO62QM", "IO91WM", 932.4}, Case{"jo62qm", "io91wm", 932.4},
                         Case{"FN31PR", "JO62QM", 6246.9}, Case{"IO91  ", "JO62  ", 966.4},
                         Case{"KP20LE", "QF56OD", 15175.8}, Case{"AA00AA", "RR99XX", 19997.9}}) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to);
        const float d = LocatorDistance(c.from, c.to);
        EXPECT_NEAR(d, c.km, 0.05);
        EXPECT_NEAR(LocatorDistance(c.to, c.from), d, 0.05);
    }
}

TEST(LocatorDistance, IdenticalAndInvalidLocatorsGiveZero) {
    // Identical points: x may round past 1 without the clamp.
    for (const char* loc : {"JO62QM", "IO91WM", "AA00AA", "RR99XX", "KP20LE", "IO85  "})
        EXPECT_EQ(LocatorDistance(loc, loc), 0.0f) << loc;
    for (const char* bad :
         {"      ", "", "SA00AA", "IO9AWM", "IO91YY", "IO91W ", "IO91 M", "@@00AA"}) {
        EXPECT_FALSE(isValidLocator(bad)) << bad;
        EXPECT_EQ(LocatorDistance("JO62QM", bad), 0.0f) << bad;
        EXPECT_EQ(LocatorDistance(bad, "JO62QM"), 0.0f) << bad;
    }
}

TEST(LocatorDistance, QuarterCircumferenceApartTakesTheRightBranch) {
    // Along the equator 90 degrees apart x is about 0: about a quarter of 2*pi*6367.
    const float quarter = LocatorDistance("JJ00AA", "NJ50AA");
    EXPECT_NEAR(quarter, 6367 * 3.14159265 / 2, 15);
    // Beyond a quarter the distance keeps growing.
    EXPECT_GT(LocatorDistance("JJ00AA", "OJ50AA"), quarter + 2000);
}

}  // namespace
}  // namespace morvel

namespace morvel {
namespace {

TEST(DistanceFrom, MemoisedTablesGiveTheSameDistances) {
    const DistanceFrom plain("JO62QM");
    const DistanceFrom memo("JO62QM", true);
    for (int i = 0; i < 3000; ++i) {
        const char loc[] = {
            static_cast<char>('A' + i % 18),        static_cast<char>('A' + (i / 7) % 18),
            static_cast<char>('0' + i % 10),        static_cast<char>('0' + (i / 3) % 10),
            static_cast<char>('a' + (i / 11) % 24), static_cast<char>('A' + (i / 5) % 24)};
        const std::string_view s(loc, 6);
        // Twice: once filling the tables, once reading them.
        ASSERT_EQ(memo.to(s), plain.to(s)) << s;
        ASSERT_EQ(memo.to(s), LocatorDistance("JO62QM", s)) << s;
    }
    EXPECT_EQ(memo.to("JO62QM"), 0.0f);
    EXPECT_EQ(DistanceFrom("nonsense", true).to("JO62QM"), 0.0f);
}

}  // namespace
}  // namespace morvel
