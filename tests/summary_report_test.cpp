#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "database/text_format.h"
#include "geo/locator.h"
#include "menu/summary.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::makeEntry;
using test::readFileBytes;
using test::setSquare;

const char* const kName = "2M JO62QM HOME.QRA";

class SummaryTest : public ::testing::Test {
protected:
    SummaryReport build(SummaryMode mode) {
        QFile f(db_);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        std::string error;
        auto report = buildSummary(f, kName, "JO62QM", mode, error);
        EXPECT_TRUE(report) << error;
        return report.value_or(SummaryReport{});
    }
    QString out(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir_;
    QString db_ = test::makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
};

TEST_F(SummaryTest, FourCharacterLocatorKeepsItsBlanksAndIsMeasuredAtMm) {
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", false));
    EXPECT_NE(build(SummaryMode::Worked).text.find("\r\n IO91    Q1ABC          12/05/03 "),
              std::string::npos);
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", true));
    const SummaryReport confirmed = build(SummaryMode::Confirmed);
    EXPECT_NE(confirmed.text.find("\r\nIO91     Q1ABC          12/05/03 "), std::string::npos);
    EXPECT_EQ(confirmed.odxloc, "IO91  ");
    EXPECT_FLOAT_EQ(confirmed.odxkm,
                    static_cast<float>(roundHalfEven(LocatorDistance("JO62QM", "IO91MM"), 1)));
}

TEST_F(SummaryTest, OdxSkipsTheOwnSquareAndKeepsTheFirstOfEqualTenths) {
    // The own sub-square is listed at 0 km and never the best.
    setSquare(db_, "JO", 62, makeEntry("JO62QM", "Q3OWN", "01/01/01", false));
    const SummaryReport own = build(SummaryMode::Worked);
    EXPECT_NE(own.text.find("\r\n JO62QM  Q3OWN          01/01/01  0 km\r\n"), std::string::npos);
    EXPECT_EQ(own.odxcall, "");
    // The same stored locator in two fields: equal distances, AA comes first.
    setSquare(db_, "AA", 0, makeEntry("IO91WM", "Q1FIRST", "01/01/01", false));
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1LATER", "01/01/01", false));
    EXPECT_EQ(build(SummaryMode::Worked).odxcall, "Q1FIRST   ");
    setSquare(db_, "RR", 99, makeEntry("FN31PR", "Q2FAR", "01/01/01", false));
    EXPECT_EQ(build(SummaryMode::Worked).odxcall, "Q2FAR     ");
    // In confirmed mode worked-only squares take no part.
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1LATER", "01/01/01", true));
    const SummaryReport confirmed = build(SummaryMode::Confirmed);
    EXPECT_EQ(confirmed.odxcall, "Q1LATER   ");
    EXPECT_EQ(confirmed.text.find("Q2FAR"), std::string::npos);
    EXPECT_EQ(confirmed.text.find("Q1FIRST"), std::string::npos);
}

TEST_F(SummaryTest, SecondRunReplacesAndFailureLeavesEarlierFile) {
    setSquare(db_, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    test::writeFileBytes(out("r.txt"), QByteArray(5000, 'x'));
    std::string error;
    ASSERT_TRUE(writeSummary(db_, out("r.txt"), kName, "JO62QM", SummaryMode::Worked, error));
    const QByteArray written = readFileBytes(out("r.txt"));
    const struct {
        QString database, report;
    } failures[] = {{out("missing.qra"), out("r.txt")}, {db_, out("r.txt/inside.txt")}};
    for (const auto& f : failures) {
        error.clear();
        EXPECT_FALSE(
            writeSummary(f.database, f.report, kName, "JO62QM", SummaryMode::Confirmed, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readFileBytes(out("r.txt")), written);
    }
}

}  // namespace
}  // namespace morvel
