#include "windows/save_map.h"

#include <QFileInfo>

#include "ui/busy_cursor.h"
#include "ui/dialogs.h"

namespace morvel {

void saveMapAs(Dialogs& dialogs, const QString& folder, const QString& proposedName,
               const MapExport& map) {
    FileDialogRequest request;
    request.filter = exportDialogFilter();
    request.title = QString::fromLatin1(kSaveMapTitle);
    request.proposedName = proposedName;
    request.directory = folder;
    const std::optional<QString> path = dialogs.saveFile(request);
    if (!path) return;
    Error error;
    bool saved = false;
    {
        const BusyCursor busy;
        saved = writeMapExport(*path, map, 1, error);
    }
    const QString title = QString::fromLatin1(kSaveMapTitle);
    if (!saved) {
        dialogs.message(QStringLiteral("The map could not be saved: ") + error.message(), title);
        return;
    }
    dialogs.message(
        QStringLiteral("File ") + QFileInfo(*path).fileName() + QStringLiteral(" saved"), title);
}

}  // namespace morvel
