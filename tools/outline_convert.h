#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "maps/outline_file.h"

namespace morvel::outline_convert {

// A line as GMT prints it: longitude, latitude in degrees.
using GeoPoint = std::pair<double, double>;
using Piece = std::vector<GeoPoint>;

// Reads a text dump of `gmt coast -M ...`: a line starting with ">" begins a
// piece, "lon lat" lines follow; blank lines and "#" comments are skipped.
// Appends to `pieces`; a line that is not a coordinate pair is an error.
bool readDump(const QString& path, std::vector<Piece>& pieces, std::string& error);
bool parseDump(const QString& text, const QString& name, std::vector<Piece>& pieces,
               std::string& error);

struct Stats {
    std::size_t piecesRead = 0;
    std::size_t excluded = 0;
    std::size_t zeroLength = 0;
    std::size_t repeated = 0;
    std::size_t lines = 0;
    std::size_t openLines = 0;
    std::size_t belowAMinute = 0;
    std::size_t outlines = 0;
};

// Turns pieces into outline records: takes each piece found in `exclude` out
// once, drops pieces of zero length and pieces seen before (in either
// direction), joins pieces whose ends coincide exactly (GMT repeats the point
// where it cut a line at a bin edge), rounds to whole minutes, drops repeated
// points and lines that shrink to one point. Each line becomes one outline:
// kPenBeginOutline on its first point, kPenContinueOutline on the rest.
std::vector<OutlinePoint> convert(std::vector<Piece> pieces, std::vector<Piece> exclude,
                                  Stats& stats);

}  // namespace morvel::outline_convert
