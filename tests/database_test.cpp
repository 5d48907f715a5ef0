#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::readFileBytes;

TEST(SquareEntryLayout, FlagsAndTextsSitAtTheirBytes) {
    SquareEntry worked = test::makeEntry("IO85", "G4ABCDEFGHIJ", "25/12/02", false);
    char bytes[28];
    worked.encode(bytes);
    EXPECT_EQ(std::string(bytes, 28), std::string("IO85  \xFF\xFF\x00\x00G4ABCDEFGH25/12/02", 28));

    SquareEntry confirmed = test::makeEntry("JO62QM", "DL1X", "01/01/99", true);
    confirmed.encode(bytes);
    EXPECT_EQ(std::string(bytes, 28), std::string("JO62QM\x00\x00\xFF\xFF"
                                                  "DL1X      01/01/99",
                                                  28));
    EXPECT_TRUE(SquareEntry::decode(bytes).isConfirmed());
    EXPECT_FALSE(SquareEntry::decode(bytes).isWorked());

    // A flag holding 1 is not set.
    SquareEntry odd = SquareEntry::blank();
    odd.worked = 1;
    odd.confirmed = 1;
    EXPECT_FALSE(odd.hasContact());
}

class DatabaseFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = test::makeBlankDatabase(dir.path(), "2M IO85AB PORTABLE.QRA");
    }
};

TEST_F(DatabaseFile, NewFileIsBlankRecordsWithZeroReservedSlot) {
    const QByteArray bytes = readFileBytes(path);
    ASSERT_EQ(bytes.size(), 916272);
    const std::string blankSlot = "      " + std::string(4, '\0') + std::string(18, ' ');
    for (int r = 0; r < 324; ++r) {
        for (int s = 0; s < 100; ++s)
            ASSERT_EQ(bytes.mid(r * 2828 + s * 28, 28).toStdString(), blankSlot) << r << " " << s;
        ASSERT_EQ(bytes.mid(r * 2828 + 2800, 28), QByteArray(28, '\0'));
    }
}

TEST_F(DatabaseFile, SquareIO85LandsAtItsBytesAndNothingElseChanges) {
    const QByteArray before = readFileBytes(path);
    test::setSquare(path, "IO", 85, test::makeEntry("IO85mx", "N0CALL", "25/12/23", false));
    const QByteArray after = readFileBytes(path);
    const int start = 158 * 2828 + 2380;
    EXPECT_EQ(after.mid(start, 28).toStdString(),
              std::string("IO85mx\xFF\xFF\x00\x00N0CALL    25/12/23", 28));
    EXPECT_EQ(after.left(start), before.left(start));
    EXPECT_EQ(after.mid(start + 28), before.mid(start + 28));
}

TEST_F(DatabaseFile, WriteKeepsWhateverSlotHundredHolds) {
    QByteArray bytes = readFileBytes(path);
    bytes.replace(2800, 28, QByteArray(28, 'Z'));
    test::writeFileBytes(path, bytes);
    test::setSquare(path, "AA", 0, test::makeEntry("AA00AA", "X", "", true));
    EXPECT_EQ(readFileBytes(path).mid(2800, 28), QByteArray(28, 'Z'));
}

TEST(DatabaseFileErrors, MissingFileIsAnErrorAndIsNotCreated) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("missing.qra");
    for (const auto mode : {QraFile::Mode::Read, QraFile::Mode::ReadWrite}) {
        std::string error;
        EXPECT_EQ(QraFile::open(path, mode, error), nullptr);
        EXPECT_NE(error.find("missing.qra"), std::string::npos) << error;
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(DatabaseFileErrors, ShortFileReadsMissingRecordsAsZeroBytes) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("short.qra");
    // One whole record and half of the second.
    QByteArray bytes(2828 + 1414, 'A');
    for (int s = 0; s < 101; ++s) bytes.replace(s * 28 + 6, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    test::writeFileBytes(path, bytes);
    std::string error;
    auto db = QraFile::open(path, QraFile::Mode::Read, error);
    ASSERT_TRUE(db) << error;
    FieldRecord r;
    ASSERT_TRUE(db->read(1, r, error));
    EXPECT_TRUE(r.entries[0].isWorked());
    ASSERT_TRUE(db->read(2, r, error));
    EXPECT_EQ(r.entries[49].locatorText(), "AAAAAA");  // bytes before the cut
    EXPECT_EQ(r.entries[51].worked, 0);
    ASSERT_TRUE(db->read(324, r, error));
    EXPECT_EQ(r.bytes(), std::string(2828, '\0'));
    EXPECT_FALSE(db->read(325, r, error));
    EXPECT_FALSE(db->read(0, r, error));
}

}  // namespace
}  // namespace morvel
