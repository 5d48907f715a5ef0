// Converts line dumps of GMT (`gmt coast -M ...`: "> header" lines, then
// "lon lat" lines in degrees) into a map outline file.
//
// GMT cuts every line at the edges of its data bins and repeats the cut point
// in both pieces; border data also holds pieces of zero length and pieces that
// appear twice. The converter drops those, joins pieces whose ends coincide,
// rounds to whole minutes of arc, drops repeated points and writes one
// outline per joined line.
//
// Usage: outline_gen [--exclude DUMP]... --out FILE.pnt DUMP...
// Pieces found in an --exclude dump are taken out of the input once each;
// this is how the small islands are separated from the large land masses
// (all shorelines minus those above the area threshold).

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "maps/outline_file.h"

namespace {

using Point = std::pair<double, double>;  // lon, lat in degrees
using Piece = std::vector<Point>;

struct PointHash {
    std::size_t operator()(const Point& p) const {
        return std::hash<double>()(p.first) * 31 + std::hash<double>()(p.second);
    }
};

bool readDump(const QString& path, std::vector<Piece>& pieces, std::string& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = (path + QStringLiteral(": ") + file.errorString()).toStdString();
        return false;
    }
    QTextStream in(&file);
    int lineNo = 0;
    bool inPiece = false;
    QString line;
    while (in.readLineInto(&line)) {
        ++lineNo;
        const QString text = line.trimmed();
        if (text.isEmpty() || text.startsWith(u'#')) continue;
        if (text.startsWith(u'>')) {
            pieces.emplace_back();
            inPiece = true;
            continue;
        }
        const QStringList fields = text.simplified().split(u' ');
        bool okLon = false;
        bool okLat = false;
        const double lon = fields.value(0).toDouble(&okLon);
        const double lat = fields.value(1).toDouble(&okLat);
        if (fields.size() < 2 || !okLon || !okLat || std::abs(lon) > 180 || std::abs(lat) > 90) {
            error = (path + QStringLiteral(":%1: not a longitude and latitude: ").arg(lineNo) +
                     text)
                        .toStdString();
            return false;
        }
        if (!inPiece) {
            pieces.emplace_back();
            inPiece = true;
        }
        pieces.back().emplace_back(lon, lat);
    }
    return true;
}

bool isZeroLength(const Piece& piece) {
    return std::all_of(piece.begin(), piece.end(), [&](const Point& p) { return p == piece[0]; });
}

// The same line drawn in either direction has one key.
Piece canonical(const Piece& piece) {
    Piece reversed(piece.rbegin(), piece.rend());
    return std::min(piece, reversed);
}

// Greedy chaining: extend each line at both ends by any unused piece that
// starts or ends where it ends, until it closes or no piece fits.
std::vector<Piece> joinPieces(const std::vector<Piece>& pieces) {
    std::unordered_multimap<Point, std::size_t, PointHash> byEnd;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        byEnd.emplace(pieces[i].front(), i);
        byEnd.emplace(pieces[i].back(), i);
    }
    std::vector<bool> used(pieces.size(), false);
    const auto takeAt = [&](const Point& end) -> std::pair<std::size_t, bool> {
        auto [first, last] = byEnd.equal_range(end);
        for (auto it = first; it != last; ++it) {
            if (!used[it->second]) {
                used[it->second] = true;
                return {it->second, true};
            }
        }
        return {0, false};
    };

    std::vector<Piece> lines;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        Piece line = pieces[i];
        while (line.front() != line.back()) {
            auto [j, found] = takeAt(line.back());
            if (!found) break;
            Piece next = pieces[j];
            if (next.front() != line.back()) std::reverse(next.begin(), next.end());
            line.insert(line.end(), next.begin() + 1, next.end());
        }
        while (line.front() != line.back()) {
            auto [j, found] = takeAt(line.front());
            if (!found) break;
            Piece previous = pieces[j];
            if (previous.back() != line.front()) std::reverse(previous.begin(), previous.end());
            line.insert(line.begin(), previous.begin(), previous.end() - 1);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString outPath;
    QStringList excludes;
    QStringList inputs;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size()) {
            outPath = args[++i];
        } else if (args[i] == QLatin1String("--exclude") && i + 1 < args.size()) {
            excludes << args[++i];
        } else if (args[i].startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "outline_gen: unknown option %s\n", qPrintable(args[i]));
            return 2;
        } else {
            inputs << args[i];
        }
    }
    if (outPath.isEmpty() || inputs.isEmpty()) {
        std::fprintf(stderr, "usage: outline_gen [--exclude DUMP]... --out FILE.pnt DUMP...\n");
        return 2;
    }

    std::string error;
    std::vector<Piece> pieces;
    for (const QString& path : inputs) {
        if (!readDump(path, pieces, error)) {
            std::fprintf(stderr, "outline_gen: %s\n", error.c_str());
            return 1;
        }
    }
    const std::size_t piecesRead = pieces.size();

    std::map<Piece, int> excluded;
    for (const QString& path : excludes) {
        std::vector<Piece> out;
        if (!readDump(path, out, error)) {
            std::fprintf(stderr, "outline_gen: %s\n", error.c_str());
            return 1;
        }
        for (Piece& piece : out) ++excluded[std::move(piece)];
    }

    std::vector<Piece> kept;
    std::set<Piece> seen;
    std::size_t droppedExcluded = 0, droppedZero = 0, droppedRepeat = 0;
    for (Piece& piece : pieces) {
        if (piece.empty()) continue;
        if (auto it = excluded.find(piece); it != excluded.end() && it->second > 0) {
            --it->second;
            ++droppedExcluded;
            continue;
        }
        if (isZeroLength(piece)) {
            ++droppedZero;
            continue;
        }
        if (!seen.insert(canonical(piece)).second) {
            ++droppedRepeat;
            continue;
        }
        kept.push_back(std::move(piece));
    }

    const std::vector<Piece> lines = joinPieces(kept);
    const auto open = std::count_if(lines.begin(), lines.end(),
                                    [](const Piece& line) { return line.front() != line.back(); });

    std::vector<morvel::OutlinePoint> points;
    std::size_t outlines = 0, droppedTiny = 0;
    for (const Piece& line : lines) {
        std::vector<morvel::OutlinePoint> outline;
        for (const Point& p : line) {
            const auto lon = static_cast<std::int16_t>(std::lround(p.first * 60));
            const auto lat = static_cast<std::int16_t>(std::lround(p.second * 60));
            if (!outline.empty() && outline.back().lon == lon && outline.back().lat == lat)
                continue;
            outline.push_back({morvel::kPenContinueOutline, lat, lon});
        }
        if (outline.size() < 2) {
            ++droppedTiny;
            continue;
        }
        outline.front().pen = morvel::kPenBeginOutline;
        points.insert(points.end(), outline.begin(), outline.end());
        ++outlines;
    }

    if (!morvel::writeOutlineFile(outPath, points, error)) {
        std::fprintf(stderr, "outline_gen: %s\n", error.c_str());
        return 1;
    }
    std::printf(
        "%s: %zu pieces read, %zu excluded, %zu of zero length, %zu repeated; "
        "%zu lines joined (%td open), %zu smaller than a minute dropped; %zu outlines, %zu points, %zu "
        "bytes\n",
        qPrintable(outPath), piecesRead, droppedExcluded, droppedZero, droppedRepeat, lines.size(),
        open, droppedTiny, outlines, points.size(), points.size() * 6);
    return 0;
}
