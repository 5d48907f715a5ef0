#include "database/create_database.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>
#include <csignal>

namespace morvel {
namespace {

TEST(CreateDatabase, FullDiskLeavesNoPartWrittenFile) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    SharedState state;
    // Limit the size of files this process may write, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const CreateOutcome o = createDatabase(dir, {"2m", "IO85AB", ""}, state);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(o.created);
    EXPECT_EQ(o.message.rfind("Could not create 2M IO85AB .QRA: ", 0), 0u) << o.message;
    EXPECT_TRUE(dir.entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace morvel
