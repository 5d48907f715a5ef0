#pragma once

#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/field_record.h"
#include "database/file_io.h"

namespace morvel {

inline constexpr qint64 kDatabaseSize = static_cast<qint64>(FieldRecord::kSize) * 324;  // 916272

// An open QRA database file. Records are numbered 1..324; record n starts at
// byte (n - 1) * 2828. Opening never creates a file: a missing or unreadable
// file is an error the caller reports. The file closes when the object goes.
class QraFile {
public:
    enum class Mode { Read, ReadWrite };

    static std::unique_ptr<QraFile> open(const QString& path, Mode mode, std::string& error);

    // A record beyond the end of a short file reads as all zero bytes, so the
    // missing fields count as empty.
    bool read(int recordNo, FieldRecord& record, std::string& error);
    bool write(int recordNo, const FieldRecord& record, std::string& error);
    // Pushes the written records to the disk.
    bool flush(std::string& error);

    QString path() const { return file_.fileName(); }

private:
    explicit QraFile(const QString& path) : file_(path) {}
    QFile file_;
};

// Reads a whole database from a device, handing each of the 324 records in
// order to the visitor; a short device yields zero-filled records.
bool forEachRecord(QIODevice& device, const std::function<void(int, const FieldRecord&)>& visit,
                   std::string& error);

// Writes a new database of 324 blank records through a save file, so that a
// failure never leaves a part-written file under the name.
bool writeBlankDatabase(const QString& path, std::string& error);

// All 324 records of a database file; a short file reads as zero-filled
// records at its end. The error names the file and the reason.
bool readDatabase(const QString& path, std::vector<FieldRecord>& records, std::string& error);

// Replaces a database whole: the 324 records go to a new file in the same
// folder, which is synced and then renamed over the old one, so that a crash
// or a full disk leaves either the old file or the new one, never a mixture.
// A database that is a symbolic link keeps its link; the target is replaced.
// Bytes beyond the 324th record of the old file are kept.
bool writeDatabase(const QString& path, const std::vector<FieldRecord>& records,
                   std::string& error);

// One record changed, all or nothing, through writeDatabase.
bool replaceRecord(const QString& path, int recordNo, const FieldRecord& record,
                   std::string& error);

}  // namespace morvel
