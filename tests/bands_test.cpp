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

// The ODX passes over squares on their cosine alone; one that rounds a km
// above the best by just over half a km still takes it: QF22NF is 15,961.13
// km from JO62QM, QG92EU (later in the file) 15,961.57.
TEST(Bands, OdxJustAboveTheBest) {
    QByteArray db = blankDatabaseBytes();
    for (const char* loc : {"QF22NF", "QG92EU"})
        makeEntry(loc, "VK3X", "01/01/24", false)
            .encode(db.data() + (recordNumber(loc[0], loc[1]) - 1) * FieldRecord::kSize +
                    (10 * (loc[2] - '0') + loc[3] - '0') * SquareEntry::kSize);
    QBuffer buffer(&db);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const auto s = computeStatistics(buffer, "JO62QM", error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->odxloc + " " + std::to_string(s->odxkm), "QG92EU 15962.000000");
}

TEST(Bands, VuccThresholds) {
    const std::pair<const char*, int> table[] = {
        {"10m", 0}, {"6m", 100}, {"4m", 0},  {"2m", 100}, {"70CM", 50}, {"23cm", 25},
        {"13cm", 10}, {"9cm", 5}, {"6cm", 5}, {"3cm", 5}, {"1m", 0}};
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
              "Band,File,Worked,Confirmed,Fields,ODX call,ODX locator,ODX km,VUCC,"
              "VUCC card/LoTW,eQSL only,Source unknown,From elsewhere,Note\r\n"
              "10m,10M JO62QM GONE.QRA,,,,,,,\u2014,\u2014,,,,No such file or directory\r\n"
              "6m,\"6M JO62QM A,B.QRA\",2,1,2,UR5X,KO10AA,665,1 / 100,0 / 100,0,1,0,\r\n"
              "2m,2M JO62QM HOME.QRA,2,1,2,G4ABC,IO91WM,932,1 / 100,0 / 100,0,1,0,\r\n"
              "23cm,23CM JO62QM SHORT.QRA,2,1,2,G4ABC,IO91WM,932,1 / 25,0 / 25,0,1,0,"
              "\"short: 565,600 bytes, not 916,272\"\r\n"
              "All bands,(distinct),3,2,3,,,,,SAT 0 / 100,,,,\r\n");
    EXPECT_EQ(overviewTable(o).count(QLatin1Char('\n')), 6);
}

// Nearest first with distance and bearing from JO62QM to each square's MM,
// worked out by hand: JO62MM lies 1/3 degree (22.6 km) west, JO63MM 1 degree
// north and as far west (113.5 km, 348.5 degrees).
TEST(Bands, NeededSquares) {
    std::string db = blankDatabaseBytes().toStdString();
    const auto put = [&](const char* field, int slot, bool confirmed) {
        makeEntry("", "X", "01/01/24", confirmed)
            .encode(db.data() + (recordNumber(field[0], field[1]) - 1) * FieldRecord::kSize +
                    slot * SquareEntry::kSize);
    };
    put("JO", 62, false);
    put("JO", 52, false);
    put("JO", 72, true);
    const auto list = [&](double km, NeededMode mode) {
        std::string text;
        for (const NeededSquare& s : neededSquares(decodeDatabase(db), "JO62QM", km, mode))
            text += s.square + " " + std::to_string(std::lround(s.km)) + " " +
                    std::to_string(std::lround(s.bearing)) + ";";
        return text;
    };
    EXPECT_EQ(list(200, NeededMode::Unconfirmed), "JO62 23 270;JO52 158 271;");
    EXPECT_EQ(list(120, NeededMode::NotWorked), "JO63 114 349;JO61 114 192;");
    // The limit itself is within.
    const float nearest = neededSquares(decodeDatabase(db), "JO62QM", 200, NeededMode::NotWorked).front().km;
    EXPECT_EQ(neededSquares(decodeDatabase(db), "JO62QM", nearest, NeededMode::NotWorked).size(), 1U);
    EXPECT_EQ(neededSquares(decodeDatabase(db), "JO62QM", 20100, NeededMode::NotWorked).size(), 32400U - 3);
}

// Field by field, 00 to 99 in a field, whatever the file's order; the
// database's name is quoted where it needs to be.
TEST(Bands, AwardListOrderAndCsv) {
    std::string db = blankDatabaseBytes().toStdString();
    const std::tuple<const char*, int, const char*, bool> squares[] = {
        {"JO", 62, "DL1AB/P", true}, {"AA", 0, "K1A", false}, {"IO", 91, "G4ABC", false},
        {"IO", 85, "GM3X", true},    {"RR", 99, "ZL9Z", true}};
    for (const auto& [field, slot, call, confirmed] : squares) {
        const std::string loc = std::string(field) + char('0' + slot / 10) + char('0' + slot % 10);
        makeEntry(loc + "aa", call, "05/06/24", confirmed)
            .encode(db.data() + (recordNumber(field[0], field[1]) - 1) * FieldRecord::kSize +
                    slot * SquareEntry::kSize);
    }
    const QString name = ",\"2M JO62QM \"\"QTH\"\",2.QRA\",";
    const QString worked = name + "\r\n", confirmed = name + "source unknown\r\n";
    EXPECT_EQ(awardListCsv(buildAwardList(decodeDatabase(db), "2M JO62QM \"QTH\",2.QRA", false)),
              "Square,Call,Date,Locator,Confirmed,Database,Confirmed by\r\n"
              "AA00,K1A,05/06/24,AA00aa,N" + worked + "IO85,GM3X,05/06/24,IO85aa,Y" + confirmed +
              "IO91,G4ABC,05/06/24,IO91aa,N" + worked + "JO62,DL1AB/P,05/06/24,JO62aa,Y" +
              confirmed + "RR99,ZL9Z,05/06/24,RR99aa,Y" + confirmed);
    const AwardList confirmedOnly = buildAwardList(decodeDatabase(db), "2M JO62QM X.QRA", true);
    EXPECT_EQ(confirmedOnly.entries.size(), 3U);
    EXPECT_EQ(confirmedOnly.worked, 5);
}

// 1,000 squares at 50 rows a page: 20 pages, counted in the file; a file
// that cannot be written leaves nothing behind.
TEST(Bands, AwardListPdfPages) {
    std::string db = blankDatabaseBytes().toStdString();
    for (int i = 0; i < 1000; ++i)
        makeEntry("", "K1A", "01/01/24", false)
            .encode(db.data() + (i / 100) * FieldRecord::kSize + (i % 100) * SquareEntry::kSize);
    QTemporaryDir dir;
    Error error;
    for (const auto& [count, pages] : {std::pair{1000, 20}, std::pair{1001, 21}, std::pair{0, 1}}) {
        std::string some = db;
        if (count == 0) some = blankDatabaseBytes().toStdString();
        if (count == 1001)
            makeEntry("", "K1A", "01/01/24", true).encode(some.data() + 10 * FieldRecord::kSize);
        const QString pdf = dir.filePath("list.PDF");
        ASSERT_TRUE(writeAwardList(buildAwardList(decodeDatabase(some), "2M JO62QM.QRA", false), pdf,
                                   QDate(2024, 6, 1), error))
            << error;
        const QByteArray bytes = readFileBytes(pdf);
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                      bytes.count("/Type /Page "),
                  pages)
            << count;
    }
    EXPECT_FALSE(writeAwardList(buildAwardList(decodeDatabase(db), "x", false), dir.filePath("no/list.pdf"),
                                QDate(2024, 6, 1), error));
    EXPECT_FALSE(QDir(dir.filePath("no")).exists());
}

}  // namespace
}  // namespace morvel
