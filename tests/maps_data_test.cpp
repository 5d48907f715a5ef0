#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "maps/outline_file.h"
#include "maps/outline_plot.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

const char* const kAllFiles[] = {kCoastFile, kIslandFile, kCountryFile, kStateFile, kWorldFile};

QString mapDataPath(const char* name) {
    return QDir(QStringLiteral(MORVEL_MAP_DATA_DIR)).filePath(QString::fromLatin1(name));
}

std::vector<OutlinePoint> load(const QString& path) {
    std::vector<OutlinePoint> points;
    std::string error;
    EXPECT_TRUE(readOutlineFile(path, points, error)) << error;
    return points;
}

TEST(MapData, FilesAreWholeRecordsOfValidPoints) {
    for (const char* name : kAllFiles) {
        SCOPED_TRACE(name);
        const QString path = mapDataPath(name);
        const qint64 size = QFileInfo(path).size();
        EXPECT_GT(size, 0);
        EXPECT_EQ(size % kOutlineRecordSize, 0);
        const std::vector<OutlinePoint> points = load(path);
        ASSERT_FALSE(points.empty());
        EXPECT_GT(points.front().pen, 1000);
        std::size_t bad = 0;
        std::size_t shortOutlines = 0;
        std::size_t repeats = 0;
        std::size_t longSegments = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const OutlinePoint& p = points[i];
            if (p.pen == 1000 || p.lat < -5400 || p.lat > 5400 || p.lon < -10800 || p.lon > 10800)
                ++bad;
            const bool begins = p.pen > 1000;
            const bool lastOfOutline = i + 1 == points.size() || points[i + 1].pen > 1000;
            if (begins && lastOfOutline) ++shortOutlines;
            if (!begins) {
                const OutlinePoint& q = points[i - 1];
                if (p.lat == q.lat && p.lon == q.lon) ++repeats;
                // A line joined across the map or a bad join would span far more.
                if (std::abs(p.lat - q.lat) > 600 || std::abs(p.lon - q.lon) > 600) ++longSegments;
            }
        }
        EXPECT_EQ(bad, 0u);
        EXPECT_EQ(shortOutlines, 0u);
        EXPECT_EQ(repeats, 0u);
        EXPECT_EQ(longSegments, 0u);
    }
}

// Land where land is: a field with coast draws many operations, open ocean none.
}  // namespace
}  // namespace morvel
