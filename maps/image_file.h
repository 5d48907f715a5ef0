#pragma once

#include <QImage>
#include <QString>
#include <string>

namespace morvel {

// Writes a picture in the format its name ends with (".jpg", ".png", ...),
// replacing a file of that name only once the whole picture is written. The
// error names the file.
bool saveImage(const QImage& image, const QString& path, std::string& error);

}  // namespace morvel
