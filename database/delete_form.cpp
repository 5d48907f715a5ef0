#include "database/delete_form.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "database/shared_state.h"
#include "menu/startup.h"
#include "ui/dialogs.h"
#include "ui/twips.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {

DeleteForm::DeleteForm(Windows& windows) : Form(windows, kDeleteForm) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Delete a QRA file"));
    setClientSizeTwips(10080, 4800);
    setBackgroundColour(this, kWindowColour);
    const QFont bold = sansFont(9.75, true);

    Label3 = makeLabel(this, QStringLiteral("Existing QRA Files"), bold, 240, 240, 5400, 300);
    File2 = new FileList(this);
    placeTwips(File2, 240, 600, 5400, 3960);
    File2->setFont(sansFont(12, true));
    File2->setPattern(QStringLiteral("*.qra"));

    Label6 = makeLabel(this, QString(), bold, 5880, 600, 3960, 2760);
    exit_Button = makeButton(this, QStringLiteral("Exit"), bold, 5880, 4065, 1680, 495);

    for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label6, exit_Button}) {
        setBackgroundColour(w, kWindowColour);
    }

    connect(File2, &FileList::click, this, &DeleteForm::File2_Click);
    connect(exit_Button, &QPushButton::clicked, this, &DeleteForm::exit_Button_Click);
}

void DeleteForm::Form_Load() {
    Label6->setText(
        QStringLiteral("Delete a .qra file - click on the filename you wish to delete in the file "
                       "list on the left.\r\nYou will be asked to confirm before the file is "
                       "deleted."));
}

void DeleteForm::closeRequested() {
    exit_Button_Click();
}

void DeleteForm::File2_Click() {
    const QString name = File2->fileName();
    if (name.isEmpty()) return;
    if (!dialogs().askYesNo(
            QStringLiteral("Are you sure you want to delete ") + name + QStringLiteral(" ?"),
            QStringLiteral("File Delete"))) {
        return;
    }
    QFile file(QDir(File2->folder()).filePath(name));
    if (!file.remove()) {
        dialogs().message(QStringLiteral("Could not delete ") + name + QStringLiteral(": ") +
                          file.errorString());
    }
    // Also after a refusal: a file that has gone meanwhile leaves the list.
    File2->refresh();
}

void DeleteForm::exit_Button_Click() {
    windows().unload(kDeleteForm);
    auto* menu = windows().loadedAs<Startup>(kStartupForm);
    if (menu) {
        menu->Label5->setText(QString());
        menu->File1->refresh();
        state().filename.clear();
        menu->File1->refresh();
        menu->clearStatistics();
        menu->hideDatabaseControls();
    }
    windows().show(kStartupForm);
}

}  // namespace morvel
