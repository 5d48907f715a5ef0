#include "database/database_lock.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include "test_support.h"

namespace morvel::test {
namespace {

const QDateTime kWritten(QDate(2026, 12, 7), QTime(9, 15, 2));

void writeLockFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(kWritten, QFileDevice::FileModificationTime));
}

// A lock file that is no lock is taken over once unchanged for ten seconds
// by the clock, and that is said; one of another host or of a running
// process is never taken, and the message names its holder and the file to
// remove if the holder is gone.
TEST(DatabaseLock, LeftOverLockFilesAreTakenOverAndHeldOnesNamed) {
    for (const auto& c : tableRows("database_lock_cases.txt", 5)) {
        SCOPED_TRACE(c[0]);
        const QByteArray bytes =
            QByteArray::fromStdString(c[1]).replace("@HOST@", QSysInfo::machineHostName().toUtf8());
        const QString said = QString::fromStdString(c[4]);
        QTemporaryDir dir;
        const QString db = dir.filePath("2M JO62QM T.QRA");
        const QString lockFile = DatabaseLock::lockPath(db);
        writeLockFile(lockFile, bytes);
        DatabaseLock lock(db);
        lock.clock = [&c] { return kWritten.addMSecs(std::stoll(c[2])); };
        Error error;
        EXPECT_EQ(lock.acquire(error, 0), c[3] == "taken") << error;
        if (c[3] == "taken") {
            EXPECT_EQ(lock.takenOver(), said.isEmpty()
                                            ? QString()
                                            : "Took over the lock file " +
                                                  QDir::toNativeSeparators(lockFile) + ": " + said);
            continue;
        }
        EXPECT_EQ(error.message(), "2M JO62QM T.QRA is being changed by another program (" + said +
                                       "); try again when it has finished, or remove " +
                                       QDir::toNativeSeparators(lockFile) +
                                       " if that program is no longer running");
        EXPECT_EQ(lock.waitingText(), "Waiting for 2M JO62QM T.QRA: held by " + said);
        EXPECT_EQ(readFileBytes(lockFile), bytes);
    }
}

}  // namespace
}  // namespace morvel::test
