#include "ui/printing.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace morvel {

bool QtPrinter::print(QSizeF size, const Drawing& draw, QString& error) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        error = QStringLiteral("No default printer is set up.");
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageOrientation(size.width() > size.height() ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The printer ") + info.printerName() +
                QStringLiteral(" could not be started.");
        return false;
    }
    const QRect page = painter.viewport();
    QSize fitted = size.toSize();
    fitted.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), fitted.width(), fitted.height());
    painter.setWindow(QRect(QPoint(0, 0), size.toSize()));
    painter.setClipRect(QRectF(QPointF(0, 0), size));
    draw(painter);
    if (!painter.end()) {
        error = QStringLiteral("Printing on ") + info.printerName() + QStringLiteral(" failed.");
        return false;
    }
    return true;
}

}  // namespace morvel
