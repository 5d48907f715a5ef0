#pragma once

#include <QColor>
#include <QIODevice>
#include <QPainter>
#include <QString>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "database/error.h"
#include "database/field_record.h"
#include <vector>
#include "maps/outline_file.h"

namespace morvel {

// The field map's views (the shared value `mapview`).
inline constexpr int kViewWorld = 1;
inline constexpr int kViewEurope = 2;
inline constexpr int kViewNorthAmerica = 3;

// The field map's coordinates are those of plotWorldMap: x = minutes east of
// 180 W (0..21600), y = latitude in minutes, north up. A view is the
// rectangle of them that fills the whole target, each axis by itself.
struct MapRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// The rectangle of views 1, 2 and 3; nothing for any other value, which
// draws in the painter's current coordinates.
std::optional<MapRect> viewRect(int mapview);
// "World", "Europe", "N America"; empty for any other value.
std::string viewName(int mapview);

// The exported picture's name: `filename` up to its first "." (all of it
// without one), a blank, the view name and ".jpg".
QString exportPictureName(const QString& filename, int mapview);
QString exportedMessage(const QString& pictureName);
inline constexpr char kExportTitle[] = "Morvel: Map JPG Export";

// The whole field map over the painter's area (0, 0)-target, in the
// painter's device-independent units and clipped to that area: the
// background, every square of `records` whose confirmed flag is -1 (green)
// or else whose worked flag is -1 (RGB(249, 96, 79)) with a black border,
// then the world outline, then the field grid. `records` are in
// file order; squares past their end are empty. The painter's
// state is restored afterwards.
// On White paper (printing) the background is white instead.
enum class MapPaper { Screen, White };
void drawFieldMap(QPainter& painter, QSizeF target, std::span<const FieldRecord> records,
                  std::span<const OutlinePoint> worldOutline, int mapview,
                  MapPaper paper = MapPaper::Screen);
// The same map of several databases (one per band) together: a square is
// green when confirmed in any of them, red when only worked.
void drawAllBandsMap(QPainter& painter, QSizeF target,
                     std::span<const std::vector<FieldRecord>> databases,
                     std::span<const OutlinePoint> worldOutline, int mapview);

// The steps of the field map for any rectangle of it, for a map that draws
// more over them (the moving map): the background over (0, 0)-target, then,
// under the mapping of `shown` onto the target, which the painter keeps for
// the caller (who saves and restores its state), the squares of `databases`
// together and their borders. Only the squares of `within` (columns from
// 180 W and rows from the South Pole, end exclusive) when given: a part of
// the target that is all the painter's clip lets through.
struct SquareSpan {
    int west = 0, east = 180, south = 0, north = 180;
};
void paintFieldMapSquares(QPainter& painter, QSizeF target,
                          std::span<const std::span<const FieldRecord>> databases,
                          const MapRect& shown, const QColor& background,
                          const SquareSpan& within = {});
// The field grid in map coordinates, in the painter's pen.
void paintFieldGrid(QPainter& painter);
inline const QColor kFieldMapBackground(255, 224, 192);

// The field under a point of the map and the edges Form2 opens it with. The
// indices are kept within 0..17, so points on or beyond the map's edge give a
// field of the 324.
struct FieldPick {
    std::string fieldname;  // longitude letter first
    float fieldwest = 0;    // whole degrees east of Greenwich, 0..340
    float fieldsouth = 0;   // whole degrees of latitude, -90..80
};
FieldPick pickField(QPointF mapPoint);
FieldPick fieldByIndex(int lonIndex, int latIndex);
// The pointer caption for a pick.
std::string pickCaption(const FieldPick& pick);

}  // namespace morvel
