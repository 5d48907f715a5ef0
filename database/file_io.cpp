#include "database/file_io.h"

#include <QSaveFile>

namespace morvel {

std::string describeError(const QFileDevice& file) {
    return (file.fileName() + QStringLiteral(": ") + file.errorString()).toStdString();
}

qint64 readFull(QIODevice& device, char* buffer, qint64 size, std::string& error) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = device.read(buffer + got, size - got);
        if (n < 0) {
            error = device.errorString().toStdString();
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write,
                   std::string& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!write(file)) {
        if (error.empty()) error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

bool saveWholeFile(const QString& path, std::string_view bytes, std::string& error) {
    return saveWholeFile(
        path,
        [bytes](QSaveFile& file) {
            const auto size = static_cast<qint64>(bytes.size());
            return file.write(bytes.data(), size) == size;
        },
        error);
}

}  // namespace morvel
