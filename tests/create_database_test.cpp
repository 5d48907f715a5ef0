#include "database/create_database.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <csignal>

namespace morvel {

TEST(CreateDatabase, FullDiskLeavesNoPartWrittenFile) {
    QTemporaryDir tmp;
    // Limit the size of files this process may write, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{100000, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const CreateOutcome o = createDatabase(QDir(tmp.path()), {"2m", "IO85AB", ""});
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(o.created ? "created" : o.message.left(33), "Could not create 2M IO85AB .QRA: ");
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace morvel
