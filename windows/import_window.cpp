#include "windows/import_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include "database/qra_names.h"
#include "ui/busy_cursor.h"
#include "ui/controls.h"
#include "ui/shared_state.h"
#include "ui/windows.h"
#include "ui/work_progress.h"
#include "windows/main_menu_window.h"
#include "windows/window_names.h"

namespace morvel {

namespace {
const QString kLogFolderKey = QStringLiteral("import/logFolder");
}  // namespace

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
    // Logs usually wait in one folder: the dialog opens where the last one was
    // chosen, the program's folder the first time.
    FileDialogRequest dialog = importFileDialog(kind_);
    QSettings* settings = windows().settings();
    dialog.directory = windows().databaseFolder();
    if (settings) {
        const QString last = settings->value(kLogFolderKey).toString();
        if (!last.isEmpty() && QFileInfo(last).isDir()) dialog.directory = last;
    }
    const std::optional<QString> chosen = dialogs().openFile(dialog);
    if (!chosen || chosen->isEmpty()) return;
    if (settings) settings->setValue(kLogFolderKey, QFileInfo(*chosen).absolutePath());

    ImportRequest request;
    request.kind = kind_;
    request.logPath = QFileInfo(*chosen).absoluteFilePath();
    request.databasePath = state().databasePath;
    request.workDir = windows().databaseFolder();
    request.backupDir = QFileInfo(request.databasePath).absolutePath();
    request.ask = [this](const QString& question) {
        // The question waits for the operator: the ordinary pointer over it.
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        const bool ok = dialogs().askOkCancel(question, QString::fromLatin1(kProgramTitle));
        QApplication::restoreOverrideCursor();
        return ok;
    };
    ImportResult result;
    {
        BusyCursor busy;
        WorkProgress progress(windows().loaded(kMainMenuWindow),
                              QStringLiteral("Importing ") + QFileInfo(*chosen).fileName());
        const QLocale locale;
        request.progress = [&](const ImportProgress& p) {
            progress.update(QStringLiteral("Contacts read: ") + locale.toString(p.contactsRead) +
                            QStringLiteral("\nNew squares so far: ") +
                            locale.toString(p.squaresWritten));
        };
        result = runImport(request);
    }
    if (result.end == ImportResult::End::Cancelled) return;  // the main menu is still on screen
    if (result.end == ImportResult::End::Failed) {
        dialogs().message(result.error);
    } else {
        dialogs().message(result.closingMessage());
        if (!result.error.isEmpty()) dialogs().message(result.error);
    }
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
