#include "maps/outline_plot.h"

namespace morvel {

FieldOrigin fieldOrigin(float fieldwest, float fieldsouth) {
    return {60.0f * fieldwest, 60.0f * (fieldsouth + 90.0f)};
}

void plotFieldView(std::span<const OutlinePoint> points, FieldOrigin origin,
                   std::vector<DrawOp>& ops) {
    bool previousDrawn = false;
    for (const OutlinePoint& p : points) {
        // int, not the record's 16 bits: lat + 5400 would wrap above 27367.
        const float y = static_cast<float>(int{p.lat} + 5400) - origin.latbase;
        const int east = p.lon >= 0 ? int{p.lon} : int{p.lon} + 21600;
        const float x = static_cast<float>(east) - origin.lonbase;
        if (x >= kFieldViewWidth + 1 || x < 0 || y >= kFieldViewHeight + 1 || y < 0) {
            previousDrawn = false;
            continue;
        }
        const DrawOp::Kind kind =
            p.pen < 1000 && previousDrawn ? DrawOp::Kind::LineTo : DrawOp::Kind::SetPoint;
        ops.push_back({kind, x, kFieldViewHeight - y});
        previousDrawn = true;
    }
}

void plotWorldMap(std::span<const OutlinePoint> points, std::vector<DrawOp>& ops) {
    int previousSide = 0;
    bool havePosition = false;
    for (const OutlinePoint& p : points) {
        int x = int{p.lon} + 10800;
        if (x > 21600) x -= 21600;
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(p.lat);
        const int side = x < kWorldDateLineSide ? 1 : 0;
        if (p.pen > 1000 || side != previousSide || !havePosition) {
            ops.push_back({DrawOp::Kind::SetPoint, fx, fy});
        } else {
            ops.push_back({DrawOp::Kind::LineTo, fx, fy});
        }
        previousSide = side;
        havePosition = true;
    }
}

}  // namespace morvel
