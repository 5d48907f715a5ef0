#include "maps/image_file.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include "database/file_io.h"

namespace morvel {

bool saveImage(const QImage& image, const QString& path, Error& error) {
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        error = {path, QStringLiteral("no picture format for this name")};
        return false;
    }
    return saveWholeFile(
        path,
        [&](QSaveFile& file) {
            QImageWriter writer(&file, format);
            if (writer.write(image)) return true;
            error = {path, writer.errorString()};
            return false;
        },
        error);
}

}  // namespace morvel
