#include <gtest/gtest.h>

#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;
using Ops = std::vector<DrawOp>;

constexpr FieldOrigin kIO{20400, 8400}, kJO{0, 8400};  // fieldsouth 50, fieldwest 340 and 0

Ops plot(const std::vector<OutlinePoint>& points, FieldOrigin origin = kJO) {
    Ops ops;
    plotFieldView(points, origin, ops);
    return ops;
}

// A point is drawn (x, y) or not (x = -1).
TEST(FieldView, ViewEdgesAreInclusive) {
    const std::tuple<const char*, std::int16_t, std::int16_t, FieldOrigin, float, float> cases[] = {
        {"south-west corner", 3000, 0, kJO, 0, 600},
        {"IO: 50 N 1 W", 3000, -60, kIO, 1140, 600},
        {"east edge", 3300, 1200, kJO, 1200, 300},
        {"past east edge", 3300, 1201, kJO, -1, 0},
        {"north edge", 3600, 600, kJO, 600, 0},
        {"past north edge", 3601, 600, kJO, -1, 0},
        {"Greenwich on IO's east edge", 3300, 0, kIO, -1, 0},
        {"180 E on the east edge of 160 E", 0, 10800, {9600, 5400}, 1200, 600},
        {"180 W on the east edge of 160 E", 0, -10800, {9600, 5400}, 1200, 600},
        {"180 E on the west edge of 180", 0, 10800, {10800, 5400}, 0, 600}};
    for (const auto& [name, lat, lon, origin, x, y] : cases)
        EXPECT_EQ(plot({{2000, lat, lon}}, origin), (x < 0 ? Ops{} : Ops{{Kind::SetPoint, x, y}}))
            << name;
}

// 1000 itself begins a new outline here; an outline leaving through the north
// edge and coming back has no segment joining an inside point to an outside one.
TEST(FieldView, PenCodesAndReentryBeginOutlines) {
    EXPECT_EQ(plot({{1500, 3100, 100}, {999, 3200, 200}, {1000, 3300, 300}, {-5, 3400, 400}}),
              (Ops{{Kind::SetPoint, 100, 500},
                   {Kind::LineTo, 200, 400},
                   {Kind::SetPoint, 300, 300},
                   {Kind::LineTo, 400, 200}}));
    EXPECT_EQ(
        plot({{2000, 3500, 100}, {0, 3590, 150}, {0, 3700, 200}, {0, 3550, 300}, {0, 3500, 350}}),
        (Ops{{Kind::SetPoint, 100, 100},
             {Kind::LineTo, 150, 10},
             {Kind::SetPoint, 300, 50},
             {Kind::LineTo, 350, 100}}));
}

TEST(FieldView, ValuesBeyondTheRangesLandOutsideEveryField) {
    const std::vector<OutlinePoint> wild{
        {2000, INT16_MAX, 1},  {10, INT16_MIN, 1}, {10, 27368, 1}, {10, 3000, INT16_MAX},
        {10, 3000, INT16_MIN}, {10, -5401, 0},     {10, 5401, 0}};
    for (int f = 0; f < 18; ++f)
        for (int g = 0; g < 18; ++g)
            EXPECT_TRUE(plot(wild, fieldOrigin(20.0f * f, 10.0f * g - 90)).empty()) << f << g;
}

}  // namespace
}  // namespace morvel
