#pragma once

#include <QColor>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"

namespace morvel {

// The files a map is exported to, chosen by the name's suffix in any case;
// OtherPicture is any further picture format Qt writes.
enum class ExportFormat { Unknown, Png, Jpeg, Svg, Pdf, Kml, GeoJson, OtherPicture };
ExportFormat exportFormatFor(const QString& path);
// ".png, .jpg, .jpeg, .svg, .pdf, .kml, .geojson", for messages.
QString exportSuffixes();
// "PNG picture|*.png|..." for a save dialog (ui/dialogs.h).
QString exportDialogFilter();

// No side of an exported picture may exceed this many pixels.
inline constexpr int kMaxExportPixels = 20000;

// One painted square of a map as the geographic formats write it.
struct MapSquare {
    std::string square;  // "IO91"
    bool confirmed = false;
    std::string call, date, locator;  // as stored, trailing blanks dropped, Latin-1
    QColor fill;                      // its colour on the map
};
// The worked (or confirmed) squares of a whole database in file order;
// records past the end of short data are empty.
std::vector<MapSquare> paintedSquares(std::span<const FieldRecord> records);
// Those of several databases drawn together (the all-bands map): a square
// confirmed in any of them with that contact, else the first that worked it.
std::vector<MapSquare> paintedSquares(std::span<const std::vector<FieldRecord>> databases);
// Those of one field, lonIndex and latIndex 0..17.
std::vector<MapSquare> paintedSquares(const FieldRecord& record, int lonIndex, int latIndex);

// A square's edges in degrees (west, south, east, north); false for a name
// that is no square ("AA00" to "RR99").
bool squareEdges(std::string_view square, int edges[4]);

// What is exported: a renderer that draws the whole picture over (0, 0)-size
// in device-independent pixels, background included, and the squares it
// paints (for KML and GeoJSON). Any map (the field map, the all-bands map,
// the square view) hands its own renderer and squares.
struct MapExport {
    QSizeF size;
    std::function<void(QPainter&, QSizeF)> draw;
    std::vector<MapSquare> squares;
    QString title;  // the document's title: "2M JO62QM HOME World"
};

// Writes `map` to `path` in the format its suffix names: PNG and JPEG at
// size times scale pixels, SVG (text as text, squares as rects, outlines as
// paths) and one-page PDF at that size, KML and GeoJSON from the squares.
// PNG, SVG and PDF carry a heading above the map (maps/map_heading.h): the
// title, today's date and the legend of the colours.
// The whole file or nothing: on failure an earlier file of that name stays
// as it was and `error` names the file and the reason.
bool writeMapExport(const QString& path, const MapExport& map, double scale, Error& error);

// A stored date ("dd/mm/yy") as ISO 8601 ("2024-11-04"); empty when the
// text is no such date. The locator squares came into use in 1980, so a
// year 80 to 99 is 1980 to 1999 and 00 to 79 is 2000 to 2079.
std::string isoDate(std::string_view ddmmyy);

// The geographic formats alone, as the bytes written: each square's "date"
// is ISO 8601 (null, or no TimeStamp in KML, when the stored text is no
// date) and "stored_date" keeps the text as stored.
QByteArray kmlDocument(std::span<const MapSquare> squares, const QString& title);
QByteArray geoJsonDocument(std::span<const MapSquare> squares);

}  // namespace morvel
