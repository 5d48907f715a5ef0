#pragma once

#include <QString>

#include "database/error.h"

namespace morvel {
// The world outline: the map file whose presence marks the program's folder.
inline constexpr char kWorldFile[] = "mapper.pnt";
}  // namespace morvel

namespace morvel {

// Where the program finds its map files and keeps its databases, decided
// once at start from where the executable lies and handed to the windows
// and the command-line tool.
struct ProgramFolders {
    QString maps;       // the map files (*.pnt); absolute
    QString databases;  // the databases; absolute
    // Installed under a prefix (/usr/bin/morvel with /usr/share/morvel):
    // the databases lie in the user's data folder, nothing beside the program.
    bool installed = false;
};

// The layouts, in this order:
// - portable: map files (mapper.pnt) or databases (*.qra) beside the
//   executable: maps and databases in the executable's folder (./run, the build);
// - installed: the map files in ../share/morvel from the executable's folder:
//   maps there, databases in `userData`;
// - otherwise portable as well (the map windows then say the maps are missing).
ProgramFolders programFolders(const QString& executableFolder, const QString& userData);

// The installed program's data folder: $XDG_DATA_HOME/Morvel, by default
// ~/.local/share/Morvel.
QString userDataFolder();

// The installed program's first start: makes the data folder and, when it
// holds no database and never had the example, copies the example database
// (example.qra in the maps folder) in as "2M JO62QM EXAMPLE.QRA". `note`
// tells what was done, for one line on standard error; false (with the
// reason) only when the folder cannot be made. A portable layout is left alone.
bool prepareDataFolder(const ProgramFolders& folders, Error& error, QString* note = nullptr);

inline constexpr char kExampleSource[] = "example.qra";
inline constexpr char kExampleName[] = "2M JO62QM EXAMPLE.QRA";
inline constexpr char kExampleMarker[] = ".morvel-example-installed";

}  // namespace morvel
