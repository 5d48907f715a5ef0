#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/error.h"
#include "database/file_system.h"

class QFile;
class QSaveFile;

namespace morvel {

// Reads until `size` bytes are in or the device ends; returns the count read,
// or -1 with the reason when the device fails.
qint64 readFull(QIODevice& device, char* buffer, qint64 size, QString& reason);

// Syncs and commits a save file, then syncs its folder so that the rename is
// on the disk too. On failure the old file stays and the error names the file.
// `renamed` (when given) tells whether the new file took the name, also when
// only the folder's sync failed after it.
bool commitSynced(QSaveFile& file, Error& error, bool* renamed = nullptr);

// Writes a whole file through a save file: `write` fills it, and only a
// complete file, synced, replaces one of that name. A failure leaves the old
// file as it was.
bool saveWholeFile(const QString& path, const std::function<bool(QSaveFile&)>& write, Error& error);
bool saveWholeFile(const QString& path, std::string_view bytes, Error& error);

// Appends to the file of that name as it is now (made when missing) and puts
// the bytes on the disk before it returns; a failure names the file.
bool appendSynced(const QString& path, std::string_view bytes, Error& error);

}  // namespace morvel
