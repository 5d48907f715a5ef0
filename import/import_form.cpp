#include "import/import_form.h"

#include <QDir>

#include "database/qra_names.h"
#include "database/shared_state.h"
#include "menu/startup.h"
#include "ui/controls.h"
#include "ui/window_names.h"
#include "ui/windows.h"

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

void runImportWindow(Windows& windows, ImportKind kind) {
    Dialogs& dialogs = windows.dialogs();
    const SharedState& state = windows.state();
    const std::optional<QString> chosen = dialogs.openFile(importFileDialog(kind));
    if (!chosen || chosen->isEmpty()) return;

    // The database lies in the folder the main menu lists.
    QString databaseFolder = QDir::currentPath();
    if (const auto* menu = windows.loadedAs<Startup>(kStartupForm))
        databaseFolder = menu->File1->folder();
    ImportRequest request;
    request.kind = kind;
    request.logPath = *chosen;
    request.databasePath = QDir(databaseFolder).filePath(fromLatin1Text(state.filename));
    request.filename = state.filename;
    request.band = state.band;
    request.workDir = windows.programFolder();
    request.backupDir = databaseFolder;
    request.ask = [&dialogs](const std::string& question) {
        return dialogs.askOkCancel(fromLatin1Text(question), QString::fromLatin1(kProgramTitle));
    };
    const ImportResult result = runImport(request);
    if (result.end == ImportResult::End::Cancelled) return;  // the main menu is still on screen
    if (result.end == ImportResult::End::Failed) {
        dialogs.message(fromLatin1Text(result.error));
    } else {
        dialogs.message(fromLatin1Text(result.closingMessage()));
        if (!result.error.empty()) dialogs.message(fromLatin1Text(result.error));
    }
    QDir::setCurrent(windows.programFolder());
    windows.show(kStartupForm);
}

ImportForm::ImportForm(Windows& windows) : Form(windows, kAdifImportForm) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Import ADIF records"));
    setClientSizeTwips(4680, 3195);
    setBackgroundColour(this, kWindowColour);
}

void ImportForm::Form_Load() {
    runImportWindow(windows(), ImportKind::Adif);
}

}  // namespace morvel
