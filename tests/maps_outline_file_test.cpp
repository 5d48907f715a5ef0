#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "maps/outline_file.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::readFileBytes;
using test::writeFileBytes;

TEST(OutlineFile, ThirteenBytesGiveTwoPointsAndTheLastByteIsIgnored) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coast.pnt"));
    // pen 2000, lat 3000, lon -60; pen 10, lat -5400, lon 10800; one stray byte
    writeFileBytes(path, QByteArray::fromHex("d007b80bc4ff"
                                             "0a00e8ea302a"
                                             "7f"));
    std::vector<OutlinePoint> points;
    std::string error;
    ASSERT_TRUE(readOutlineFile(path, points, error)) << error;
    const std::vector<OutlinePoint> expected{{2000, 3000, -60}, {10, -5400, 10800}};
    EXPECT_EQ(points, expected);
}

TEST(OutlineFile, MissingFileIsAnErrorAndIsNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mapper.pnt"));
    std::vector<OutlinePoint> points{{1, 2, 3}};
    std::string error;
    EXPECT_FALSE(readOutlineFile(path, points, error));
    EXPECT_TRUE(points.empty());
    EXPECT_NE(error.find("mapper.pnt"), std::string::npos) << error;
    EXPECT_FALSE(QFile::exists(path));
}

TEST(OutlineFile, WriterLaysOutLittleEndianRecords) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.pnt"));
    const std::vector<OutlinePoint> points{
        {kPenBeginOutline, 3000, -60}, {kPenContinueOutline, -5400, 10800}, {-1, 32767, -32768}};
    std::string error;
    ASSERT_TRUE(writeOutlineFile(path, points, error)) << error;
    EXPECT_EQ(readFileBytes(path).toHex(), QByteArray("d007b80bc4ff"
                                                      "0000e8ea302a"
                                                      "ffffff7f0080"));
}

TEST(OutlineFile, FailedWriteReportsAndLeavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no such folder/coast.pnt"));
    const std::vector<OutlinePoint> points{{2000, 0, 0}};
    std::string error;
    EXPECT_FALSE(writeOutlineFile(path, points, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace morvel
