#pragma once

#include <QIODevice>
#include <QString>
#include <functional>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"
#include "database/file_io.h"

namespace morvel {

inline constexpr qint64 kDatabaseSize = static_cast<qint64>(FieldRecord::kSize) * 324;  // 916272

// Reads a whole database from a device, handing each of the 324 records in
// order to the visitor; a short device yields zero-filled records, so the
// missing fields count as empty.
bool forEachRecord(QIODevice& device, const std::function<void(int, const FieldRecord&)>& visit,
                   QString& reason);

// Opens a database for reading: only a regular file, never created, never
// waited on. The error names the file and the reason.
bool openDatabase(QFile& file, Error& error);

// All 324 records of a database file; a short file reads as zero-filled
// records at its end. `fileSize` (when given) receives the file's size.
bool readDatabase(const QString& path, std::vector<FieldRecord>& records, Error& error,
                  qint64* fileSize = nullptr);
// The records of a database's bytes, in file order; squares past the end of
// short bytes are empty. The one reader of the byte layout besides the file's.
std::vector<FieldRecord> decodeDatabase(std::string_view bytes);
// One record (1..324) of a database file.
bool readRecord(const QString& path, int recordNo, FieldRecord& record, Error& error);

// What to say of a database whose size is not that of 324 records; empty for
// a whole one. A short one reads its missing squares as empty; a longer one
// keeps its extra bytes through every write.
QString databaseSizeWarning(const QString& name, qint64 size);

// Writes a new database of 324 blank records through a save file, so that a
// failure never leaves a part-written file under the name.
bool writeBlankDatabase(const QString& path, Error& error);

// Replaces a database whole: the 324 records go to a new file in the same
// folder, which is synced and then renamed over the old one, so that a crash
// or a full disk leaves either the old file or the new one, never a mixture.
// A database that is a symbolic link keeps its link; the target is replaced.
// Bytes beyond the 324th record of the old file are kept. A database whose
// permissions forbid writing is refused. The caller holds the database's lock.
// `replaced` (when given) tells whether the new file took the name, also when
// the write then failed to sync its folder.
bool writeDatabase(const QString& path, const std::vector<FieldRecord>& records, Error& error,
                   bool* replaced = nullptr);

}  // namespace morvel
