#include "tools/outline_convert.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>

namespace morvel::outline_convert {

namespace {

struct PointHash {
    std::size_t operator()(const GeoPoint& p) const {
        return std::hash<double>()(p.first) * 31 + std::hash<double>()(p.second);
    }
};

bool isZeroLength(const Piece& piece) {
    return std::all_of(piece.begin(), piece.end(),
                       [&](const GeoPoint& p) { return p == piece[0]; });
}

// The same line drawn in either direction has one key.
Piece canonical(const Piece& piece) {
    Piece reversed(piece.rbegin(), piece.rend());
    return std::min(piece, reversed);
}

// Greedy chaining: extend each line at both ends by any unused piece that
// starts or ends where it ends, until it closes or no piece fits. Points on
// 180 E and 180 W differ, so no line is joined across the date line.
std::vector<Piece> joinPieces(const std::vector<Piece>& pieces) {
    std::unordered_multimap<GeoPoint, std::size_t, PointHash> byEnd;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        byEnd.emplace(pieces[i].front(), i);
        byEnd.emplace(pieces[i].back(), i);
    }
    std::vector<bool> used(pieces.size(), false);
    const auto takeAt = [&](const GeoPoint& end) -> const Piece* {
        auto [first, last] = byEnd.equal_range(end);
        for (auto it = first; it != last; ++it) {
            if (!used[it->second]) {
                used[it->second] = true;
                return &pieces[it->second];
            }
        }
        return nullptr;
    };

    std::vector<Piece> lines;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        Piece line = pieces[i];
        while (line.front() != line.back()) {
            const Piece* found = takeAt(line.back());
            if (!found) break;
            Piece next = *found;
            if (next.front() != line.back()) std::reverse(next.begin(), next.end());
            line.insert(line.end(), next.begin() + 1, next.end());
        }
        while (line.front() != line.back()) {
            const Piece* found = takeAt(line.front());
            if (!found) break;
            Piece previous = *found;
            if (previous.back() != line.front()) std::reverse(previous.begin(), previous.end());
            line.insert(line.begin(), previous.begin(), previous.end() - 1);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

bool parseDump(const QString& text, const QString& name, std::vector<Piece>& pieces,
               std::string& error) {
    bool inPiece = false;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'>')) {
            pieces.emplace_back();
            inPiece = true;
            continue;
        }
        const QStringList fields = line.simplified().split(u' ');
        bool okLon = false;
        bool okLat = false;
        const double lon = fields.value(0).toDouble(&okLon);
        const double lat = fields.value(1).toDouble(&okLat);
        if (fields.size() < 2 || !okLon || !okLat || std::abs(lon) > 180 || std::abs(lat) > 90) {
            error = (name + QStringLiteral(":%1: not a longitude and latitude: ").arg(i + 1) + line)
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

bool readDump(const QString& path, std::vector<Piece>& pieces, std::string& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = (path + QStringLiteral(": ") + file.errorString()).toStdString();
        return false;
    }
    return parseDump(QString::fromUtf8(file.readAll()), path, pieces, error);
}

std::vector<OutlinePoint> convert(std::vector<Piece> pieces, std::vector<Piece> exclude,
                                  Stats& stats) {
    stats = Stats{};
    stats.piecesRead = pieces.size();
    std::map<Piece, int> excluded;
    for (Piece& piece : exclude) ++excluded[std::move(piece)];

    std::vector<Piece> kept;
    std::set<Piece> seen;
    for (Piece& piece : pieces) {
        if (piece.empty()) continue;
        if (auto it = excluded.find(piece); it != excluded.end() && it->second > 0) {
            --it->second;
            ++stats.excluded;
            continue;
        }
        if (isZeroLength(piece)) {
            ++stats.zeroLength;
            continue;
        }
        if (!seen.insert(canonical(piece)).second) {
            ++stats.repeated;
            continue;
        }
        kept.push_back(std::move(piece));
    }

    const std::vector<Piece> lines = joinPieces(kept);
    stats.lines = lines.size();
    std::vector<OutlinePoint> points;
    for (const Piece& line : lines) {
        if (line.front() != line.back()) ++stats.openLines;
        std::vector<OutlinePoint> outline;
        for (const GeoPoint& p : line) {
            const auto lon = static_cast<std::int16_t>(std::lround(p.first * 60));
            const auto lat = static_cast<std::int16_t>(std::lround(p.second * 60));
            if (!outline.empty() && outline.back().lon == lon && outline.back().lat == lat)
                continue;
            outline.push_back({kPenContinueOutline, lat, lon});
        }
        if (outline.size() < 2) {
            ++stats.belowAMinute;
            continue;
        }
        outline.front().pen = kPenBeginOutline;
        points.insert(points.end(), outline.begin(), outline.end());
        ++stats.outlines;
    }
    return points;
}

}  // namespace morvel::outline_convert
