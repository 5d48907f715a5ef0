#include <gtest/gtest.h>

#include <QFile>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "tests/test_support.h"

namespace morvel {

using namespace test;

// A new file is 324 records of 100 blank squares and a zero reserved slot;
// a square lands at its 28 bytes, and nothing else changes, whatever the
// reserved slot holds.
TEST(DatabaseFile, NewFileAndSquaresAtTheirBytes) {
    QTemporaryDir dir;
    const QString path = makeBlankDatabase(dir.path(), "2M IO85AB PORTABLE.QRA");
    const QByteArray blankSlot = "      " + QByteArray(4, '\0') + QByteArray(18, ' ');
    QByteArray expected = (blankSlot.repeated(100) + QByteArray(28, '\0')).repeated(324);
    ASSERT_EQ(readFileBytes(path), expected);
    writeFileBytes(path, expected.replace(2800, 28, QByteArray(28, 'Z')));
    const struct {
        const char* field;
        int slot;
        SquareEntry entry;
        int offset;
        std::string bytes;
    } cases[] = {
        {"IO", 85, makeEntry("IO85", "G4ABCDEFGHIJ", "25/12/02", false), 158 * 2828 + 2380,
         std::string("IO85  \xFF\xFF\x00\x00G4ABCDEFGH25/12/02", 28)},
        {"RR", 99, makeEntry("RR99XX", "DL1X", "01/01/99", true), 913444 + 99 * 28,
         std::string("RR99XX\x00\x00\xFF\xFF"
                     "DL1X      01/01/99",
                     28)},
        {"AA", 0, makeEntry("AA00AA", "X", "", true), 0,
         std::string("AA00AA\x00\x00\xFF\xFF", 10) + "X" + std::string(17, ' ')},
    };
    for (const auto& c : cases) {
        setSquare(path, c.field, c.slot, c.entry);
        EXPECT_TRUE(readFileBytes(path) ==
                    expected.replace(c.offset, 28, QByteArray::fromStdString(c.bytes)))
            << c.field;
    }
}

// A missing file is an error naming it, and is not created; a short one reads
// its missing bytes as zero, and record numbers stay within 1-324.
TEST(DatabaseFile, MissingAndShortFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("short.qra");
    std::string error;
    for (const auto mode : {QraFile::Mode::Read, QraFile::Mode::ReadWrite})
        EXPECT_TRUE(!QraFile::open(path, mode, error) &&
                    error.find("short.qra") != std::string::npos);
    EXPECT_FALSE(QFile::exists(path));
    QByteArray bytes(2828 + 1414, 'A');  // a record and a half, every flag set
    for (int s = 0; s < 101; ++s) bytes.replace(s * 28 + 6, 4, QByteArray(4, '\xFF'));
    writeFileBytes(path, bytes);
    auto db = QraFile::open(path, QraFile::Mode::Read, error);
    ASSERT_TRUE(db) << error;
    FieldRecord r;
    ASSERT_TRUE(db->read(2, r, error));
    EXPECT_EQ(std::string(r.entries[49].locatorText()) + std::to_string(r.entries[51].worked),
              "AAAAAA0");
    ASSERT_TRUE(db->read(324, r, error));
    EXPECT_EQ(r.bytes(), std::string(2828, '\0'));
    EXPECT_FALSE(db->read(325, r, error) || db->read(0, r, error));
}

TEST(FileNames, BandAndLocatorComeFromTheName) {
    EXPECT_EQ(bandFromFileName("70CM JO01CD .QRA") + homeLocatorFromFileName("2M IO85AB X.QRA"),
              "70CMIO85AB");
    EXPECT_EQ(buildFileName("2m", "io85ab", ""), "2M IO85AB .QRA");
    EXPECT_EQ(buildFileName("70cm", "JO01CD", "Home Station"), "70CM JO01CD HOME STATION.QRA");
}

}  // namespace morvel
