#include <gtest/gtest.h>

#include <QDir>
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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/qra_file.h"
#include "import/import_frame.h"

namespace morvel {
namespace {

const char* const kName = "2M JO62QM HOME.QRA";
const char* const kBackup = "2M JO62QM HOME backup.qra";

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

struct Limits {
    rlim_t fileSize = RLIM_INFINITY;
    rlim_t addressSpace = RLIM_INFINITY;
};

// One fixture for every run of morvel-cli: a folder with the database, the
// log, and the child's output.
class SafetyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QString path(const char* name) const { return path(QString::fromLatin1(name)); }
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
        QByteArray bytes = read(kName).left(records * 2828);
        write(kName, bytes);
        return bytes;
    }

    // Starts morvel-cli with the arguments under the limits; stdout and
    // stderr go to "out" and "err".
    pid_t start(const std::vector<std::string>& args, Limits limits = {}) const {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        const int out = ::open(path("out").toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(path("err").toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // A write beyond the size limit fails with EFBIG, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{limits.fileSize, limits.fileSize};
        const rlimit as{limits.addressSpace, limits.addressSpace};
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        ::setrlimit(RLIMIT_AS, &as);
        if (::chdir(dir_.path().toLocal8Bit().constData()) != 0) ::_exit(127);
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
    int run(const std::vector<std::string>& args, Limits limits = {}) const {
        return wait(start(args, limits));
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
// whole whenever the database changed, and a retry of an import killed
// before the database was replaced backs up the database as it was before.
// MORVEL_KILLS sets the number of kills (bench/kill_import.sh runs 100).
TEST_F(SafetyTest, KilledImportLeavesTheDatabaseBeforeOrAfter) {
    std::string log;
    for (int i = 0; i < 300'000; ++i)
        log += adif("Q" + std::to_string(i % 9973), square(i * 7 % 32400) + "MX", i % 5 == 0);
    write("log.adi", QByteArray::fromStdString(log));
    const QByteArray before = blankDatabase();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"import-adif", kName, "log.adi"}), 0) << read("err").toStdString();
    const auto full = std::chrono::steady_clock::now() - t0;
    const QByteArray after = read(kName);
    const QByteArray journal = changelogLines();
    ASSERT_NE(after, before);

    const char* env = std::getenv("MORVEL_KILLS");
    const int kills = env ? std::atoi(env) : 10;
    std::mt19937 random(11);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(full).count() * 6 / 5);
    int killedBefore = 0;
    for (int k = 0; k < kills; ++k) {
        write(kName, before);
        QFile::remove(path(kBackup));
        const pid_t pid = start({"import-adif", kName, "log.adi"});
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        wait(pid);
        const QByteArray killed = read(kName);
        ASSERT_TRUE(killed == before || killed == after) << "kill " << k;
        if (killed == after) {
            EXPECT_EQ(changelogLines(), journal) << "kill " << k;
        }
        killedBefore += killed == before;
        ASSERT_EQ(run({"import-adif", kName, "log.adi"}), 0) << read("err").toStdString();
        EXPECT_EQ(read(kName), after);
        EXPECT_EQ(read(kBackup), killed) << "kill " << k;
    }
    std::printf("%d of %d kills came before the database was replaced\n", killedBefore, kills);
}

// A write failing for want of room (RLIMIT_FSIZE) at each file in turn:
// the import says which file and why, and the database stays as it was.
TEST_F(SafetyTest, FullDiskAtEachFileLeavesTheDatabase) {
    // Sizes grow in the order of writing: log < backup (a short database of
    // ten records) < change log < new database.
    std::string log = "PBand=144 MHz\r\n[QSORecords;1000]\r\n";
    for (int i = 0; i < 1000; ++i) log += "200101;;A;;;;;;;" + square(i) + "\r\n";
    write("log.edi", QByteArray::fromStdString(log));
    const QByteArray before = blankDatabase(10);
    ASSERT_EQ(run({"import-edi", kName, "log.edi", "--yes"}), 0) << read("err").toStdString();
    const qint64 changelogSize = read("changelog.txt").size();
    ASSERT_LT(static_cast<qint64>(log.size()), before.size());
    ASSERT_LT(before.size(), changelogSize);
    ASSERT_LT(changelogSize, kDatabaseSize);

    const struct {
        qint64 limit;
        const char* file;
    } stages[] = {{static_cast<qint64>(log.size()) - 1, "edi.tmp"},
                  {before.size() - 1, kBackup},
                  {changelogSize - 1, "changelog.txt"},
                  {kDatabaseSize - 1, kName}};
    for (const auto& stage : stages) {
        write(kName, before);
        EXPECT_EQ(run({"import-edi", kName, "log.edi", "--yes"},
                      {static_cast<rlim_t>(stage.limit)}),
                  1)
            << stage.file;
        const std::string err = read("err").toStdString();
        EXPECT_NE(err.find(std::string(stage.file) + ": File too large"), std::string::npos) << err;
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
    EXPECT_EQ(run({"import-edi", kName, "log.edi", "--yes"}, {RLIM_INFINITY, 200u << 20}), 0)
        << read("err").toStdString();
    EXPECT_EQ(read("out").toStdString(),
              "About to import 144 MHz records to QRA file for 2M\n"
              "2 new squares added\n1 unreadable line was skipped\n");
    EXPECT_TRUE(read("changelog.txt").endsWith("IO85\r\nQ2ABC         02/01/20      IO86\r\n"));
    QFile::remove(path("edi.tmp"));
}

ImportRequest request(const QString& dir, ImportKind kind, const QString& log) {
    ImportRequest r;
    r.kind = kind;
    r.logPath = log;
    r.databasePath = QDir(dir).filePath(QString::fromLatin1(kName));
    r.filename = kName;
    r.band = "2M";
    r.workDir = dir;
    r.backupDir = dir;
    r.ask = [](const std::string&) { return true; };
    return r;
}

// The scratch copy, the change log and the backup never write through a
// link: the link is replaced by a file, its target untouched. A name that is
// the database itself (a hard link) stops the import before any write.
TEST_F(SafetyTest, LinksAndTheDatabaseUnderAnotherName) {
    const char* names[] = {"adi.tmp", "changelog.txt", kBackup};
    for (const char* name : names) {
        for (const char* target : {kName, "other"}) {
            for (const bool hard : {false, true}) {
                SCOPED_TRACE(std::string(name) + " -> " + target + (hard ? " (hard)" : ""));
                const QByteArray before = blankDatabase();
                write("other", "other bytes");
                write("log.adi", QByteArray::fromStdString(adif("Q1ABC", "IO85")));
                QFile::remove(path(name));
                const QByteArray from = QFile::encodeName(path(target));
                const QByteArray to = QFile::encodeName(path(name));
                ASSERT_EQ(hard ? ::link(from, to) : ::symlink(from, to), 0);
                const ImportResult r =
                    runImport(request(dir_.path(), ImportKind::Adif, path("log.adi")));
                EXPECT_EQ(read("other"), "other bytes");
                if (hard && std::string(target) == kName) {
                    EXPECT_EQ(r.end, ImportResult::End::Failed);
                    EXPECT_NE(r.error.find(std::string(name) + ": is the database itself"),
                              std::string::npos)
                        << r.error;
                    EXPECT_EQ(read(kName), before);
                    continue;
                }
                EXPECT_EQ(r.end, ImportResult::End::Finished) << r.error;
                EXPECT_EQ(r.squaresWritten, 1);
                EXPECT_FALSE(QFileInfo(path(name)).isSymLink());
                EXPECT_EQ(read(kBackup), before);
                EXPECT_EQ(read(kName).mid((18 * 8 + 14) * 2828 + 85 * 28 + 10, 10), "Q1ABC     ");
            }
        }
    }
}

// A blank call or date counts as missing: nothing is written.
TEST_F(SafetyTest, BlankCallOrDateSkipsTheContact) {
    const struct {
        ImportKind kind;
        const char* log;
    } cases[] = {
        {ImportKind::Adif, "<CALL:1>  <QSO_DATE:8>20200101 <BAND:2>2m <GRIDSQUARE:4>IO85 <EOR>"},
        {ImportKind::Adif, "<CALL:5>Q1ABC <QSO_DATE:3>    <BAND:2>2m <GRIDSQUARE:4>IO85 <EOR>"},
        {ImportKind::Edi, "PBand=144 MHz\r\n[QSORecords;1]\r\n200101;; ;;;;;;;IO85\r\n"},
        {ImportKind::Edi, "PBand=144 MHz\r\n[QSORecords;1]\r\n   ;;Q1ABC;;;;;;;IO85\r\n"},
    };
    for (const auto& c : cases) {
        const QByteArray before = blankDatabase();
        write("log", c.log);
        const ImportResult r = runImport(request(dir_.path(), c.kind, path("log")));
        EXPECT_EQ(r.squaresWritten, 0) << c.log;
        EXPECT_EQ(read(kName), before) << c.log;
    }
}

TEST_F(SafetyTest, FailuresNameTheFileAndTheReason) {
    blankDatabase();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.adi")), 0644), 0);
    const struct {
        const char* log;
        const char* message;
    } cases[] = {
        {"fifo.adi", "fifo.adi: not a regular file"},
        {"missing.adi", "missing.adi: No such file or directory"},
    };
    for (const auto& c : cases) {
        const ImportResult r = runImport(request(dir_.path(), ImportKind::Adif, path(c.log)));
        EXPECT_EQ(r.end, ImportResult::End::Failed);
        EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
    }
}

// replaceRecord changes one record all or nothing: a short file comes back
// whole, a link keeps pointing at the replaced target, and a write that fails
// for want of room leaves the file as it was.
TEST_F(SafetyTest, ReplaceRecord) {
    const QByteArray shortFile = blankDatabase(2);
    ASSERT_EQ(::symlink(QFile::encodeName(path(kName)), QFile::encodeName(path("link.qra"))), 0);
    FieldRecord record = FieldRecord::blank();
    record.entries[85].setCallsign("Q1ABC");
    std::string error;
    ASSERT_TRUE(replaceRecord(path("link.qra"), 3, record, error)) << error;
    EXPECT_TRUE(QFileInfo(path("link.qra")).isSymLink());
    const QByteArray whole = read(kName);
    EXPECT_EQ(whole.size(), kDatabaseSize);
    EXPECT_EQ(whole.left(2 * 2828), shortFile);
    EXPECT_EQ(whole.mid(2 * 2828, 2828), QByteArray::fromStdString(record.bytes()));
    EXPECT_EQ(whole.mid(3 * 2828), QByteArray(kDatabaseSize - 3 * 2828, '\0'));
    EXPECT_FALSE(replaceRecord(path(kName), 325, record, error));

    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{100'000, 100'000};
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        std::string childError;
        const bool ok = replaceRecord(path(kName), 1, record, childError);
        ::_exit(!ok && childError.find("File too large") != std::string::npos ? 0 : 1);
    }
    EXPECT_EQ(wait(pid), 0);
    EXPECT_EQ(read(kName), whole);
}

}  // namespace
}  // namespace morvel
