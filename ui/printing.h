#pragma once

#include <QImage>
#include <QString>

namespace morvel {

// Prints a window's picture on the system's default printer.
class Printer {
public:
    virtual ~Printer() = default;
    // False, with the reason, when nothing could be printed.
    virtual bool printImage(const QImage& image, QString& error) = 0;
};

// The system's default printer, the picture scaled to fit the page.
class QtPrinter : public Printer {
public:
    bool printImage(const QImage& image, QString& error) override;
};

}  // namespace morvel
