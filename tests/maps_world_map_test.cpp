#include <gtest/gtest.h>

#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;
using Ops = std::vector<DrawOp>;

Ops plot(const std::vector<OutlinePoint>& points) {
    Ops ops;
    plotWorldMap(points, ops);
    return ops;
}

TEST(WorldMap, SegmentsAcross180And160EastAreNotJoined) {
    const struct {
        const char* name;
        std::int16_t lon1, pen2, lon2;
        Kind second;
        float x1, x2;
    } cases[] = {
        {"179 E to 179 W", 10740, 0, -10740, Kind::SetPoint, 21540, 60},
        {"179 W to 179 E", -10740, 0, 10740, Kind::SetPoint, 60, 21540},
        {"159 E to 161 E", 9540, 0, 9660, Kind::SetPoint, 20340, 20460},
        {"161 E to 179 E", 9660, 0, 10740, Kind::LineTo, 20460, 21540},
        {"1 W to 1 E", -60, 0, 60, Kind::LineTo, 10740, 10860},
        {"pen 1000 continues", 0, 1000, 60, Kind::LineTo, 10800, 10860},
        {"pen 1001 begins", 0, 1001, 60, Kind::SetPoint, 10800, 10860},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plot({{2000, 600, c.lon1}, {c.pen2, 600, c.lon2}}),
                  (Ops{{Kind::SetPoint, c.x1, 600}, {c.second, c.x2, 600}}))
            << c.name;
}

TEST(WorldMap, LongitudesPast180EastWrapToTheWest) {
    const struct {
        std::int16_t lon;
        float x;
    } cases[] = {{10860, 60}, {10800, 21600}, {-10800, 0}, {INT16_MAX, 21967}};
    for (const auto& c : cases)
        EXPECT_EQ(plot({{2000, -300, c.lon}}), (Ops{{Kind::SetPoint, c.x, -300}})) << c.lon;
}

TEST(WorldMap, FirstContinuationPointDrawsAPoint) {
    // West of 160 E its side differs from the side before the first point;
    // east of it there is no position to continue from.
    for (const std::int16_t lon : {0, 10000}) {
        EXPECT_EQ(
            plot({{10, 100, lon}, {10, 200, static_cast<std::int16_t>(lon + 60)}}),
            (Ops{{Kind::SetPoint, 10800.0f + lon, 100}, {Kind::LineTo, 10860.0f + lon, 200}}));
    }
}

}  // namespace
}  // namespace morvel
