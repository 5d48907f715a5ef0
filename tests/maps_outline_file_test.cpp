#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "maps/outline_file.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

TEST(OutlineFile, LittleEndianRecordsAndAStrayLastByteIgnored) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coast.pnt"));
    const std::vector<OutlinePoint> points{
        {kPenBeginOutline, 3000, -60}, {kPenContinueOutline, -5400, 10800}, {-1, 32767, -32768}};
    std::string error;
    ASSERT_TRUE(writeOutlineFile(path, points, error)) << error;
    const QByteArray bytes = test::readFileBytes(path);
    EXPECT_EQ(bytes.toHex(), QByteArray("d007b80bc4ff"
                                        "0000e8ea302a"
                                        "ffffff7f0080"));
    // A file of 13 bytes yields two points.
    test::writeFileBytes(path, bytes.left(13));
    std::vector<OutlinePoint> back;
    ASSERT_TRUE(readOutlineFile(path, back, error)) << error;
    EXPECT_EQ(back, std::vector<OutlinePoint>(points.begin(), points.begin() + 2));
}

}  // namespace
}  // namespace morvel
