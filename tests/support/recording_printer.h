#pragma once

#include <vector>

#include "ui/printing.h"

namespace morvel {

// Keeps what would have been printed; fails with `failure` when that is set.
struct RecordingPrinter : Printer {
    bool printImage(const QImage& image, QString& error) override {
        if (!(error = failure).isEmpty()) return false;
        printed.push_back(image);
        return true;
    }
    std::vector<QImage> printed;
    QString failure;
};

}  // namespace morvel
