#include "ui/printing.h"

#include <QImageWriter>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

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
        error = QStringLiteral("The printer %1 could not be started.").arg(info.printerName());
        return false;
    }
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawImage(0, 0, image);
    if (!painter.end()) {
        error = QStringLiteral("Printing on %1 failed.").arg(info.printerName());
        return false;
    }
    return true;
}

bool RecordingPrinter::printImage(const QImage& image, QString& error) {
    if (!failure.isEmpty()) {
        error = failure;
        return false;
    }
    printed_.push_back(image);
    return true;
}

bool saveJpeg(const QImage& image, const QString& path, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "jpg");
    if (!writer.write(image)) {
        error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace morvel
