#include "windows/create_database_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "database/create_database.h"
#include "database/qra_names.h"
#include "ui/dialogs.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/window_names.h"

namespace morvel {

CreateDatabaseWindow::CreateDatabaseWindow(Windows& windows)
    : Form(windows, kCreateDatabaseWindow) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Create New QRA Database"));
    setClientSizeTwips(10680, 5880);
    setBackgroundColour(this, kWindowColour);
    const QFont bold = sansFont(9.75, true);

    auto* bandCaption =
        named(makeLabel(this, QStringLiteral("Band"), bold, 240, 240, 1080, 375), "Label1");
    bandList = named(new QComboBox(this), "Combo1");
    placeTwips(bandList, 1320, 240, 1680, 375);
    bandList->setFont(sansFont(9.75));
    for (const std::string& band : morvel::bandList()) bandList->addItem(fromLatin1Text(band));
    bandList->setCurrentIndex(-1);

    auto* locatorCaption =
        named(makeLabel(this, QStringLiteral(" QRA"), bold, 240, 780, 1080, 375), "Label5");
    locatorEdit = named(new QLineEdit(this), "Text2");
    placeTwips(locatorEdit, 1320, 780, 1680, 375);

    auto* tagCaption =
        named(makeLabel(this, QStringLiteral("Tag"), bold, 240, 1320, 1080, 375), "Label2");
    tagEdit = named(new QLineEdit(this), "Text1");
    placeTwips(tagEdit, 1320, 1320, 3360, 375);

    auto* help = named(
        makeLabel(
            this,
            QStringLiteral(
                "Create a new .qra file by selecting a band from list box. Next enter your QRA "
                "locator (Six characters). Add an additional identification if you want by "
                "filling in the Tag field. Click Create File to make this new blank database. "
                "This will create a filename with the band and QRA locator followed by a space "
                "and then the tag information, with the suffix .qra"),
            bold, 240, 1920, 4440, 2940),
        "Label4");

    auto* createButton = named(
        makeButton(this, QStringLiteral("Create File"), bold, 240, 5100, 2040, 495), "Create_File");
    auto* exitButton = named(makeButton(this, QStringLiteral("Exit"), bold, 2640, 5100, 2040, 495),
                             "Abort_Button");

    auto* listCaption =
        named(makeLabel(this, QStringLiteral("Existing QRA Files"), bold, 5040, 240, 5400, 300),
              "Label3");
    fileList = named(new FileList(windows.databaseFolder(), this), "File1");
    placeTwips(fileList, 5040, 600, 5400, 4995);
    fileList->setFont(sansFont(12, true));
    fileList->setPattern(QStringLiteral("*.qra"));

    // Captions level with the boxes beside them.
    for (QLabel* label : {bandCaption, locatorCaption, tagCaption})
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (QWidget* w :
         std::initializer_list<QWidget*>{bandCaption, locatorCaption, tagCaption, listCaption, help,
                                         createButton, exitButton}) {
        setBackgroundColour(w, kWindowColour);
    }

    connect(createButton, &QPushButton::clicked, this, &CreateDatabaseWindow::onCreateClicked);
    connect(exitButton, &QPushButton::clicked, this, &CreateDatabaseWindow::onExitClicked);
}

void CreateDatabaseWindow::closeRequested() {
    onExitClicked();
}

void CreateDatabaseWindow::onCreateClicked() {
    CreateRequest request;
    if (bandList->currentIndex() >= 0) request.band = bandList->currentText();
    request.locator = locatorEdit->text();
    request.tag = tagEdit->text();
    const CreateOutcome outcome = createDatabase(QDir(fileList->folder()), request);
    if (!outcome.message.isEmpty()) dialogs().message(outcome.message);
    if (outcome.created) fileList->refresh();
}

void CreateDatabaseWindow::onExitClicked() {
    // The main menu was unloaded on the way here, so it comes back as loaded
    // afresh, with nothing selected.
    windows().unload(kCreateDatabaseWindow);
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
