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

// "2M JO62QM HOME World, exported 2026-12-07": the map's title (band, then
// the own locator or call and tag as the database's name has them) and the
// day of the export.
QString headingText(const QString& title, QDate exported);

// The map under a heading: one line with headingText on white, one with the
// legend's swatches and labels. The picture is kHeadingHeight taller; the
// map is drawn below the heading as it would be alone.
MapExport withHeading(const MapExport& map, QDate exported);

}  // namespace morvel
