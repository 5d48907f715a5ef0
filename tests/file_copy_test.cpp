#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "database/file_system.h"
#include "import/import_files.h"
#include "test_support.h"

namespace {

// How copy_file_range answers in this test binary: as a kernel or file
// system without it does (EXDEV across file systems on older kernels, ENOSYS,
// EOPNOTSUPP, EINVAL), after `after` calls that each moved at most 64 KiB.
// With no error set it is the kernel's own call.
struct CopyFault {
    int error = 0;
    int after = 0;
    int calls = 0;
} copyFault;

}  // namespace

// Found before the C library's by every call in this binary.
extern "C" ssize_t copy_file_range(int in, loff_t* inAt, int out, loff_t* outAt, size_t length,
                                   unsigned flags) noexcept {
    ++copyFault.calls;
    if (copyFault.error != 0) {
        if (copyFault.calls > copyFault.after) {
            errno = copyFault.error;
            return -1;
        }
        length = std::min<size_t>(length, 64 * 1024);
    }
    return ::syscall(SYS_copy_file_range, in, inAt, out, outAt, length, flags);
}

namespace morvel::test {
namespace {

TEST(FileCopy, TheWholeFileWhenTheFastCopyFails) {
    QTemporaryDir dir;
    // Three chunks of the copy by reading and writing and a part of one.
    std::vector<quint32> words((3 * 1024 * 1024 + 4322) / 4);
    QRandomGenerator(27).fillRange(words.data(), static_cast<qsizetype>(words.size()));
    QByteArray bytes(static_cast<qsizetype>(words.size() * 4), Qt::Uninitialized);
    std::memcpy(bytes.data(), words.data(), static_cast<std::size_t>(bytes.size()));
    const QString log = dir.filePath("log.adi");
    writeFileBytes(log, bytes);
    const struct {
        const char* name;
        int error;
        int after;
        qint64 from;
    } cases[] = {
        {"EXDEV", EXDEV, 0, 0},
        {"ENOSYS", ENOSYS, 0, 0},
        {"EOPNOTSUPP", EOPNOTSUPP, 0, 0},
        {"EXDEV after two pieces", EXDEV, 2, 0},
        {"EINVAL after one piece, from an offset", EINVAL, 1, 916272},
        {"no failure", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        copyFault = {c.error, c.after, 0};
        QFile in(log);
        QFile out(dir.filePath(c.name));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        Error error;
        EXPECT_TRUE(copyRest(in, c.from, out, error)) << error;
        out.close();
        const QByteArray copied = readFileBytes(out.fileName());
        EXPECT_EQ(copied.size(), bytes.size() - c.from);
        EXPECT_TRUE(copied == bytes.mid(c.from)) << "the bytes differ";
        if (!kPortableFileSystem) {
            EXPECT_GT(copyFault.calls, c.after) << "the fast copy was not tried";
        }
    }
    copyFault = {};
}

// A log of `records` ADIF records, each a new square of its own as far as
// they go (AA00 onwards), about 110 bytes a record.
QByteArray adifLog(int records) {
    QByteArray log = "made for the test<eoh>\n";
    for (int n = 0; n < records; ++n) {
        const int square = n % 32400;
        const QByteArray grid = QByteArray(1, char('A' + square / 1800)) +
                                char('A' + square / 100 % 18) + QByteArray::number(square / 10 % 10) +
                                QByteArray::number(square % 10);
        log += "<call:6>Q" + QByteArray::number(10000 + n % 90000) + "<gridsquare:4>" + grid +
               "<band:2>2m<qso_date:8>20240101<comment:40>" + QByteArray(40, 'x') + "<eor>\n";
    }
    return log;
}

// What the reading gets while the copy is under way is the log, byte for
// byte, also where the fast copy gives up halfway; the copy then has its
// name, whole, and no part of it waits under another.
TEST(ScratchCopy, TheReadingFollowsTheCopyToTheLastByte) {
    QTemporaryDir dir;
    const QByteArray bytes = adifLog(200000);  // 22 MB: pieces of the copy, and more
    ASSERT_GT(bytes.size(), 20 << 20);
    const QString log = dir.filePath("log.adi");
    const QString scratch = dir.filePath("adi.tmp");
    writeFileBytes(log, bytes);
    const struct {
        const char* name;
        int error;
        QIODevice::OpenMode mode;
    } cases[] = {
        {"in the kernel, raw", 0, QIODevice::ReadOnly | QIODevice::Unbuffered},
        {"read and written after EXDEV, buffered", EXDEV, QIODevice::ReadOnly},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(scratch, "an earlier copy");
        copyFault = {c.error, 3, 0};
        QFile in(log);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        ScratchCopy copy;
        Error error;
        ASSERT_TRUE(copy.begin(in, scratch, c.mode, error)) << error;
        EXPECT_EQ(copy.size(), bytes.size());
        QByteArray read;
        std::vector<char> piece(1 << 20);
        for (qint64 n; (n = copy.read(piece.data(), static_cast<qint64>(piece.size()))) > 0;)
            read.append(piece.data(), n);
        EXPECT_TRUE(copy.end(error)) << error;
        EXPECT_TRUE(read == bytes) << "read " << read.size() << " of " << bytes.size();
        EXPECT_TRUE(readFileBytes(scratch) == bytes) << "the copy differs";
        EXPECT_FALSE(QFile::exists(scratch + ".part"));
    }
    copyFault = {};
}

}  // namespace
}  // namespace morvel::test
