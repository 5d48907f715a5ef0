#include <gtest/gtest.h>

#include "database/text_format.h"
#include "geo/locator.h"
#include "statistics/summary.h"
#include "tests/test_support.h"

namespace morvel {

using namespace test;

const char* const kName = "2M JO62QM HOME.QRA";

class SummaryTest : public ::testing::Test {
protected:
    SummaryReport build(SummaryMode mode, const QString& db = {}, const char* out = "r.txt") {
        Error error;
        auto r =
            writeSummary(db.isEmpty() ? db_ : db, dir_.filePath(out), kName, "JO62QM", mode, error);
        if (!r) r.emplace().text = "failed: " + error.message().toStdString();
        return *r;
    }

    QTemporaryDir dir_;
    QString db_ = makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
};

TEST_F(SummaryTest, FourCharacterLocatorKeepsItsBlanksAndIsMeasuredAtMm) {
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", false));
    EXPECT_NE(build(SummaryMode::Worked).text.find("\r\n IO91    Q1ABC          12/05/03 "),
              std::string::npos);
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", true));
    const SummaryReport confirmed = build(SummaryMode::Confirmed);
    EXPECT_NE(confirmed.text.find("\r\nIO91     Q1ABC          12/05/03 "), std::string::npos);
    EXPECT_EQ(confirmed.odxloc, "IO91  ");
    EXPECT_FLOAT_EQ(confirmed.odxkm, float(roundHalfEven(LocatorDistance("JO62QM", "IO91MM"), 1)));
}

// The own sub-square is listed at 0 km and never the best; of equal
// distances the first field wins; confirmed mode leaves worked-only squares out.
TEST_F(SummaryTest, OdxSkipsTheOwnSquareAndKeepsTheFirstOfEqualTenths) {
    setSquare(db_, "JO", 62, makeEntry("JO62QM", "Q3OWN", "01/01/01", false));
    const SummaryReport own = build(SummaryMode::Worked);
    EXPECT_NE(own.text.find("\r\n JO62QM  Q3OWN          01/01/01  0 km\r\n"), std::string::npos);
    setSquare(db_, "AA", 0, makeEntry("IO91WM", "Q1FIRST", "01/01/01", false));
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1LATER", "01/01/01", true));
    const std::string tie = build(SummaryMode::Worked).odxcall;
    setSquare(db_, "RR", 99, makeEntry("FN31PR", "Q2FAR", "01/01/01", false));
    const std::string text = build(SummaryMode::Confirmed).text;
    EXPECT_EQ(own.odxcall + "|" + tie + build(SummaryMode::Worked).odxcall +
                  build(SummaryMode::Confirmed).odxcall,
              "|Q1FIRST   Q2FAR     Q1LATER   ");
    EXPECT_TRUE(text.find("Q2FAR") == std::string::npos &&
                text.find("Q1FIRST") == std::string::npos);
}

// A longer earlier report is replaced whole; a failing run leaves it.
TEST_F(SummaryTest, SecondRunReplacesAndFailureLeavesEarlierFile) {
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    writeFileBytes(dir_.filePath("r.txt"), QByteArray(5000, 'x'));
    const std::string written = build(SummaryMode::Worked).text;
    EXPECT_EQ(build(SummaryMode::Confirmed, dir_.filePath("missing.qra")).text.rfind("failed: ", 0),
              0u);
    EXPECT_EQ(build(SummaryMode::Confirmed, db_, "r.txt/inside.txt").text.rfind("failed: ", 0), 0u);
    EXPECT_EQ(readFileBytes(dir_.filePath("r.txt")).toStdString(), written);
}

}  // namespace morvel
