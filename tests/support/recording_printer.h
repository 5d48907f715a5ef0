#pragma once

#include <QImage>
#include <vector>

#include "ui/printing.h"

namespace morvel {

// Keeps each page as a picture of the size asked for, drawn on a white page;
// fails with `failure` when that is set.
struct RecordingPrinter : Printer {
    bool print(QSizeF size, const Drawing& draw, QString& error) override {
        if (!(error = failure).isEmpty()) return false;
        QImage page(size.toSize(), QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        draw(painter);
        painter.end();
        printed.push_back(page);
        return true;
    }
    std::vector<QImage> printed;
    QString failure;
};

}  // namespace morvel
