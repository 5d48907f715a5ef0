#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/field_record.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"
#include "maps/outline_file.h"
#include "maps/outline_painter.h"
#include "maps/outline_plot.h"

namespace morvel {

// The map you can move in. Its coordinates are the field map's (x minutes
// east of 180 W, 0..21600; y minutes of latitude, north up). Zoom 1 shows
// the whole world as the field map's world view does, each axis stretched
// to the target; zoom z shows 1/z of each axis around the centre.
inline constexpr double kMinMapZoom = 1;
// Past one field filling the window (18) on to a square filling a good part
// of it, where the stored subsquares are told apart.
inline constexpr double kMaxMapZoom = 60;

class MapCamera {
public:
    MapCamera() = default;
    MapCamera(QPointF centre, double zoom);
    // The field map's view 1, 2 or 3; the world for any other value.
    static MapCamera forView(int mapview);
    // Centred on a locator's square (or subsquare, with six characters);
    // nothing for a text that is no locator.
    static std::optional<MapCamera> atLocator(std::string_view locator, double zoom);

    QPointF centre() const { return centre_; }
    double zoom() const { return zoom_; }
    // The rectangle of the map the target shows (top above bottom).
    MapRect shown() const;

    QPointF toPixel(QPointF mapPoint, QSizeF target) const;
    QPointF toMap(QPointF pixel, QSizeF target) const;
    // Zooms by `factor` keeping the map point under `pixel` where it is
    // (as far as the world's edges allow).
    void zoomAbout(QPointF pixel, QSizeF target, double factor);
    // Moves the map with the pointer: a drag by `pixels`.
    void panBy(QPointF pixels, QSizeF target);

private:
    // The zoom within its range and the shown rectangle within the world.
    void keepInWorld();

    QPointF centre_{10800, 0};
    double zoom_ = 1;
};

// The coastlines and borders of the whole world, read once from the outline
// files and shared by every map drawn (each window, the command-line tool).
// The world outline draws at the scales where a field is small; the finer
// ones (coasts, islands, countries, states) as it zooms in.
class MapOutlines {
public:
    struct Line {
        QPolygonF points;  // map coordinates, never across 180
        QRectF bounds;
    };
    // `folder` holds the .pnt files; a missing file is drawn as nothing.
    static std::shared_ptr<const MapOutlines> load(const QDir& folder);
    static std::shared_ptr<const MapOutlines> fromPoints(std::vector<OutlinePoint> world,
                                                         const FieldOutlines& fine);

    // The lines at one detail: points closer than `tolerance` minutes to
    // the last one kept are left out, as a frame could not tell them apart.
    struct Level {
        double tolerance = 0;
        std::vector<Line> world;  // the world outline
        std::vector<Line> coast;  // coasts and islands
        std::vector<Line> country;
        std::vector<Line> state;
    };
    const std::vector<OutlinePoint>& worldOutline() const { return world_; }
    // The world outline as the field map draws it (zoom 1).
    const std::vector<DrawOp>& worldOps() const { return worldOps_; }
    const std::vector<DrawRun>& worldRuns() const { return worldRuns_; }
    // The coarsest level whose tolerance is within a pixel of that size.
    const Level& levelFor(double minutesPerPixel) const;
    std::size_t bytes() const;

private:
    std::vector<OutlinePoint> world_;
    std::vector<DrawOp> worldOps_;
    std::vector<DrawRun> worldRuns_;
    std::vector<Level> levels_;  // finest first
};

// One database on the map: a band's squares in its colour.
struct MapLayer {
    QString band;          // "2m"
    QString databaseFile;  // "2M JO62QM HOME.QRA"
    std::string homeLocator;
    std::span<const FieldRecord> records;
    QColor colour;
    bool shown = true;
};
// The colour a band is marked in, by its place in the band list.
QColor bandColour(const QString& band);
// A layer per database (file names and their contents alike in order), each
// shown in its band's colour; the records are borrowed.
std::vector<MapLayer> mapLayers(const QStringList& databaseFiles,
                                std::span<const std::vector<FieldRecord>> databases);

struct MovingMapOptions {
    // Squares not worked in this layer are shaded (the needed ones); -1 none.
    int neededLayer = -1;
    // A circle of this radius around homeLocator; 0 none.
    double circleKm = 0;
    std::string homeLocator;
    // A square drawn highlighted (a live contact's new square); empty none.
    std::string highlight;
};

class LabelAtlas;
// The texts a frame draws many times (square numbers, band counts), each
// drawn once per size and colour and kept for the frames after: a window
// keeps one for its frames. Safe to share between the stripes of a frame.
class MapLabelCache {
public:
    MapLabelCache();
    ~MapLabelCache();
    std::shared_ptr<const LabelAtlas> atlas(const QStringList& texts, int pixelSize,
                                            const QColor& colour);

private:
    struct Atlases;
    std::unique_ptr<Atlases> atlases_;
};

// What a frame draws at its scale, by the pixels a square spans across.
struct MapDetail {
    bool fieldLetters = false;
    bool squareNumbers = false;
    bool subsquares = false;
    bool fineOutlines = false;
    // Several layers shown: a mark per band where they fit, else the count.
    bool bandMarks = false;
    bool bandCounts = false;
};
MapDetail mapDetail(const MapCamera& camera, QSizeF target, int shownLayers);

// One frame over (0, 0)-target. With one layer shown and no option it is
// the field map of that database over the camera's rectangle; at zoom 1
// that is the field map's world view pixel for pixel. The painter's state
// is restored afterwards.
void drawMovingMap(QPainter& painter, QSizeF target, const MapCamera& camera,
                   std::span<const MapLayer> layers, const MapOutlines* outlines,
                   const MovingMapOptions& options = {}, MapLabelCache* labelCache = nullptr);

// The same frame into the whole of `image`, its stripes drawn at once on
// the machine's cores (a frame must follow the pointer). A line cut at a
// stripe's edge may fall a pixel beside where drawMovingMap puts it.
void renderMovingMap(QImage& image, const MapCamera& camera, std::span<const MapLayer> layers,
                     const MapOutlines* outlines, const MovingMapOptions& options = {},
                     MapLabelCache* labelCache = nullptr);

// The frame as the window shows it: on a picture of pixels, the frame
// renderMovingMap draws (pixel for pixel the window's at that scale);
// on any other device (SVG, PDF, a printer) drawMovingMap's lines.
void paintMovingMap(QPainter& painter, QSizeF target, const MapCamera& camera,
                    std::span<const MapLayer> layers, const MapOutlines* outlines,
                    const MovingMapOptions& options = {});

// Where the marks of `count` bands lie in a square drawn over `square`
// (pixels), in layer order; empty when they do not fit.
std::vector<QRectF> bandMarkRects(const QRectF& square, int count);

// The six-character locator ("JO62qm") under a map point, or empty off the
// map; the centre of a locator's square (four characters) or subsquare (six).
std::string locatorAt(QPointF mapPoint);
std::optional<QPointF> locatorCentre(std::string_view locator);

// The status line for the pointer: "JO62QM  512 km  bearing 231°" from the
// home locator; the locator alone without one.
QString pointerStatus(QPointF mapPoint, std::string_view homeLocator);

// Who confirmed a database's square ("card 2024-07-01, LoTW 2024-06-03"),
// asked of the ledger; `confirmed` is the database's own flag.
using ConfirmingSourcesOf =
    std::function<QString(const QString& databaseFile, const std::string& square, bool confirmed)>;

// The tooltip of a square ("JO62"): the square, then a line per shown layer
// that worked it, with the call, date, six-character locator, distance from
// that database's own locator and, confirmed, who confirmed it (when
// `sources` is given); empty when no shown layer worked it.
QString squareTooltip(std::string_view square, std::span<const MapLayer> layers,
                      const ConfirmingSourcesOf& sources);

}  // namespace morvel
