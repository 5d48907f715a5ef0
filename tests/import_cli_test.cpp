#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <sstream>

#include "app/cli.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::readFileBytes;
using test::readSquare;
using test::writeFileBytes;

class CliImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        test::makeBlankDatabase(dir_.path(), QStringLiteral("2M JO62QM HOME.QRA"));
        db_ = QDir(dir_.path()).filePath(QStringLiteral("2M JO62QM HOME.QRA"));
    }
    int run(const QStringList& args, const std::string& input = "") {
        out_.str("");
        err_.str("");
        std::istringstream in(input);
        return runCli(args, {out_, err_, in}, QDir(dir_.path()));
    }
    void write(const char* name, const char* text) {
        writeFileBytes(QDir(dir_.path()).filePath(QString::fromLatin1(name)), text);
    }

    QTemporaryDir dir_;
    QString db_;
    std::ostringstream out_;
    std::ostringstream err_;
};

const char* const kEdi =
    "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
    "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n";

TEST_F(CliImportTest, ImportEdiAsksAndReadsTheAnswer) {
    write("log.edi", kEdi);
    EXPECT_EQ(run({"import-edi", "2M JO62QM HOME.QRA", "log.edi"}, "n\n"), 0);
    EXPECT_NE(out_.str().find("About to import 144 MHz records to QRA file for 2M\n"),
              std::string::npos);
    EXPECT_NE(out_.str().find("No changes made"), std::string::npos);
    EXPECT_EQ(readSquare(db_, "IO", 85).callsignText(), "          ");

    EXPECT_EQ(run({"import-edi", "2M JO62QM HOME.QRA", "log.edi"}, "y\n"), 0);
    EXPECT_NE(out_.str().find("1 new squares added\n"), std::string::npos);

    EXPECT_EQ(run({"import-edi", "2M JO62QM HOME.QRA", "log.edi", "--yes"}), 0);
    EXPECT_EQ(out_.str(),
              "About to import 144 MHz records to QRA file for 2M\n0 new squares added\n");
    EXPECT_EQ(run({"import-edi", "2M JO62QM HOME.QRA", "log.edi", "--no"}), 2);
}

TEST_F(CliImportTest, SummaryInBothModes) {
    test::setSquare(db_, "FN", 31, test::makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
    test::setSquare(db_, "IO", 91, test::makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    EXPECT_EQ(run({"summary", "2M JO62QM HOME.QRA", "w.txt"}), 0) << err_.str();
    EXPECT_EQ(readFileBytes(QDir(dir_.path()).filePath(QStringLiteral("w.txt"))),
              readFileBytes(test::testDataPath(QStringLiteral("summary_worked_example.txt"))));
    EXPECT_EQ(run({"summary", "2M JO62QM HOME.QRA", "c.txt", "--confirmed"}), 0);
    EXPECT_EQ(readFileBytes(QDir(dir_.path()).filePath(QStringLiteral("c.txt"))),
              readFileBytes(test::testDataPath(QStringLiteral("summary_confirmed_example.txt"))));
    EXPECT_EQ(run({"summary", "2M JO62QM HOME.QRA", "c.txt", "--other"}), 2);
    EXPECT_EQ(run({"summary", "2M JO62QM NONE.QRA", "n.txt"}), 1);
}

}  // namespace
}  // namespace morvel
