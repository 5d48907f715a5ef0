#include "database/file_io.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace morvel {

QString Error::message() const {
    if (file.isEmpty()) return reason;
    return file + QStringLiteral(": ") + reason;
}

Error errnoError(const QString& path, int errorNumber) {
    return {path, QString::fromLocal8Bit(std::strerror(errorNumber))};
}

Error fileError(const QFileDevice& file) {
    QString reason = file.errorString();
    // Qt says "Unknown error" for some failures whose errno tells the reason.
    if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && errno != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (reason.isEmpty()) reason = QStringLiteral("Unknown error");
    return {file.fileName(), reason};
}

bool commitSynced(QSaveFile& file, Error& error, bool* renamed) {
    if (renamed) *renamed = false;
    if (!file.flush()) {
        error = fileError(file);
        file.cancelWriting();
        return false;
    }
    if (!syncFile(file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = fileError(file);
        return false;
    }
    if (renamed) *renamed = true;
    // The rename itself is on the disk only once the folder is synced; a
    // folder that cannot be synced may lose the new file in a power cut.
    return syncFolder(QFileInfo(file.fileName()).absolutePath(), error);
}

qint64 readFull(QIODevice& device, char* buffer, qint64 size, QString& reason) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = device.read(buffer + got, size - got);
        if (n < 0) {
            reason = device.errorString();
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write,
                   Error& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = fileError(file);
        return false;
    }
    if (!write(file)) {
        if (!error.isSet()) error = fileError(file);
        file.cancelWriting();
        return false;
    }
    return commitSynced(file, error);
}

bool appendSynced(const QString& path, std::string_view bytes, Error& error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = fileError(file);
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        error = fileError(file);
        return false;
    }
    return syncFile(file, error);
}

bool saveWholeFile(const QString& path, std::string_view bytes, Error& error) {
    return saveWholeFile(
        path,
        [bytes](QSaveFile& file) {
            const auto size = static_cast<qint64>(bytes.size());
            return file.write(bytes.data(), size) == size;
        },
        error);
}

}  // namespace morvel
