#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>

namespace morvel {

// Prints one page on the system's default printer.
class Printer {
public:
    // Draws the page: `draw` paints an area of `size` units, which the printer
    // scales to fill its page, keeping the shape.
    using Drawing = std::function<void(QPainter&)>;

    virtual ~Printer() = default;
    // One landscape page (paintPage below); false, with the reason, when
    // nothing could be printed.
    virtual bool print(QSizeF size, const Drawing& draw, const QString& caption,
                       QString& error) = 0;
};

// Lays out a page on the printer's own painter, in its device units: the
// drawing scaled to fill `printable` less one line, with its shape kept and
// clipped to it, then `caption` on the line under it.
void paintPage(QPainter& painter, QRectF printable, QSizeF size, const Printer::Drawing& draw,
               const QString& caption);

// The system's default printer, drawn on at its own resolution.
class QtPrinter : public Printer {
public:
    bool print(QSizeF size, const Drawing& draw, const QString& caption, QString& error) override;
};

}  // namespace morvel
