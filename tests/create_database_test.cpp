#include "database/create_database.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "database/qra_file.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

class CreateDatabase : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    SharedState state;

    CreateOutcome create(std::string band, std::string locator, std::string tag = {}) {
        return createDatabase(dir, {std::move(band), std::move(locator), std::move(tag)}, state);
    }
    QStringList files() const { return dir.entryList(QDir::Files); }
};

TEST_F(CreateDatabase, BuildsTheNameAndWritesBlankRecords) {
    const CreateOutcome a = create("2m", "io85ab");
    EXPECT_TRUE(a.created);
    EXPECT_EQ(a.message, "");
    EXPECT_EQ(a.fileName, "2M IO85AB .QRA");
    EXPECT_EQ(state.filename, "2M IO85AB .QRA");
    const QByteArray bytes = test::readFileBytes(dir.filePath("2M IO85AB .QRA"));
    EXPECT_EQ(bytes.size(), 916272);
    EXPECT_EQ(bytes.left(2828).toStdString(), FieldRecord::blank().bytes());
    EXPECT_EQ(bytes.right(2828).toStdString(), FieldRecord::blank().bytes());

    EXPECT_TRUE(create("70cm", "JO01CD", "Home Station").created);
    EXPECT_TRUE(QFile::exists(dir.filePath("70CM JO01CD HOME STATION.QRA")));
}

TEST_F(CreateDatabase, ChecksComeInTheirOrder) {
    EXPECT_EQ(create("", "").message, "Please select a band");
    EXPECT_EQ(create("", "IO85AB").message, "Please select a band");
    EXPECT_EQ(state.filename, "");
    for (const char* bad : {"", "IO85A", "IO85ABC"})
        EXPECT_EQ(create("2m", bad).message, "Please enter your QRA locator");
    EXPECT_TRUE(files().isEmpty()) << files().join(",").toStdString();
    // Only the length is checked.
    EXPECT_TRUE(create("6m", "      ").created);
    EXPECT_TRUE(QFile::exists(dir.filePath("6M        .QRA")));
}

TEST_F(CreateDatabase, ExistingFileIsRefusedAndLeftAlone) {
    ASSERT_TRUE(create("2m", "IO85AB", "portable").created);
    const QString path = dir.filePath("2M IO85AB PORTABLE.QRA");
    test::setSquare(path, "IO", 85, test::makeEntry("IO85MX", "N0CALL", "25/12/23", true));
    const QByteArray before = test::readFileBytes(path);

    state.filename.clear();
    const CreateOutcome again = create("2m", "io85ab", "Portable");
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.message, "File already exists");
    EXPECT_EQ(state.filename, "2M IO85AB PORTABLE.QRA");  // kept although refused
    EXPECT_EQ(test::readFileBytes(path), before);
}

TEST_F(CreateDatabase, PathCharactersAreRefusedAfterTheLocatorCheck) {
    const QStringList parentBefore = QDir(tmp.path() + "/..").entryList(QDir::Files);
    for (const auto& [loc, tag] :
         std::vector<std::pair<std::string, std::string>>{{"../../", "x"},
                                                          {"IO85AB", "a/b"},
                                                          {"IO85AB", "..\\up"},
                                                          {"IO85\tB", ""},
                                                          {"IO85AB", "x\ny"}}) {
        const CreateOutcome o = create("2m", loc, tag);
        EXPECT_FALSE(o.created) << tag;
        EXPECT_EQ(o.message, kMsgBadNameCharacters);
    }
    EXPECT_EQ(create("", "../../", "/").message, "Please select a band");
    EXPECT_EQ(create("2m", "../", "/").message, "Please enter your QRA locator");
    EXPECT_TRUE(files().isEmpty()) << files().join(",").toStdString();
    EXPECT_EQ(QDir(tmp.path() + "/..").entryList(QDir::Files), parentBefore);
}

TEST_F(CreateDatabase, FullDiskLeavesNoPartWrittenFile) {
    // Limit the size of files this process may write, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const CreateOutcome o = create("2m", "IO85AB");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(o.created);
    EXPECT_EQ(o.message.rfind("Could not create 2M IO85AB .QRA: ", 0), 0u) << o.message;
    EXPECT_TRUE(dir.entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(CreateDatabase, UnwritableFolderIsReported) {
    const QDir gone(dir.filePath("no such folder"));
    const CreateOutcome o = createDatabase(gone, {"2m", "IO85AB", ""}, state);
    EXPECT_FALSE(o.created);
    EXPECT_NE(o.message.find("Could not create"), std::string::npos);
}

}  // namespace
}  // namespace morvel
