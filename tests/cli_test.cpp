#include "app/cli.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <sstream>

#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

std::string golden(const char* name) {
    return readFileBytes(testDataPath(QString::fromLatin1(name))).toStdString();
}

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
    // Arguments, then the status, all of standard output and the start of standard error.
    using Case = std::tuple<QStringList, int, std::string, std::string>;
    void expectRun(const Case& c) {
        const auto& [args, status, out, err] = c;
        const CliRun r = run(args);
        const std::string name = args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.status, status) << name;
        EXPECT_EQ(r.out, out) << name;
        EXPECT_EQ(r.err.substr(0, err.size()), err) << name;
    }
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
    for (const auto& [out, mode, file] : cases) {
        EXPECT_EQ(run(QStringList{"summary", "2M JO62QM HOME.QRA", out} +
                      (*mode ? QStringList{mode} : QStringList{}))
                      .status,
                  0);
        EXPECT_EQ(readFileBytes(path(out)),
                  readFileBytes(testDataPath(QString::fromLatin1(file))))
            << file;
        setExample(db);
    }
}

// The commands across bands, each with its output and its refusals.
TEST_F(Cli, BandCommands) {
    setExample(makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA"));
    writeFileBytes(path("log.adi"), "<CALL:3>K1A <QSO_DATE:8>20240101 <BAND:2>2m <GRIDSQUARE:4>FN31 "
                                    "<PROP_MODE:3>EME <QSL_RCVD:1>Y <EOR>");
    const Case cases[] = {
        {{"overview", "--csv"}, 0, "Band,File,Worked,Confirmed,Fields,ODX call,ODX locator,ODX km,"
         "VUCC,Note\r\n2m,2M JO62QM HOME.QRA,2,1,2,Q2XYZ,FN31PR,6247,1 / 100,\r\n"
         "All bands,(distinct),2,1,2,,,,,\r\n", ""},
        {{"overview", "nowhere"}, 1, "", "Not a folder: "},
        {{"needed", "2M JO62QM HOME.QRA", "--within", "130"}, 0,
         "JO62     22.6 km  270 deg\nJO72    113.2 km   89 deg\nJO63    113.6 km  349 deg\n"
         "JO61    113.6 km  192 deg\n",
         ""},
        {{"needed", "2M JO62QM HOME.QRA", "--unconfirmed", "--within=-1"}, 1, "", "Not a distance"},
        {{"needed", "2M JO62QM HOME.QRA", "--unconfirmed"}, 0, "FN31   6277.9 km  296 deg\n", ""},
        {{"award-list", "2M JO62QM HOME.QRA", "a.csv", "--confirmed"}, 0, path("a.csv").toStdString() + "\n", ""},
        {{"map", "--all-bands", ".", "m.png"}, 0, path("m.png").toStdString() + "\n", ""},
        {{"import-adif", "2M JO62QM HOME.QRA", "log.adi", "--prop-mode", "EMEX"}, 1, "",
         "Not an ADIF PROP_MODE: EMEX (AS, AUE"},
        {{"import-adif", "2M JO62QM HOME.QRA", "log.adi", "--confirmed-by", "fax"}, 1, "",
         "Not a confirmation source: fax (card, lotw, eqsl)\n"},
        {{"import-adif", "2M JO62QM HOME.QRA", "log.adi", "--not-prop-mode", "eme"}, 0,
         "0 new squares added\n", ""},
    };
    for (const Case& c : cases) expectRun(c);
    EXPECT_EQ(readFileBytes(path("a.csv")),
              "Square,Call,Date,Locator,Confirmed,Database\r\n"
              "IO91,Q1ABC,12/05/03,IO91WM,Y,2M JO62QM HOME.QRA\r\n");
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
              QColor(249, 96, 79));  // IO85, 3 W 55.5 N
    // Europe, 40 W to 100 E and 90 N to 20 N: IO85 from (432, 408) to (456, 420).
    run({"map", "--size", "1680x840", db, "eu.JPG", "--view=europe"});  // options anywhere
    const QImageReader jpeg(path("eu.JPG"));
    EXPECT_EQ(jpeg.format() + QByteArray::number(jpeg.size().width() * 1000 + jpeg.size().height()),
              "jpeg1680840");
    const QColor eu = QImage(path("eu.JPG")).pixelColor(444, 414);  // near, as JPEG keeps it
    EXPECT_LT(std::abs(eu.red() - 249) + std::abs(eu.green() - 96) + std::abs(eu.blue() - 79), 60);
    ASSERT_EQ(run({"field", db, "io", "io.png"}).status, 0);
    EXPECT_EQ(QImage(path("io.png")).pixelColor(966, 246), QColor(249, 96, 79));
    // The state borders over FN, New England, in their colour (192, 64, 0).
    for (const bool states : {false, true}) {
        run(QStringList{"field", db, "fn", "fn.png", "--size", "300x120"} +
            (states ? QStringList{"--states"} : QStringList{}));
        const QImage fn(path("fn.png"));
        int dots = 0;
        for (int y = 0; y < fn.height(); ++y)
            for (int x = 0; x < fn.width(); ++x) dots += fn.pixelColor(x, y) == QColor(192, 64, 0);
        EXPECT_EQ(fn.size(), QSize(300, 120));
        EXPECT_EQ(dots > 0, states);
    }

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
              5);  // nothing written, nothing created
}


// --help on standard output, exit 0; a usage error on standard error, exit 2.
TEST_F(Cli, HelpAndUsageErrors) {
    const std::string overview = golden("cli_overview.txt");
    const Case cases[] = {
        {{"--help"}, 0, overview, ""},
        {{}, 2, "", overview},
        {{"bogus", "x"}, 2, "", "Unknown command: bogus\n" + overview},
        {{"--bogus"}, 2, "", "Unknown option 'bogus'.\n" + overview},
        {{"--version", "stats", "a.qra"}, 2, "", overview},
        {{"field", "--help"}, 0, golden("cli_field_help.txt"), ""},
        {{"summary", "a.qra", "s.txt", "--other"},
         2,
         "",
         "usage: morvel-cli summary DB OUT [--confirmed]\nUnknown option 'other'.\n"},
        {{"map", "a.qra", "m.png", "--size"},
         2,
         "",
         "usage: morvel-cli map DB OUT [--view world|europe|na] [--size WxH] [--all-bands]\n"
         "Missing value after '--size'.\n"},
        {{"import-edi", "a.qra", "l.edi", "--yes", "--yes"},
         2,
         "",
         "usage: morvel-cli import-edi DB LOG [--yes]\n"},
        {{"stats", "-x.qra"}, 2, "", "usage: morvel-cli stats DB\nUnknown option 'x.qra'.\n"},
        {{"stats", "--", "-x.qra"}, 1, "", "Cannot read the database: "},
    };
    for (const Case& c : cases) expectRun(c);
}

// Each command's usage heads its --help, and alone is its usage error.
TEST_F(Cli, EachCommandHasItsUsage) {
    const char* const usages[][2] = {
        {"distance", "distance FROM TO"},
        {"create", "create BAND LOCATOR [TAG]"},
        {"stats", "stats DB"},
        {"import-adif",
         "import-adif DB LOG [--yes] [--vucc-grids] [--confirmed-by card,lotw,eqsl] "
         "[--prop-mode MODE[,MODE]] [--not-prop-mode MODE[,MODE]]"},
        {"import-edi", "import-edi DB LOG [--yes]"},
        {"summary", "summary DB OUT [--confirmed]"},
        {"map", "map DB OUT [--view world|europe|na] [--size WxH] [--all-bands]"},
        {"field", "field DB FIELD OUT [--states] [--size WxH]"},
        {"needed", "needed DB [--within KM] [--unconfirmed]"},
        {"award-list", "award-list DB OUT [--confirmed]"},
    };
    for (const auto& [command, usage] : usages) {
        const std::string line = std::string("usage: morvel-cli ") + usage + "\n";
        const CliRun help = run({command, "-h"});
        EXPECT_EQ(std::to_string(help.status) + help.out.substr(0, line.size() + 1),
                  "0" + line + "\n");
        EXPECT_EQ(run({"--help", command}).out, help.out);
        const CliRun bare = run({command});
        EXPECT_EQ(std::to_string(bare.status) + bare.err + bare.out, "2" + line);
    }
}

}  // namespace
}  // namespace morvel
