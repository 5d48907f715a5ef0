#include "maps/field_map_renderer.h"

#include <QFile>
#include <QImage>
#include <QPaintEngine>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Squares over the whole map: 18 fields of 10 on each axis.
constexpr int kSquareColumns = 180;
constexpr int kSquareRows = 180;

enum class Square : std::uint8_t { Empty, Worked, Confirmed };

// Column from the west (0 = 180 W), row from the south (0 = 90 S).
struct SquareGrid {
    std::array<Square, std::size_t{kSquareColumns} * kSquareRows> cells{};
    Square& at(int column, int row) {
        return cells[static_cast<std::size_t>(column * kSquareRows + row)];
    }
    Square at(int column, int row) const {
        return cells[static_cast<std::size_t>(column * kSquareRows + row)];
    }
    // Outside the map counts as empty, so the edge squares get their outer borders.
    bool painted(int column, int row) const {
        return column >= 0 && column < kSquareColumns && row >= 0 && row < kSquareRows &&
               at(column, row) != Square::Empty;
    }
};

// Into `grid`, where a square keeps the better of what it holds and what the
// database says: several bands drawn together.
void readSquares(std::span<const FieldRecord> records, SquareGrid& grid,
                 const SquareSpan& within = {}) {
    for (std::size_t r = 0; r < std::min<std::size_t>(kRecordCount, records.size()); ++r) {
        const FieldRecord& record = records[r];
        const int firstColumn = 10 * static_cast<int>(r / kFieldLetters);
        const int firstRow = 10 * static_cast<int>(r % kFieldLetters);
        if (firstColumn + 10 <= within.west || firstColumn >= within.east ||
            firstRow + 10 <= within.south || firstRow >= within.north)
            continue;
        for (int i = std::max(0, within.west - firstColumn);
             i < std::min(10, within.east - firstColumn); ++i) {
            for (int j = std::max(0, within.south - firstRow);
                 j < std::min(10, within.north - firstRow); ++j) {
                const SquareEntry& e = record.entries[static_cast<std::size_t>(10 * i + j)];
                if (!e.hasContact()) continue;
                Square& cell = grid.at(firstColumn + i, firstRow + j);
                cell = std::max(cell, e.isConfirmed() ? Square::Confirmed : Square::Worked);
            }
        }
    }
}

const QColor& fillColour(Square kind) {
    return kind == Square::Confirmed ? kConfirmedFill : kWorkedFill;
}

// Any device: each painted square its own rectangle in map coordinates,
// one colour after the other, which keeps printed and vector output sharp
// (an SVG holds a rect per square).
void fillSquareRects(QPainter& painter, const SquareGrid& grid) {
    std::vector<QRectF> rects;
    for (const Square kind : {Square::Worked, Square::Confirmed}) {
        rects.clear();
        for (int column = 0; column < kSquareColumns; ++column)
            for (int row = 0; row < kSquareRows; ++row)
                if (grid.at(column, row) == kind)
                    rects.emplace_back(kSquareWidth * column, kSouthPole + kSquareHeight * row,
                                       kSquareWidth, kSquareHeight);
        if (rects.empty()) continue;
        painter.setPen(Qt::NoPen);
        painter.setBrush(fillColour(kind));
        painter.drawRects(rects.data(), static_cast<int>(rects.size()));
    }
    painter.setBrush(Qt::NoBrush);
}

// A raster device under a mapping that only scales and moves: the squares of
// `shown` drawn from a picture of one pixel row per square row, already as
// wide as the device shows them, each square on the pixels its own filled
// rectangle covers (edges rounded to the nearest pixel). A picture of one
// pixel per square scaled by the painter would let squares slip by a pixel
// across wide views. Returns false where it does not apply. `whole`: the
// background too, written straight onto a picture's pixels (directPixels),
// where the painter would have drawn the same.
bool fillSquaresOnRaster(QPainter& painter, const SquareGrid& grid, const MapRect& shown,
                         const QColor& background, bool whole) {
    const QTransform device = painter.deviceTransform();
    if (painter.paintEngine()->type() != QPaintEngine::Raster ||
        device.type() > QTransform::TxScale || device.m11() <= 0 || device.m22() == 0)
        return false;
    // Squares cut by the rectangle's edges count whole; the painter clips them.
    const auto index = [](double v, int count) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(count)));
    };
    const int west = index(std::floor(shown.left / kSquareWidth), kSquareColumns);
    const int east = index(std::ceil(shown.right / kSquareWidth), kSquareColumns);
    const int south = index(std::floor((shown.bottom - kSouthPole) / kSquareHeight), kSquareRows);
    const int north = index(std::ceil((shown.top - kSouthPole) / kSquareHeight), kSquareRows);
    if (east <= west || north <= south) return !whole;
    // Pixel edges of the squares; a mapping far beyond any device's size is
    // left to the painter.
    constexpr double kLimit = 1 << 20;
    std::array<int, kSquareColumns + 1> xs{};
    for (int k = west; k <= east; ++k) {
        const double x = device.m11() * (kSquareWidth * k) + device.dx();
        if (std::abs(x) > kLimit) return false;
        xs[k] = qRound(x);
    }
    std::array<int, kSquareRows + 1> ys{};
    for (int k = south; k <= north; ++k) {
        const double y = device.m22() * (kSouthPole + kSquareHeight * k) + device.dy();
        if (std::abs(y) > kLimit) return false;
        ys[k] = qRound(y);
    }

    const int width = xs[east] - xs[west];
    if (width <= 0) return !whole;
    QImage rows(width, north - south, QImage::Format_RGB32);
    if (rows.isNull()) return false;
    const QRgb colours[] = {background.rgb(), kWorkedFill.rgb(), kConfirmedFill.rgb()};
    // Rows without a painted square keep the background already there.
    std::array<bool, kSquareRows> painted{};
    for (int row = south; row < north; ++row) {
        auto* line = reinterpret_cast<QRgb*>(rows.scanLine(row - south));
        for (int column = west; column < east; ++column) {
            const Square kind = grid.at(column, row);
            painted[row] = painted[row] || kind != Square::Empty;
            std::fill(line + (xs[column] - xs[west]), line + (xs[column + 1] - xs[west]),
                      colours[static_cast<int>(kind)]);
        }
    }

    // A picture painted through a mapping that only scales and moves, and
    // clipped to a rectangle of whole pixels: the rows are copied onto its
    // pixels (what the painter would draw, without its cost per row).
    if (whole) {
        // Every pixel of the picture once: the background beside and between
        // the squares' rows, each row of squares copied over its height.
        const std::optional<QRect> pixels = directPixels(painter);
        if (!pixels) return false;
        auto* picture = static_cast<QImage*>(painter.device());
        uchar* bits = picture->bits();
        const qsizetype stride = picture->bytesPerLine();
        const QRgb fill = background.rgb();
        const int w = pixels->width();
        const int left = std::clamp(xs[west], 0, w);
        const int right = std::clamp(xs[east], left, w);
        std::vector<int> rowAt(static_cast<std::size_t>(pixels->height()), -1);
        for (int row = south; row < north; ++row)
            for (int y = std::max(std::min(ys[row], ys[row + 1]), 0);
                 y < std::min(std::max(ys[row], ys[row + 1]), pixels->height()); ++y)
                rowAt[static_cast<std::size_t>(y)] = row;
        // Whole rows are copied (memcpy outruns a filling loop).
        const std::vector<QRgb> blank(static_cast<std::size_t>(w), fill);
        const auto copy = [](const QRgb* from, int count, QRgb* to) {
            if (count > 0) std::memcpy(to, from, sizeof(QRgb) * static_cast<std::size_t>(count));
        };
        for (int y = 0; y < pixels->height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(bits + stride * y);
            const int row = rowAt[static_cast<std::size_t>(y)];
            if (row < 0 || !painted[row]) {
                copy(blank.data(), w, line);
                continue;
            }
            copy(blank.data(), left, line);
            copy(reinterpret_cast<const QRgb*>(rows.constScanLine(row - south)) + (left - xs[west]),
                 right - left, line + left);
            copy(blank.data(), w - right, line + right);
        }
        return true;
    }

    // Drawn in device pixels whatever the painter's scale and pixel ratio,
    // each row stretched over its height.
    const QTransform world = painter.worldTransform();
    painter.setWorldTransform(device.inverted() * world);
    for (int row = south; row < north; ++row) {
        const int height = std::abs(ys[row + 1] - ys[row]);
        if (height == 0 || !painted[row]) continue;
        painter.drawImage(QRect(xs[west], std::min(ys[row], ys[row + 1]), width, height), rows,
                          QRect(0, row - south, width, 1));
    }
    painter.setWorldTransform(world);
    return true;
}

// Calls line(first, end) for each run of consecutive indices below `count`
// that `bordered` holds for.
template <typename Bordered, typename Line>
void forEachRun(int count, Bordered bordered, Line line) {
    for (int k = 0; k < count;) {
        if (!bordered(k)) {
            ++k;
            continue;
        }
        const int first = k;
        while (k < count && bordered(k)) ++k;
        line(first, k);
    }
}

// The black borders of the painted squares in map coordinates. An edge is
// bordered when a painted square lies on either side of it; consecutive
// bordered edges along one grid line become one line, so neighbouring
// squares share their borders.
std::vector<QLineF> squareBorders(const SquareGrid& grid) {
    std::vector<QLineF> lines;
    for (int edge = 0; edge <= kSquareColumns; ++edge) {
        const double x = kSquareWidth * edge;
        forEachRun(
            kSquareRows,
            [&](int row) { return grid.painted(edge - 1, row) || grid.painted(edge, row); },
            [&](int first, int end) {
                lines.emplace_back(x, kSouthPole + kSquareHeight * first, x,
                                   kSouthPole + kSquareHeight * end);
            });
    }
    for (int edge = 0; edge <= kSquareRows; ++edge) {
        const double y = kSouthPole + kSquareHeight * edge;
        forEachRun(
            kSquareColumns,
            [&](int column) {
                return grid.painted(column, edge - 1) || grid.painted(column, edge);
            },
            [&](int first, int end) {
                lines.emplace_back(kSquareWidth * first, y, kSquareWidth * end, y);
            });
    }
    return lines;
}

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

namespace {

// Whether the painter's device has pixels beyond (0, 0)-target: a picture
// that lies within the target (a whole frame, or one stripe of it) needs no
// clip, and without one its pixels can be written directly.
bool reachesBeyond(const QPainter& painter, QSizeF target) {
    const QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image) return true;
    bool invertible = false;
    const QTransform back = painter.deviceTransform().inverted(&invertible);
    if (!invertible) return true;
    const QRectF drawn = back.mapRect(QRectF(static_cast<const QImage*>(device)->rect()));
    return !QRectF(QPointF(0, 0), target).adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(drawn);
}

// The first steps of every field map: the background over the target, the
// mapping of `shown` onto it (kept for the steps after), the squares and
// their borders.
void paintSquares(QPainter& painter, QSizeF target, const SquareGrid& squares,
                  const std::optional<MapRect>& shown, const QColor& background) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Rows of square pixels are stretched to each row's height, never blended.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // A view's squares fill exactly the target; the outline and grid beyond
    // the view stay off the rest of the device too.
    if (reachesBeyond(painter, target))
        painter.setClipRect(QRectF(QPointF(0, 0), target), Qt::IntersectClip);
    const QTransform unmapped = painter.worldTransform();
    if (shown) {
        painter.setTransform(
            logicalMapping(shown->left, shown->top, shown->right, shown->bottom, target), true);
    }
    if (!shown || !fillSquaresOnRaster(painter, squares, *shown, background, true)) {
        const QTransform mapped = painter.worldTransform();
        painter.setWorldTransform(unmapped);
        painter.fillRect(QRectF(QPointF(0, 0), target), background);
        painter.setWorldTransform(mapped);
        if (!shown || !fillSquaresOnRaster(painter, squares, *shown, background, false))
            fillSquareRects(painter, squares);
    }

    painter.setPen(QPen(Qt::black, 0));
    const std::vector<QLineF> borders = squareBorders(squares);
    drawHairlines(painter, borders);
}

void drawSquareGrid(QPainter& painter, QSizeF target, const SquareGrid& squares,
                    std::span<const OutlinePoint> worldOutline, int mapview,
                    const QColor& background) {
    painter.save();
    paintSquares(painter, target, squares, viewRect(mapview), background);
    std::vector<DrawOp> ops;
    plotWorldMap(worldOutline, ops);
    replayDrawOps(painter, ops);
    paintFieldGrid(painter);
    painter.restore();
}

}  // namespace

void paintFieldGrid(QPainter& painter) {
    std::vector<QLineF> grid;
    for (double x = 0; x <= kWorldMapWidth; x += kFieldWidth)
        grid.emplace_back(x, kSouthPole, x, kNorthPole);
    for (double y = kSouthPole; y <= kNorthPole; y += kFieldHeight)
        grid.emplace_back(0, y, kWorldMapWidth, y);
    drawHairlines(painter, grid);
}

void paintFieldMapSquares(QPainter& painter, QSizeF target,
                          std::span<const std::span<const FieldRecord>> databases,
                          const MapRect& shown, const QColor& background,
                          const SquareSpan& within) {
    SquareGrid squares;
    for (const std::span<const FieldRecord> records : databases)
        readSquares(records, squares, within);
    paintSquares(painter, target, squares, shown, background);
}

void drawFieldMap(QPainter& painter, QSizeF target, std::span<const FieldRecord> records,
                  std::span<const OutlinePoint> worldOutline, int mapview, MapPaper paper) {
    SquareGrid squares;
    readSquares(records, squares);
    drawSquareGrid(painter, target, squares, worldOutline, mapview,
                   paper == MapPaper::White ? QColor(Qt::white) : kBackground);
}

void drawAllBandsMap(QPainter& painter, QSizeF target,
                     std::span<const std::vector<FieldRecord>> databases,
                     std::span<const OutlinePoint> worldOutline, int mapview) {
    SquareGrid squares;
    for (const std::vector<FieldRecord>& records : databases) readSquares(records, squares);
    drawSquareGrid(painter, target, squares, worldOutline, mapview, kBackground);
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

}  // namespace morvel
