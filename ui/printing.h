#pragma once

#include <QImage>
#include <QString>
#include <vector>

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

// Keeps what would have been printed, for tests.
class RecordingPrinter : public Printer {
public:
    bool printImage(const QImage& image, QString& error) override;
    const std::vector<QImage>& printed() const { return printed_; }
    // When set, printing fails with this reason.
    QString failure;

private:
    std::vector<QImage> printed_;
};

// Writes a picture as a JPEG file, replacing a file of that name only once
// the whole picture is written.
bool saveJpeg(const QImage& image, const QString& path, QString& error);

}  // namespace morvel
