#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/program_folders.h"

namespace morvel {

// One record of a map outline file (".pnt"): three 16-bit little-endian
// signed integers, no padding. Angles are minutes of arc: lat -5400..5400
// (north positive), lon -10800..10800 (east positive).
//
// The points form outlines in file order. A pen code above 1000 begins a new
// outline; one below 1000 continues the previous point's outline. The field
// view and the world map disagree about exactly 1000 (see outline_plot.h), so
// files written here never use that value.
struct OutlinePoint {
    std::int16_t pen = 0;
    std::int16_t lat = 0;
    std::int16_t lon = 0;

    friend bool operator==(const OutlinePoint&, const OutlinePoint&) = default;
};

inline constexpr qint64 kOutlineRecordSize = 6;
// The pen codes the generator writes.
inline constexpr std::int16_t kPenBeginOutline = 2000;
inline constexpr std::int16_t kPenContinueOutline = 0;

// The file names the program looks for in its own folder.
inline constexpr char kCoastFile[] = "coast.pnt";
inline constexpr char kIslandFile[] = "island.pnt";
inline constexpr char kCountryFile[] = "country.pnt";
inline constexpr char kStateFile[] = "state.pnt";

// Decodes whole records; the record count is bytes.size() / 6 and trailing
// bytes that do not fill a record are ignored.
std::vector<OutlinePoint> decodeOutline(std::string_view bytes);
std::string encodeOutline(std::span<const OutlinePoint> points);

// Reads every record of an outline file. A missing or unreadable file is an
// error (the text names the file); it is never created. On error `points` is
// left empty, so a caller that ignores the error simply draws nothing.
bool readOutlineFile(const QString& path, std::vector<OutlinePoint>& points, Error& error);
bool readOutline(QIODevice& device, std::vector<OutlinePoint>& points, QString& error);

// Writes the whole file through a save file: a failure leaves any previous
// file of that name as it was.
bool writeOutlineFile(const QString& path, std::span<const OutlinePoint> points, Error& error);

}  // namespace morvel
