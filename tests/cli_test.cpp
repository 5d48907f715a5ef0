#include "app/cli.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <sstream>

#include "tests/test_support.h"

namespace morvel {
namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runIn(const QString& dir, const QStringList& args, const std::string& input = {}) {
    std::ostringstream out, err;
    std::istringstream in(input);
    const int status = runCli(args, {out, err, in}, QDir(dir));
    return {status, out.str(), err.str()};
}

TEST(Cli, CreateThenStatsOnARealFile) {
    QTemporaryDir dir;
    const CliRun created = runIn(dir.path(), {"create", "2m", "jo62qm", "home"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "2M JO62QM HOME.QRA\n");
    const QString path = QDir(dir.path()).filePath("2M JO62QM HOME.QRA");
    EXPECT_EQ(QFile(path).size(), 916272);

    test::setSquare(path, "FN", 31, test::makeEntry("FN31PR", "Q2XYZ", "03/04/02", false));
    test::setSquare(path, "IO", 91, test::makeEntry("IO91WM", "Q1ABC", "12/05/03", true));
    const CliRun stats = runIn(dir.path(), {"stats", "2M JO62QM HOME.QRA"});
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out,
              "File: 2M JO62QM HOME.QRA\n"
              "Squares Worked:  2\n"
              "Squares Confirmed:  1\n"
              "Fields Worked:  2\n"
              "ODX: Q2XYZ      FN31PR  6247 km\n");

    // The name is shown without its folder when a path is given.
    const CliRun byPath = runIn(QDir::rootPath(), {"stats", path});
    EXPECT_EQ(byPath.out.substr(0, byPath.out.find('\n')), "File: 2M JO62QM HOME.QRA");
}

TEST(Cli, MapAndFieldPicturesOfARealFile) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QString db = test::makeBlankDatabase(dir.path(), "2M JO62QM .QRA");
    test::setSquare(db, "IO", 85, test::makeEntry("IO85AB", "G4XYZ", "01/02/03", false));
    const CliRun png = runIn(dir.path(), {"map", "2M JO62QM .QRA", "world.png"});
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(png.out, d.absoluteFilePath("world.png").toStdString() + "\n");
    const QImage world(d.filePath("world.png"));
    EXPECT_EQ(world.size(), QSize(1016, 742));
    EXPECT_EQ(world.pixelColor(499, 142), QColor(249, 96, 79));  // IO85, 9 W 53.5 N

    const CliRun jpeg =
        runIn(dir.path(), {"map", db, "eu.JPG", "--size", "400x300", "--view", "europe"});
    ASSERT_EQ(jpeg.status, 0) << jpeg.err;
    QImageReader reader(d.filePath("eu.JPG"));
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    EXPECT_EQ(reader.size(), QSize(400, 300));

    const CliRun field = runIn(dir.path(), {"field", db, "io", "io.png"});
    ASSERT_EQ(field.status, 0) << field.err;
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
        {{"map", db, "x.png", "--view"}, 2, "usage: morvel-cli map"},
        {{"field", db, "SA", "x.png"}, 1, "Not a field: SA"},
        {{"field", db, "IO", "x.png", "--size", "10"}, 1, "Not a picture size"},
        {{"field", db, "IO", "x.png", "--states", "--states"}, 2, "usage: morvel-cli field"},
    };
    for (const auto& r : refusals) {
        const CliRun run = runIn(dir.path(), r.args);
        EXPECT_EQ(run.status, r.status) << r.message;
        EXPECT_EQ(run.err.rfind(r.message, 0), 0u) << run.err;
    }
    EXPECT_EQ(d.entryList(QDir::Files).size(), 4);  // nothing written, nothing created
}

}  // namespace
}  // namespace morvel
