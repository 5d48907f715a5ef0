#include "database/program_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>


namespace morvel {
namespace {

bool holdsDatabase(const QDir& dir) {
    return !dir.entryList({QStringLiteral("*.qra")}, QDir::Files, QDir::NoSort).isEmpty();
}

}  // namespace

ProgramFolders programFolders(const QString& executableFolder, const QString& userData) {
    const QDir program(QDir(executableFolder).absolutePath());
    const QString world = QLatin1String(kWorldFile);
    // QDir's name filters ignore case by default: "*.qra" finds "*.QRA" too.
    if (program.exists(world) || holdsDatabase(program))
        return {program.path(), program.path(), false};
    const QDir shared(QDir::cleanPath(program.filePath(QStringLiteral("../share/morvel"))));
    if (shared.exists(world))
        return {shared.path(), QDir(userData).absolutePath(), true};
    return {program.path(), program.path(), false};
}

QString userDataFolder() {
    // GenericDataLocation honours XDG_DATA_HOME; AppDataLocation would add
    // the organisation's name a second time (~/.local/share/Morvel/Morvel).
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Morvel"));
}

bool prepareDataFolder(const ProgramFolders& folders, Error& error, QString* note) {
    if (!folders.installed) return true;
    QDir data(folders.databases);
    if (!data.mkpath(QStringLiteral("."))) {
        error = {folders.databases, QStringLiteral("the folder cannot be made")};
        return false;
    }
    const QString marker = data.filePath(QLatin1String(kExampleMarker));
    const QString source = QDir(folders.maps).filePath(QLatin1String(kExampleSource));
    if (QFileInfo::exists(marker) || holdsDatabase(data) || !QFileInfo::exists(source))
        return true;
    // Copied under a name the main menu does not list, then renamed: the
    // folder never shows a half-copied database.
    const QString part = data.filePath(QStringLiteral(".example.part"));
    QFile::remove(part);
    // A copy of a read-only system file is read-only too.
    if (!QFile::copy(source, part) ||
        !QFile::setPermissions(part, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                         QFile::ReadOther) ||
        !QFile::rename(part, data.filePath(QLatin1String(kExampleName)))) {
        QFile::remove(part);
        // The program runs without the example.
        if (note) *note = QStringLiteral("The example database could not be copied into ") +
                          folders.databases;
        return true;
    }
    QFile markerFile(marker);
    markerFile.open(QIODevice::WriteOnly);
    if (note)
        *note = QStringLiteral("Installed the example database \"") +
                QLatin1String(kExampleName) +
                QStringLiteral("\" (a 2 m log of invented calls) in ") + folders.databases +
                QStringLiteral("; delete it with Delete File when you no longer need it.");
    return true;
}

}  // namespace morvel
