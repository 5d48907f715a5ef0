#include <gtest/gtest.h>

#include <QFile>
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

TEST(OutlineFile, FailuresAreReportedAndCreateNothing) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("mapper.pnt"));
    std::vector<OutlinePoint> points{{1, 2, 3}};
    std::string error;
    EXPECT_FALSE(readOutlineFile(missing, points, error));
    EXPECT_TRUE(points.empty());
    EXPECT_NE(error.find("mapper.pnt"), std::string::npos) << error;
    EXPECT_FALSE(QFile::exists(missing));
    const QString noFolder = dir.filePath(QStringLiteral("no such folder/coast.pnt"));
    error.clear();
    EXPECT_FALSE(writeOutlineFile(noFolder, std::vector<OutlinePoint>{{2000, 0, 0}}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(QFile::exists(noFolder));
}

}  // namespace
}  // namespace morvel
