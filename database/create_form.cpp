#include "database/create_form.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "database/create_database.h"
#include "database/qra_names.h"
#include "database/shared_state.h"
#include "menu/startup.h"
#include "ui/dialogs.h"
#include "ui/twips.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {

CreateForm::CreateForm(Windows& windows) : Form(windows, kCreateForm) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Create New QRA Database"));
    setClientSizeTwips(10680, 5880);
    setBackgroundColour(this, kWindowColour);
    const QFont bold = sansFont(9.75, true);

    Label1 = makeLabel(this, QStringLiteral("Band"), bold, 240, 240, 1080, 375);
    Combo1 = new QComboBox(this);
    placeTwips(Combo1, 1320, 240, 1680, 375);
    Combo1->setFont(sansFont(9.75));
    for (const std::string& band : bandList()) Combo1->addItem(fromLatin1Text(band));
    Combo1->setCurrentIndex(-1);

    Label5 = makeLabel(this, QStringLiteral(" QRA"), bold, 240, 780, 1080, 375);
    Text2 = new QLineEdit(this);
    placeTwips(Text2, 1320, 780, 1680, 375);

    Label2 = makeLabel(this, QStringLiteral("Tag"), bold, 240, 1320, 1080, 375);
    Text1 = new QLineEdit(this);
    placeTwips(Text1, 1320, 1320, 3360, 375);

    Label4 = makeLabel(
        this,
        QStringLiteral(
            "Create a new .qra file by selecting a band from list box. Next enter your QRA "
            "locator (Six characters). Add an additional identification if you want by filling "
            "in the Tag field. Click Create File to make this new blank database. This will "
            "create a filename with the band and QRA locator followed by a space and then the "
            "tag information, with the suffix .qra"),
        bold, 240, 1920, 4440, 2940);

    Create_File = makeButton(this, QStringLiteral("Create File"), bold, 240, 5100, 2040, 495);
    Abort_Button = makeButton(this, QStringLiteral("Exit"), bold, 2640, 5100, 2040, 495);

    Label3 = makeLabel(this, QStringLiteral("Existing QRA Files"), bold, 5040, 240, 5400, 300);
    File1 = new FileList(this);
    placeTwips(File1, 5040, 600, 5400, 4995);
    File1->setFont(sansFont(12, true));
    File1->setPattern(QStringLiteral("*.qra"));

    // Captions level with the boxes beside them.
    for (QLabel* label : {Label1, Label5, Label2})
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label5, Label2, Label3, Label4,
                                                      Create_File, Abort_Button}) {
        setBackgroundColour(w, kWindowColour);
    }

    connect(Create_File, &QPushButton::clicked, this, &CreateForm::Create_File_Click);
    connect(Abort_Button, &QPushButton::clicked, this, &CreateForm::Abort_Button_Click);
}

void CreateForm::closeRequested() {
    Abort_Button_Click();
}

void CreateForm::Create_File_Click() {
    CreateRequest request;
    if (Combo1->currentIndex() >= 0) request.band = toLatin1Text(Combo1->currentText());
    request.locator = toLatin1Text(Text2->text());
    request.tag = toLatin1Text(Text1->text());
    const CreateOutcome outcome = createDatabase(QDir(File1->folder()), request, state());
    if (!outcome.message.empty()) dialogs().message(fromLatin1Text(outcome.message));
    if (outcome.created) File1->refresh();
}

void CreateForm::Abort_Button_Click() {
    windows().unload(kCreateForm);
    auto* menu = qobject_cast<Startup*>(windows().show(kStartupForm));
    if (menu) menu->Label7->setText(QString());
}

}  // namespace morvel
