#pragma once

#include <QImage>
#include <QString>
#include <string>

namespace morvel {

// Writes a picture in the format its name ends with (".jpg", ".png", ...,
// in any case). The whole file is written or nothing: a failure leaves an
// earlier file of that name as it was. The error text is the reason alone;
// the caller names the file.
bool saveImage(const QImage& image, const QString& path, std::string& error);

}  // namespace morvel
