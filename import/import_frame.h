#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "import/changelog.h"

namespace morvel {

enum class ImportKind { Adif, Edi };

// How far an import has come: ADIF records or EDI contact lines read, and
// squares written so far.
struct ImportProgress {
    std::int64_t contactsRead = 0;
    std::int64_t squaresWritten = 0;
};
// Progress is reported after every this many contacts read.
inline constexpr std::int64_t kProgressInterval = 2000;

struct ImportRequest {
    ImportKind kind = ImportKind::Adif;
    QString logPath;       // the log file the operator chose
    QString databasePath;  // the selected database file
    std::string filename;  // its name as listed: change log line 1 and the backup's name
    std::string band;      // the database's band, e.g. 2M
    QString workDir;       // holds the scratch copy and "changelog.txt"
    QString backupDir;     // holds "<name> backup.qra"
    // Date and time of change log line 2, taken once; currentStamp() when unset.
    std::function<ChangelogStamp()> clock;
    // The EDI question (ediQuestion's text); true for OK.
    std::function<bool(const std::string& question)> ask;
    // Called every kProgressInterval contacts read and once more with the
    // totals when the reading ends; may be empty.
    std::function<void(const ImportProgress&)> progress;
};

struct ImportResult {
    enum class End {
        Finished,   // the reading ran to its end or stopped at a failure (see error)
        Cancelled,  // the EDI question was answered Cancel before anything was written
        Failed,     // a file could not be made or written; the database is untouched
    };
    End end = End::Finished;
    ImportKind kind = ImportKind::Adif;
    std::int64_t squaresWritten = 0;
    std::int64_t unreadable = 0;  // ADIF records or EDI lines that could not be read
    std::string error;            // what failed, when something did

    // The count, " new squares added", and a second line when records or lines
    // could not be read.
    std::string closingMessage() const;
};

// The platform's short date and time forms, now.
ChangelogStamp currentStamp();

QString scratchFileName(ImportKind kind);  // "adi.tmp" or "edi.tmp"
inline const QString kChangelogFileName = QStringLiteral("changelog.txt");
// 2M IO85AB PORTABLE.QRA -> 2M IO85AB PORTABLE backup.qra
std::string backupFileName(std::string_view databaseName);
std::string ediQuestion(std::string_view logBand, std::string_view band);

// A whole import: scratch copy of the log, backup of the database, a fresh
// change log, one square update per accepted contact in memory, and the
// closing line. The backup and then the change log are whole and synced
// before the new database replaces the old one in one rename, so that a crash
// or a full disk at any moment leaves the database as it was or as the
// finished import makes it.
ImportResult runImport(const ImportRequest& request);

}  // namespace morvel
