#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "maps/outline_file.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

// Little-endian pen, latitude, longitude; a file of 13 bytes yields two points.
TEST(OutlineFile, LittleEndianRecordsAndAStrayLastByteIgnored) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coast.pnt"));
    const std::vector<OutlinePoint> pts{{2000, 3000, -60}, {0, -5400, 10800}, {-1, 32767, -32768}};
    Error error;
    ASSERT_TRUE(writeOutlineFile(path, pts, error)) << error;
    EXPECT_EQ(test::readFileBytes(path).toHex(), "d007b80bc4ff0000e8ea302affffff7f0080");
    test::writeFileBytes(path, test::readFileBytes(path).left(13));
    std::vector<OutlinePoint> back;
    ASSERT_TRUE(readOutlineFile(path, back, error)) << error;
    EXPECT_EQ(back, std::vector<OutlinePoint>(pts.begin(), pts.begin() + 2));
}

}  // namespace
}  // namespace morvel
