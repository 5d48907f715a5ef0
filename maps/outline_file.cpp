#include "maps/outline_file.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

#include "database/file_io.h"

namespace morvel {

namespace {

void appendRecords(const char* p, std::size_t count, std::vector<OutlinePoint>& points) {
    for (std::size_t i = 0; i < count; ++i, p += kOutlineRecordSize) {
        points.push_back({qFromLittleEndian<qint16>(p), qFromLittleEndian<qint16>(p + 2),
                          qFromLittleEndian<qint16>(p + 4)});
    }
}

}  // namespace

std::vector<OutlinePoint> decodeOutline(std::string_view bytes) {
    std::vector<OutlinePoint> points;
    points.reserve(bytes.size() / kOutlineRecordSize);
    appendRecords(bytes.data(), bytes.size() / kOutlineRecordSize, points);
    return points;
}

std::string encodeOutline(std::span<const OutlinePoint> points) {
    std::string bytes(points.size() * kOutlineRecordSize, '\0');
    char* p = bytes.data();
    for (const OutlinePoint& point : points) {
        qToLittleEndian<qint16>(point.pen, p);
        qToLittleEndian<qint16>(point.lat, p + 2);
        qToLittleEndian<qint16>(point.lon, p + 4);
        p += kOutlineRecordSize;
    }
    return bytes;
}

bool readOutline(QIODevice& device, std::vector<OutlinePoint>& points, QString& error) {
    // Decoded chunk by chunk into the caller's vector, whose capacity a
    // redraw reuses: no copy of the whole file is held.
    points.clear();
    if (!device.isReadable()) {
        error = QStringLiteral("outline data cannot be read: ") + device.errorString();
        return false;
    }
    if (!device.isSequential()) {
        points.reserve(
            static_cast<std::size_t>((device.size() - device.pos()) / kOutlineRecordSize));
    }
    char buffer[kOutlineRecordSize * 8192];
    qint64 filled = 0;
    for (;;) {
        const qint64 n = device.read(buffer + filled, static_cast<qint64>(sizeof buffer) - filled);
        if (n < 0) {
            points.clear();
            error = QStringLiteral("outline data cannot be read: ") + device.errorString();
            return false;
        }
        if (n == 0) break;
        filled += n;
        const qint64 whole = filled / kOutlineRecordSize;
        appendRecords(buffer, static_cast<std::size_t>(whole), points);
        const qint64 rest = filled - whole * kOutlineRecordSize;
        std::memmove(buffer, buffer + whole * kOutlineRecordSize, static_cast<std::size_t>(rest));
        filled = rest;
    }
    return true;
}

bool readOutlineFile(const QString& path, std::vector<OutlinePoint>& points, Error& error) {
    points.clear();
    QFile file(path);
    if (!openRegularFile(file, QIODevice::ReadOnly, error)) return false;
    QString reason;
    if (!readOutline(file, points, reason)) {
        error = {path, reason};
        return false;
    }
    return true;
}

bool writeOutlineFile(const QString& path, std::span<const OutlinePoint> points, Error& error) {
    return saveWholeFile(path, encodeOutline(points), error);
}

}  // namespace morvel
