#pragma once

#include <QPainter>
#include <QSizeF>
#include <QString>
#include <functional>

namespace morvel {

// Prints one page on the system's default printer.
class Printer {
public:
    // Draws the page: `draw` paints an area of `size` units, which the printer
    // scales to fit its page, keeping the shape.
    using Drawing = std::function<void(QPainter&)>;

    virtual ~Printer() = default;
    // False, with the reason, when nothing could be printed.
    virtual bool print(QSizeF size, const Drawing& draw, QString& error) = 0;
};

// The system's default printer, drawn on at its own resolution.
class QtPrinter : public Printer {
public:
    bool print(QSizeF size, const Drawing& draw, QString& error) override;
};

}  // namespace morvel
