#include "database/text_format.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

// Plain form keeps seven significant digits; captions and files pad positives.
TEST(Numbers, PlainCaptionAndFileForms) {
    const std::pair<std::string, const char*> cases[] = {
        {plainNumber(0), "0"},     {plainNumber(6246.9f), "6246.9"}, {plainNumber(-3), "-3"},
        {plainNumber(0.5), "0.5"}, {plainNumber(1234567), "1234567"}, {plainNumber(-0.0), "0"},
        {plainNumber(123456.78), "123456.8"}, {captionNumber(12), " 12"},
        {captionNumber(-7), "-7"}, {fileNumber(932), " 932 "}, {fileNumber(-7), "-7 "}};
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(Numbers, HalvesGoToTheEvenNeighbour) {
    const struct {
        double value;
        int decimals;
        double rounded;
    } cases[] = {{512.6, 0, 513},    {512.5, 0, 512}, {513.5, 0, 514}, {0.5, 0, 0},
                 {932.36, 1, 932.4}, {0.25, 1, 0.2},  {0.75, 1, 0.8}};
    for (const auto& c : cases)
        EXPECT_NEAR(roundHalfEven(c.value, c.decimals), c.rounded, 1e-9) << c.value;
}

// An item filling its zone exactly is followed by the zone after the next.
TEST(PrintLine, Zones) {
    PrintLine log, full;
    log.text("N0CALL").nextZone().text("25/12/23").nextZone().text("IO85mx").text(" QSL");
    EXPECT_EQ(log.content(), "N0CALL        25/12/23      IO85mx QSL");
    full.text("ABCDEFGHIJKLMN").nextZone().text("X");
    EXPECT_EQ(full.content(), "ABCDEFGHIJKLMN" + std::string(14, ' ') + "X");
    EXPECT_EQ(full.line(), "ABCDEFGHIJKLMN" + std::string(14, ' ') + "X\r\n");
}

}  // namespace
}  // namespace morvel
