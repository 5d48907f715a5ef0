#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"
#include "maps/image_file.h"
#include "statistics/overview.h"

namespace morvel::cli {
namespace {

// "WIDTHxHEIGHT", each 1 to 16384 pixels.
bool parseSize(const Invocation& call, QSize& size) {
    if (!call.options.isSet("size")) return true;
    const QString text = call.options.value("size");
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const auto m = pattern.match(text);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (w < 1 || h < 1 || w > 16384 || h > 16384) {
        call.io.err << "Not a picture size: " << text
                    << " (WIDTHxHEIGHT, 1 to 16384 pixels each)\n";
        return false;
    }
    size = QSize(w, h);
    return true;
}

// The outline files lie beside the program.
QDir mapFolder() {
    return QDir(QCoreApplication::applicationDirPath());
}

int writePicture(const QImage& image, const QString& path, CliStreams& io) {
    Error error;
    if (!saveImage(image, path, error)) {
        io.err << "The picture could not be written: " << error.message() << "\n";
        return kFailed;
    }
    io.out << QFileInfo(path).absoluteFilePath() << "\n";
    return kOk;
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
bool readMapDatabases(const Invocation& call, std::vector<std::string>& databases, Error& error) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    if (!call.options.isSet("all-bands")) return readMapDatabase(path, databases.emplace_back(), error);
    if (!QFileInfo(path).isDir()) {
        error = {path, QStringLiteral("not a folder")};
        return false;
    }
    for (const QString& name : bandDatabaseNames(path))
        if (!readMapDatabase(QDir(path).filePath(name), databases.emplace_back(), error)) return false;
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
    std::vector<std::string> databases;
    Error error;
    if (!readMapDatabases(call, databases, error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    std::vector<OutlinePoint> outline;
    readOutlineFile(mapFolder().filePath(kWorldFile), outline, error);  // missing: no outline
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawAllBandsMap(painter, size, databases, outline, view);
    painter.end();
    return writePicture(image, call.dir.absoluteFilePath(call.args[1]), call.io);
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
    QImage image(size, QImage::Format_RGB32);
    // 96 dots per inch, as on a screen, for the 16-point square numbers.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(QColor(255, 224, 192));
    QPainter painter(&image);
    drawFieldView(painter, size, record, fieldOrigin(pick.fieldwest, pick.fieldsouth), outlines,
                  view);
    painter.end();
    return writePicture(image, call.dir.absoluteFilePath(call.args[2]), call.io);
}

}  // namespace

std::vector<Command> pictureCommands() {
    const Argument database = {"DB", "the database, a .qra file"};
    const Argument picture = {
        "OUT", "the picture to write, PNG or JPEG by its suffix; its path is printed"};
    return {
        {"map",
         "the field map of a database, as a picture",
         {database, picture},
         {{"view", "world|europe|na", "the part of the world shown (default world)"},
          {"size", "WxH", "width and height in pixels, up to 16384 (default 1016x742)"},
          {"all-bands", nullptr, "DB is a folder: all its databases on one map"}},
         map},
        {"field",
         "one field's squares over its outlines, as a picture",
         {database, {"FIELD", "the field, AA to RR"}, picture},
         {{"states", nullptr, "the state borders too, as in the North America view"},
          {"size", "WxH", "width and height in pixels, up to 16384 (default 1501x602)"}},
         field},
    };
}

}  // namespace morvel::cli
