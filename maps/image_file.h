#pragma once

#include <QImage>
#include <QString>

#include "database/error.h"

namespace morvel {

// Writes a picture in the format its name ends with (".jpg", ".png", ...,
// in any case). The whole file is written or nothing: a failure leaves an
// earlier file of that name as it was.
bool saveImage(const QImage& image, const QString& path, Error& error);

}  // namespace morvel
