#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

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
    expected.replace(2800, 28, QByteArray(28, 'Z'));
    writeFileBytes(path, expected);
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
         std::string("RR99XX\x00\x00\xFF\xFF" "DL1X      01/01/99", 28)},
        {"AA", 0, makeEntry("AA00AA", "X", "", true), 0,
         std::string("AA00AA\x00\x00\xFF\xFF", 10) + "X" + std::string(17, ' ')},
    };
    for (const auto& c : cases) {
        setSquare(path, c.field, c.slot, c.entry);
        expected.replace(c.offset, 28, QByteArray::fromStdString(c.bytes));
        EXPECT_TRUE(readFileBytes(path) == expected) << c.field;
    }
}

TEST(DatabaseFile, MissingFileIsAnErrorAndIsNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath("missing.qra");
    for (const auto mode : {QraFile::Mode::Read, QraFile::Mode::ReadWrite}) {
        std::string error;
        EXPECT_EQ(QraFile::open(path, mode, error), nullptr);
        EXPECT_NE(error.find("missing.qra"), std::string::npos) << error;
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(DatabaseFile, ShortFileReadsMissingRecordsAsZeroBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("short.qra");
    // One whole record and half of the second, every flag set.
    QByteArray bytes(2828 + 1414, 'A');
    for (int s = 0; s < 101; ++s) bytes.replace(s * 28 + 6, 4, QByteArray(4, '\xFF'));
    writeFileBytes(path, bytes);
    std::string error;
    auto db = QraFile::open(path, QraFile::Mode::Read, error);
    ASSERT_TRUE(db) << error;
    FieldRecord r;
    ASSERT_TRUE(db->read(2, r, error));
    EXPECT_EQ(r.entries[49].locatorText(), "AAAAAA");  // bytes before the cut
    EXPECT_EQ(r.entries[51].worked, 0);
    ASSERT_TRUE(db->read(324, r, error));
    EXPECT_EQ(r.bytes(), std::string(2828, '\0'));
    EXPECT_FALSE(db->read(325, r, error));
    EXPECT_FALSE(db->read(0, r, error));
}

TEST(FileNames, BandAndLocatorComeFromTheName) {
    const struct {
        const char *name, *band, *homeloc;
    } cases[] = {{"2M IO85AB PORTABLE.QRA", "2M", "IO85AB"}, {"70CM JO01CD .QRA", "70CM", "JO01CD"}};
    for (const auto& c : cases) {
        EXPECT_EQ(bandFromFileName(c.name), c.band) << c.name;
        EXPECT_EQ(homeLocatorFromFileName(c.name), c.homeloc) << c.name;
    }
    EXPECT_EQ(buildFileName("2m", "io85ab", ""), "2M IO85AB .QRA");
    EXPECT_EQ(buildFileName("70cm", "JO01CD", "Home Station"), "70CM JO01CD HOME STATION.QRA");
}

}  // namespace
}  // namespace morvel
