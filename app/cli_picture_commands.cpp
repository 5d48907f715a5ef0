#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "database/program_folders.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"
#include "maps/map_export.h"
#include "maps/moving_map.h"
#include "statistics/overview.h"

namespace morvel::cli {
namespace {

// "WIDTHxHEIGHT", each 1 to kMaxExportPixels pixels.
bool parseSize(const Invocation& call, QSize& size) {
    if (!call.options.isSet("size")) return true;
    const QString text = call.options.value("size");
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const auto m = pattern.match(text);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (w < 1 || h < 1 || w > kMaxExportPixels || h > kMaxExportPixels) {
        call.io.err << "Not a picture size: " << text << " (WIDTHxHEIGHT, 1 to "
                    << std::to_string(kMaxExportPixels) << " pixels each)\n";
        return false;
    }
    size = QSize(w, h);
    return true;
}

// --scale N, a number above 0 (1 when not given).
bool parseScale(const Invocation& call, double& scale) {
    scale = 1;
    if (!call.options.isSet("scale")) return true;
    bool ok = false;
    scale = call.options.value("scale").toDouble(&ok);
    if (ok && scale > 0 && std::isfinite(scale)) return true;
    call.io.err << "Not a scale: " << call.options.value("scale") << " (a number above 0)\n";
    return false;
}

// The outline files lie beside the program, or in <prefix>/share/morvel
// when it is installed.
QDir mapFolder() {
    return QDir(programFolders(QCoreApplication::applicationDirPath(), QString()).maps);
}

// The export in the format OUT's suffix names, whole or not at all.
int writeExport(const Invocation& call, const QString& out, const MapExport& map) {
    double scale = 1;
    if (!parseScale(call, scale)) return kFailed;
    const QString path = call.dir.absoluteFilePath(out);
    Error error;
    if (!writeMapExport(path, map, scale, error)) {
        call.io.err << "The picture could not be written: " << error.message() << "\n";
        return kFailed;
    }
    call.io.out << QFileInfo(path).absoluteFilePath() << "\n";
    return kOk;
}

// The database's name up to its first ".", then a blank and `what`.
QString exportTitle(const QString& database, const QString& what) {
    const QString name = QFileInfo(database).fileName();
    return name.left(name.indexOf(QLatin1Char('.'))) + QLatin1Char(' ') + what;
}

// kViewWorld when the option is not given, 0 for a name that is not a view.
int parseView(const Invocation& call) {
    if (!call.options.isSet("view")) return kViewWorld;
    const QString v = call.options.value("view").toLower();
    return v == "world"    ? kViewWorld
           : v == "europe" ? kViewEurope
           : v == "na"     ? kViewNorthAmerica
                           : 0;
}

// The database named, or with --all-bands every database of the folder named.
bool readMapDatabases(const Invocation& call, std::vector<std::vector<FieldRecord>>& databases,
                      QStringList& names, Error& error) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    if (!call.options.isSet("all-bands")) {
        names << QFileInfo(path).fileName();
        return readDatabase(path, databases.emplace_back(), error);
    }
    if (!QFileInfo(path).isDir()) {
        error = {path, QStringLiteral("not a folder")};
        return false;
    }
    for (const QString& name : bandDatabaseNames(path)) {
        names << name;
        if (!readDatabase(QDir(path).filePath(name), databases.emplace_back(), error)) return false;
    }
    return true;
}

// --center LOCATOR and --zoom FACTOR: the moving map's camera, each
// defaulting to the view's own; nothing when neither is given.
bool parseCamera(const Invocation& call, int view, std::optional<MapCamera>& camera) {
    const bool centred = call.options.isSet("center");
    const bool zoomed = call.options.isSet("zoom");
    if (!centred && !zoomed) return true;
    MapCamera base = MapCamera::forView(view);
    double zoom = base.zoom();
    if (zoomed) {
        bool ok = false;
        zoom = call.options.value("zoom").toDouble(&ok);
        if (!ok || !std::isfinite(zoom) || zoom < kMinMapZoom || zoom > kMaxMapZoom) {
            call.io.err << "Not a zoom: " << call.options.value("zoom") << " (a number from "
                        << QString::number(kMinMapZoom) << " to " << QString::number(kMaxMapZoom)
                        << ")\n";
            return false;
        }
    }
    QPointF centre = base.centre();
    if (centred) {
        const auto at = locatorCentre(toLatin1Text(call.options.value("center")));
        if (!at) {
            call.io.err << "Not a locator: " << call.options.value("center")
                        << " (a square such as JO62 or a subsquare such as JO62QM)\n";
            return false;
        }
        centre = *at;
    }
    camera = MapCamera(centre, zoom);
    return true;
}

int map(const Invocation& call) {
    const int view = parseView(call);
    if (view == 0) {
        call.io.err << "Not a view: " << call.options.value("view") << " (world, europe or na)\n";
        return kFailed;
    }
    QSize size(1016, 742);
    if (!parseSize(call, size)) return kFailed;
    std::optional<MapCamera> camera;
    if (!parseCamera(call, view, camera)) return kFailed;
    std::vector<std::vector<FieldRecord>> databases;
    QStringList names;
    Error error;
    if (!readMapDatabases(call, databases, names, error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    const auto painted = paintedSquares(std::span<const std::vector<FieldRecord>>(databases));
    if (camera) {
        // The moving map's frame, as its window draws it with every band shown.
        const std::shared_ptr<const MapOutlines> outlines = MapOutlines::load(mapFolder());
        const std::vector<MapLayer> layers = mapLayers(names, databases);
        const QString where = QString::fromStdString(upperLatin1(locatorAt(camera->centre())));
        const MapExport exported{size,
                                 [&](QPainter& painter, QSizeF target) {
                                     paintMovingMap(painter, target, *camera, layers, outlines.get());
                                 },
                                 painted,
                                 exportTitle(call.args[0], where + QStringLiteral(" zoom ") +
                                                               QString::number(camera->zoom()))};
        return writeExport(call, call.args[1], exported);
    }
    std::vector<OutlinePoint> outline;
    readOutlineFile(mapFolder().filePath(kWorldFile), outline, error);  // missing: no outline
    const MapExport exported{size,
                             [&](QPainter& painter, QSizeF target) {
                                 drawAllBandsMap(painter, target, databases, outline, view);
                             },
                             painted,
                             exportTitle(call.args[0], QString::fromStdString(viewName(view)))};
    return writeExport(call, call.args[1], exported);
}

int field(const Invocation& call) {
    const std::string name = upperLatin1(toLatin1Text(call.args[1]));
    if (name.size() != 2 || name[0] < 'A' || name[0] > 'R' || name[1] < 'A' || name[1] > 'R') {
        call.io.err << "Not a field: " << call.args[1] << " (AA to RR)\n";
        return kFailed;
    }
    QSize size(1501, 602);
    if (!parseSize(call, size)) return kFailed;
    Error error;
    FieldRecord record;
    if (!readRecord(call.dir.absoluteFilePath(call.args[0]), recordNumber(name[0], name[1]), record,
                    error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    const int view = call.options.isSet("states") ? kViewNorthAmerica : kViewWorld;
    FieldOutlines outlines;
    loadFieldOutlines(mapFolder(), view, outlines);
    const FieldPick pick = fieldByIndex(name[0] - 'A', name[1] - 'A');
    // The size is the view's, as the window's; the picture is its field.
    const MapExport exported{
        fieldPartOfView(QSizeF(size)),
        [&](QPainter& painter, QSizeF target) {
            painter.fillRect(QRectF(QPointF(0, 0), target), QColor(255, 224, 192));
            drawFieldView(painter, viewAroundField(target), record,
                          fieldOrigin(pick.fieldwest, pick.fieldsouth), outlines, view);
        },
        paintedSquares(record, name[0] - 'A', name[1] - 'A'),
        exportTitle(call.args[0], QString::fromLatin1(name.data(), 2))};
    return writeExport(call, call.args[2], exported);
}

}  // namespace

std::vector<Command> pictureCommands() {
    const Argument database = {"DB", "the database, a .qra file"};
    const Argument picture = {
        "OUT", "the file, by its suffix: png jpg svg pdf kml geojson; its path is printed"};
    const Option scale = {"scale", "N", "the picture's size times N (default 1)"};
    return {
        {"map",
         "the field map of a database, as a picture",
         {database, picture},
         {{"view", "world|europe|na", "the part of the world shown (default world)"},
          {"size", "WxH", "width and height in pixels, up to 20000 (default 1016x742)"},
          scale,
          {"all-bands", nullptr, "DB is a folder: all its databases on one map"},
          {"center", "LOCATOR", "the moving map centred on a square or subsquare"},
          {"zoom", "FACTOR", "the moving map at this zoom, 1 (the world view) to 60"}},
         map},
        {"field",
         "one field's squares over its outlines, as a picture",
         {database, {"FIELD", "the field, AA to RR"}, picture},
         {{"states", nullptr, "the state borders too, as in the North America view"},
          {"size", "WxH", "width and height in pixels, up to 20000 (default 1501x602)"},
          scale},
         field},
    };
}

}  // namespace morvel::cli
