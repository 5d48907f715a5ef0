#pragma once

#include <QFutureWatcher>
#include <memory>

#include "database/error.h"
#include "ui/controls.h"
#include "ui/form.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QGroupBox;
class QLabel;
class QPushButton;

namespace morvel {

class BusyCursor;
class DatabaseDocument;
class FolderWatcher;
class ImportRunner;

// The main menu: the list of databases, the selected one's statistics and the
// buttons that open every other window. Other windows reach it only through
// the public methods below.
class MainMenuWindow : public Form {
    Q_OBJECT
public:
    explicit MainMenuWindow(Windows& windows);
    ~MainMenuWindow() override;

    void onLoad() override;
    void closeRequested() override;
    // The main menu stays: Quit ends the program, Escape does not.
    void escapePressed() override {}

    // Reads the list of databases again; nothing is selected afterwards.
    void refreshList();
    // Reads the selected database and shows its statistics and the database
    // controls. A file that cannot be read leaves the menu with no database
    // selected and the list read again; it is reported unless reportFailure is
    // false (the caller has said so already). A database of the wrong size is
    // reported when reportSize is true.
    void showStatistics(bool reportFailure = true, bool reportSize = false);
    // Selects a listed database as a click on its name would; false when it
    // is not listed.
    bool selectDatabase(const QString& name);
    // No database selected: the statistics empty, the controls that need a
    // database hidden.
    void resetSelection();

private:
    void onFileClicked();
    void onCreateClicked();
    void onDeleteClicked();
    void onQuitClicked();
    void onImportAdifClicked();
    void onImportEdiClicked();
    void onSummaryClicked();
    void onViewClicked();
    void onMovingMapClicked();
    void onDownloadClicked();
    void onOverviewClicked();
    // Listening for live contacts into the selected database: the source
    // (address and port, multicast group, or log file) and the highlight
    // setting are remembered; the session outlives this window.
    void makeListenControls();
    void onListenClicked();
    void connectLive();
    void showListening();
    // On the line under the listening counts, whole in its tool tip.
    void showLiveNotice(const QString& message);
    static QString failureText(const QString& message);

    // Long work (an import, a summary) runs on a worker thread; meanwhile
    // every control of the menu is disabled, so nothing starts a second one.
    void setWorking(bool working);
    bool isWorking() const;
    void onImportFinished();
    void onSummaryFinished();
    void makeListAndStatistics();
    void makeDatabaseControls();
    void setDatabaseControlsVisible(bool visible);
    // The list follows databases made or deleted in the folder meanwhile.
    void onFolderChanged();

    FileList* fileList;
    QLabel* fileLabel;
    QLabel* squaresWorkedLabel;
    QLabel* squaresConfirmedLabel;
    QLabel* fieldsWorkedLabel;
    QLabel* odxLabel;
    QGroupBox* viewFrame;
    QPushButton* viewButton;
    QPushButton* movingMapButton = nullptr;
    QButtonGroup* mapChoice;  // 1 World, 2 Europe, 3 USA
    QPushButton* importAdifButton;
    QPushButton* importEdiButton;
    QGroupBox* summaryFrame;
    OptionButton* workedOption;
    OptionButton* confirmedOption;
    QPushButton* summaryButton;
    QLineEdit* listenSource;
    QCheckBox* listenHighlight;
    QPushButton* listenButton;
    QLabel* listenLabel;
    QLabel* newSquareLabel;
    std::shared_ptr<DatabaseDocument> document;
    bool readingStatistics = false;
    FolderWatcher* folderWatcher;
    ImportRunner* importRunner;
    QFutureWatcher<Error>* summaryJob;
    std::unique_ptr<BusyCursor> summaryBusy;
};

}  // namespace morvel
