#include <gtest/gtest.h>

#include "maps/outline_plot.h"

namespace morvel {
namespace {

using Kind = DrawOp::Kind;
using Ops = std::vector<DrawOp>;

constexpr FieldOrigin kIO{20400, 8400};  // fieldwest 340, fieldsouth 50
constexpr FieldOrigin kJO{0, 8400};      // fieldwest 0, fieldsouth 50

Ops plot(const std::vector<OutlinePoint>& points, FieldOrigin origin = kJO) {
    Ops ops;
    plotFieldView(points, origin, ops);
    return ops;
}

TEST(FieldView, ViewEdgesAreInclusive) {
    const struct {
        const char* name;
        OutlinePoint point;
        FieldOrigin origin;
        bool drawn;
        float x, y;
    } cases[] = {
        {"south-west corner", {2000, 3000, 0}, kJO, true, 0, 600},
        {"IO: 50 N 1 W", {2000, 3000, -60}, kIO, true, 1140, 600},
        {"east edge", {2000, 3300, 1200}, kJO, true, 1200, 300},
        {"past east edge", {2000, 3300, 1201}, kJO, false, 0, 0},
        {"north edge", {2000, 3600, 600}, kJO, true, 600, 0},
        {"past north edge", {2000, 3601, 600}, kJO, false, 0, 0},
        {"south of field", {2000, 2999, 600}, kJO, false, 0, 0},
        {"west of field", {2000, 3300, -1}, kJO, false, 0, 0},
        {"Greenwich on IO's east edge", {2000, 3300, 0}, kIO, false, 0, 0},
        {"180 E on the east edge of 160 E", {2000, 0, 10800}, {9600, 5400}, true, 1200, 600},
        {"180 W on the east edge of 160 E", {2000, 0, -10800}, {9600, 5400}, true, 1200, 600},
        {"180 E on the west edge of 180", {2000, 0, 10800}, {10800, 5400}, true, 0, 600},
        {"North Pole", {2000, 5400, 100}, {0, 10200}, true, 100, 0},
    };
    for (const auto& c : cases) {
        const Ops expected = c.drawn ? Ops{{Kind::SetPoint, c.x, c.y}} : Ops{};
        EXPECT_EQ(plot({c.point}, c.origin), expected) << c.name;
    }
}

TEST(FieldView, PenCodesBeginOrContinueOutlines) {
    // 1000 itself begins a new outline in this view.
    const struct {
        std::int16_t pens[3];
        Kind second;
    } cases[] = {{{1500, 10, 10}, Kind::LineTo},
                 {{1500, 1000, 10}, Kind::SetPoint},
                 {{1001, 999, -5}, Kind::LineTo}};
    for (const auto& c : cases) {
        EXPECT_EQ(plot({{c.pens[0], 3100, 100}, {c.pens[1], 3200, 200}, {c.pens[2], 3300, 300}}),
                  (Ops{{Kind::SetPoint, 100, 500}, {c.second, 200, 400}, {Kind::LineTo, 300, 300}}))
            << c.pens[1];
    }
    // An outline leaving through the north edge and coming back in: no segment
    // joins an inside point to an outside one.
    EXPECT_EQ(plot({{2000, 3500, 100},
                    {0, 3590, 150},
                    {0, 3700, 200},
                    {0, 3800, 250},
                    {0, 3550, 300},
                    {0, 3500, 350}}),
              (Ops{{Kind::SetPoint, 100, 100},
                   {Kind::LineTo, 150, 10},
                   {Kind::SetPoint, 300, 50},
                   {Kind::LineTo, 350, 100}}));
}

TEST(FieldView, ValuesBeyondTheRangesLandOutsideEveryField) {
    const std::vector<OutlinePoint> wild{
        {2000, INT16_MAX, 100}, {10, INT16_MIN, 100}, {10, 27368, 100}, {10, 3000, INT16_MAX},
        {10, 3000, INT16_MIN},  {10, -5401, 0},       {10, 5401, 0}};
    for (int f = 0; f < 18; ++f)
        for (int g = 0; g < 18; ++g) {
            const FieldOrigin origin = fieldOrigin(static_cast<float>((20 * f + 180) % 360),
                                                   static_cast<float>(10 * g - 90));
            EXPECT_TRUE(plot(wild, origin).empty()) << "field " << f << "," << g;
        }
}

}  // namespace
}  // namespace morvel
