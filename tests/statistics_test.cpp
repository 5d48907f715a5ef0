#include "menu/statistics.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>

#include "tests/test_support.h"

namespace morvel {
namespace {

// Distances looked up by the square's stored locator, so that the tie-break
// can be driven with exact values.
std::map<std::string, float, std::less<>> fakeDistances;
float fakeDistance(std::string_view, std::string_view to) {
    const auto it = fakeDistances.find(to);
    return it == fakeDistances.end() ? 0.0f : it->second;
}

class Statistics_ : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = test::makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");

    void put(std::string_view field, int slot, std::string_view loc, std::string_view call,
             bool confirmed, std::int16_t worked = 0) {
        SquareEntry e = test::makeEntry(loc, call, "01/01/20", confirmed);
        if (worked) e.worked = worked;
        test::setSquare(path, field, slot, e);
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
    put("IO", 85, "IO85MX", "G4X", false);
    put("FN", 31, "FN31PR", "Q2XYZ", false);
    put("JO", 62, "JO62QN", "BOTH", true, -1);  // both flags: counted once in each total
    SquareEntry odd = test::makeEntry("JO01AA", "ODD", "", false);
    odd.worked = odd.confirmed = 1;  // not set
    test::setSquare(path, "JO", 1, odd);
    const Statistics s = run();
    EXPECT_EQ(s.squaresWorked, 4);
    EXPECT_EQ(s.squaresConfirmed, 2);
    EXPECT_EQ(s.fieldsWorked, 3);
}

TEST_F(Statistics_, FirstInFileOrderWinsATieAndZeroNeverWins) {
    fakeDistances = {{"AB00AA", 0.4f},     // rounds to 0: never the best
                     {"CC11AA", 700.2f},   //
                     {"CC22AA", 699.6f},   // same whole km, later slot
                     {"DD00AA", 699.8f}};  // same whole km, later record
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

}  // namespace
}  // namespace morvel
