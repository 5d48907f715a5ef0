#pragma once

#include <QImage>
#include <QString>
#include <string>

namespace morvel {

// Writes a picture as a JPEG file (".jpg", ".jpeg") or a PNG file (".png"),
// chosen by the name's suffix in any case. The whole file is written or
// nothing: a failure leaves an earlier file of that name as it was. The
// error text is the reason alone; the caller names the file.
bool saveImage(const QImage& image, const QString& path, std::string& error);

}  // namespace morvel
