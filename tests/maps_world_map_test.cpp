#include <gtest/gtest.h>

#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;

std::vector<DrawOp> plot(const std::vector<OutlinePoint>& points) {
    std::vector<DrawOp> ops;
    plotWorldMap(points, ops);
    return ops;
}

struct SegmentCase {
    const char* name;
    OutlinePoint from, to;
    Kind second;
    float x1, x2;
};

TEST(WorldMap, SegmentsAcross180And160EastAreNotJoined) {
    const SegmentCase cases[] = {
        {"179 E to 179 W", {2000, 600, 10740}, {0, 600, -10740}, Kind::SetPoint, 21540, 60},
        {"179 W to 179 E", {2000, 600, -10740}, {0, 600, 10740}, Kind::SetPoint, 60, 21540},
        {"159 E to 161 E", {2000, 600, 9540}, {0, 600, 9660}, Kind::SetPoint, 20340, 20460},
        {"161 E to 159 E", {2000, 600, 9660}, {0, 600, 9540}, Kind::SetPoint, 20460, 20340},
        {"161 E to 179 E", {2000, 600, 9660}, {0, 600, 10740}, Kind::LineTo, 20460, 21540},
        {"1 W to 1 E", {2000, 600, -60}, {0, 600, 60}, Kind::LineTo, 10740, 10860},
        {"179 W to 178 W", {2000, 600, -10740}, {0, 600, -10680}, Kind::LineTo, 60, 120},
        {"pen 1000 continues", {2000, 600, 0}, {1000, 600, 60}, Kind::LineTo, 10800, 10860},
        {"pen 1001 begins", {2000, 600, 0}, {1001, 600, 60}, Kind::SetPoint, 10800, 10860},
    };
    for (const SegmentCase& c : cases) {
        const std::vector<DrawOp> ops = plot({c.from, c.to});
        ASSERT_EQ(ops.size(), 2u) << c.name;
        EXPECT_EQ(ops[0], (DrawOp{Kind::SetPoint, c.x1, 600})) << c.name;
        EXPECT_EQ(ops[1], (DrawOp{c.second, c.x2, 600})) << c.name;
    }
}

TEST(WorldMap, LongitudesPast180EastWrapToTheWest) {
    EXPECT_EQ(plot({{2000, -300, 10860}}), (std::vector<DrawOp>{{Kind::SetPoint, 60, -300}}));
    EXPECT_EQ(plot({{2000, -300, 10800}}), (std::vector<DrawOp>{{Kind::SetPoint, 21600, -300}}));
    EXPECT_EQ(plot({{2000, -300, -10800}}), (std::vector<DrawOp>{{Kind::SetPoint, 0, -300}}));
    // Wide arithmetic: the largest 16-bit value wraps once and lies east of the map.
    EXPECT_EQ(plot({{2000, 0, INT16_MAX}}), (std::vector<DrawOp>{{Kind::SetPoint, 21967, 0}}));
}

TEST(WorldMap, FirstContinuationPointDrawsAPoint) {
    // West of 160 E its side differs from the side before the first point.
    EXPECT_EQ(plot({{10, 100, 0}, {10, 200, 60}}),
              (std::vector<DrawOp>{{Kind::SetPoint, 10800, 100}, {Kind::LineTo, 10860, 200}}));
    // East of 160 E there is no position to continue from.
    EXPECT_EQ(plot({{10, 100, 10000}, {10, 200, 10060}}),
              (std::vector<DrawOp>{{Kind::SetPoint, 20800, 100}, {Kind::LineTo, 20860, 200}}));
}

}  // namespace
}  // namespace morvel
