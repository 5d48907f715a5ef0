#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <thread>

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

// Bytes that differ all along, so that a piece copied to the wrong place shows.
QByteArray randomBytes(qsizetype size) {
    std::vector<quint32> words(static_cast<std::size_t>(size + 3) / 4);
    QRandomGenerator(27).fillRange(words.data(), static_cast<qsizetype>(words.size()));
    return QByteArray(reinterpret_cast<const char*>(words.data()), size);
}

TEST(FileCopy, TheWholeFileWhenTheFastCopyFails) {
    QTemporaryDir dir;
    // Three chunks of the copy by reading and writing and a part of one.
    const QByteArray bytes = randomBytes(3 * 1024 * 1024 + 4322);
    const QString log = dir.filePath("log.adi");
    writeFileBytes(log, bytes);
    // What, the error, after how many pieces, copied from where.
    const std::tuple<const char*, int, int, qint64> cases[] = {
        {"EXDEV", EXDEV, 0, 0},
        {"ENOSYS", ENOSYS, 0, 0},
        {"EOPNOTSUPP", EOPNOTSUPP, 0, 0},
        {"EXDEV after two pieces", EXDEV, 2, 0},
        {"no failure", 0, 0, 0},
        {"EINVAL after one piece, from an offset", EINVAL, 1, 916272}};
    for (const auto& [name, errorNo, after, from] : cases) {
        SCOPED_TRACE(name);
        copyFault = {errorNo, after, 0};
        QFile in(log);
        QFile out(dir.filePath(name));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        Error error;
        EXPECT_TRUE(copyRest(in, from, out, error)) << error;
        out.close();
        const QByteArray copied = readFileBytes(out.fileName());
        EXPECT_TRUE(copied == bytes.mid(from)) << "copied " << copied.size() << " bytes, differing";
        EXPECT_TRUE(kPortableFileSystem || copyFault.calls > after)
            << "the fast copy was not tried";
    }
    copyFault = {};
}

// What the reading gets while the copy is under way is the log, byte for
// byte, also where the fast copy gives up halfway, read in pieces or by
// read(), and from an offset on a second thread meanwhile; the copy then
// has its name, whole, and no part of it waits under another.
TEST(ScratchCopy, TheReadingFollowsTheCopyToTheLastByte) {
    QTemporaryDir dir;
    const QByteArray bytes = randomBytes(22 << 20);  // pieces of the copy, and more
    const QString log = dir.filePath("log.adi");
    const QString scratch = dir.filePath("adi.tmp");
    writeFileBytes(log, bytes);
    constexpr qint64 kSecondFrom = (5 << 20) + 3;
    const std::tuple<const char*, int, QIODevice::OpenMode, bool> cases[] = {
        {"in the kernel, raw, in pieces", 0, QIODevice::ReadOnly | QIODevice::Unbuffered, true},
        {"read and written after EXDEV, buffered", EXDEV, QIODevice::ReadOnly, false},
        {"read and written after EXDEV, in pieces", EXDEV, QIODevice::ReadOnly, true}};
    for (const auto& [name, errorNo, mode, inPieces] : cases) {
        SCOPED_TRACE(name);
        writeFileBytes(scratch, "an earlier copy");
        copyFault = {errorNo, 3, 0};
        QFile in(log);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        ScratchCopy copy;
        Error error;
        ASSERT_TRUE(copy.begin(in, scratch, mode, error)) << error;
        EXPECT_EQ(copy.size(), bytes.size());
        QByteArray read, second;
        QString reason, secondReason;
        const auto into = [](QByteArray& bytes) {
            return [&bytes](std::string_view piece) {
                bytes.append(piece.data(), static_cast<qsizetype>(piece.size()));
                return true;
            };
        };
        std::thread secondReading(
            [&] { copy.readPiecesFrom(kSecondFrom, into(second), secondReason); });
        std::vector<char> piece(1 << 20);
        if (inPieces) {
            EXPECT_TRUE(copy.readPieces(into(read), reason)) << reason.toStdString();
        }
        for (qint64 n; !inPieces && (n = copy.read(piece.data(), 1 << 20)) > 0;)
            read.append(piece.data(), n);
        secondReading.join();
        EXPECT_TRUE(copy.end(error)) << error;
        EXPECT_TRUE(read == bytes) << "read " << read.size() << " of " << bytes.size();
        EXPECT_TRUE(second == bytes.mid(kSecondFrom))
            << "read " << second.size() << " from the offset";
        EXPECT_TRUE(readFileBytes(scratch) == bytes) << "the copy differs";
        EXPECT_FALSE(QFile::exists(scratch + ".part"));
    }
    copyFault = {};
}

}  // namespace
}  // namespace morvel::test
