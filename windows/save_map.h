#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

#include "maps/map_export.h"

namespace morvel {

class Dialogs;

inline constexpr char kSaveMapTitle[] = "Morvel: Save Map As";

// Asks in a save dialog, opened in `folder` with `proposedName`,
// where to write `map` (its format by the chosen name's suffix, or by the
// chosen filter for a name without one), writes it and says what came of
// it. A cancelled dialog writes nothing. The file is drawn and written on a
// worker thread, the cursor busy meanwhile; the message comes when it is
// done, unless `owner` (the window) has gone by then; it runs on `jobs`. `map.draw`
// therefore works on copies of what it draws, never on the window.
void saveMapAs(QObject* owner, Dialogs& dialogs, QThreadPool& jobs, const QString& folder,
               const QString& proposedName, const MapExport& map);

}  // namespace morvel
