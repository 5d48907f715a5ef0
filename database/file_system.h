#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "database/error.h"

class QFile;

// The calls that differ between systems, in one place. file_system_linux.cpp
// uses Linux's own (copy_file_range, fsync of files and folders, inodes);
// file_system_portable.cpp only Qt and the C++ standard library, for the
// systems without them (CMake option MORVEL_PORTABLE_FS). Where that one
// cannot keep a guarantee, the comment says so.
namespace morvel {

#ifdef MORVEL_PORTABLE_FS
inline constexpr bool kPortableFileSystem = true;
#else
inline constexpr bool kPortableFileSystem = false;
#endif

// Opens a file for reading without ever blocking on it: a FIFO, socket,
// device or folder of that name is refused ("NAME is not a file") instead of
// hanging the program or reading forever. Portable: checked by name before
// the open, so a FIFO put in place in between may still block.
bool openRegularFile(QFile& file, QIODevice::OpenMode mode, Error& error);

// Puts a flushed file's bytes on the disk. Portable: flushed to the system
// only, so a power cut may still lose them.
bool syncFile(QFileDevice& file, Error& error);
// Syncs a folder, so that renames and new names in it are on the disk.
// Portable: checks that the folder is there; the system writes the names
// when it will.
bool syncFolder(const QString& path, Error& error);

// Copies the bytes of `in` from the offset on to the end of `out`, which is
// open unbuffered or flushed. Linux: in the kernel where it can. `copied`,
// when given, hears how many bytes are in `out` so far, a few MiB at a time;
// false from it stops the copy (false, with the reason "the copy was
// stopped").
bool copyRest(QFileDevice& in, qint64 from, QFileDevice& out, Error& error,
              const std::function<bool(qint64 copied)>& copied = {});

// What a name leads to, through any links.
enum class FileKind { None, Regular, Folder, Fifo, Socket, Device, Other };

// Where a name leads before anything is written to it: an existing file
// (with what tells it apart from any other), a symbolic link, or nothing yet.
struct PathState {
    bool exists = false;  // the name itself, also a link that leads nowhere
    bool isLink = false;
    bool isRegular = false;
    FileKind kind = FileKind::None;
    qint64 size = 0;
    std::uint64_t device = 0;  // Linux
    std::uint64_t inode = 0;   // Linux
    QString path;              // portable: compared again when asked
};
PathState pathState(const QString& path);
// The same of an open file, whatever its name leads to now; exists is false
// when it cannot be told.
PathState openFileState(const QFileDevice& file);
// One file under both names (also through hard links).
bool sameFile(const PathState& a, const PathState& b);
bool sameOpenFile(const QFile& a, const QFile& b);

// Removes a name, a link itself and not what it leads to.
bool removeName(const QString& path, Error& error);
// A second name for the file; false where the file system has no hard links.
bool addHardLink(const QString& from, const QString& to);
// Renames over an existing file of the new name, in one step.
bool renameOver(const QString& from, const QString& to, Error& error);
bool folderWritable(const QString& folder, Error& error);

// Changes whenever the file is replaced or written; empty when it is not
// there. Linux: also within one tick of the clock (the inode).
QString changeStamp(const QString& path);

// A pipe that brings a signal into the event loop: the handler only writes
// a byte to writeEnd (wakeByPipe is safe in a signal handler), the loop
// watches readEnd. Portable: there is none, openWakePipe is false and the
// caller looks for the signal another way.
struct WakePipe {
    int readEnd = -1;
    int writeEnd = -1;
};
bool openWakePipe(WakePipe& pipe);
void wakeByPipe(int writeEnd) noexcept;
void closeWakePipe(WakePipe& pipe);

// Standard output written unbuffered, all of the bytes or false with the
// system's reason (0 when it gave none).
bool writeStandardOutput(const char* data, std::size_t size, int& reason);
// Whether standard output is open at all: closed, its number would go to the
// next file opened. Portable: taken as open.
bool standardOutputOpen(int& reason);
// Portable: never, so nothing is drawn over the terminal's lines.
bool standardErrorIsTerminal();

}  // namespace morvel
