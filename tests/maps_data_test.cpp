#include <gtest/gtest.h>

#include <QDir>

#include "maps/outline_file.h"

namespace morvel {
namespace {

// The outline files shipped with the program: points within range and no
// segment joining far-apart points (a line across the map).
TEST(MapData, FilesHoldValidOutlines) {
    for (const char* name : {kCoastFile, kIslandFile, kCountryFile, kStateFile, kWorldFile}) {
        SCOPED_TRACE(name);
        std::vector<OutlinePoint> p;
        Error why;
        ASSERT_TRUE(readOutlineFile(QDir(MORVEL_MAP_DATA_DIR).filePath(name), p, why) && p.size());
        // Each point against the one it joins, or itself where it begins an outline.
        for (std::size_t i = 0; i < p.size(); ++i) {
            const OutlinePoint &a = p[i], &b = p[i - (i > 0 && a.pen < 1000)];
            ASSERT_TRUE(a.pen != 1000 && std::abs(a.lat) <= 5400 && std::abs(a.lon) <= 10800) << i;
            ASSERT_TRUE(std::abs(a.lat - b.lat) <= 600 && std::abs(a.lon - b.lon) <= 600) << i;
        }
    }
}

}  // namespace
}  // namespace morvel
