#pragma once

#include <QColor>
#include <QDate>
#include <QString>
#include <vector>

#include "maps/map_export.h"

namespace morvel {

// The colours the maps paint squares in, as the exports' legend names them.
struct LegendEntry {
    QColor colour;
    QString label;
};
const std::vector<LegendEntry>& squareLegend();

// The heading's height above the map, in the export's pixels at scale 1.
inline constexpr double kHeadingHeight = 48;

// "exported 2026-12-07": the day of the export, as the heading names it.
QString exportedText(QDate exported);

// The map under a heading on white: the map's title (band, then the own
// locator or call and the tag as the database's name has them, then the
// view or field) at the left of the first line, exportedText at its right,
// and the legend's swatches and labels on the second. The picture is
// kHeadingHeight taller; the map is drawn below the heading as it would be
// alone.
MapExport withHeading(const MapExport& map, QDate exported);

}  // namespace morvel
