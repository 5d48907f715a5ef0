#pragma once

#include <QDir>
#include <QPainter>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/field_record.h"
#include "maps/outline_file.h"
#include "maps/outline_plot.h"

namespace morvel {

// The square view's logical coordinates: (0, 0) at the top left of the
// target, (1500, 601) at its bottom right. The field takes x 0..1200 and
// y 0..600, a cell being 120 by 60; the window's controls stand to the right.
inline constexpr double kFieldViewLogicalWidth = 1500;
inline constexpr double kFieldViewLogicalHeight = 601;

// The part of a view of that size the field takes, without the controls'
// room at its right: what an export of the field holds.
inline QSizeF fieldPartOfView(QSizeF view) {
    return {view.width() * 1200 / kFieldViewLogicalWidth,
            view.height() * 600 / kFieldViewLogicalHeight};
}
// The view whose field part has that size.
inline QSizeF viewAroundField(QSizeF field) {
    return {field.width() * kFieldViewLogicalWidth / 1200,
            field.height() * kFieldViewLogicalHeight / 600};
}

// The outline files a field view draws. The state borders are read only for
// the North America view; a missing file is no error and draws nothing.
struct FieldOutlines {
    std::vector<OutlinePoint> coast;
    std::vector<OutlinePoint> island;
    std::vector<OutlinePoint> country;
    std::vector<OutlinePoint> state;
};
void loadFieldOutlines(const QDir& folder, int mapview, FieldOutlines& outlines);

// Squares worked (a confirmed square counts too) and confirmed; a slot with
// both flags -1 counts once in each.
struct FieldTotals {
    int worked = 0;
    int confirmed = 0;
};
FieldTotals countField(const FieldRecord& record);
// " 12  worked" and " 3  confirmed".
std::string workedCaption(const FieldTotals& totals);
std::string confirmedCaption(const FieldTotals& totals);

// One field over the painter's area (0, 0)-target: square fills, the
// hundred square numbers " i j" (16 points on the device, so they keep their
// size however the field is stretched), the 11 + 11 grid lines, then
// coastlines, islands, country borders and, for mapview 3 only, state
// borders. The background is left as it is. Returns the totals; the
// painter's state is restored.
FieldTotals drawFieldView(QPainter& painter, QSizeF target, const FieldRecord& record,
                          FieldOrigin origin, const FieldOutlines& outlines, int mapview);

// What the read-out shows for the pointer at a logical point.
struct SquareReadOut {
    std::optional<int> slot;  // the square under the pointer; none off the grid
    std::string square;       // "IO85", or five blanks off the grid
    std::string call;         // the stored texts, all their characters
    std::string locator;
    std::string date;
    std::string state;     // "Worked", "Confirmed", six blanks or empty
    std::string distance;  // " 932km" or empty
};
SquareReadOut readOutAt(QPointF logical, std::string_view fieldname, const FieldRecord& record,
                        std::string_view homeloc);
// The logical point under a pixel of a target of the given size.
QPointF fieldViewPointAt(QPointF pixel, QSizeF target);

}  // namespace morvel
