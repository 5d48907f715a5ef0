#include <gtest/gtest.h>

#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;
using Ops = std::vector<DrawOp>;

// Two points at 10 N: segments across 180 and 160 E are not joined, longitudes
// past 180 E wrap to the west, and a continuation first point draws a point.
TEST(WorldMap, TwoPointOutlines) {
    using I = std::int16_t;
    const std::tuple<const char*, I, I, I, I, Kind, float, float> cases[] = {
        {"179 E to 179 W", 2000, 10740, 0, -10740, Kind::SetPoint, 21540, 60},
        {"159 E to 161 E", 2000, 9540, 0, 9660, Kind::SetPoint, 20340, 20460},
        {"161 E to 179 E", 2000, 9660, 0, 10740, Kind::LineTo, 20460, 21540},
        {"1 W to 1 E", 2000, -60, 0, 60, Kind::LineTo, 10740, 10860},
        {"pen 1000 continues", 2000, 0, 1000, 60, Kind::LineTo, 10800, 10860},
        {"pen 1001 begins", 2000, 0, 1001, 60, Kind::SetPoint, 10800, 10860},
        {"180 E, then 181 E wraps west", 2000, 10800, 0, 10860, Kind::SetPoint, 21600, 60},
        {"180 W, then the largest value", 2000, -10800, 0, INT16_MAX, Kind::SetPoint, 0, 21967},
        {"continuation first, west of 160 E", 10, 0, 10, 60, Kind::LineTo, 10800, 10860},
        {"continuation first, east of 160 E", 10, 10000, 10, 10060, Kind::LineTo, 20800, 20860}};
    for (const auto& [what, p1, lon1, p2, lon2, kind, x1, x2] : cases) {
        Ops ops;
        plotWorldMap(std::vector<OutlinePoint>{{p1, 600, lon1}, {p2, 600, lon2}}, ops);
        EXPECT_EQ(ops, (Ops{{Kind::SetPoint, x1, 600}, {kind, x2, 600}})) << what;
    }
}

}  // namespace
}  // namespace morvel
