#include "ui/printing.h"

#include <QFontMetricsF>
#include <QPrinter>

#include "ui/controls.h"
#include "ui/dialogs.h"

namespace morvel {

void paintPage(QPainter& painter, QRectF printable, QSizeF size, const Printer::Drawing& draw,
               const QString& caption) {
    // The caption's size on paper, as the window shows it on the screen.
    const QFont font = sansFont(13.5);
    const double line = 1.5 * QFontMetricsF(font, painter.device()).height();
    const QSizeF fitted =
        size.scaled(QSizeF(printable.width(), printable.height() - line), Qt::KeepAspectRatio);
    painter.save();
    painter.translate(printable.topLeft());
    painter.scale(fitted.width() / size.width(), fitted.height() / size.height());
    painter.setClipRect(QRectF(QPointF(0, 0), size));
    draw(painter);
    painter.restore();
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(printable.left(), printable.top() + fitted.height(), printable.width(), line),
        Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.restore();
}

bool QtPrinter::print(QSizeF size, const Drawing& draw, const QString& caption,
                      const QString& jobName, QString& error) {
    error.clear();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(jobName);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!dialogs_.printDialog(printer)) return false;
    const QString name =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The printer ") + name + QStringLiteral(" could not be started.");
        return false;
    }
    paintPage(painter, QRectF(painter.viewport()), size, draw, caption);
    if (!painter.end()) {
        error = QStringLiteral("Printing on ") + name + QStringLiteral(" failed.");
        return false;
    }
    return true;
}

}  // namespace morvel
