#include "windows/import_window.h"

#include <QDir>

#include "database/qra_names.h"
#include "database/shared_state.h"
#include "ui/controls.h"
#include "ui/windows.h"
#include "windows/main_menu_window.h"
#include "windows/window_names.h"

namespace morvel {

FileDialogRequest importFileDialog(ImportKind kind) {
    const bool adif = kind == ImportKind::Adif;
    FileDialogRequest r;
    r.filter = adif ? QStringLiteral("ADIF Files (.adi)|*.adi|All Files| *.*")
                    : QStringLiteral("EDI Files (.edi)|*.edi|All Files| *.*");
    r.filterIndex = 1;
    r.title = adif ? QStringLiteral("Select ADIF file to import")
                   : QStringLiteral("Select EDI file to import");
    return r;
}

ImportWindow::ImportWindow(Windows& windows, const QString& name, ImportKind kind)
    : Form(windows, name), kind_(kind) {
    setClientSizeTwips(4680, 3195);
    setBackgroundColour(this, kWindowColour);
}

void ImportWindow::onLoad() {
    const std::optional<QString> chosen = dialogs().openFile(importFileDialog(kind_));
    if (!chosen || chosen->isEmpty()) return;

    // The database lies in the folder the main menu lists.
    QString databaseFolder = QDir::currentPath();
    if (const auto* menu = windows().loadedAs<MainMenuWindow>(kMainMenuWindow))
        databaseFolder = menu->databaseFolder();
    const SharedState& s = state();
    ImportRequest request;
    request.kind = kind_;
    request.logPath = *chosen;
    request.databasePath = QDir(databaseFolder).filePath(fromLatin1Text(s.filename));
    request.filename = s.filename;
    request.band = s.band;
    request.workDir = windows().programFolder();
    request.backupDir = databaseFolder;
    request.ask = [this](const std::string& question) {
        return dialogs().askOkCancel(fromLatin1Text(question), QString::fromLatin1(kProgramTitle));
    };
    const ImportResult result = runImport(request);
    if (result.end == ImportResult::End::Cancelled) return;  // the main menu is still on screen
    if (result.end == ImportResult::End::Failed) {
        dialogs().message(fromLatin1Text(result.error));
    } else {
        dialogs().message(fromLatin1Text(result.closingMessage()));
        if (!result.error.empty()) dialogs().message(fromLatin1Text(result.error));
    }
    windows().enterProgramFolder();
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
