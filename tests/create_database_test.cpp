#include "database/create_database.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace morvel {

TEST(CreateDatabase, FullDiskLeavesNoPartWrittenFile) {
    QTemporaryDir tmp;
    CreateOutcome o;
    {
        const test::WriteLimit fullDisk(100000);
        o = createDatabase(QDir(tmp.path()), {"2m", "IO85AB", ""});
    }
    EXPECT_EQ(o.created ? "created" : o.message, "Could not create 2M IO85AB .QRA: File too large");
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace morvel
