#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "maps/outline_file.h"

namespace morvel {

// A drawing operation produced from an outline file. SetPoint draws one point
// and makes it the current position; LineTo draws a line from the current
// position to (x, y) and makes that the current position. The coordinates are
// those of the surface the caller set up (see the two functions below); a
// painter replays them with replayDrawOps (outline_painter.h).
struct DrawOp {
    enum class Kind : std::uint8_t { SetPoint, LineTo };
    Kind kind = Kind::SetPoint;
    float x = 0;
    float y = 0;

    friend bool operator==(const DrawOp&, const DrawOp&) = default;
};

// The square view shows one field of 20 by 10 degrees: view x 0..1200 and
// y 0..600, one unit a minute of arc, north at the top. Both edges are
// inclusive, so 1201 by 601 values lie inside.
inline constexpr float kFieldViewWidth = 1200;
inline constexpr float kFieldViewHeight = 600;

// Where a field lies, in minutes: lonbase is its western edge east of
// Greenwich (0..20400), latbase its southern edge north of the South Pole.
struct FieldOrigin {
    float lonbase = 0;
    float latbase = 0;
};

// fieldwest: western edge in whole degrees east of Greenwich, 0..340 (fields
// west of Greenwich count past 180); fieldsouth: southern edge in degrees of
// latitude, -90..80.
FieldOrigin fieldOrigin(float fieldwest, float fieldsouth);

// Appends the square view's drawing of one outline file to `ops`, in view
// coordinates (x east of the western edge, y = 600 minus the minutes north of
// the southern edge). Here a pen code of 1000 or more begins an outline. A
// point outside the view is not drawn and breaks the line, so a segment is
// drawn only between two consecutive points that both lie inside; the first
// point inside after a break is a single point. Offsets are computed in a
// wide type, so values outside the 16-bit ranges land outside the view.
void plotFieldView(std::span<const OutlinePoint> points, FieldOrigin origin,
                   std::vector<DrawOp>& ops);

// The world map's coordinates: x = minutes east of 180 W (0..21600),
// y = latitude in minutes (north positive, -5400..5400).
inline constexpr float kWorldMapWidth = 21600;
inline constexpr int kWorldDateLineSide = 20400;  // 160 E

// Appends the field map's drawing of "mapper.pnt" to `ops`, in world map
// coordinates. Longitudes past 180 E wrap to the western edge. Only a pen
// code above 1000 begins an outline. A continuation point whose side of
// 160 E differs from the previous point's is drawn as a single point rather
// than joined, which keeps outlines that cross 180 from spanning the map
// (and leaves one segment out where an outline crosses 160 E). The side
// before the first point counts as east of 160 E; a first point that would
// continue from nowhere is drawn as a single point.
void plotWorldMap(std::span<const OutlinePoint> points, std::vector<DrawOp>& ops);

}  // namespace morvel
