// Across the bands: the overview, needed squares and the award list.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <cmath>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "statistics/award_list.h"
#include "statistics/needed_squares.h"
#include "statistics/overview.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

// Records of every field with a square (its locator, e.g. "JO62aa") worked or confirmed.
void put(std::vector<FieldRecord>& records, const std::string& loc, const char* call,
         bool confirmed) {
    records[static_cast<std::size_t>(recordNumber(loc[0], loc[1]) - 1)]
        .entries[static_cast<std::size_t>(10 * (loc[2] - '0') + loc[3] - '0')] =
        makeEntry(loc, call, "05/06/24", confirmed);
}

// The ODX passes over squares on their cosine alone; one that rounds a km
// above the best by just over half a km still takes it: QF22NF is 15,961.13
// km from JO62QM, QG92EU (later in the file) 15,961.57.
TEST(Bands, OdxJustAboveTheBest) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    for (const char* loc : {"QF22NF", "QG92EU"}) put(records, loc, "VK3X", false);
    QByteArray db;
    for (const FieldRecord& r : records) db += QByteArray::fromStdString(r.bytes());
    QBuffer buffer(&db);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const auto s = computeStatistics(buffer, "JO62QM", error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->odxloc + " " + std::to_string(s->odxkm), "QG92EU 15962.000000");
}

TEST(Bands, VuccThresholds) {
    const std::pair<const char*, int> table[] = {
        {"10m", 0},   {"6m", 100}, {"4m", 0},  {"2m", 100}, {"70CM", 50}, {"23cm", 25},
        {"13cm", 10}, {"9cm", 5},  {"6cm", 5}, {"3cm", 5},  {"1m", 0}};
    for (const auto& [band, squares] : table) EXPECT_EQ(vuccThreshold(band), squares) << band;
}

// Rows in band order whatever the names' order; a short database counts what
// it has and says so, an unreadable one says why; backups are left out.
TEST(Bands, OverviewOfAFolder) {
    QTemporaryDir dir;
    const QString two = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    setSquare(two, "JO", 62, makeEntry("JO62QM", "DL1AB", "01/01/24", true));
    setSquare(two, "IO", 91, makeEntry("IO91WM", "G4ABC", "02/01/24", false));
    const QString six = makeBlankDatabase(dir.path(), "6M JO62QM A,B.QRA");
    setSquare(six, "JO", 62, makeEntry("JO62QM", "DL1AB", "01/01/24", false));
    setSquare(six, "KO", 10, makeEntry("KO10AA", "UR5X", "03/01/24", true));
    makeBlankDatabase(dir.path(), "2M JO62QM HOME backup.qra");
    writeFileBytes(dir.filePath("23CM JO62QM SHORT.QRA"), readFileBytes(two).left(2828 * 200));
    QFile::link(dir.filePath("nowhere"), dir.filePath("10M JO62QM GONE.QRA"));
    const Overview o = buildOverview(dir.path());
    ASSERT_EQ(o.rows.size(), 4U);
    EXPECT_EQ(overviewCsv(o).toStdString(),
              readFileBytes(testDataPath("overview_folder.csv")).toStdString());
    EXPECT_EQ(overviewTable(o).count(QLatin1Char('\n')), 6);
}

// Nearest first with distance and bearing from JO62QM to each square's MM,
// worked out by hand: JO62MM lies 1/3 degree (22.6 km) west, JO63MM 1 degree
// north and as far west (113.5 km, 348.5 degrees).
TEST(Bands, NeededSquares) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    for (const char* loc : {"JO62", "JO52"}) put(records, loc, "X", false);
    put(records, "JO72", "X", true);
    const auto needed = [&](double km, NeededMode mode) {
        return neededSquares(records, "JO62QM", km, mode);
    };
    const auto list = [&](double km, NeededMode mode) {
        std::string text;
        for (const NeededSquare& s : needed(km, mode))
            text += s.square + " " + std::to_string(std::lround(s.km)) + " " +
                    std::to_string(std::lround(s.bearing)) + ";";
        return text;
    };
    EXPECT_EQ(list(200, NeededMode::Unconfirmed), "JO62 23 270;JO52 158 271;");
    EXPECT_EQ(list(120, NeededMode::NotWorked), "JO63 114 349;JO61 114 192;");
    // The limit itself is within.
    const float nearest = needed(200, NeededMode::NotWorked).front().km;
    EXPECT_EQ(needed(nearest, NeededMode::NotWorked).size(), 1U);
    EXPECT_EQ(needed(20100, NeededMode::NotWorked).size(), 32400U - 3);
}

// Field by field, 00 to 99 in a field, whatever the file's order; the
// database's name is quoted where it needs to be.
TEST(Bands, AwardListOrderAndCsv) {
    std::vector<FieldRecord> records(kRecordCount, FieldRecord::blank());
    const std::tuple<const char*, const char*, bool> squares[] = {{"JO62aa", "DL1AB/P", true},
                                                                  {"AA00aa", "K1A", false},
                                                                  {"IO91aa", "G4ABC", false},
                                                                  {"IO85aa", "GM3X", true},
                                                                  {"RR99aa", "ZL9Z", true}};
    for (const auto& [loc, call, confirmed] : squares) put(records, loc, call, confirmed);
    EXPECT_EQ(awardListCsv(buildAwardList(records, "2M JO62QM \"QTH\",2.QRA", false)),
              QString::fromUtf8(readFileBytes(testDataPath("award_list_example.csv"))));
    const AwardList confirmedOnly = buildAwardList(records, "2M JO62QM X.QRA", true);
    EXPECT_EQ(confirmedOnly.entries.size(), 3U);
    EXPECT_EQ(confirmedOnly.worked, 5);
}

// 1,000 squares at 50 rows a page: 20 pages, counted in the file; a file
// that cannot be written leaves nothing behind.
TEST(Bands, AwardListPdfPages) {
    const std::vector<FieldRecord> blank(kRecordCount, FieldRecord::blank());
    std::vector<FieldRecord> records = blank;
    for (std::size_t i = 0; i < 1000; ++i)
        records[i / 100].entries[i % 100] = makeEntry("", "K1A", "01/01/24", false);
    QTemporaryDir dir;
    Error error;
    const QString pdf = dir.filePath("list.PDF");
    for (const auto& [count, pages] : {std::pair{1000, 20}, std::pair{1001, 21}, std::pair{0, 1}}) {
        std::vector<FieldRecord> some = count ? records : blank;
        if (count == 1001) some[10].entries[0] = makeEntry("", "K1A", "01/01/24", true);
        ASSERT_TRUE(writeAwardList(buildAwardList(some, "2M JO62QM.QRA", false), pdf,
                                   QDate(2024, 6, 1), error))
            << error;
        const QByteArray bytes = readFileBytes(pdf);
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                      bytes.count("/Type /Page "),
                  pages)
            << count;
    }
    EXPECT_FALSE(writeAwardList(buildAwardList(records, "x", false), dir.filePath("no/list.pdf"),
                                QDate(2024, 6, 1), error));
    EXPECT_FALSE(QDir(dir.filePath("no")).exists());
}

}  // namespace
}  // namespace morvel
