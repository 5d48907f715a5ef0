// Converts line dumps of GMT (`gmt coast -M ...`: "> header" lines, then
// "lon lat" lines in degrees) into a map outline file; see outline_convert.h
// for what happens to the lines on the way.
//
// Usage: outline_gen [--exclude DUMP]... --out FILE.pnt DUMP...
// Pieces found in an --exclude dump are taken out of the input once each;
// this is how the small islands are separated from the large land masses
// (all shorelines minus those above the area threshold).

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "tools/outline_convert.h"

int main(int argc, char** argv) {
    using namespace morvel::outline_convert;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
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
    std::vector<Piece> exclude;
    for (const QString& path : inputs) {
        if (!readDump(path, pieces, error)) {
            std::fprintf(stderr, "outline_gen: %s\n", error.c_str());
            return 1;
        }
    }
    for (const QString& path : excludes) {
        if (!readDump(path, exclude, error)) {
            std::fprintf(stderr, "outline_gen: %s\n", error.c_str());
            return 1;
        }
    }

    Stats stats;
    const std::vector<morvel::OutlinePoint> points =
        convert(std::move(pieces), std::move(exclude), stats);
    morvel::Error writeError;
    if (!morvel::writeOutlineFile(outPath, points, writeError)) {
        std::fprintf(stderr, "outline_gen: %s\n", qPrintable(writeError.message()));
        return 1;
    }
    std::printf(
        "%s: %zu pieces read, %zu excluded, %zu of zero length, %zu repeated; "
        "%zu lines joined (%zu open), %zu smaller than a minute dropped; %zu outlines, %zu "
        "points, %zu bytes\n",
        qPrintable(outPath), stats.piecesRead, stats.excluded, stats.zeroLength, stats.repeated,
        stats.lines, stats.openLines, stats.belowAMinute, stats.outlines, points.size(),
        points.size() * 6);
    return 0;
}
