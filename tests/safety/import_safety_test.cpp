#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/qra_file.h"

namespace morvel {
namespace {

const char* const kName = "2M JO62QM HOME.QRA";
const char* const kBackup = "2M JO62QM HOME backup.qra";
const std::vector<std::string> kAdif = {"import-adif", kName, "log.adi"};
const std::vector<std::string> kEdi = {"import-edi", kName, "log.edi", "--yes"};

std::string adif(const std::string& call, const std::string& grid, bool qsl = false) {
    return "<CALL:" + std::to_string(call.size()) + ">" + call +
           " <QSO_DATE:8>20200101 <BAND:2>2m <GRIDSQUARE:" + std::to_string(grid.size()) + ">" +
           grid + (qsl ? " <QSL_RCVD:1>Y" : "") + " <EOR>\n";
}

std::string square(int n) {  // n-th square of the world, field AA on
    const int field = n / 100 % 324;
    return std::string{char('A' + field / 18), char('A' + field % 18), char('0' + n / 10 % 10),
                       char('0' + n % 10)};
}

// Every test runs morvel-cli in one folder holding the database, the log,
// and the child's output ("out" and "err").
class SafetyTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QByteArray read(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray blankDatabase(int records = 324) const {
        std::string error;
        EXPECT_TRUE(writeBlankDatabase(path(kName), error)) << error;
        const QByteArray bytes = read(kName).left(records * 2828);
        write(kName, bytes);
        return bytes;
    }
    // A write beyond fileSize fails with EFBIG, as on a full disk.
    pid_t start(const std::vector<std::string>& args, rlim_t fileSize = RLIM_INFINITY,
                rlim_t addressSpace = RLIM_INFINITY) const {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        if (::chdir(QFile::encodeName(dir_.path()).constData()) != 0) ::_exit(127);
        ::dup2(::open("out", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open("err", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{fileSize, fileSize}, as{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        ::setrlimit(RLIMIT_AS, &as);
        std::vector<char*> argv{const_cast<char*>(MORVEL_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(MORVEL_CLI, argv.data());
        ::_exit(127);
    }
    static int wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int run(const std::vector<std::string>& args, rlim_t fileSize = RLIM_INFINITY,
            rlim_t addressSpace = RLIM_INFINITY) const {
        return wait(start(args, fileSize, addressSpace));
    }
    // The change log without its header, whose time changes from run to run.
    QByteArray changelogLines() const {
        const QByteArray log = read("changelog.txt");
        return log.mid(log.indexOf("\r\n\r\n"));
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
    const auto full = std::chrono::steady_clock::now() - t0;
    const QByteArray after = read(kName), journal = changelogLines();
    ASSERT_NE(after, before);

    const char* env = std::getenv("MORVEL_KILLS");
    const int kills = env ? std::atoi(env) : 10;
    std::mt19937 random(11);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(full).count() * 6 / 5);
    int killedBefore = 0;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(k);
        write(kName, before);
        QFile::remove(path(kBackup));
        const pid_t pid = start(kAdif);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        wait(pid);
        const QByteArray killed = read(kName);
        ASSERT_TRUE(killed == before || killed == after);
        if (killed == after) {
            EXPECT_EQ(changelogLines(), journal);
        }
        killedBefore += killed == before;
        ASSERT_EQ(run(kAdif), 0) << read("err").toStdString();
        EXPECT_EQ(read(kName), after);
        EXPECT_EQ(read(kBackup), killed);
    }
    std::printf("%d of %d kills came before the database was replaced\n", killedBefore, kills);
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
    ASSERT_LT(logSize, before.size());
    ASSERT_LT(before.size(), changelogSize);
    ASSERT_LT(changelogSize, kDatabaseSize);
    const struct {
        qint64 limit;
        const char* file;
    } stages[] = {{logSize - 1, "edi.tmp"},
                  {before.size() - 1, kBackup},
                  {changelogSize - 1, "changelog.txt"},
                  {kDatabaseSize - 1, kName}};
    for (const auto& stage : stages) {
        write(kName, before);
        EXPECT_EQ(run(kEdi, static_cast<rlim_t>(stage.limit)), 1) << stage.file;
        EXPECT_TRUE(read("err").contains(QByteArray(stage.file) + ": File too large"))
            << read("err").toStdString();
        EXPECT_EQ(read(kName), before) << stage.file;
    }
}

// An EDI log of one 600 MB line without a line end, under a 200 MB address
// space: the line is skipped and counted, the contacts around it imported.
TEST_F(SafetyTest, LineLessEdiLogInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
    const QByteArray head = "PBand=144 MHz\r\n[QSORecords;3]\r\n200101;;Q1ABC;;;;;;;IO85\r\n";
    const QByteArray tail = "\r\n200102;;Q2ABC;;;;;;;IO86\r\n";
    write("log.edi", head);
    {
        QFile f(path("log.edi"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(head.size() + 600'000'000));  // a hole: no disk used
        ASSERT_TRUE(f.seek(f.size()));
        ASSERT_EQ(f.write(tail), tail.size());
    }
    blankDatabase();
    EXPECT_EQ(run(kEdi, RLIM_INFINITY, 200u << 20), 0) << read("err").toStdString();
    EXPECT_EQ(read("out").toStdString(),
              "About to import 144 MHz records to QRA file for 2M\n"
              "2 new squares added\n1 unreadable line was skipped\n");
    EXPECT_TRUE(read("changelog.txt").endsWith("IO85\r\nQ2ABC         02/01/20      IO86\r\n"));
    QFile::remove(path("edi.tmp"));
}

// The scratch copy, the change log and the backup never write through a
// link: the link is replaced by a file, its target untouched. A name that is
// the database itself (a hard link) stops the import before any write.
TEST_F(SafetyTest, LinksAndTheDatabaseUnderAnotherName) {
    for (const char* name : {"adi.tmp", "changelog.txt", kBackup})
        for (const char* target : {kName, "other"})
            for (const bool hard : {false, true}) {
                SCOPED_TRACE(std::string(name) + " -> " + target + (hard ? " (hard)" : ""));
                const QByteArray before = blankDatabase();
                write("other", "other bytes");
                write("log.adi", QByteArray::fromStdString(adif("Q1ABC", "IO85")));
                QFile::remove(path(name));
                const QByteArray from = QFile::encodeName(path(target)),
                                 to = QFile::encodeName(path(name));
                ASSERT_EQ(hard ? ::link(from, to) : ::symlink(from, to), 0);
                const int status = run(kAdif);
                EXPECT_EQ(read("other"), "other bytes");
                if (hard && std::string(target) == kName) {
                    EXPECT_EQ(status, 1);
                    EXPECT_TRUE(read("err").contains(QByteArray(name) + ": is the database itself"))
                        << read("err").toStdString();
                    EXPECT_EQ(read(kName), before);
                    continue;
                }
                EXPECT_EQ(status, 0) << read("err").toStdString();
                EXPECT_EQ(read("out"), "1 new squares added\n");
                EXPECT_FALSE(QFileInfo(path(name)).isSymLink());
                EXPECT_EQ(read(kBackup), before);
                EXPECT_EQ(read(kName).mid((18 * 8 + 14) * 2828 + 85 * 28 + 10, 10), "Q1ABC     ");
            }
}

// A blank call or date counts as missing: nothing is written.
TEST_F(SafetyTest, BlankCallOrDateSkipsTheContact) {
    const struct {
        const char* file;
        const char* log;
    } cases[] = {
        {"log.adi", "<CALL:1>  <QSO_DATE:8>20200101 <BAND:2>2m <GRIDSQUARE:4>IO85 <EOR>"},
        {"log.adi", "<CALL:5>Q1ABC <QSO_DATE:3>    <BAND:2>2m <GRIDSQUARE:4>IO85 <EOR>"},
        {"log.edi", "PBand=144 MHz\r\n[QSORecords;1]\r\n200101;; ;;;;;;;IO85\r\n"},
        {"log.edi", "PBand=144 MHz\r\n[QSORecords;1]\r\n   ;;Q1ABC;;;;;;;IO85\r\n"},
    };
    for (const auto& c : cases) {
        const QByteArray before = blankDatabase();
        write(c.file, c.log);
        EXPECT_EQ(run(c.file == std::string("log.adi") ? kAdif : kEdi), 0) << c.log;
        EXPECT_TRUE(read("out").endsWith("0 new squares added\n")) << read("out").toStdString();
        EXPECT_EQ(read(kName), before) << c.log;
    }
}

}  // namespace
}  // namespace morvel
