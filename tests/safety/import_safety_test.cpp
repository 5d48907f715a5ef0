#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

#include "database/file_system.h"
#include "database/qra_file.h"
#include "ledger/ledger.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

const char *const kName = "2M JO62QM HOME.QRA", *const kBackup = "2M JO62QM HOME backup.qra",
                  *const kLock = "2M JO62QM HOME.QRA.lock";
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

// The database with a square worked on 1 January 2020, as an import writes it.
QByteArray withSquare(QByteArray database, const std::string& grid, const std::string& call) {
    const int field = (grid[0] - 'A') * 18 + grid[1] - 'A', n = std::stoi(grid.substr(2));
    const std::string slot = grid + "  \xFF\xFF" + std::string(2, '\0') + call +
                             std::string(10 - call.size(), ' ') + "01/01/20";
    return database.replace(field * 2828 + n * 28, 28, QByteArray::fromStdString(slot));
}

// How a child runs: a write beyond fileSize fails with EFBIG, as on a
// full disk; `fault` makes one rename go wrong (rename_fault.cpp); the
// alarm ends a run that hangs.
struct Child {
    rlim_t fileSize = RLIM_INFINITY, addressSpace = RLIM_INFINITY;
    std::string fault = {};
    unsigned seconds = 300;
};

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
    // The shell's exec leaves the child's pid to morvel-cli, for the kill.
    pid_t start(const std::string& args, const Child& how = {}) const {
        const std::string preload =
            how.fault.empty() ? ""
                              : "LD_PRELOAD=" RENAME_FAULT " MORVEL_RENAME_FAULT='" + how.fault +
                                    "' ASAN_OPTIONS=verify_asan_link_order=0:$ASAN_OPTIONS ";
        const std::string command = "cd " + dir_.path().toStdString() + " && " + preload +
                                    "exec " MORVEL_CLI " " + args + " >out 2>err";
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{how.fileSize, how.fileSize}, as{how.addressSpace, how.addressSpace};
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        ::setrlimit(RLIMIT_AS, &as);
        ::alarm(how.seconds);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    static int wait(pid_t pid) {
        int s = 0;
        return ::waitpid(pid, &s, 0) == pid && WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
    }
    int run(const std::string& a, const Child& how = {}) const { return wait(start(a, how)); }
    // The change log without its header, whose time changes from run to run.
    QByteArray changelogLines() const {
        return read("changelog.txt").mid(read("changelog.txt").indexOf("\r\n\r\n"));
    }

    // Every file of the folder but the child's output and the ledger, by
    // name. The ledger's bytes change with every run that opens it, even
    // one whose write is rolled back: its rows are checked on their own.
    using Files = std::map<QString, QByteArray>;
    Files snapshot() const {
        Files files;
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
            if (name != "out" && name != "err" && !name.startsWith("contacts.sqlite"))
                files[name] = read(name.toLatin1());
        return files;
    }
    void restore(const Files& files) const {
        const QDir dir(dir_.path());
        for (const QString& name :
             dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            QFile::remove(dir.filePath(name));
        for (const auto& [name, bytes] : files) write(name.toLatin1(), bytes);
    }
    // A text of tests/data with the folder in place of @DIR@.
    QByteArray inFolder(const std::string& text) const {
        return QByteArray::fromStdString(text).replace("@DIR@", QFile::encodeName(dir_.path()));
    }
    QStringList aside() const { return QDir(dir_.path()).entryList({"*.undo", "*.none"}); }
    // The folder after one import (Q1ABC in IO85) into a blank database, with
    // the next log (Q2ABC in IO86 unless told) and the scratch copy of that as
    // an earlier run left it.
    Files seeded(const std::string& log = adif("Q2ABC", "IO86")) const {
        blankDatabase();
        write("seed.adi", QByteArray::fromStdString(adif("Q1ABC", "IO85")));
        EXPECT_EQ(run("import-adif '2M JO62QM HOME.QRA' seed.adi"), 0);
        write("log.adi", QByteArray::fromStdString(log));
        write("adi.tmp", QByteArray::fromStdString(adif("Q2ABC", "IO86")));
        QFile::remove(path("out"));
        QFile::remove(path("err"));
        return snapshot();
    }

    QTemporaryDir dir_;
};

// SIGKILL of an import right before and after its database is replaced, and
// at seeded random moments (MORVEL_KILLS of them; bench/kill_import.sh runs
// 100): the database is its bytes before or the finished import's, the change
// log whole whenever the database changed; the ledger shows no confirmation
// the database does not hold and holds all of the import's contacts or none.
// The next import backs up the database as the kill left it and brings what
// the kill left out.
TEST_F(SafetyTest, KilledImportLeavesTheDatabaseBeforeOrAfterAndTheLedgerBehindIt) {
    constexpr std::size_t kContacts = 20'000;
    std::string log;
    for (std::size_t i = 0; i < kContacts; ++i)
        log += adif("Q" + std::to_string(i), square(int(i) * 7 % 32400) + "MX", i % 3 == 0);
    // The ledger's contacts of the database, each square it credits held there.
    const auto ledgerContacts = [&] {
        std::vector<FieldRecord> records;
        std::map<QString, SquareCredits> credits;
        std::vector<StoredContact> list;
        Error error;
        QString notice;
        const auto ledger = Ledger::open(dir_.path(), Ledger::Mode::ReadOnly, error, notice);
        EXPECT_TRUE(readDatabase(path(kName), records, error) && ledger &&
                    ledger->allSquareSources(credits, error) &&
                    ledger->contacts(kName, std::nullopt, list, error))
            << error.message().toStdString();
        for (std::size_t s = 0; s < credits[kName].size() && records.size() == 324; ++s) {
            const SquareEntry& e = records[s / 100].entries[s % 100];
            const unsigned bits = credits[kName][s];
            EXPECT_TRUE(bits == 0 ||
                        (e.hasContact() && (e.isConfirmed() || !(bits & credit::kAnyConfirmation))))
                << s;
        }
        return list.size();
    };
    // One import before, so that the renames are those of
    // FailureOrKillAtEachRename (4: the database).
    const auto fresh = [&] {
        restore({});
        return seeded(log).at(kName);
    };
    const QByteArray before = fresh();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(run(kAdif), 0) << read("err").toStdString();
    const auto full =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    const QByteArray after = read(kName), journal = changelogLines();
    ASSERT_NE(after, before);
    std::vector<std::string> kills = {"4 kill", "4 kill-after"};
    kills.resize(2 + (std::getenv("MORVEL_KILLS") ? std::atoi(std::getenv("MORVEL_KILLS")) : 10));
    ::srandom(11);
    for (const std::string& fault : kills) {
        SCOPED_TRACE(fault.empty() ? "at random" : fault);
        ASSERT_EQ(fresh(), before);
        if (fault.empty()) {
            const pid_t pid = start(kAdif);
            ::usleep(static_cast<useconds_t>(::random() % (full * 6 / 5)));
            ::kill(pid, SIGKILL);
            wait(pid);
        } else {
            ASSERT_EQ(run(kAdif, {.fault = fault}), 137);
        }
        const QByteArray killed = read(kName);
        ASSERT_TRUE(killed == before || (killed == after && changelogLines() == journal));
        ASSERT_EQ(run("stats '2M JO62QM HOME.QRA'"), 0) << read("err").toStdString();
        // A kill between the lock file's making and its writing leaves it
        // empty: the next import refuses, naming it, until it is ten seconds
        // old, as a user trying again after that would find it.
        const QString lock = path(kName) + QStringLiteral(".lock");
        if (QFileInfo(lock).isFile() && QFileInfo(lock).size() == 0) {
            EXPECT_EQ(run(kAdif), 1);
            EXPECT_TRUE(read("err").contains("a lock file that is empty"))
                << read("err").toStdString();
            QFile aged(lock);
            ASSERT_TRUE(aged.open(QIODevice::ReadOnly) &&
                        aged.setFileTime(QDateTime::currentDateTime().addSecs(-11),
                                         QFileDevice::FileModificationTime));
        }
        // The seed's contact, and the log's all or none.
        const std::size_t contacts = ledgerContacts();
        EXPECT_TRUE(contacts == 1 || contacts == kContacts + 1) << contacts;
        EXPECT_TRUE(fault != "4 kill-after" || contacts == 1) << contacts;
        ASSERT_EQ(run(kAdif), 0) << read("err").toStdString();
        EXPECT_EQ(read(kName) + read(kBackup), after + killed);
        EXPECT_EQ(ledgerContacts(), kContacts + 1);
    }
}

// A write failing for want of room at each file in turn: the import says
// which file (the scratch copy by its own name) and why, and every file
// stays as it was (an earlier scratch copy while the copy fails), with no
// part left beside them. The sizes grow in the order of writing: log < backup (a database of
// ten records) < change log < new database.
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
        write("edi.tmp", "an earlier copy");
        const Files was = snapshot();
        EXPECT_EQ(run(kEdi, {.fileSize = static_cast<rlim_t>(limit)}), 1) << file;
        EXPECT_TRUE(read("err").contains(QByteArray(file) + ": File too large"))
            << read("err").toStdString();
        // Past the copy, the scratch copy is the new log's.
        Files now = snapshot();
        if (std::string(file) != "edi.tmp") now["edi.tmp"] = was.at("edi.tmp");
        EXPECT_TRUE(now == was) << file;
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
    EXPECT_EQ(run(kEdi, {.addressSpace = 200u << 20}), 0) << read("err").toStdString();
    EXPECT_EQ(read("out").toStdString(),
              "About to import 144 MHz records to QRA file for 2M\n"
              "2 new squares added\n1 unreadable line was skipped\n"
              "The ledger took 2 new contacts and 0 confirmations\n");
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

// What the import, or a reader, refuses (tests/data/safety_refusals.txt): it
// says why, ends at once, or within the 5 s wait for a writer that holds the
// database, and leaves every file as it was. The writer is an import stopped
// halfway, holding the lock.
TEST_F(SafetyTest, RefusalsChangeNothing) {
    const Files seed = seeded();
    pid_t holder = 0;
    const auto link = [&](bool hard) {
        const QByteArray from = QFile::encodeName(path(kName)),
                         to = QFile::encodeName(path("db.adi"));
        ASSERT_EQ(hard ? ::link(from, to) : ::symlink(from, to), 0);
    };
    const auto fifo = [&](const char* name) {
        return [this, name] { ASSERT_EQ(::mkfifo(QFile::encodeName(path(name)), 0644), 0); };
    };
    // The set-ups of tests/data/safety_refusals.txt, in its order.
    const std::function<void()> setups[] = {
        [&] { QFile::setPermissions(path(kName), QFile::ReadOwner | QFile::ReadGroup); },
        [&] { link(false); },
        [&] { link(true); },
        fifo("X.QRA"),
        fifo("X.QRA"),
        fifo("f.adi"),
        fifo(kLock),
        [&] { write(kName, seed.at(kName).left(1000)); },
        [&] {
            write(kName, seed.at(kName).left(1000));
            write("answer", "n\n");
        },
        [&] {
            holder = start(kAdif, {.fault = "1 stop"});
            int status = 0;
            ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);
            ASSERT_TRUE(WIFSTOPPED(status));
        },
    };
    const auto rows = test::tableRows("safety_refusals.txt", 3);
    ASSERT_EQ(rows.size(), std::size(setups));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& command = rows[i][0];
        SCOPED_TRACE(command);
        restore(seed);
        setups[i]();
        const Files before = snapshot();
        EXPECT_EQ(run(command, {.seconds = 8}), std::stoi(rows[i][1]));
        const QByteArray expected =
            inFolder(rows[i][2])
                .replace("@HOLDER@", QByteArray::number(holder))
                .replace("@HOST@", QSysInfo::machineHostName().toUtf8())
                .replace(
                    "@SINCE@",
                    QFileInfo(path(kLock)).lastModified().toString("yyyy-MM-dd HH:mm:ss").toUtf8());
        EXPECT_EQ(read("out") + read("err"), expected);
        EXPECT_TRUE(snapshot() == before);
        if (holder != 0) {
            ::kill(holder, SIGKILL);
            wait(std::exchange(holder, 0));
        }
    }
}

// A short database is read with its missing squares empty and written whole.
TEST_F(SafetyTest, ShortDatabaseIsWrittenWhole) {
    const QByteArray head = blankDatabase().left(1000);
    write(kName, head);
    write("log.adi", QByteArray::fromStdString(adif("Q1ABC", "IO85")));
    EXPECT_EQ(run(kAdif + " --yes"), 0);
    const QByteArray after = read(kName);
    EXPECT_EQ(read("out"),
              "2M JO62QM HOME.QRA is 1,000 bytes, not 916,272: its missing squares "
              "read as empty\nImport into it anyway?\n1 new squares added\n"
              "The ledger took 1 new contact and 0 confirmations\n");
    EXPECT_TRUE(after.size() == kDatabaseSize && after.startsWith(head) && read(kBackup) == head);
    EXPECT_TRUE(withSquare(after, "IO85", "Q1ABC") == after);
}

// A rename of the import failing (EIO) or killed, before or after: a failure
// leaves every file as it was; after a kill, the next reader (stats, taking
// over the lock the killed run left) brings the database, the backup and the
// change log all to their state before the import, or all to the state after.
// The renames (tests/data/safety_renames.txt): 1 scratch copy, 2 backup,
// 3 change log, 4 database; then the put-backs of a failure.
TEST_F(SafetyTest, FailureOrKillAtEachRename) {
    const Files seed = seeded();
    const QByteArray database = seed.at(kName),
                     journal = "\r\n\r\nQ2ABC         01/01/20      IO86\r\n";
    const bool folderSync = !kPortableFileSystem;
    for (const auto& row : test::tableRows("safety_renames.txt", 5)) {
        const std::string& fault = row[0];
        const int exit = std::stoi(row[1]);
        SCOPED_TRACE(fault);
        if (!folderSync && fault.ends_with("sync-after")) continue;
        restore(seed);
        ASSERT_EQ(run(kAdif, {.fault = fault}), exit);
        EXPECT_EQ(read("err"), inFolder(row[2]));
        EXPECT_TRUE(row[3] == "0" || snapshot() == seed);
        EXPECT_EQ(QFileInfo::exists(path(kLock)), exit == 137);
        ASSERT_EQ(run("stats '2M JO62QM HOME.QRA'"), 0) << read("err").toStdString();
        if (row[4] == "1") {
            EXPECT_TRUE(read(kName) == withSquare(database, "IO86", "Q2ABC") &&
                        read(kBackup) == database && changelogLines() == journal);
        } else {
            EXPECT_TRUE(read(kName) == database && read(kBackup) == seed.at(kBackup) &&
                        read("changelog.txt") == seed.at("changelog.txt"));
        }
        EXPECT_EQ(aside(), QStringList());
    }
    if (!folderSync)
        GTEST_SKIP()
            << "4 sync-after not run: the portable file calls sync no folder, so none fails";
}

// Two imports started together, three times: the second waits for the first
// and reads the database the first wrote, so every square of both logs is
// in it, and its backup holds the squares of the first log alone.
TEST_F(SafetyTest, TwoImportsAtOnceKeepEverySquare) {
    std::string logs[2];
    for (int n = 0; n < 32400; ++n) logs[n % 2] += adif(n % 2 ? "QB1" : "QA1", square(n));
    write("a.adi", QByteArray::fromStdString(logs[0]));
    write("b.adi", QByteArray::fromStdString(logs[1]));
    QByteArray all = blankDatabase(), first = all, second = all;
    for (int n = 0; n < 32400; ++n) {
        QByteArray& one = n % 2 ? second : first;
        one = withSquare(std::move(one), square(n), n % 2 ? "QB1" : "QA1");
        all = withSquare(std::move(all), square(n), n % 2 ? "QB1" : "QA1");
    }
    for (int round = 0; round < 3; ++round) {
        blankDatabase();
        QFile::remove(path(kBackup));
        const pid_t a = start("import-adif '2M JO62QM HOME.QRA' a.adi"),
                    b = start("import-adif '2M JO62QM HOME.QRA' b.adi");
        EXPECT_EQ(wait(a) + wait(b), 0);
        EXPECT_TRUE(read(kName) == all);
        EXPECT_TRUE(read(kBackup) == first || read(kBackup) == second);
    }
}

}  // namespace
}  // namespace morvel
