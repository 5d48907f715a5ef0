#include "maps/map_heading.h"

#include <QFontMetricsF>

namespace morvel {

namespace {

constexpr double kMargin = 8;
constexpr double kTitlePixels = 16;
constexpr double kLegendPixels = 13;
constexpr double kSwatch = 12;

QFont headingFont(double pixels, bool bold) {
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qRound(pixels));
    font.setBold(bold);
    return font;
}

void drawHeading(QPainter& painter, double width, const QString& title, const QString& day) {
    painter.save();
    painter.fillRect(QRectF(0, 0, width, kHeadingHeight), Qt::white);
    painter.setPen(Qt::black);
    const QRectF line(kMargin, 2, width - 2 * kMargin, kHeadingHeight / 2);
    const QFont small = headingFont(kLegendPixels, false);
    const QFontMetricsF smallMetrics(small);
    painter.setFont(small);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, day);
    // A narrow picture keeps the title's start: the band and the locator.
    const QFont bold = headingFont(kTitlePixels, true);
    painter.setFont(bold);
    const double room = line.width() - smallMetrics.horizontalAdvance(day) - 2 * kMargin;
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(bold).elidedText(title, Qt::ElideRight, room));
    painter.setFont(small);
    double x = kMargin;
    const double middle = kHeadingHeight * 3 / 4;
    for (const LegendEntry& entry : squareLegend()) {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(entry.colour);
        painter.drawRect(QRectF(x, middle - kSwatch / 2, kSwatch, kSwatch));
        x += kSwatch + 4;
        const double advance = smallMetrics.horizontalAdvance(entry.label);
        painter.drawText(QRectF(x, middle - kLegendPixels, advance + 2, 2 * kLegendPixels),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.label);
        x += advance + 2 * kMargin;
    }
    painter.restore();
}

}  // namespace

const std::vector<LegendEntry>& squareLegend() {
    static const std::vector<LegendEntry> legend = {
        {QColor(249, 96, 79), QStringLiteral("Worked")},
        {QColor(0, 128, 0), QStringLiteral("Confirmed")},
    };
    return legend;
}

QString exportedText(QDate exported) {
    return QStringLiteral("exported ") + exported.toString(Qt::ISODate);
}

MapExport withHeading(const MapExport& map, QDate exported) {
    MapExport headed;
    headed.size = QSizeF(map.size.width(), map.size.height() + kHeadingHeight);
    headed.squares = map.squares;
    headed.title = map.title;
    headed.draw = [draw = map.draw, mapSize = map.size, title = map.title,
                   day = exportedText(exported)](QPainter& painter, QSizeF) {
        drawHeading(painter, mapSize.width(), title, day);
        painter.save();
        painter.translate(0, kHeadingHeight);
        painter.setClipRect(QRectF(QPointF(0, 0), mapSize), Qt::IntersectClip);
        draw(painter, mapSize);
        painter.restore();
    };
    return headed;
}

}  // namespace morvel
