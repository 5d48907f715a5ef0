#pragma once

#include <QFile>
#include <QString>

#include "database/error.h"
#include "database/file_system.h"
#include "import/import_frame.h"

// The files an import writes besides the database, and how they are kept
// from harm: names checked before anything is written, copies committed only
// when whole, and the previous backup and change log kept aside until the
// new database is in place.
namespace morvel {

struct ImportFiles {
    QString scratch;    // "adi.tmp" or "edi.tmp"
    QString changelog;  // "changelog.txt"
    QString backup;     // "<name> backup.qra"
};
ImportFiles importFiles(const QString& databasePath, const QString& workDir,
                        const QString& backupDir, ImportKind kind);

// A name the import writes: a link of that name is removed, so that nothing
// is written through it; the name must not be the database itself, nor
// anything but a file.
bool claimName(const QString& path, const PathState& database, Error& error);
// A copy committed only when whole (and on the disk unless `scratch`: a
// scratch copy is read once and never trusted after a crash); a failure
// leaves no part of it under the name.
bool copyWhole(QFile& from, const QString& to, Error& error, bool scratch = false);

// The previous file of a name kept aside under "NAME.undo" ("NAME.none" when
// there was none), put back, or let go.
QString undoName(const QString& path);
bool keepAside(const QString& path, Error& error);
bool putBack(const QString& path, Error& error);
// False when a kept file cannot be removed: it would make the next read take
// the import for one killed halfway.
bool dropAside(const QString& path, Error& error);
bool hasAside(const QString& path);

// Puts the database, its backup and the change log back in agreement after
// an import that was killed halfway; the caller holds the database's lock.
bool recoverLocked(const QString& databasePath, const QString& workDir, const QString& backupDir,
                   Error& error);

}  // namespace morvel
