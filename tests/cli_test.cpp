#include "app/cli.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
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

}  // namespace
}  // namespace morvel
