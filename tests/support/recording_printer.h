#pragma once

#include <vector>

#include "ui/printing.h"

namespace morvel {

// Keeps what would have been printed; fails with `failure` when that is set.
struct RecordingPrinter : Printer {
    bool printImage(const QImage& image, std::string& error) override {
        if (!(error = failure).empty()) return false;
        printed.push_back(image);
        return true;
    }
    std::vector<QImage> printed;
    std::string failure;
};

}  // namespace morvel
