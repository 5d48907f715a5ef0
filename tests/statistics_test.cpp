#include "menu/statistics.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <map>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

// Distances looked up by the square's stored locator, so that the rounding and
// the tie-break can be driven with exact values.
std::map<std::string, float>& fakeDistances() {
    static std::map<std::string, float> table;
    return table;
}
float fakeDistance(std::string_view, std::string_view to) {
    const auto it = fakeDistances().find(std::string(to));
    return it == fakeDistances().end() ? 0.0f : it->second;
}

class Statistics_ : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path;
    void SetUp() override {
        path = test::makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
        fakeDistances().clear();
    }
    void put(std::string_view field, int slot, std::string_view loc, std::string_view call,
             bool confirmed) {
        test::setSquare(path, field, slot, test::makeEntry(loc, call, "01/01/20", confirmed));
    }
    Statistics run(bool fake = false) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        std::string error;
        auto s = fake ? computeStatistics(f, "JO62QM", fakeDistance, error)
                      : computeStatistics(f, "JO62QM", error);
        EXPECT_TRUE(s) << error;
        return s.value_or(Statistics{});
    }
};

TEST_F(Statistics_, CountsSquaresAndFieldsConfirmedAsWorked) {
    put("IO", 91, "IO91WM", "Q1ABC", true);
    Statistics s = run();
    EXPECT_EQ(s.squaresWorked, 1);
    EXPECT_EQ(s.squaresConfirmed, 1);
    EXPECT_EQ(s.fieldsWorked, 1);

    put("IO", 85, "IO85MX", "G4X", false);
    put("FN", 31, "FN31PR", "Q2XYZ", false);
    // Flags holding 1 are not set.
    SquareEntry odd = test::makeEntry("JO01AA", "ODD", "", false);
    odd.worked = 1;
    odd.confirmed = 1;
    test::setSquare(path, "JO", 1, odd);
    // Both flags set is one square, green, counted once in each total.
    SquareEntry both = test::makeEntry("AA00AA", "BOTH", "", true);
    both.worked = -1;
    test::setSquare(path, "AA", 0, both);
    s = run();
    EXPECT_EQ(s.squaresWorked, 4);
    EXPECT_EQ(s.squaresConfirmed, 2);
    EXPECT_EQ(s.fieldsWorked, 3);
    test::setSquare(path, "AA", 0, SquareEntry::blank());
    s = run();
    EXPECT_EQ(s.squaresWorked, 3);
    EXPECT_EQ(s.squaresConfirmed, 1);
    EXPECT_EQ(s.fieldsWorked, 2);
    EXPECT_EQ(s.odxkm, 6247.0f);
    EXPECT_EQ(statisticsCaptions(s, "x").label7, "ODX: Q2XYZ      FN31PR  6247 km");
}

TEST_F(Statistics_, WholeKilometresRoundHalfToEven) {
    struct Case {
        float km;
        float whole;
    };
    for (const Case c :
         {Case{512.4f, 512}, Case{512.6f, 513}, Case{512.5f, 512}, Case{513.5f, 514}}) {
        SetUp();
        fakeDistances()["AA00AA"] = c.km;
        put("AA", 0, "AA00AA", "X1", false);
        EXPECT_EQ(run(true).odxkm, c.whole) << c.km;
    }
}

TEST_F(Statistics_, FirstInFileOrderWinsATieAndZeroNeverWins) {
    fakeDistances()["AB00AA"] = 0.4f;  // rounds to 0: never the best
    fakeDistances()["CC11AA"] = 700.2f;
    fakeDistances()["CC22AA"] = 699.6f;  // same whole km, later slot
    fakeDistances()["DD00AA"] = 699.8f;  // same whole km, later record
    put("AB", 0, "AB00AA", "ZERO", false);
    Statistics s = run(true);
    EXPECT_EQ(s.odxkm, 0.0f);
    EXPECT_EQ(s.odxcall, "");
    EXPECT_EQ(s.odxloc, "");
    put("DD", 0, "DD00AA", "LATER", true);
    put("CC", 22, "CC22AA", "SLOT22", false);
    put("CC", 11, "CC11AA", "SLOT11", false);
    s = run(true);
    EXPECT_EQ(s.odxkm, 700.0f);
    EXPECT_EQ(s.odxcall, "SLOT11    ");
    EXPECT_EQ(s.odxloc, "CC11AA");
}

TEST(StatisticsErrors, MissingFileIsReportedAndNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/2M JO62QM .QRA";
    std::string error;
    EXPECT_FALSE(computeStatistics(path, "JO62QM", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace morvel
