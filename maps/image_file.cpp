#include "maps/image_file.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace morvel {

bool saveImage(const QImage& image, const QString& path, std::string& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const char* format = suffix == QLatin1String("png") ? "png"
                         : suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
                             ? "jpg"
                             : nullptr;
    if (!format) {
        error = "a picture name ends in .png, .jpg or .jpeg";
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        error = writer.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace morvel
