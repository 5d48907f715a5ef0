#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "maps/outline_file.h"

namespace morvel {
namespace {

// The outline files shipped with the program: whole records, points within
// range, every outline of two points or more, no repeated points and no
// joins across the map.
TEST(MapData, FilesAreWholeRecordsOfValidPoints) {
    for (const char* name : {kCoastFile, kIslandFile, kCountryFile, kStateFile, kWorldFile}) {
        SCOPED_TRACE(name);
        const QString path = QDir(QStringLiteral(MORVEL_MAP_DATA_DIR)).filePath(name);
        EXPECT_EQ(QFileInfo(path).size() % kOutlineRecordSize, 0);
        std::vector<OutlinePoint> points;
        std::string error;
        ASSERT_TRUE(readOutlineFile(path, points, error)) << error;
        ASSERT_FALSE(points.empty());
        EXPECT_GT(points.front().pen, 1000);
        std::size_t bad = 0, shortOutlines = 0, repeats = 0, longSegments = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const OutlinePoint& p = points[i];
            bad += p.pen == 1000 || std::abs(p.lat) > 5400 || std::abs(p.lon) > 10800;
            const bool begins = p.pen > 1000;
            shortOutlines += begins && (i + 1 == points.size() || points[i + 1].pen > 1000);
            if (begins) continue;
            const OutlinePoint& q = points[i - 1];
            repeats += p.lat == q.lat && p.lon == q.lon;
            longSegments += std::abs(p.lat - q.lat) > 600 || std::abs(p.lon - q.lon) > 600;
        }
        EXPECT_EQ(bad, 0u);
        EXPECT_EQ(shortOutlines, 0u);
        EXPECT_EQ(repeats, 0u);
        EXPECT_EQ(longSegments, 0u);
    }
}

}  // namespace
}  // namespace morvel
