#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include "database/qra_file.h"

namespace morvel {
namespace {

const char *const kName = "2M JO62QM HOME.QRA", *const kBackup = "2M JO62QM HOME backup.qra";
// Command lines for the shell.
const std::string kAdif = "import-adif '2M JO62QM HOME.QRA' log.adi",
                  kEdi = "import-edi '2M JO62QM HOME.QRA' log.edi --yes";

std::string adif(const std::string& call, const std::string& grid, bool qsl = false) {
    return "<CALL:" + std::to_string(call.size()) + ">" + call +
           " <QSO_DATE:8>20200101 <BAND:2>2m <GRIDSQUARE:" + std::to_string(grid.size()) + ">" +
           grid + (qsl ? " <QSL_RCVD:1>Y" : "") + " <EOR>\n";
}

std::string square(int n) {  // n-th square of the world, field AA on
    const int field = n / 100 % 324;
    return {char('A' + field / 18), char('A' + field % 18), char('0' + n / 10 % 10),
            char('0' + n % 10)};
}

// Every test runs morvel-cli in one folder holding the database, the log,
// and the child's output ("out" and "err").
struct SafetyTest : ::testing::Test {
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QByteArray read(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write(bytes) == bytes.size());
    }
    QByteArray blankDatabase(int records = 324) const {
        Error error;
        EXPECT_TRUE(writeBlankDatabase(path(kName), error)) << error.message().toStdString();
        write(kName, read(kName).left(records * 2828));
        return read(kName);
    }
    // A write beyond fileSize fails with EFBIG, as on a full disk.
    // The shell's exec leaves the child's pid to morvel-cli, for the kill.
    pid_t start(const std::string& args, rlim_t fileSize = RLIM_INFINITY,
                rlim_t addressSpace = RLIM_INFINITY) const {
        const std::string command =
            "cd " + dir_.path().toStdString() + " && exec " MORVEL_CLI " " + args + " >out 2>err";
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{fileSize, fileSize}, as{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        ::setrlimit(RLIMIT_AS, &as);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    static int wait(pid_t pid) {
        int s = 0;
        return ::waitpid(pid, &s, 0) == pid && WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
    }
    int run(const std::string& a, rlim_t fileSize = RLIM_INFINITY,
            rlim_t as = RLIM_INFINITY) const {
        return wait(start(a, fileSize, as));
    }
    // The change log without its header, whose time changes from run to run.
    QByteArray changelogLines() const {
        return read("changelog.txt").mid(read("changelog.txt").indexOf("\r\n\r\n"));
    }

    QTemporaryDir dir_;
};

// SIGKILL at seeded random moments of a 300,000-contact import: the database
// is always its bytes before or the finished import's, the change log is
// whole whenever the database changed, and a retry backs up the database as
// the killed run left it. MORVEL_KILLS sets the number of kills
// (bench/kill_import.sh runs 100).
TEST_F(SafetyTest, KilledImportLeavesTheDatabaseBeforeOrAfter) {
    std::string log;
    for (int i = 0; i < 300'000; ++i)
        log += adif("Q" + std::to_string(i % 9973), square(i * 7 % 32400) + "MX", i % 5 == 0);
    write("log.adi", QByteArray::fromStdString(log));
    const QByteArray before = blankDatabase();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(run(kAdif), 0) << read("err").toStdString();
    const auto full =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    const QByteArray after = read(kName), journal = changelogLines();
    ASSERT_NE(after, before);
    const int kills = std::getenv("MORVEL_KILLS") ? std::atoi(std::getenv("MORVEL_KILLS")) : 10;
    ::srandom(11);
    for (int k = 0; k < kills; ++k) {
        write(kName, before);
        QFile::remove(path(kBackup));
        const pid_t pid = start(kAdif);
        ::usleep(static_cast<useconds_t>(::random() % (full * 6 / 5)));
        ::kill(pid, SIGKILL);
        wait(pid);
        const QByteArray killed = read(kName);
        ASSERT_TRUE(killed == before || (killed == after && changelogLines() == journal));
        ASSERT_EQ(run(kAdif), 0) << read("err").toStdString();
        EXPECT_EQ(read(kName) + read(kBackup), after + killed);
    }
}

// A write failing for want of room at each file in turn: the import says
// which file and why, and the database stays as it was. The sizes grow in
// the order of writing: log < backup (a database of ten records) < change
// log < new database.
TEST_F(SafetyTest, FullDiskAtEachFileLeavesTheDatabase) {
    std::string log = "PBand=144 MHz\r\n[QSORecords;1000]\r\n";
    for (int i = 0; i < 1000; ++i) log += "200101;;A;;;;;;;" + square(i) + "\r\n";
    write("log.edi", QByteArray::fromStdString(log));
    const QByteArray before = blankDatabase(10);
    ASSERT_EQ(run(kEdi), 0) << read("err").toStdString();
    const qint64 changelogSize = read("changelog.txt").size(), logSize = qint64(log.size());
    ASSERT_TRUE(logSize < before.size() && before.size() < changelogSize &&
                changelogSize < kDatabaseSize);
    const std::pair<qint64, const char*> stages[] = {{logSize - 1, "edi.tmp"},
                                                     {before.size() - 1, kBackup},
                                                     {changelogSize - 1, "changelog.txt"},
                                                     {kDatabaseSize - 1, kName}};
    for (const auto& [limit, file] : stages) {
        write(kName, before);
        EXPECT_EQ(run(kEdi, static_cast<rlim_t>(limit)), 1) << file;
        EXPECT_TRUE(read("err").contains(QByteArray(file) + ": File too large") &&
                    read(kName) == before)
            << read("err").toStdString();
    }
}

// An EDI log of one 600 MB line without a line end, under a 200 MB address
// space: the line is skipped and counted, the contacts around it imported.
TEST_F(SafetyTest, LineLessEdiLogInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
    const QByteArray head = "PBand=144 MHz\r\n[QSORecords;3]\r\n200101;;Q1ABC;;;;;;;IO85\r\n";
    QFile f(path("log.edi"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(head) == head.size());
    ASSERT_TRUE(f.resize(head.size() + 600'000'000) && f.seek(f.size()));  // a hole: no disk used
    ASSERT_TRUE(f.write("\r\n200102;;Q2ABC;;;;;;;IO86\r\n") == 28 && f.flush());
    blankDatabase();
    EXPECT_EQ(run(kEdi, RLIM_INFINITY, 200u << 20), 0) << read("err").toStdString();
    EXPECT_EQ(read("out").toStdString(),
              "About to import 144 MHz records to QRA file for 2M\n"
              "2 new squares added\n1 unreadable line was skipped\n");
    EXPECT_TRUE(read("changelog.txt").endsWith("IO85\r\nQ2ABC         02/01/20      IO86\r\n"));
}

// The scratch copy, the change log and the backup never write through a
// link: the link is replaced by a file, its target untouched. A name that is
// the database itself (a hard link) stops the import before any write.
TEST_F(SafetyTest, LinksAndTheDatabaseUnderAnotherName) {
    for (const char* name : {"adi.tmp", "changelog.txt", kBackup})
        for (const char* target : {kName, "other"})
            for (const bool hard : {false, true}) {
                SCOPED_TRACE(std::string(name) + " -> " + target + (hard ? " (hard)" : ""));
                const QByteArray before = blankDatabase(), from = QFile::encodeName(path(target));
                write("other", "other bytes");
                write("log.adi", QByteArray::fromStdString(adif("Q1ABC", "IO85")));
                QFile::remove(path(name));
                ASSERT_EQ(hard ? ::link(from, QFile::encodeName(path(name)))
                               : ::symlink(from, QFile::encodeName(path(name))),
                          0);
                const bool itself = hard && std::string(target) == kName;
                EXPECT_EQ(run(kAdif), itself ? 1 : 0) << read("err").toStdString();
                EXPECT_EQ(
                    read("other") + read(kName),
                    "other bytes" +
                        (itself ? before
                                : QByteArray(before).replace(
                                      (18 * 8 + 14) * 2828 + 85 * 28, 28,
                                      QByteArray("IO85  \xFF\xFF\0\0Q1ABC     01/01/20", 28))));
                EXPECT_TRUE(
                    itself ? read("err").contains(QByteArray(name) + ": is the database itself")
                           : !QFileInfo(path(name)).isSymLink() && read(kBackup) == before);
            }
}

// A blank call counts as missing: nothing is written.
TEST_F(SafetyTest, BlankCallSkipsTheContact) {
    for (const bool edi : {false, true}) {
        const QByteArray before = blankDatabase();
        write(edi ? "log.edi" : "log.adi",
              edi ? "PBand=144 MHz\r\n[QSORecords;1]\r\n200101;; ;;;;;;;IO85\r\n"
                  : "<CALL:1>  <QSO_DATE:8>20200101 <BAND:2>2m <GRIDSQUARE:4>IO85 <EOR>");
        EXPECT_EQ(run(edi ? kEdi : kAdif), 0) << read("err").toStdString();
        EXPECT_EQ(read(kName), before) << edi;
    }
}

}  // namespace
}  // namespace morvel
