#pragma once

#include <QString>

#include "maps/map_export.h"

namespace morvel {

class Dialogs;

inline constexpr char kSaveMapTitle[] = "Morvel: Save Map As";

// Asks in a save dialog, opened in `folder` with `proposedName`,
// where to write `map` (its format by the chosen name's suffix, or by the
// chosen filter for a name without one), writes it and says what came of
// it. A cancelled dialog writes nothing.
void saveMapAs(Dialogs& dialogs, const QString& folder, const QString& proposedName,
               const MapExport& map);

}  // namespace morvel
