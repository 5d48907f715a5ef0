#include "windows/delete_database_window.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "database/create_database.h"
#include "ledger/ledger.h"
#include "ui/dialogs.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/main_menu_window.h"
#include "windows/window_names.h"

namespace morvel {

DeleteDatabaseWindow::DeleteDatabaseWindow(Windows& windows)
    : Form(windows, kDeleteDatabaseWindow) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Delete a QRA file"));
    setClientSizeTwips(10080, 4800);
    setBackgroundColour(this, kWindowColour);
    const QFont bold = sansFont(9.75, true);

    auto* listCaption = named(
        makeLabel(this, QStringLiteral("Existing QRA Files"), bold, 240, 240, 5400, 300), "Label3");
    fileList = named(new FileList(windows.databaseFolder(), this), "File2");
    placeTwips(fileList, 240, 600, 5400, 3960);
    fileList->setFont(sansFont(12, true));
    fileList->setPattern(QStringLiteral("*.qra"));

    helpLabel = named(makeLabel(this, QString(), bold, 5880, 600, 3960, 2760), "Label6");
    auto* exitButton =
        named(makeButton(this, QStringLiteral("Exit"), bold, 5880, 4065, 1680, 495), "exit_Button");

    for (QWidget* w : std::initializer_list<QWidget*>{listCaption, helpLabel, exitButton})
        setBackgroundColour(w, kWindowColour);

    // A click or Enter asks; moving through the list with the keys does not.
    connect(fileList, &FileList::choose, this, &DeleteDatabaseWindow::onFileClicked);
    connect(exitButton, &QPushButton::clicked, this, &DeleteDatabaseWindow::onExitClicked);
}

void DeleteDatabaseWindow::onLoad() {
    helpLabel->setText(
        QStringLiteral("Delete a .qra file - click on the filename you wish to delete in the file "
                       "list on the left.\r\nYou will be asked to confirm before the file is "
                       "deleted."));
}

void DeleteDatabaseWindow::closeRequested() {
    onExitClicked();
}

void DeleteDatabaseWindow::onFileClicked() {
    const QString name = fileList->fileName();
    if (name.isEmpty()) return;
    if (!dialogs().askYesNo(
            QStringLiteral("Are you sure you want to delete ") + name + QStringLiteral(" ?"),
            QStringLiteral("File Delete"), MessageAnswer::No)) {
        return;
    }
    Error error;
    const QString path = QDir(fileList->folder()).absoluteFilePath(name);
    if (!deleteDatabase(path, error)) {
        // A lock held by another writer says so in its own words.
        dialogs().message(error.file.isEmpty() ? error.reason
                                               : QStringLiteral("Could not delete ") + name +
                                                     QStringLiteral(": ") + error.reason);
    } else if (!forgetDatabase(path, error)) {
        dialogs().message(QStringLiteral("The ledger still holds the contacts of ") + name +
                          QStringLiteral(": ") + error.message());
    }
    // Also after a refusal: a file that has gone meanwhile leaves the list.
    fileList->refresh();
}

void DeleteDatabaseWindow::onExitClicked() {
    windows().unload(kDeleteDatabaseWindow);
    if (auto* menu = windows().loadedAs<MainMenuWindow>(kMainMenuWindow)) {
        menu->resetSelection();
        menu->refreshList();
    }
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
