#pragma once

#include <vector>

#include "ui/printing.h"

namespace morvel {

// Keeps what would have been printed.
class RecordingPrinter : public Printer {
public:
    bool printImage(const QImage& image, std::string& error) override {
        if (!failure.empty()) {
            error = failure;
            return false;
        }
        printed_.push_back(image);
        return true;
    }
    const std::vector<QImage>& printed() const { return printed_; }
    // When set, printing fails with this reason.
    std::string failure;

private:
    std::vector<QImage> printed_;
};

}  // namespace morvel
