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

}  // namespace
}  // namespace morvel::test
