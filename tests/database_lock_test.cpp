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
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    struct Case {
        const char* name;
        QByteArray bytes;
        qint64 ageMs;
        const char* said;  // taken over: what acquire says; else the holder named
        bool taken;
    };
    const char *const empty = "it was empty and unchanged since 2026-12-07 09:15:02",
                      *const noLock = "it was no lock and unchanged since 2026-12-07 09:15:02";
    const std::vector<Case> cases = {
        {"empty, ten seconds old", "", 10000, empty, true},
        {"empty, nearly ten seconds old", "", 9999,
         "a lock file that is empty, written 2026-12-07 09:15:02 and taken over 10 seconds after",
         false},
        {"empty, its time ahead of the clock", "", -10000, empty, true},
        {"no lock", "hello\n", 60000, noLock, true},
        {"no process id", "x\nmorvel\n" + host + "\n", 60000, noLock, true},
        {"a process id of none", "\nmorvel\n" + host + "\n", 60000, noLock, true},
        {"cut after the program", "4242\nmorvel\n", 60000, noLock, true},
        {"another host", "4242\nmorvel\nshack-pc\n", 3600000,
         "morvel, process 4242 on host shack-pc, since 2026-12-07 09:15:02", false},
        {"a process gone", "999999999\nmorvel-cli\n" + host + "\n", 0, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString db = dir.filePath("2M JO62QM T.QRA");
        const QString lockFile = DatabaseLock::lockPath(db);
        writeLockFile(lockFile, c.bytes);
        DatabaseLock lock(db);
        lock.clock = [&c] { return kWritten.addMSecs(c.ageMs); };
        Error error;
        EXPECT_EQ(lock.acquire(error, 0), c.taken) << error;
        if (c.taken) {
            EXPECT_EQ(lock.takenOver(), *c.said
                                            ? "Took over the lock file " +
                                                  QDir::toNativeSeparators(lockFile) + ": " + c.said
                                            : QString());
            continue;
        }
        EXPECT_EQ(error.message(),
                  QString("2M JO62QM T.QRA is being changed by another program (") + c.said +
                      "); try again when it has finished, or remove " +
                      QDir::toNativeSeparators(lockFile) + " if that program is no longer running");
        EXPECT_EQ(lock.waitingText(), QString("Waiting for 2M JO62QM T.QRA: held by ") + c.said);
        EXPECT_EQ(readFileBytes(lockFile), c.bytes);
    }
}

}  // namespace
}  // namespace morvel::test
