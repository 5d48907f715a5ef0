#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QSaveFile;

namespace morvel {

// The files' 16-bit integers: signed, little-endian.
inline std::int16_t getLe16(const char* p) {
    const auto lo = static_cast<std::uint8_t>(p[0]);
    const auto hi = static_cast<std::uint8_t>(p[1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

inline void putLe16(char* p, std::int16_t value) {
    const auto u = static_cast<std::uint16_t>(value);
    p[0] = static_cast<char>(u & 0xFF);
    p[1] = static_cast<char>(u >> 8);
}

// "<file name>: <reason>".
std::string describeError(const QFileDevice& file);

// Reads until `size` bytes are in or the device ends; returns the count read,
// or -1 with the reason when the device fails.
qint64 readFull(QIODevice& device, char* buffer, qint64 size, std::string& error);

// Writes a whole file through a save file: `write` fills it, and only a
// complete file replaces one of that name. A failure leaves the old file as
// it was. The error is the reason alone: the caller names the file.
bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write,
                   std::string& error);
bool saveWholeFile(const QString& path, std::string_view bytes, std::string& error);

}  // namespace morvel
