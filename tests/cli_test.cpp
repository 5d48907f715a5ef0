#include "app/cli.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <sstream>

#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

struct CliRun {
    int status;
    std::string out, err;
    bool said(int code, const char* message) const {
        return status == code && err.starts_with(message);
    }
};

struct Cli : ::testing::Test {
    CliRun run(const QStringList& args, const std::string& input = {}) {
        std::ostringstream out, err;
        std::istringstream is(input);
        return {runCli(args, {out, err, is}, QDir(dir.path())), out.str(),
                err.str()};  // in this order
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // FN31 worked and IO91 confirmed, measured from JO62QM.
    void setExample(const QString& db) {
        setSquare(db, "FN", 31, makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
        setSquare(db, "IO", 91, makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    }

    QTemporaryDir dir;
};

// The name is shown without its folder when a path is given.
TEST_F(Cli, CreateThenStatsOnARealFile) {
    EXPECT_EQ(run({"create", "2m", "jo62qm", "home"}).out, "2M JO62QM HOME.QRA\n");
    setExample(path("2M JO62QM HOME.QRA"));
    EXPECT_EQ(
        run({"stats", path("2M JO62QM HOME.QRA")}).out,
        "File: 2M JO62QM HOME.QRA\nSquares Worked:  2\nSquares Confirmed:  1\nFields Worked:  2\n"
        "ODX: Q2XYZ      FN31PR  6247 km\n");
}

TEST_F(Cli, SummariesMatchTheGoldenFiles) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    const char* const cases[][3] = {{"e.txt", "", "summary_worked_empty.txt"},
                                    {"w.txt", "", "summary_worked_example.txt"},
                                    {"c.txt", "--confirmed", "summary_confirmed_example.txt"}};
    for (const auto& [out, mode, golden] : cases) {
        EXPECT_EQ(run(QStringList{"summary", "2M JO62QM HOME.QRA", out} +
                      (*mode ? QStringList{mode} : QStringList{}))
                      .status,
                  0);
        EXPECT_EQ(readFileBytes(path(out)),
                  readFileBytes(testDataPath(QString::fromLatin1(golden))))
            << golden;
        setExample(db);
    }
    EXPECT_TRUE(run({"summary", "2M JO62QM HOME.QRA", "c.txt", "--other"}).said(2, "usage: "));
}

// A "n" answer writes nothing; "y" or --yes imports.
TEST_F(Cli, ImportEdiAsksAndReadsTheAnswer) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    writeFileBytes(path("log.edi"),
                   "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                   "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QStringList args = {"import-edi", "2M JO62QM HOME.QRA", "log.edi"};
    const std::string question = "About to import 144 MHz records to QRA file for 2M\n";
    EXPECT_EQ(run(args, "n\n").out.substr(0, question.size()), question);
    EXPECT_FALSE(readSquare(db, "IO", 85).hasContact());
    EXPECT_EQ(run(args, "y\n").out, question + "OK? [y/N] 1 new squares added\n");
    EXPECT_EQ(run(args + QStringList{"--yes"}).out, question + "0 new squares added\n");
}

TEST_F(Cli, MapAndFieldPicturesOfARealFile) {
    const QString db = makeBlankDatabase(dir.path(), "2M JO62QM .QRA");
    setSquare(db, "IO", 85, makeEntry("IO85AB", "G4XYZ", "01/02/03", false));
    EXPECT_EQ(run({"map", "2M JO62QM .QRA", "world.png"}).out,
              path("world.png").toStdString() + "\n");
    EXPECT_EQ(QImage(path("world.png")).size(), QSize(1016, 742));
    EXPECT_EQ(QImage(path("world.png")).pixelColor(499, 142),
              QColor(249, 96, 79));  // IO85, 9 W 53.5 N
    run({"map", db, "eu.JPG", "--size", "400x300", "--view", "europe"});
    const QImageReader jpeg(path("eu.JPG"));
    EXPECT_EQ(jpeg.format() + QByteArray::number(jpeg.size().width() * 1000 + jpeg.size().height()),
              "jpeg400300");
    ASSERT_EQ(run({"field", db, "io", "io.png"}).status, 0);
    EXPECT_EQ(QImage(path("io.png")).pixelColor(966, 246), QColor(249, 96, 79));

    const std::tuple<QStringList, int, const char*> refusals[] = {
        {{"map", db, "x.png", "--view", "mars"}, 1, "Not a view: mars"},
        {{"map", db, "x.png", "--size", "0x10"}, 1, "Not a picture size: 0x10"},
        {{"map", db, "x.gif"}, 1, "The picture could not be written"},
        {{"map", db, "no/such/x.png"}, 1, "The picture could not be written"},
        {{"map", "missing.qra", "x.png"}, 1, "Cannot read the database"},
        {{"field", db, "SA", "x.png"}, 1, "Not a field: SA"},
    };
    for (const auto& [args, status, message] : refusals)
        EXPECT_TRUE(run(args).said(status, message)) << message;
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(),
              4);  // nothing written, nothing created
}

}  // namespace
}  // namespace morvel
