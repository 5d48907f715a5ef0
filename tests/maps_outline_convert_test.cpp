#include <gtest/gtest.h>

#include "tools/outline_convert.h"

namespace morvel::outline_convert {
namespace {

constexpr std::int16_t B = kPenBeginOutline;
constexpr std::int16_t C = kPenContinueOutline;

std::vector<OutlinePoint> run(std::vector<Piece> pieces, std::vector<Piece> exclude, Stats& stats) {
    return convert(std::move(pieces), std::move(exclude), stats);
}

TEST(OutlineConvert, ParsesGmtDumps) {
    std::vector<Piece> pieces;
    std::string error;
    ASSERT_TRUE(parseDump(QStringLiteral("# comment\n> Shore Bin # 74, Level 1\n"
                                         "14.5\t80.25\n-1.0 50.5\n\n> Border\n179.99 -16\n"),
                          QStringLiteral("dump"), pieces, error))
        << error;
    const std::vector<Piece> expected{{{14.5, 80.25}, {-1.0, 50.5}}, {{179.99, -16}}};
    EXPECT_EQ(pieces, expected);
}

TEST(OutlineConvert, RejectsLinesThatAreNotCoordinates) {
    for (const char* text : {"> a\n12\n", "> a\n12 x\n", "> a\n181 0\n", "> a\n0 -90.5\n"}) {
        std::vector<Piece> pieces;
        std::string error;
        EXPECT_FALSE(parseDump(QString::fromLatin1(text), QStringLiteral("dump"), pieces, error))
            << text;
        EXPECT_NE(error.find("dump:2:"), std::string::npos) << error;
    }
}

TEST(OutlineConvert, JoinsPiecesCutAtBinEdges) {
    // One coastline cut at 5 E into three pieces, listed out of order; the cut
    // points repeat.
    Stats stats;
    const auto points =
        run({{{5, 50}, {6, 50.5}, {7, 51}}, {{1, 49}, {3, 49.5}, {5, 50}}, {{7, 51}, {8, 52}}}, {},
            stats);
    const std::vector<OutlinePoint> expected{{B, 2940, 60},  {C, 2970, 180}, {C, 3000, 300},
                                             {C, 3030, 360}, {C, 3060, 420}, {C, 3120, 480}};
    EXPECT_EQ(points, expected);
    EXPECT_EQ(stats.lines, 1u);
    EXPECT_EQ(stats.openLines, 1u);
}

TEST(OutlineConvert, ClosedOutlineFromTwoPieces) {
    Stats stats;
    const auto points = run({{{0, 0}, {1, 0}, {1, 1}}, {{1, 1}, {0, 1}, {0, 0}}}, {}, stats);
    const std::vector<OutlinePoint> expected{
        {B, 0, 0}, {C, 0, 60}, {C, 60, 60}, {C, 60, 0}, {C, 0, 0}};
    EXPECT_EQ(points, expected);
    EXPECT_EQ(stats.openLines, 0u);
}

TEST(OutlineConvert, DropsZeroLengthAndRepeatedBorderPieces) {
    Stats stats;
    const auto points = run({{{10, 45}, {10, 45}},
                             {{10, 45}, {11, 46}},
                             {{11, 46}, {10, 45}},
                             {{10, 45}, {11, 46}},
                             {{20, 45}, {21, 45}}},
                            {}, stats);
    const std::vector<OutlinePoint> expected{
        {B, 2700, 600}, {C, 2760, 660}, {B, 2700, 1200}, {C, 2700, 1260}};
    EXPECT_EQ(points, expected);
    EXPECT_EQ(stats.zeroLength, 1u);
    EXPECT_EQ(stats.repeated, 2u);
}

TEST(OutlineConvert, RoundsToMinutesAndDropsRepeatsAndSpecks) {
    Stats stats;
    const auto points = run({{{0.001, 0.001}, {0.004, -0.004}, {0.5, 0.25}, {0.501, 0.2501}},
                             {{30.001, 10}, {30.002, 10.003}, {30.001, 10}}},
                            {}, stats);
    const std::vector<OutlinePoint> expected{{B, 0, 0}, {C, 15, 30}};
    EXPECT_EQ(points, expected);
    EXPECT_EQ(stats.belowAMinute, 1u);
}

TEST(OutlineConvert, NeverJoinsAcrossTheDateLine) {
    Stats stats;
    const auto points = run({{{179, 65}, {180, 65.5}}, {{-180, 65.5}, {-179, 66}}}, {}, stats);
    const std::vector<OutlinePoint> expected{
        {B, 3900, 10740}, {C, 3930, 10800}, {B, 3930, -10800}, {C, 3960, -10740}};
    EXPECT_EQ(points, expected);
}

TEST(OutlineConvert, ExcludedPiecesAreTakenOutOnce) {
    const Piece large{{0, 0}, {10, 0}, {10, 10}, {0, 0}};
    const Piece small{{20, 0}, {20.5, 0}, {20.5, 0.5}, {20, 0}};
    Stats stats;
    const auto points = run({large, small, large}, {large}, stats);
    EXPECT_EQ(stats.excluded, 1u);
    const std::vector<OutlinePoint> expected{{B, 0, 1200},  {C, 0, 1230}, {C, 30, 1230},
                                             {C, 0, 1200},  {B, 0, 0},    {C, 0, 600},
                                             {C, 600, 600}, {C, 0, 0}};
    EXPECT_EQ(points, expected);
}

}  // namespace
}  // namespace morvel::outline_convert
