#include "maps/field_map_renderer.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <vector>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/canvas.h"
#include "maps/outline_painter.h"
#include "maps/outline_plot.h"

namespace morvel {

namespace {

const QColor kBackground(255, 224, 192);
const QColor kConfirmedFill(0, 128, 0);
const QColor kWorkedFill(249, 96, 79);

constexpr double kFieldWidth = 1200;  // minutes of longitude
constexpr double kFieldHeight = 600;  // minutes of latitude
constexpr double kSquareWidth = 120;
constexpr double kSquareHeight = 60;
constexpr double kSouthPole = -5400;
constexpr double kNorthPole = 5400;

}  // namespace

std::optional<MapRect> viewRect(int mapview) {
    switch (mapview) {
        case kViewWorld:
            return MapRect{0, 5400, 21600, -5400};
        case kViewEurope:
            return MapRect{8400, 5400, 16800, 1200};
        case kViewNorthAmerica:
            return MapRect{0, 4200, 8400, 0};
        default:
            return std::nullopt;
    }
}

std::string viewName(int mapview) {
    switch (mapview) {
        case kViewWorld:
            return "World";
        case kViewEurope:
            return "Europe";
        case kViewNorthAmerica:
            return "N America";
        default:
            return {};
    }
}

QString exportPictureName(const QString& filename, int mapview) {
    const qsizetype dot = filename.indexOf(QLatin1Char('.'));
    return (dot < 0 ? filename : filename.left(dot)) + QLatin1Char(' ') +
           QString::fromStdString(viewName(mapview)) + QStringLiteral(".jpg");
}

QString exportedMessage(const QString& pictureName) {
    return QStringLiteral("File ") + pictureName + QStringLiteral(" exported");
}

bool readMapDatabase(QIODevice& device, std::string& bytes, QString& error) {
    // Zero bytes stand for whatever a short file lacks: empty squares.
    bytes.assign(static_cast<std::size_t>(kDatabaseSize), '\0');
    if (readFull(device, bytes.data(), kDatabaseSize, error) < 0) {
        bytes.clear();
        return false;
    }
    return true;
}

bool readMapDatabase(const QString& path, std::string& bytes, Error& error) {
    bytes.clear();
    // Opening for reading only: a missing database is reported, never created.
    QFile file(path);
    if (!openDatabase(file, error)) return false;
    QString reason;
    if (!readMapDatabase(file, bytes, reason)) {
        error = {path, reason};
        return false;
    }
    return true;
}

void drawFieldMap(QPainter& painter, QSizeF target, std::string_view database,
                  std::span<const OutlinePoint> worldOutline, int mapview) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRectF(QPointF(0, 0), target), kBackground);
    if (const auto view = viewRect(mapview)) {
        painter.setTransform(
            logicalMapping(view->left, view->top, view->right, view->bottom, target), true);
    }

    // Squares do not overlap, so filling them colour by colour (each with its
    // black border) gives the picture of painting them one after another.
    std::vector<QRectF> confirmed;
    std::vector<QRectF> worked;
    for (std::size_t r = 0; r < static_cast<std::size_t>(kRecordCount); ++r) {
        const std::size_t record = r * FieldRecord::kSize;
        const double west = kFieldWidth * static_cast<double>(r / kFieldLetters);
        const double south = kFieldHeight * static_cast<double>(r % kFieldLetters) + kSouthPole;
        for (int i = 0; i < 10; ++i) {
            for (int j = 0; j < 10; ++j) {
                const std::size_t slot =
                    record + static_cast<std::size_t>(10 * i + j) * SquareEntry::kSize;
                // Squares past the end of short data are empty.
                if (slot + SquareEntry::kSize > database.size()) continue;
                const SquareEntry e = SquareEntry::decode(database.data() + slot);
                if (!e.hasContact()) continue;
                (e.isConfirmed() ? confirmed : worked)
                    .emplace_back(west + kSquareWidth * i, south + kSquareHeight * j, kSquareWidth,
                                  kSquareHeight);
            }
        }
    }
    painter.setPen(QPen(Qt::black, 0));
    for (const auto& [rects, fill] :
         {std::pair{&confirmed, kConfirmedFill}, {&worked, kWorkedFill}}) {
        painter.setBrush(fill);
        painter.drawRects(rects->data(), static_cast<int>(rects->size()));
    }
    painter.setBrush(Qt::NoBrush);

    std::vector<DrawOp> ops;
    plotWorldMap(worldOutline, ops);
    replayDrawOps(painter, ops);

    for (double x = 0; x <= kWorldMapWidth; x += kFieldWidth)
        painter.drawLine(QPointF(x, kSouthPole), QPointF(x, kNorthPole));
    for (double y = kSouthPole; y <= kNorthPole; y += kFieldHeight)
        painter.drawLine(QPointF(0, y), QPointF(kWorldMapWidth, y));
    painter.restore();
}

FieldPick fieldByIndex(int lonIndex, int latIndex) {
    const int f = std::clamp(lonIndex, 0, kFieldLetters - 1);
    const int g = std::clamp(latIndex, 0, kFieldLetters - 1);
    FieldPick pick;
    pick.fieldname = {static_cast<char>('A' + f), static_cast<char>('A' + g)};
    pick.fieldwest = static_cast<float>((20 * f + 180) % 360);
    pick.fieldsouth = static_cast<float>(10 * g - 90);
    return pick;
}

FieldPick pickField(QPointF mapPoint) {
    // floor, then clamp in double: a point far off the map must not overflow int.
    const auto index = [](double v) {
        return static_cast<int>(std::clamp(std::floor(v), -1.0, double{kFieldLetters}));
    };
    return fieldByIndex(index(mapPoint.x() / kFieldWidth),
                        index((mapPoint.y() - kSouthPole) / kFieldHeight));
}

std::string pickCaption(const FieldPick& pick) {
    return "click to see record for Field " + pick.fieldname;
}

QPointF mapPointAt(QPointF pixel, QSizeF target, int mapview) {
    const auto view = viewRect(mapview);
    if (!view) return pixel;
    return logicalMapping(view->left, view->top, view->right, view->bottom, target)
        .inverted()
        .map(pixel);
}

}  // namespace morvel
