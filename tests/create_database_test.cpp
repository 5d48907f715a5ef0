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

}  // namespace
}  // namespace morvel
