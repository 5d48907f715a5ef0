#include "windows/main_menu_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include "database/database_watcher.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "import/import_frame.h"
#include "menu/statistics.h"
#include "menu/summary.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/shared_state.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/import_runner.h"
#include "windows/window_names.h"

namespace morvel {

MainMenuWindow::MainMenuWindow(Windows& windows) : Form(windows, kMainMenuWindow) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Main Menu"));
    setClientSizeTwips(10800, 7380);
    setBackgroundColour(this, kWindowColour);

    const QFont bold12 = sansFont(12, true);
    const QFont bold975 = sansFont(9.75, true);
    const QFont plain975 = sansFont(9.75);
    const QFont statistics = sansFont(13.5);

    auto* title = named(makeLabel(this, QStringLiteral("Morvel the QRA Squares database by Tovrin"),
                                  sansFont(18, true), 240, 120, 10320, 540),
                        "Label1");
    auto* version =
        named(makeLabel(this, QStringLiteral("Version 2.8"), plain975, 240, 660, 2400, 300), "v");
    auto* listCaption =
        named(makeLabel(this, QStringLiteral("QRA Databases - click on filename to select"), bold12,
                        240, 1080, 6000, 375),
              "Label6");

    fileList = named(new FileList(windows.databaseFolder(), this), "File1");
    placeTwips(fileList, 240, 1500, 5400, 2880);

    fileLabel = named(makeLabel(this, QString(), statistics, 240, 4560, 10320, 420), "Label5");
    squaresWorkedLabel =
        named(makeLabel(this, QString(), statistics, 240, 5010, 10320, 420), "Label3");
    squaresConfirmedLabel =
        named(makeLabel(this, QString(), statistics, 240, 5460, 10320, 420), "Label4");
    fieldsWorkedLabel =
        named(makeLabel(this, QString(), statistics, 240, 5910, 10320, 420), "Label2");
    odxLabel = named(makeLabel(this, QString(), statistics, 240, 6360, 8000, 420), "Label7");
    for (QLabel* label :
         {fileLabel, squaresWorkedLabel, squaresConfirmedLabel, fieldsWorkedLabel, odxLabel})
        label->setWordWrap(false);

    auto* createButton = named(
        makeButton(this, QStringLiteral("Create File"), bold12, 5880, 1500, 2280, 495), "Command4");
    createButton->setToolTip(QStringLiteral("create a new, empty QRA database file"));
    auto* deleteButton = named(
        makeButton(this, QStringLiteral("Delete File"), bold12, 8280, 1500, 2280, 495), "Command1");

    viewFrame = named(makeFrame(this, 5880, 2100, 4680, 1080), "Frame2");
    viewButton = named(
        makeButton(viewFrame, QStringLiteral("&View/Edit"), bold12, 120, 270, 2040, 495), "View");
    viewButton->setToolTip(QStringLiteral("examine and change square records "));
    const char* maps[] = {"World", "Europe", "USA"};
    for (int i = 0; i < 3; ++i) {
        mapChoice.add(i + 1, named(makeOption(viewFrame, QString::fromLatin1(maps[i]), plain975,
                                              2400, 90 + 300 * i, 2160, 300),
                                   "Option3"));
    }
    mapChoice(1)->setChecked(true);

    importAdifButton =
        named(makeButton(this, QStringLiteral("Import ADIF"), bold975, 5880, 3300, 2280, 420),
              "Command2");
    importAdifButton->setToolTip(QStringLiteral("Import from V2 ADIF log file"));
    importEdiButton = named(
        makeButton(this, QStringLiteral("Import EDI"), bold975, 8280, 3300, 2280, 420), "Command6");
    importEdiButton->setToolTip(QStringLiteral("Import in EDI logfile format"));

    summaryFrame = named(makeFrame(this, 5880, 3780, 1920, 780), "Frame1");
    workedOption =
        named(makeOption(summaryFrame, QStringLiteral("Worked"), plain975, 120, 90, 1680, 300),
              "Option1");
    workedOption->setToolTip(QStringLiteral("List worked (and confirmed) squares"));
    confirmedOption =
        named(makeOption(summaryFrame, QStringLiteral("Confirmed"), plain975, 120, 390, 1680, 300),
              "Option2");
    confirmedOption->setToolTip(QStringLiteral("List only confirmed squares"));
    auto* summaryChoice = new OptionGroup(this);
    summaryChoice->add(1, workedOption);
    summaryChoice->add(2, confirmedOption);
    workedOption->setChecked(true);
    summaryButton = named(
        makeButton(this, QStringLiteral("Summary to Text File"), bold975, 7920, 3960, 2640, 420),
        "Command5");
    summaryButton->setToolTip(QStringLiteral("List worked/confirmed to a text file"));

    auto* quitButton =
        named(makeButton(this, QStringLiteral("&Quit"), bold12, 8280, 6660, 2280, 495), "Command3");
    quitButton->setToolTip(QStringLiteral("Quit back to windows"));

    for (QWidget* w : std::initializer_list<QWidget*>{title,
                                                      version,
                                                      listCaption,
                                                      fileLabel,
                                                      squaresWorkedLabel,
                                                      squaresConfirmedLabel,
                                                      fieldsWorkedLabel,
                                                      odxLabel,
                                                      createButton,
                                                      deleteButton,
                                                      quitButton,
                                                      viewFrame,
                                                      viewButton,
                                                      mapChoice(1),
                                                      mapChoice(2),
                                                      mapChoice(3),
                                                      importAdifButton,
                                                      importEdiButton,
                                                      summaryFrame,
                                                      workedOption,
                                                      confirmedOption,
                                                      summaryButton}) {
        setBackgroundColour(w, kWindowColour);
    }

    connect(fileList, &FileList::click, this, &MainMenuWindow::onFileClicked);
    connect(createButton, &QPushButton::clicked, this, &MainMenuWindow::onCreateClicked);
    connect(deleteButton, &QPushButton::clicked, this, &MainMenuWindow::onDeleteClicked);
    connect(quitButton, &QPushButton::clicked, this, &MainMenuWindow::onQuitClicked);
    connect(importAdifButton, &QPushButton::clicked, this, &MainMenuWindow::onImportAdifClicked);
    connect(importEdiButton, &QPushButton::clicked, this, &MainMenuWindow::onImportEdiClicked);
    connect(summaryButton, &QPushButton::clicked, this, &MainMenuWindow::onSummaryClicked);
    connect(viewButton, &QPushButton::clicked, this, &MainMenuWindow::onViewClicked);
    importRunner = new ImportRunner(windows, this);
    connect(importRunner, &ImportRunner::finished, this, &MainMenuWindow::onImportFinished);
    summaryJob = new QFutureWatcher<Error>(this);
    connect(summaryJob, &QFutureWatcher<Error>::finished, this, &MainMenuWindow::onSummaryFinished);
}

MainMenuWindow::~MainMenuWindow() = default;

void MainMenuWindow::onLoad() {
    fileList->setPattern(QStringLiteral("*.qra"));
    fileList->setFont(sansFont(12, true));
    resetSelection();
    fileList->refresh();
}

void MainMenuWindow::closeRequested() {
    // An import must not stop halfway: the window stays until it has ended.
    if (isWorking()) return;
    onQuitClicked();
}

void MainMenuWindow::refreshList() {
    fileList->refresh();
}

bool MainMenuWindow::selectDatabase(const QString& name) {
    return fileList->clickName(name);
}

void MainMenuWindow::onFileClicked() {
    const QString name = fileList->fileName();
    const QString path =
        name.isEmpty() ? QString() : QDir(fileList->folder()).absoluteFilePath(name);
    state().databasePath = path;
    // An import killed halfway is completed or undone before anything is shown.
    Error error;
    if (!path.isEmpty() && !recoverInterruptedImport(path, windows().databaseFolder(),
                                                     QFileInfo(path).absolutePath(), error))
        dialogs().message(QStringLiteral("An earlier import could not be completed: ") +
                          error.message());
    showStatistics(true, true);
}

void MainMenuWindow::showStatistics(bool reportFailure, bool reportSize) {
    const QString path = state().databasePath;
    if (path.isEmpty()) return;
    const QString name = QFileInfo(path).fileName();
    const std::string homeloc = toLatin1Text(homeLocatorFromFileName(name));
    Error error;
    const std::optional<Statistics> stats = computeStatistics(path, homeloc, error);
    if (!stats) {
        // Nothing of the previous file may stay on show as if it were this one's,
        // and a file that has gone leaves the list.
        resetSelection();
        fileList->refresh();
        if (!reportFailure) return;
        dialogs().message(QStringLiteral("Could not read ") + name + QStringLiteral(": ") +
                          error.reason);
        return;
    }
    if (const QString warning = databaseSizeWarning(name, stats->fileSize);
        reportSize && !warning.isEmpty())
        dialogs().message(warning);
    const StatisticsCaptions captions = statisticsCaptions(*stats, toLatin1Text(name));
    // The name as listed, also where it has characters beyond Latin-1; one too
    // long for the line loses its middle, where names differ least (band and
    // locator lead, the suffix ends), and the tool tip has it whole.
    const QString caption = fromLatin1Text(kFileCaption);
    const QFontMetrics metrics(fileLabel->font());
    const QString shown = metrics.elidedText(
        name, Qt::ElideMiddle, fileLabel->width() - metrics.horizontalAdvance(caption));
    fileLabel->setText(caption + shown);
    fileLabel->setToolTip(shown == name ? QString() : name);
    squaresWorkedLabel->setText(fromLatin1Text(captions.label3));
    squaresConfirmedLabel->setText(fromLatin1Text(captions.label4));
    fieldsWorkedLabel->setText(fromLatin1Text(captions.label2));
    odxLabel->setText(fromLatin1Text(captions.label7));
    setDatabaseControlsVisible(true);
    watchDatabase();
}

void MainMenuWindow::watchDatabase() {
    const QString path = state().databasePath;
    if (watcher && watcher->property("path").toString() == path) return;
    watcher = std::make_unique<DatabaseWatcher>(path);
    watcher->setProperty("path", path);
    connect(watcher.get(), &DatabaseWatcher::changed, this, [this] {
        // Another program has written the database: the totals follow, while
        // this menu shows it.
        if (isVisible() && !state().databasePath.isEmpty()) showStatistics(false);
    });
}

void MainMenuWindow::resetSelection() {
    state().databasePath.clear();
    watcher.reset();
    for (QLabel* label :
         {fileLabel, squaresWorkedLabel, squaresConfirmedLabel, fieldsWorkedLabel, odxLabel})
        label->clear();
    fileLabel->setToolTip(QString());
    setDatabaseControlsVisible(false);
    fileList->clearSelection();
}

void MainMenuWindow::setDatabaseControlsVisible(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{viewButton, importEdiButton, summaryButton,
                                                      importAdifButton, summaryFrame, viewFrame,
                                                      workedOption, confirmedOption}) {
        w->setVisible(visible);
    }
}

void MainMenuWindow::onCreateClicked() {
    windows().unload(kMainMenuWindow);
    windows().show(kCreateDatabaseWindow);
}

void MainMenuWindow::onDeleteClicked() {
    windows().hide(kMainMenuWindow);
    windows().show(kDeleteDatabaseWindow);
}

void MainMenuWindow::onQuitClicked() {
    windows().end();
}

void MainMenuWindow::setWorking(bool working) {
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow()) w->setEnabled(!working);
    }
}

bool MainMenuWindow::isWorking() const {
    return importRunner->isRunning() || summaryJob->isRunning();
}

void MainMenuWindow::onImportAdifClicked() {
    if (importRunner->start(ImportKind::Adif, state().databasePath)) setWorking(true);
}

void MainMenuWindow::onImportEdiClicked() {
    if (importRunner->start(ImportKind::Edi, state().databasePath)) setWorking(true);
}

void MainMenuWindow::onImportFinished() {
    setWorking(false);
    // The import has said what failed; a database it could not read is not
    // reported a second time.
    showStatistics(false);
}

void MainMenuWindow::onSummaryClicked() {
    const QString path = state().databasePath;
    const QString name = QFileInfo(path).fileName();
    const SummaryMode mode =
        confirmedOption->isChecked() ? SummaryMode::Confirmed : SummaryMode::Worked;
    const QDir folder(fileList->folder());
    FileDialogRequest request;
    request.filter = QStringLiteral("txt files|*.txt");
    request.filterIndex = 1;
    request.title = QStringLiteral("Name of output file");
    request.proposedName = proposedSummaryName(name);
    request.directory = folder.path();
    // Cancel writes nothing.
    const std::optional<QString> chosen = dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty()) return;
    setWorking(true);
    summaryBusy = std::make_unique<BusyCursor>();
    summaryJob->setFuture(
        QtConcurrent::run([path, out = folder.absoluteFilePath(*chosen), name,
                           home = toLatin1Text(homeLocatorFromFileName(name)), mode] {
            Error error;
            writeSummary(path, out, name, home, mode, error);
            return error;
        }));
}

void MainMenuWindow::onSummaryFinished() {
    summaryBusy.reset();
    setWorking(false);
    if (const Error error = summaryJob->result(); error.isSet())
        dialogs().message(QStringLiteral("The summary could not be written: ") + error.message());
}

void MainMenuWindow::onViewClicked() {
    if (const int view = mapChoice.selectedIndex(); view != 0)
        state().mapview = static_cast<std::int16_t>(view);
    windows().unload(kMainMenuWindow);
    windows().show(kFieldMapWindow);
}

}  // namespace morvel
