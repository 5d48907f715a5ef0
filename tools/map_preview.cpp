// Renders the outline files of a folder to PNG pictures, to look at the
// generated data the way the two map windows will draw it.
//
// Usage: map_preview DIR field LETTERS OUT.png   one field, 1201 x 601 pixels
//        map_preview DIR world OUT.png           the world map, 2160 x 1080
// The field picture has a pixel per minute of arc: coast and islands black,
// country borders red, state borders RGB(192, 64, 0), the squares' grid grey.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <string>
#include <vector>

#include "maps/canvas.h"
#include "maps/outline_file.h"
#include "maps/outline_painter.h"
#include "maps/outline_plot.h"

namespace {

using namespace morvel;

bool load(const QDir& dir, const char* name, std::vector<OutlinePoint>& points) {
    Error error;
    if (!readOutlineFile(dir.filePath(QString::fromLatin1(name)), points, error)) {
        std::fprintf(stderr, "map_preview: %s\n", qPrintable(error.message()));
        return false;
    }
    return true;
}

QPen cosmetic(QColor colour) {
    QPen pen(colour);
    pen.setWidth(0);
    pen.setCosmetic(true);
    return pen;
}

bool renderField(const QDir& dir, const QString& letters, const QString& out) {
    const QByteArray l = letters.toUpper().toLatin1();
    if (l.size() != 2 || l[0] < 'A' || l[0] > 'R' || l[1] < 'A' || l[1] > 'R') {
        std::fprintf(stderr, "map_preview: field letters AA to RR expected\n");
        return false;
    }
    const int f = l[0] - 'A';
    const int g = l[1] - 'A';
    const FieldOrigin origin =
        fieldOrigin(static_cast<float>((20 * f + 180) % 360), static_cast<float>(10 * g - 90));

    QImage image(1201, 601, QImage::Format_RGB32);
    image.fill(QColor(255, 224, 192));
    QPainter painter(&image);
    painter.setPen(cosmetic(QColor(160, 160, 160)));
    for (int i = 0; i <= 10; ++i) {
        painter.drawLine(QPointF(120 * i, 0), QPointF(120 * i, 600));
        painter.drawLine(QPointF(0, 60 * i), QPointF(1200, 60 * i));
    }
    const struct {
        const char* file;
        QColor colour;
    } layers[] = {{kCoastFile, QColor(0, 0, 0)},
                  {kIslandFile, QColor(0, 0, 0)},
                  {kCountryFile, QColor(255, 0, 0)},
                  {kStateFile, QColor(192, 64, 0)}};
    std::vector<OutlinePoint> points;
    std::vector<DrawOp> ops;
    for (const auto& layer : layers) {
        if (!load(dir, layer.file, points)) return false;
        ops.clear();
        plotFieldView(points, origin, ops);
        painter.setPen(cosmetic(layer.colour));
        replayDrawOps(painter, ops);
    }
    painter.end();
    return image.save(out);
}

bool renderWorld(const QDir& dir, const QString& out) {
    QImage image(2160, 1080, QImage::Format_RGB32);
    image.fill(QColor(255, 224, 192));
    QPainter painter(&image);
    painter.setTransform(logicalMapping(0, 5400, 21600, -5400, image.size()));
    std::vector<OutlinePoint> points;
    if (!load(dir, kWorldFile, points)) return false;
    painter.setPen(cosmetic(QColor(160, 160, 160)));
    for (int x = 0; x <= 21600; x += 1200) painter.drawLine(QPointF(x, -5400), QPointF(x, 5400));
    for (int y = -5400; y <= 5400; y += 600) painter.drawLine(QPointF(0, y), QPointF(21600, y));
    std::vector<DrawOp> ops;
    plotWorldMap(points, ops);
    painter.setPen(cosmetic(QColor(0, 0, 0)));
    replayDrawOps(painter, ops);
    painter.end();
    return image.save(out);
}

}  // namespace

int main(int argc, char** argv) {
    // Pictures only: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool ok = false;
    if (args.size() == 4 && args[1] == QLatin1String("field")) {
        ok = renderField(QDir(args[0]), args[2], args[3]);
    } else if (args.size() == 3 && args[1] == QLatin1String("world")) {
        ok = renderWorld(QDir(args[0]), args[2]);
    } else {
        std::fprintf(
            stderr,
            "usage: map_preview DIR field LETTERS OUT.png | map_preview DIR world OUT.png\n");
        return 2;
    }
    if (!ok) {
        std::fprintf(stderr, "map_preview: no picture written\n");
        return 1;
    }
    return 0;
}
