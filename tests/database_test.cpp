#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <functional>

#include "database/database_lock.h"
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
    QByteArray expected = blankDatabaseBytes();
    ASSERT_EQ(readFileBytes(path), expected);
    writeFileBytes(path, expected.replace(2800, 28, QByteArray(28, 'Z')));
    // Field, slot, entry, offset in the file, the 28 bytes there.
    const std::tuple<const char*, int, SquareEntry, int, std::string> cases[] = {
        {"IO", 85, makeEntry("IO85", "G4ABCDEFGHIJ", "25/12/02", false), 158 * 2828 + 2380,
         std::string("IO85  \xFF\xFF\x00\x00G4ABCDEFGH25/12/02", 28)},
        {"RR", 99, makeEntry("RR99XX", "DL1X", "01/01/99", true), 913444 + 99 * 28,
         std::string("RR99XX\x00\x00\xFF\xFF"
                     "DL1X      01/01/99",
                     28)},
        {"AA", 0, makeEntry("AA00AA", "X", "", true), 0,
         std::string("AA00AA\x00\x00\xFF\xFF", 10) + "X" + std::string(17, ' ')},
    };
    for (const auto& [field, slot, entry, offset, bytes] : cases) {
        setSquare(path, field, slot, entry);
        EXPECT_TRUE(readFileBytes(path) ==
                    expected.replace(offset, 28, QByteArray::fromStdString(bytes)))
            << field;
    }
}

// A missing file is an error naming it, and is not created; a short one reads
// its missing bytes as zero, and record numbers stay within 1-324.
TEST(DatabaseFile, MissingAndShortFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("short.qra");
    Error error;
    FieldRecord r;
    EXPECT_TRUE(!readRecord(path, 1, r, error) && error.message().startsWith(path));
    EXPECT_FALSE(QFile::exists(path));
    QByteArray bytes(2828 + 1414, 'A');  // a record and a half, every flag set
    for (int s = 0; s < 101; ++s) bytes.replace(s * 28 + 6, 4, QByteArray(4, '\xFF'));
    writeFileBytes(path, bytes);
    ASSERT_TRUE(readRecord(path, 2, r, error)) << error;
    EXPECT_EQ(std::string(r.entries[49].locatorText()) + std::to_string(r.entries[51].worked),
              "AAAAAA0");
    ASSERT_TRUE(readRecord(path, 324, r, error));
    EXPECT_EQ(r.bytes(), std::string(2828, '\0'));
    EXPECT_FALSE(readRecord(path, 325, r, error) || readRecord(path, 0, r, error));
    EXPECT_EQ(databaseSizeWarning("short.qra", bytes.size()),
              "short.qra is 4,242 bytes, not 916,272: its missing squares read as empty");
    EXPECT_EQ(databaseSizeWarning("long.qra", 916300),
              "long.qra is 916,300 bytes, not 916,272: the bytes beyond its last square are kept");
    EXPECT_EQ(databaseSizeWarning("whole.qra", 916272), "");
}

TEST(FileNames, BandAndLocatorComeFromTheName) {
    EXPECT_EQ(bandFromFileName("70CM JO01CD .QRA") + homeLocatorFromFileName("2M IO85AB X.QRA"),
              "70CMIO85AB");
    EXPECT_EQ(buildFileName("2m", "io85ab", ""), "2M IO85AB .QRA");
    EXPECT_EQ(buildFileName("70cm", "JO01CD", "Home Station"), "70CM JO01CD HOME STATION.QRA");
    EXPECT_EQ(buildFileName("2m", "jo62qm", QString::fromUtf8("Łódź")),
              QString::fromUtf8("2M JO62QM ŁÓDŹ.QRA"));
    EXPECT_EQ(homeLocatorFromFileName(QString::fromUtf8("2M KO85 МОСКВА.QRA")),
              QString::fromUtf8("KO85 М"));
}

}  // namespace morvel
