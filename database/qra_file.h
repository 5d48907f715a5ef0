#pragma once

#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

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

}  // namespace morvel
