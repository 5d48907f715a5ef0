#include "statistics/statistics.h"

#include <gtest/gtest.h>

#include <QFile>
#include <map>

#include "tests/test_support.h"

namespace morvel {

// Distances looked up by the square's stored locator, so that the tie-break
// can be driven with exact values.
static std::map<std::string, float, std::less<>> fakeDistances;
static float fakeDistance(std::string_view, std::string_view to) {
    return fakeDistances.contains(to) ? fakeDistances.find(to)->second : 0.0f;
}

struct Statistics_ : ::testing::Test {
    QTemporaryDir dir;
    QString path = test::makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");

    void put(std::string_view loc, std::string_view call, std::int16_t worked,
             std::int16_t confirmed) {
        SquareEntry e = test::makeEntry(loc, call, "01/01/20", false);
        e.worked = worked, e.confirmed = confirmed;
        test::setSquare(path, loc.substr(0, 2), (loc[2] - '0') * 10 + loc[3] - '0', e);
    }
    // "worked confirmed fields | km call locator", the last three of the best square
    std::string run() {
        QFile f(path);
        QString error = f.open(QIODevice::ReadOnly) ? "" : "cannot open";
        const auto s = computeStatistics(f, "JO62QM", fakeDistance, error);
        const auto n = [](auto v) { return std::to_string(int(v)) + " "; };
        return s ? n(s->squaresWorked) + n(s->squaresConfirmed) + n(s->fieldsWorked) + "| " +
                       n(s->odxkm) + s->odxcall + s->odxloc
                 : error.toStdString();
    }
};

// A confirmed square counts as worked; the first in file order wins a tie in
// whole km; 0 km never wins.
TEST_F(Statistics_, CountsAndTheFirstBestSquare) {
    fakeDistances = {{"AB00AA", 0.4f}, {"CC11AA", 700.2f}, {"CC22AA", 699.6f}, {"DD00AA", 699.8f}};
    put("AB00AA", "ZERO", -1, 0);
    EXPECT_EQ(run(), "1 0 1 | 0 ");
    put("DD00AA", "LATER", 0, -1);   // same whole km, later record
    put("CC22AA", "SLOT22", -1, 0);  // same whole km, later slot
    put("CC11AA", "SLOT11", -1, 0);
    put("JO62QN", "BOTH", -1, -1);  // both flags: counted once in each total
    put("JO01AA", "ODD", 1, 1);     // a flag of 1 is not set
    EXPECT_EQ(run(), "5 2 4 | 700 SLOT11    CC11AA");
}

}  // namespace morvel
