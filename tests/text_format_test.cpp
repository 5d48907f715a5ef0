#include "database/text_format.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

TEST(Numbers, PlainFormSevenSignificantDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, "0"},         {6246.9f, "6246.9"},      {-3, "-3"},           {0.5, "0.5"},
                 {1234567, "1234567"}, {123456.78, "123456.8"}, {-0.0, "0"}};
    for (const auto& c : cases) EXPECT_EQ(plainNumber(c.value), c.text) << c.value;
    EXPECT_EQ(captionNumber(12), " 12");
    EXPECT_EQ(captionNumber(-7), "-7");
    EXPECT_EQ(fileNumber(932), " 932 ");
    EXPECT_EQ(fileNumber(-7), "-7 ");
}

TEST(Numbers, HalvesGoToTheEvenNeighbour) {
    const struct {
        double value;
        int decimals;
        double rounded;
    } cases[] = {{512.6, 0, 513}, {512.5, 0, 512},    {513.5, 0, 514},
                 {0.5, 0, 0},     {932.36, 1, 932.4}, {0.25, 1, 0.2}, {0.75, 1, 0.8}};
    for (const auto& c : cases)
        EXPECT_NEAR(roundHalfEven(c.value, c.decimals), c.rounded, 1e-9) << c.value;
}

TEST(PrintLine, ZonesAndColumnStops) {
    PrintLine log;
    log.text("N0CALL").nextZone().text("25/12/23").nextZone().text("IO85mx").text(" QSL");
    EXPECT_EQ(log.content(), "N0CALL        25/12/23      IO85mx QSL");
    // An item that fills its zone exactly is followed by the zone after the next.
    PrintLine full;
    full.text("ABCDEFGHIJKLMN").nextZone().text("X");
    EXPECT_EQ(full.content(), "ABCDEFGHIJKLMN" + std::string(14, ' ') + "X");
    // A column stop already passed starts a new line.
    PrintLine passed;
    passed.text("ABCDEFGHIJKL").tab(10).text("X");
    EXPECT_EQ(passed.line(), "ABCDEFGHIJKL\r\n         X\r\n");
}

}  // namespace
}  // namespace morvel
