#include "windows/save_map.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

#include "database/file_system.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"

namespace morvel {

void saveMapAs(QObject* owner, Dialogs& dialogs, QThreadPool& jobs, const QString& folder,
               const QString& proposedName, const MapExport& map) {
    FileDialogRequest request;
    request.filter = exportDialogFilter();
    request.title = QString::fromLatin1(kSaveMapTitle);
    request.proposedName = proposedName;
    request.directory = folder;
    request.addsSuffix = true;
    const std::optional<Dialogs::SaveChoice> chosen = dialogs.saveFileChoosingFilter(request);
    if (!chosen) return;
    const QString title = QString::fromLatin1(kSaveMapTitle);
    const QString path = withFilterSuffix(chosen->path, request.filter, chosen->filterIndex);
    // A suffix added here was not there when the dialog checked the name.
    if (path != chosen->path && pathState(path).exists &&
        !dialogs.askYesNo(QFileInfo(path).fileName() +
                              QStringLiteral(" already exists.\nDo you want to replace it?"),
                          title, MessageAnswer::No))
        return;
    auto* job = new QFutureWatcher<Error>(owner);
    auto busy = std::make_shared<BusyCursor>();
    QObject::connect(
        job, &QFutureWatcher<Error>::finished, owner, [job, busy, &dialogs, path, title]() mutable {
            busy.reset();
            const Error error = job->result();
            job->deleteLater();
            if (error.isSet()) {
                dialogs.message(QStringLiteral("The map could not be saved: ") + error.message(),
                                title);
                return;
            }
            dialogs.message(
                QStringLiteral("File ") + QFileInfo(path).fileName() + QStringLiteral(" saved"),
                title);
        });
    job->setFuture(QtConcurrent::run(&jobs, [path, map] {
        Error error;
        if (!writeMapExport(path, map, 1, error) && !error.isSet())
            error = {path, QStringLiteral("the file could not be written")};
        return error;
    }));
}

}  // namespace morvel
