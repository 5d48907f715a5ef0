#include "ui/printing.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace morvel {

bool QtPrinter::printImage(const QImage& image, QString& error) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        error = QStringLiteral("No default printer is set up.");
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageOrientation(image.width() > image.height() ? QPageLayout::Landscape
                                                              : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The printer ") + info.printerName() +
                QStringLiteral(" could not be started.");
        return false;
    }
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawImage(0, 0, image);
    if (!painter.end()) {
        error = QStringLiteral("Printing on ") + info.printerName() + QStringLiteral(" failed.");
        return false;
    }
    return true;
}

}  // namespace morvel
