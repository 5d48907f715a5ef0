#include "database/text_format.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

TEST(Numbers, PlainFormSevenSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case c :
         {Case{0, "0"}, Case{932, "932"}, Case{15175.8, "15175.8"}, Case{6246.9f, "6246.9"},
          Case{-3, "-3"}, Case{0.5, "0.5"}, Case{32400, "32400"}, Case{1234567, "1234567"},
          Case{19997.94, "19997.94"}, Case{123456.78, "123456.8"}, Case{-0.0, "0"}}) {
        EXPECT_EQ(plainNumber(c.value), c.text) << c.value;
    }
    EXPECT_EQ(captionNumber(12), " 12");
    EXPECT_EQ(captionNumber(0), " 0");
    EXPECT_EQ(captionNumber(-7), "-7");
    EXPECT_EQ(fileNumber(932), " 932 ");
    EXPECT_EQ(fileNumber(-7), "-7 ");
}

TEST(Numbers, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(512.4), 512);
    EXPECT_EQ(roundHalfEven(512.6), 513);
    EXPECT_EQ(roundHalfEven(512.5), 512);
    EXPECT_EQ(roundHalfEven(513.5), 514);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_NEAR(roundHalfEven(6246.93, 1), 6246.9, 1e-9);
    EXPECT_NEAR(roundHalfEven(932.44, 1), 932.4, 1e-9);
    EXPECT_NEAR(roundHalfEven(932.36, 1), 932.4, 1e-9);
    EXPECT_NEAR(roundHalfEven(0.25, 1), 0.2, 1e-9);
    EXPECT_NEAR(roundHalfEven(0.75, 1), 0.8, 1e-9);
}

// The lines of a worked-mode summary, built with the print zones and column stops.
TEST(PrintLine, ItemsAfterACommaStartInTheNextZone) {
    PrintLine log;
    log.text("N0CALL").nextZone().text("25/12/23").nextZone().text("IO85mx").text(" QSL");
    EXPECT_EQ(log.content(), "N0CALL        25/12/23      IO85mx QSL");
    EXPECT_EQ(log.content().size(), 38u);

    // An item that fills its zone exactly is followed by the zone after the next.
    PrintLine full;
    full.text("ABCDEFGHIJKLMN").nextZone().text("X");
    EXPECT_EQ(full.content(), "ABCDEFGHIJKLMN" + std::string(14, ' ') + "X");
    PrintLine longer;
    longer.text("ABCDEFGHIJKLMNOP").nextZone().text("X");
    EXPECT_EQ(longer.content(), "ABCDEFGHIJKLMNOP" + std::string(12, ' ') + "X");
    PrintLine blank;
    blank.nextZone().text("X");
    EXPECT_EQ(blank.content(), std::string(14, ' ') + "X");
}

TEST(PrintLine, ColumnStopAlreadyPassedStartsANewLine) {
    PrintLine l;
    l.text("ABCDEFGHIJKL").tab(10).text("X");
    EXPECT_EQ(l.line(), "ABCDEFGHIJKL\r\n         X\r\n");
}

}  // namespace
}  // namespace morvel
