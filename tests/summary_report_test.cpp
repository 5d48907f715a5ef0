#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/text_format.h"
#include "geo/locator.h"
#include "menu/summary.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::makeEntry;
using test::readFileBytes;
using test::setSquare;
using test::testDataPath;

const char* const kName = "2M JO62QM HOME.QRA";

class SummaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ = test::makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
    }
    // The worked example: FN31 worked, IO91 confirmed.
    void setExample() {
        setSquare(db_, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
        setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    }
    SummaryReport build(SummaryMode mode, std::string_view homeloc = "JO62QM") {
        QFile f(db_);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        std::string error;
        auto report = buildSummary(f, kName, homeloc, mode, error);
        EXPECT_TRUE(report) << error;
        return report ? *report : SummaryReport{};
    }
    QString out(const char* name) const {
        return QDir(dir_.path()).filePath(QString::fromLatin1(name));
    }

    QTemporaryDir dir_;
    QString db_;
};

TEST_F(SummaryTest, WorkedExampleIsByteExact) {
    setExample();
    std::string error;
    const auto report =
        writeSummary(db_, out("a.txt"), kName, "JO62QM", SummaryMode::Worked, error);
    ASSERT_TRUE(report) << error;
    EXPECT_EQ(readFileBytes(out("a.txt")),
              readFileBytes(testDataPath("summary_worked_example.txt")));
    EXPECT_EQ(report->listed, 2);
    EXPECT_EQ(report->confirmed, 1);
    EXPECT_FLOAT_EQ(report->odxkm, 6246.9f);
    EXPECT_EQ(report->odxcall, "Q2XYZ     ");
    EXPECT_EQ(report->odxloc, "FN31PR");
}

TEST_F(SummaryTest, ConfirmedExampleIsByteExact) {
    setExample();
    std::string error;
    const auto report =
        writeSummary(db_, out("c.txt"), kName, "JO62QM", SummaryMode::Confirmed, error);
    ASSERT_TRUE(report) << error;
    EXPECT_EQ(readFileBytes(out("c.txt")),
              readFileBytes(testDataPath("summary_confirmed_example.txt")));
    EXPECT_FLOAT_EQ(report->odxkm, 932.4f);
    EXPECT_EQ(report->odxcall, "Q1ABC     ");
    EXPECT_EQ(report->odxloc, "IO91WM");
}

TEST_F(SummaryTest, EmptyDatabaseGivesHeadingTotalsAndEmptyOdx) {
    EXPECT_EQ(QByteArray::fromStdString(build(SummaryMode::Worked).text),
              readFileBytes(testDataPath("summary_worked_empty.txt")));
    EXPECT_EQ(build(SummaryMode::Confirmed).text,
              "List of Confirmed Squares\r\nFor Morvel database file 2M JO62QM HOME.QRA\r\n\r\n"
              " 0  squares confirmed\r\nODX:  in loc    0  km\r\n");
}

TEST_F(SummaryTest, OnlyConfirmedSquareIsMarkedAndCountedBothWays) {
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    const std::string text = build(SummaryMode::Worked).text;
    EXPECT_NE(text.find("\r\n*IO91WM  Q1ABC          12/05/03  932 km\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n 1  squares worked\r\n 1  squares confirmed\r\n"), std::string::npos);
}

TEST_F(SummaryTest, FourCharacterLocatorKeepsItsBlanksAndIsMeasuredAtMm) {
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", false));
    const std::string worked = build(SummaryMode::Worked).text;
    EXPECT_NE(worked.find("\r\n IO91    Q1ABC          12/05/03 "), std::string::npos);
    setSquare(db_, "IO", 91, makeEntry("IO91", "Q1ABC", "12/05/03", true));
    const SummaryReport confirmed = build(SummaryMode::Confirmed);
    EXPECT_NE(confirmed.text.find("\r\nIO91     Q1ABC          12/05/03 "), std::string::npos);
    EXPECT_EQ(confirmed.odxloc, "IO91  ");
    // IO91MM is the centre sub-square the distance is taken at.
    EXPECT_FLOAT_EQ(confirmed.odxkm,
                    static_cast<float>(roundHalfEven(LocatorDistance("JO62QM", "IO91MM"), 1)));
}

TEST_F(SummaryTest, OwnSubSquareIsListedAtZeroAndNeverBest) {
    setSquare(db_, "JO", 62, makeEntry("JO62QM", "Q3OWN", "01/01/01", false));
    const SummaryReport r = build(SummaryMode::Worked);
    EXPECT_NE(r.text.find("\r\n JO62QM  Q3OWN          01/01/01  0 km\r\n"), std::string::npos);
    EXPECT_EQ(r.odxkm, 0.0f);
    EXPECT_EQ(r.odxcall, "");
    EXPECT_NE(r.text.find("ODX:  in loc    0  km\r\n"), std::string::npos);
}

TEST_F(SummaryTest, EqualTenthKeepsFirstInFileOrderAndGreaterReplaces) {
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

TEST_F(SummaryTest, FieldsAreSeparatedByOneEmptyLine) {
    setSquare(db_, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", false));
    setSquare(db_, "IO", 92, makeEntry("IO92AA", "Q1DEF", "12/05/03", false));
    setSquare(db_, "JO", 1, makeEntry("JO01AA", "Q1GHI", "12/05/03", false));
    const std::string text = build(SummaryMode::Worked).text;
    const auto io91 = text.find(" IO91WM");
    const auto io92 = text.find(" IO92AA");
    const auto jo01 = text.find(" JO01AA");
    ASSERT_NE(io91, std::string::npos);
    EXPECT_EQ(text.substr(io92 - 2, 2), "\r\n");
    EXPECT_NE(text.substr(io92 - 4, 2), "\r\n");
    EXPECT_EQ(text.substr(jo01 - 4, 4), "\r\n\r\n");
    EXPECT_NE(text.substr(jo01 - 6, 2), "\r\n");
}

TEST_F(SummaryTest, FlagsCountOnlyWhenMinusOne) {
    SquareEntry odd = makeEntry("IO91WM", "Q1ABC", "12/05/03", false);
    odd.worked = 1;
    setSquare(db_, "IO", 91, odd);
    EXPECT_EQ(build(SummaryMode::Worked).listed, 0);
}

TEST_F(SummaryTest, SecondRunReplacesAndFailureLeavesEarlierFile) {
    setExample();
    std::string error;
    test::writeFileBytes(out("r.txt"), QByteArray(5000, 'x'));
    ASSERT_TRUE(writeSummary(db_, out("r.txt"), kName, "JO62QM", SummaryMode::Worked, error));
    EXPECT_EQ(readFileBytes(out("r.txt")),
              readFileBytes(testDataPath("summary_worked_example.txt")));

    const QByteArray before = readFileBytes(out("r.txt"));
    EXPECT_FALSE(writeSummary(out("missing.qra"), out("r.txt"), kName, "JO62QM",
                              SummaryMode::Confirmed, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readFileBytes(out("r.txt")), before);

    error.clear();
    EXPECT_FALSE(
        writeSummary(db_, out("r.txt/inside.txt"), kName, "JO62QM", SummaryMode::Confirmed, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readFileBytes(out("r.txt")), before);
}

TEST(SummaryName, ProposedName) {
    const struct {
        const char* filename;
        const char* proposed;
    } cases[] = {
        {"2M JO62QM HOME.QRA", "2M JO62QM HOME.txt"},
        {"23CM JO01CD .QRA", "23CM JO01CD .txt"},
        {"2M A.B.qra", "2M A.txt"},
        {"NODOT", "txt"},
        {"", "txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(proposedSummaryName(c.filename), c.proposed) << c.filename;
}

}  // namespace
}  // namespace morvel
