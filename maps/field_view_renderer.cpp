#include "maps/field_view_renderer.h"

#include <QFontMetricsF>
#include <cmath>

#include "database/text_format.h"
#include "geo/locator.h"
#include "maps/canvas.h"
#include "maps/field_map_renderer.h"
#include "maps/outline_painter.h"

namespace morvel {

namespace {

const QColor kGridColour(128, 64, 64);
const QColor kConfirmedFill(0, 128, 0);
const QColor kWorkedFill(249, 96, 79);
const QColor kCoastColour(0, 0, 0);
const QColor kCountryColour(255, 0, 0);
const QColor kStateColour(192, 64, 0);

constexpr double kCellWidth = 120;
constexpr double kCellHeight = 60;
constexpr int kCells = 10;
constexpr double kNumberFontPoints = 16;

QRectF cellRect(int i, int j) {
    return {kCellWidth * i, kCellHeight * (9 - j), kCellWidth, kCellHeight};
}

QTransform fieldViewMapping(QSizeF target) {
    return logicalMapping(0, 0, kFieldViewLogicalWidth, kFieldViewLogicalHeight, target);
}

}  // namespace

void loadFieldOutlines(const QDir& folder, int mapview, FieldOutlines& outlines) {
    Error ignored;  // a missing file draws nothing
    const auto load = [&](const char* name, std::vector<OutlinePoint>& points) {
        readOutlineFile(folder.filePath(QString::fromLatin1(name)), points, ignored);
    };
    load(kCoastFile, outlines.coast);
    load(kIslandFile, outlines.island);
    load(kCountryFile, outlines.country);
    if (mapview == kViewNorthAmerica) {
        load(kStateFile, outlines.state);
    } else {
        outlines.state.clear();
    }
}

FieldTotals countField(const FieldRecord& record) {
    FieldTotals totals;
    for (int k = 0; k < FieldRecord::kSquares; ++k) {
        const SquareEntry& e = record.entries[k];
        if (e.hasContact()) ++totals.worked;
        if (e.isConfirmed()) ++totals.confirmed;
    }
    return totals;
}

std::string workedCaption(const FieldTotals& totals) {
    return captionNumber(totals.worked) + "  worked";
}

std::string confirmedCaption(const FieldTotals& totals) {
    return captionNumber(totals.confirmed) + "  confirmed";
}

FieldTotals drawFieldView(QPainter& painter, QSizeF target, const FieldRecord& record,
                          FieldOrigin origin, const FieldOutlines& outlines, int mapview) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QTransform base = painter.transform();
    const QTransform mapping = fieldViewMapping(target);
    painter.setTransform(mapping, true);

    // Cells do not overlap: filling them colour by colour gives the picture
    // of filling them one after another.
    std::vector<QRectF> confirmed;
    std::vector<QRectF> worked;
    for (int i = 0; i < kCells; ++i) {
        for (int j = 0; j < kCells; ++j) {
            const SquareEntry& e = record.entries[10 * i + j];
            if (e.isConfirmed()) {
                confirmed.push_back(cellRect(i, j));
            } else if (e.isWorked()) {
                worked.push_back(cellRect(i, j));
            }
        }
    }
    for (const auto& [rects, fill] :
         {std::pair{&confirmed, kConfirmedFill}, {&worked, kWorkedFill}}) {
        painter.setPen(QPen(fill, 0));
        painter.setBrush(fill);
        painter.drawRects(rects->data(), static_cast<int>(rects->size()));
    }
    painter.setBrush(Qt::NoBrush);

    // The numbers are placed in logical coordinates but drawn unscaled.
    painter.setTransform(base);
    QFont font = painter.font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kNumberFontPoints);
    painter.setFont(font);
    painter.setPen(kGridColour);
    const double ascent = QFontMetricsF(font, painter.device()).ascent();
    for (int i = 0; i < kCells; ++i) {
        for (int j = 0; j < kCells; ++j) {
            const QPointF topLeft = mapping.map(cellRect(i, j).topLeft() + QPointF(35, 20));
            painter.drawText(topLeft + QPointF(0, ascent),
                             QString::fromStdString(captionNumber(i) + captionNumber(j)));
        }
    }
    painter.setTransform(mapping, true);

    painter.setPen(QPen(kGridColour, 0));
    std::vector<QLineF> grid;
    for (int v = 0; v <= kCells; ++v)
        grid.emplace_back(0, kCellHeight * v, kFieldViewWidth, kCellHeight * v);
    for (int u = 0; u <= kCells; ++u)
        grid.emplace_back(kCellWidth * u, 0, kCellWidth * u, kFieldViewHeight);
    drawHairlines(painter, grid);

    std::vector<DrawOp> ops;
    const auto plot = [&](const std::vector<OutlinePoint>& points, QColor colour) {
        ops.clear();
        plotFieldView(points, origin, ops);
        painter.setPen(QPen(colour, 0));
        replayDrawOps(painter, ops);
    };
    plot(outlines.coast, kCoastColour);
    plot(outlines.island, kCoastColour);
    plot(outlines.country, kCountryColour);
    if (mapview == kViewNorthAmerica) plot(outlines.state, kStateColour);
    painter.restore();
    return {static_cast<int>(worked.size() + confirmed.size()), static_cast<int>(confirmed.size())};
}

SquareReadOut readOutAt(QPointF logical, std::string_view fieldname, const FieldRecord& record,
                        std::string_view homeloc) {
    SquareReadOut out;
    const double col = std::floor(logical.x() / kCellWidth);
    const double row = std::floor(logical.y() / kCellHeight);
    if (col < 0 || col >= kCells || row < 0 || row >= kCells) {
        out.square = "     ";
        out.call = out.locator = out.date = " ";
        return out;
    }
    const int i = static_cast<int>(col);
    const int j = 9 - static_cast<int>(row);
    const int slot = 10 * i + j;
    const SquareEntry& e = record.entries[slot];
    out.slot = slot;
    std::string_view name = fieldname;
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    out.square = std::string(name) + static_cast<char>('0' + i) + static_cast<char>('0' + j);
    out.call = std::string(e.callsignText());
    out.locator = std::string(e.locatorText());
    out.date = std::string(e.dateText());
    out.state = "      ";
    if (e.hasContact()) {
        out.state = e.isConfirmed() ? "Confirmed" : "Worked";
        // A locator no distance can be measured to shows none, not "0km".
        if (isValidLocator(homeloc) && isValidLocator(e.locatorText())) {
            const double km = roundHalfEven(LocatorDistance(homeloc, e.locatorText()));
            out.distance = captionNumber(km) + "km";
        }
    }
    return out;
}

QPointF fieldViewPointAt(QPointF pixel, QSizeF target) {
    return fieldViewMapping(target).inverted().map(pixel);
}

}  // namespace morvel
