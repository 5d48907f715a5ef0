#pragma once

#include <QImage>
#include <QString>
#include <string>

namespace morvel {

// Prints a window's picture on the system's default printer.
class Printer {
public:
    virtual ~Printer() = default;
    // False, with the reason, when nothing could be printed.
    virtual bool printImage(const QImage& image, std::string& error) = 0;
};

// The system's default printer, the picture scaled to fit the page.
class QtPrinter : public Printer {
public:
    bool printImage(const QImage& image, std::string& error) override;
};

}  // namespace morvel
