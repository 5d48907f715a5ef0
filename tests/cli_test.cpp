#include "app/cli.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <sstream>

#include "tests/test_support.h"

namespace morvel {
namespace {

using test::readFileBytes;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test {
protected:
    CliRun run(const QStringList& args, const std::string& input = {}, QString in = {}) {
        std::ostringstream out, err;
        std::istringstream is(input);
        const int status = runCli(args, {out, err, is}, QDir(in.isEmpty() ? dir.path() : in));
        return {status, out.str(), err.str()};
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // FN31 worked and IO91 confirmed, measured from JO62QM.
    void setExample(const QString& db) {
        test::setSquare(db, "FN", 31, test::makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
        test::setSquare(db, "IO", 91, test::makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    }

    QTemporaryDir dir;
};

TEST_F(Cli, CreateThenStatsOnARealFile) {
    const CliRun created = run({"create", "2m", "jo62qm", "home"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "2M JO62QM HOME.QRA\n");
    const QString db = path("2M JO62QM HOME.QRA");
    setExample(db);
    const CliRun stats = run({"stats", "2M JO62QM HOME.QRA"});
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out,
              "File: 2M JO62QM HOME.QRA\n"
              "Squares Worked:  2\n"
              "Squares Confirmed:  1\n"
              "Fields Worked:  2\n"
              "ODX: Q2XYZ      FN31PR  6247 km\n");
    // The name is shown without its folder when a path is given.
    const CliRun byPath = run({"stats", db}, {}, QDir::rootPath());
    EXPECT_EQ(byPath.out.substr(0, byPath.out.find('\n')), "File: 2M JO62QM HOME.QRA");
}

TEST_F(Cli, SummariesMatchTheGoldenFiles) {
    const QString db = test::makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    const struct {
        const char* out;
        const char* mode;
        const char* golden;
    } cases[] = {{"e.txt", nullptr, "summary_worked_empty.txt"},
                 {"w.txt", nullptr, "summary_worked_example.txt"},
                 {"c.txt", "--confirmed", "summary_confirmed_example.txt"}};
    for (const auto& c : cases) {
        if (c.golden != cases[0].golden) setExample(db);
        QStringList args = {"summary", "2M JO62QM HOME.QRA", c.out};
        if (c.mode) args << c.mode;
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFileBytes(path(c.out)).toStdString(),
                  readFileBytes(test::testDataPath(QString::fromLatin1(c.golden))).toStdString())
            << c.golden;
    }
    EXPECT_EQ(run({"summary", "2M JO62QM HOME.QRA", "c.txt", "--other"}).status, 2);
    EXPECT_EQ(run({"summary", "2M JO62QM NONE.QRA", "n.txt"}).status, 1);
}

TEST_F(Cli, ImportEdiAsksAndReadsTheAnswer) {
    const QString db = test::makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
    test::writeFileBytes(path("log.edi"),
                         "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n"
                         "231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n");
    const QStringList args = {"import-edi", "2M JO62QM HOME.QRA", "log.edi"};
    const std::string question = "About to import 144 MHz records to QRA file for 2M\n";
    CliRun r = run(args, "n\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(question, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("No changes made"), std::string::npos) << r.out;
    EXPECT_FALSE(test::readSquare(db, "IO", 85).hasContact());
    EXPECT_NE(run(args, "y\n").out.find("1 new squares added\n"), std::string::npos);
    EXPECT_EQ(run(args + QStringList{"--yes"}).out, question + "0 new squares added\n");
    EXPECT_EQ(run(args + QStringList{"--no"}).status, 2);
}

TEST_F(Cli, MapAndFieldPicturesOfARealFile) {
    const QDir d(dir.path());
    const QString db = test::makeBlankDatabase(dir.path(), "2M JO62QM .QRA");
    test::setSquare(db, "IO", 85, test::makeEntry("IO85AB", "G4XYZ", "01/02/03", false));
    const CliRun png = run({"map", "2M JO62QM .QRA", "world.png"});
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(png.out, d.absoluteFilePath("world.png").toStdString() + "\n");
    const QImage world(d.filePath("world.png"));
    EXPECT_EQ(world.size(), QSize(1016, 742));
    EXPECT_EQ(world.pixelColor(499, 142), QColor(249, 96, 79));  // IO85, 9 W 53.5 N
    ASSERT_EQ(run({"map", db, "eu.JPG", "--size", "400x300", "--view", "europe"}).status, 0);
    QImageReader jpeg(d.filePath("eu.JPG"));
    EXPECT_EQ(jpeg.format(), QByteArray("jpeg"));
    EXPECT_EQ(jpeg.size(), QSize(400, 300));

    ASSERT_EQ(run({"field", db, "io", "io.png"}).status, 0);
    const QImage io(d.filePath("io.png"));
    EXPECT_EQ(io.size(), QSize(1501, 602));
    EXPECT_EQ(io.pixelColor(966, 246), QColor(249, 96, 79));

    const struct {
        QStringList args;
        int status;
        const char* message;
    } refusals[] = {
        {{"map", db, "x.png", "--view", "mars"}, 1, "Not a view: mars"},
        {{"map", db, "x.png", "--size", "0x10"}, 1, "Not a picture size: 0x10"},
        {{"map", db, "x.gif"}, 1, "The picture could not be written"},
        {{"map", db, "no/such/x.png"}, 1, "The picture could not be written"},
        {{"map", "missing.qra", "x.png"}, 1, "Cannot read the database"},
        {{"field", db, "SA", "x.png"}, 1, "Not a field: SA"},
        {{"field", db, "IO", "x.png", "--states", "--states"}, 2, "usage: morvel-cli field"},
    };
    for (const auto& r : refusals) {
        const CliRun c = run(r.args);
        EXPECT_EQ(c.status, r.status) << r.message;
        EXPECT_EQ(c.err.rfind(r.message, 0), 0u) << c.err;
    }
    EXPECT_EQ(d.entryList(QDir::Files).size(), 4);  // nothing written, nothing created
}

}  // namespace
}  // namespace morvel
