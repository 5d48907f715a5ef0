#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>

namespace morvel {

class Dialogs;

// Prints one page on a printer the user chooses.
class Printer {
public:
    // Draws the page: `draw` paints an area of `size` units, which the printer
    // scales to fill its page, keeping the shape.
    using Drawing = std::function<void(QPainter&)>;

    virtual ~Printer() = default;
    // One landscape page (paintPage below) in a job of that name; false,
    // with the reason, when nothing could be printed, and with none when
    // the user cancelled the print dialog.
    virtual bool print(QSizeF size, const Drawing& draw, const QString& caption,
                       const QString& jobName, QString& error) = 0;
};

// Lays out a page on the printer's own painter, in its device units: the
// drawing scaled to fill `printable` less one line, with its shape kept and
// clipped to it, then `caption` on the line under it.
void paintPage(QPainter& painter, QRectF printable, QSizeF size, const Printer::Drawing& draw,
               const QString& caption);

// The printer chosen in the print dialog (Dialogs::printDialog), drawn on at
// its own resolution.
class QtPrinter : public Printer {
public:
    explicit QtPrinter(Dialogs& dialogs) : dialogs_(dialogs) {}
    bool print(QSizeF size, const Drawing& draw, const QString& caption, const QString& jobName,
               QString& error) override;

private:
    Dialogs& dialogs_;
};

}  // namespace morvel
