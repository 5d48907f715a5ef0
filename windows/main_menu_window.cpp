#include "windows/main_menu_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

#include "database/database_document.h"
#include "database/database_watcher.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "import/import_frame.h"
#include "live/live_session.h"
#include "statistics/statistics.h"
#include "statistics/summary.h"
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
    makeListAndStatistics();
    makeDatabaseControls();
    // Everything in the window's colour but the list, which keeps a list's.
    setBackgroundColour(this, kWindowColour);
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w != fileList && !fileList->isAncestorOf(w)) setBackgroundColour(w, kWindowColour);
    }
    makeListenControls();
    importRunner = new ImportRunner(windows, this);
    connect(importRunner, &ImportRunner::finished, this, &MainMenuWindow::onImportFinished);
    summaryJob = new QFutureWatcher<Error>(this);
    connect(summaryJob, &QFutureWatcher<Error>::finished, this, &MainMenuWindow::onSummaryFinished);
}

void MainMenuWindow::makeListAndStatistics() {
    const QFont bold12 = sansFont(12, true);
    named(makeLabel(this, QStringLiteral("Morvel the QRA Squares database by Tovrin"),
                    sansFont(18, true), 240, 120, 10320, 540),
          "Label1");
    named(makeLabel(this, QStringLiteral("Version 2.8"), sansFont(9.75), 240, 660, 2400, 300), "v");
    named(makeLabel(this, QStringLiteral("QRA Databases - click on filename to select"), bold12,
                    240, 1080, 6000, 375),
          "Label6");
    fileList = named(new FileList(windows().databaseFolder(), this), "File1");
    placeTwips(fileList, 240, 1500, 5400, 2880);
    connect(fileList, &FileList::click, this, &MainMenuWindow::onFileClicked);
    folderWatcher = new FolderWatcher(windows().databaseFolder(), this);
    connect(folderWatcher, &FolderWatcher::changed, this, &MainMenuWindow::onFolderChanged);

    const QFont statistics = sansFont(13.5);
    const auto line = [&](const char* name, int top, int width) {
        QLabel* label = named(makeLabel(this, QString(), statistics, 240, top, width, 420), name);
        label->setWordWrap(false);
        return label;
    };
    fileLabel = line("Label5", 4560, 10320);
    squaresWorkedLabel = line("Label3", 5010, 10320);
    squaresConfirmedLabel = line("Label4", 5460, 10320);
    fieldsWorkedLabel = line("Label2", 5910, 10320);
    odxLabel = line("Label7", 6360, 8000);

    const struct {
        const char *name, *caption, *toolTip;
        int left, top;
        void (MainMenuWindow::*handler)();
    } buttons[] = {
        {"Command4", "Create File", "create a new, empty QRA database file", 5880, 1500,
         &MainMenuWindow::onCreateClicked},
        {"Command1", "Delete File", "", 8280, 1500, &MainMenuWindow::onDeleteClicked},
        {"Command3", "&Quit", "Quit back to windows", 8280, 6660, &MainMenuWindow::onQuitClicked},
    };
    for (const auto& b : buttons) {
        QPushButton* button = named(
            makeButton(this, QString::fromLatin1(b.caption), bold12, b.left, b.top, 2280, 495),
            b.name);
        button->setToolTip(QString::fromLatin1(b.toolTip));
        connect(button, &QPushButton::clicked, this, b.handler);
    }
}

void MainMenuWindow::makeDatabaseControls() {
    const QFont bold975 = sansFont(9.75, true);
    const QFont plain975 = sansFont(9.75);
    viewFrame = named(makeFrame(this, 5880, 2100, 4680, 1080), "Frame2");
    viewButton = named(makeButton(viewFrame, QStringLiteral("&View/Edit"), sansFont(12, true), 120,
                                  270, 2040, 495),
                       "View");
    viewButton->setToolTip(QStringLiteral("examine and change square records "));
    mapChoice = new QButtonGroup(this);
    const char* maps[] = {"World", "Europe", "USA"};
    for (int i = 0; i < 3; ++i) {
        mapChoice->addButton(named(makeOption(viewFrame, QString::fromLatin1(maps[i]), plain975,
                                              2400, 90 + 300 * i, 2160, 300),
                                   "Option3"),
                             i + 1);
    }
    mapChoice->button(1)->setChecked(true);

    const auto button = [&](const char* name, const char* caption, const char* toolTip, int left,
                            int top, int width) {
        QPushButton* b = named(
            makeButton(this, QString::fromLatin1(caption), bold975, left, top, width, 420), name);
        b->setToolTip(QString::fromLatin1(toolTip));
        return b;
    };
    importAdifButton =
        button("Command2", "Import ADIF", "Import from V2 ADIF log file", 5880, 3300, 2280);
    importEdiButton =
        button("Command6", "Import EDI", "Import in EDI logfile format", 8280, 3300, 2280);
    summaryButton = button("Command5", "Summary to Text File",
                           "List worked/confirmed to a text file", 7920, 3960, 2640);

    summaryFrame = named(makeFrame(this, 5880, 3780, 1920, 780), "Frame1");
    workedOption =
        named(makeOption(summaryFrame, QStringLiteral("Worked"), plain975, 120, 90, 1680, 300),
              "Option1");
    workedOption->setToolTip(QStringLiteral("List worked (and confirmed) squares"));
    confirmedOption =
        named(makeOption(summaryFrame, QStringLiteral("Confirmed"), plain975, 120, 390, 1680, 300),
              "Option2");
    confirmedOption->setToolTip(QStringLiteral("List only confirmed squares"));
    auto* summaryChoice = new QButtonGroup(this);
    summaryChoice->addButton(workedOption, 1);
    summaryChoice->addButton(confirmedOption, 2);
    workedOption->setChecked(true);

    connect(importAdifButton, &QPushButton::clicked, this, &MainMenuWindow::onImportAdifClicked);
    connect(importEdiButton, &QPushButton::clicked, this, &MainMenuWindow::onImportEdiClicked);
    connect(summaryButton, &QPushButton::clicked, this, &MainMenuWindow::onSummaryClicked);
    connect(viewButton, &QPushButton::clicked, this, &MainMenuWindow::onViewClicked);

    // Below the statistics, clear of every other control, its foot level with
    // Quit's; it works on the whole folder, so it is there with or without a
    // database selected.
    QPushButton* overview =
        named(makeButton(this, QStringLiteral("Every Band..."), bold975, 5880, 6780, 2280, 375),
              "Overview");
    overview->setToolTip(QStringLiteral("all databases at a glance, needed squares, award lists"));
    connect(overview, &QPushButton::clicked, this, &MainMenuWindow::onOverviewClicked);
    // Above Quit, for the whole folder too (the services' confirmations go
    // to every database of their bands), beside the statistics' short lines.
    QPushButton* download =
        named(makeButton(this, QStringLiteral("Confirmations..."), bold975, 8280, 6180, 2280, 375),
              "DownloadConfirmationsButton");
    download->setToolTip(
        QStringLiteral("download confirmations from LoTW, eQSL or the QRZ logbook"));
    connect(download, &QPushButton::clicked, this, &MainMenuWindow::onDownloadClicked);
    // Above Every Band..., with the database's other controls: it opens on
    // the view chosen beside View/Edit.
    movingMapButton =
        named(makeButton(this, QStringLiteral("Moving Map..."), bold975, 5880, 6180, 2280, 375),
              "MovingMapButton");
    movingMapButton->setToolTip(
        QStringLiteral("zoom and pan, every band at once, the contact under the pointer"));
    connect(movingMapButton, &QPushButton::clicked, this, &MainMenuWindow::onMovingMapClicked);
}

namespace {
const QString kListenSourceKey = QStringLiteral("live/source");
const QString kListenHighlightKey = QStringLiteral("live/highlight");
}  // namespace

// In the free row under the title and the free lines under the statistics,
// so that nothing the menu always had moves.
void MainMenuWindow::makeListenControls() {
    const QFont plain975 = sansFont(9.75);
    listenSource = named(new QLineEdit(this), "ListenSource");
    listenSource->setFont(plain975);
    placeTwips(listenSource, 2760, 660, 3960, 375);
    listenSource->setToolTip(
        QStringLiteral("where contacts come from: [address:]port of the UDP server "
                       "(127.0.0.1:2237), a multicast group:port, or a log file"));
    listenHighlight = named(new QCheckBox(QStringLiteral("Highlight"), this), "ListenHighlight");
    listenHighlight->setFont(plain975);
    placeTwips(listenHighlight, 6840, 660, 1320, 375);
    listenHighlight->setToolTip(
        QStringLiteral("colour callers in needed squares in the digital-mode program"));
    listenButton = named(
        makeButton(this, QStringLiteral("Listen"), sansFont(9.75, true), 8280, 660, 2280, 375),
        "ListenButton");
    listenButton->setToolTip(QStringLiteral("take contacts into this database as they are logged"));
    // Left of Every Band..., which stands level with Quit.
    listenLabel = named(makeLabel(this, QString(), plain975, 240, 6820, 5520, 270), "ListenLine");
    newSquareLabel = named(makeLabel(this, QString(), sansFont(9.75, true), 240, 7090, 5520, 270),
                           "NewSquareLine");
    for (QLabel* label : {listenLabel, newSquareLabel}) label->setWordWrap(false);
    for (QWidget* w : std::initializer_list<QWidget*>{listenHighlight, listenButton, listenLabel,
                                                      newSquareLabel})
        setBackgroundColour(w, kWindowColour);
    if (QSettings* settings = windows().settings()) {
        listenSource->setText(
            settings->value(kListenSourceKey, QStringLiteral("127.0.0.1:2237")).toString());
        listenHighlight->setChecked(settings->value(kListenHighlightKey, false).toBool());
    } else {
        listenSource->setText(QStringLiteral("127.0.0.1:2237"));
    }
    connect(listenButton, &QPushButton::clicked, this, &MainMenuWindow::onListenClicked);
    connectLive();
}

void MainMenuWindow::connectLive() {
    if (const auto& session = state().live) {
        connect(session.get(), &live::LiveSession::countsChanged, this,
                &MainMenuWindow::showListening);
        connect(session.get(), &live::LiveSession::contactTaken, this,
                [this](const live::TakenContact& c) {
                    if (!c.newSquare) return;
                    newSquareLabel->setText(QStringLiteral("New square ") + c.square +
                                            QStringLiteral(": ") + c.call + QStringLiteral(" on ") +
                                            c.band);
                    newSquareLabel->setToolTip(QString());
                });
        // What the session says (waiting for a lock, dropped datagrams) takes
        // the line under the counts until the next new square.
        connect(session.get(), &live::LiveSession::notice, this, &MainMenuWindow::showLiveNotice);
        // A write that failed (a full disk) leaves its contacts waiting; the
        // session tries again and goes on listening, so it is only told.
        connect(session.get(), &live::LiveSession::failed, this, [this](const QString& message) {
            showLiveNotice(failureText(message));
        });
    }
    showListening();
    if (state().live && !state().live->lastFailure().isEmpty())
        showLiveNotice(failureText(state().live->lastFailure()));
}

QString MainMenuWindow::failureText(const QString& message) {
    return QStringLiteral("Not written yet, tried again: ") + message;
}

void MainMenuWindow::showLiveNotice(const QString& message) {
    newSquareLabel->setText(
        newSquareLabel->fontMetrics().elidedText(message, Qt::ElideMiddle, newSquareLabel->width()));
    newSquareLabel->setToolTip(message);
}

void MainMenuWindow::showListening() {
    const auto& session = state().live;
    const bool on = session && session->listening();
    const bool selected = !state().databasePath.isEmpty();
    listenButton->setText(on ? QStringLiteral("Stop Listening") : QStringLiteral("Listen"));
    for (QWidget* w : std::initializer_list<QWidget*>{listenSource, listenHighlight, listenButton})
        w->setVisible(on || selected);
    listenSource->setEnabled(!on);
    listenHighlight->setEnabled(!on);
    listenLabel->setVisible(on);
    newSquareLabel->setVisible(on);
    if (!on) return;
    // The last new square has its own line below. The source stays in its
    // field above, so the line names the database and the counts, and its
    // tool tip all three.
    const QString name = QFileInfo(session->databasePath()).fileName();
    const QString counts = live::countsText(session->counts());
    const QString line = QStringLiteral("Listening for ") + name + QStringLiteral(": ") + counts;
    listenLabel->setText(
        listenLabel->fontMetrics().elidedText(line, Qt::ElideMiddle, listenLabel->width()));
    listenLabel->setToolTip(QStringLiteral("Listening on ") + session->settings().describe() +
                            QStringLiteral(" for ") + name + QStringLiteral(": ") + counts);
}

void MainMenuWindow::onListenClicked() {
    // A session that stopped by itself (a write failed while this menu was
    // unloaded) is let go, and Listen starts a new one.
    if (state().live && !state().live->listening()) state().live.reset();
    if (state().live) {
        Error error;
        const auto session = std::move(state().live);
        if (!session->stop(error)) dialogs().message(error.message());
        newSquareLabel->clear();
        showListening();
        return;
    }
    const QString path = state().databasePath;
    if (path.isEmpty()) return;
    live::LiveSettings settings;
    QString reason;
    if (!live::LiveSettings::fromText(listenSource->text(), listenHighlight->isChecked(), settings,
                                      reason)) {
        dialogs().message(QStringLiteral("Not a source to listen to: ") + listenSource->text() +
                          (reason.isEmpty() ? QString() : QStringLiteral("\n") + reason));
        return;
    }
    if (!settings.logPath.isEmpty())
        settings.logPath = QDir(windows().databaseFolder()).absoluteFilePath(settings.logPath);
    if (QSettings* store = windows().settings()) {
        store->setValue(kListenSourceKey, listenSource->text().trimmed());
        store->setValue(kListenHighlightKey, listenHighlight->isChecked());
    }
    // Through the database's one owner, so that every window showing it
    // draws the contacts as soon as they are written.
    auto session =
        std::make_shared<live::LiveSession>(windows().document(path), windows().databaseFolder(),
                                            QFileInfo(path).absolutePath(), settings);
    Error error;
    if (!session->start(error)) {
        dialogs().message(QStringLiteral("Cannot listen: ") + error.message());
        return;
    }
    state().live = session;
    newSquareLabel->clear();
    connectLive();
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

void MainMenuWindow::onFolderChanged() {
    // While an import runs the list stays as the user left it.
    if (isWorking() || !fileList->follow()) return;
    if (!state().databasePath.isEmpty() && fileList->fileName().isEmpty()) resetSelection();
}

bool MainMenuWindow::selectDatabase(const QString& name) {
    return fileList->clickName(name);
}

void MainMenuWindow::onFileClicked() {
    const QString name = fileList->fileName();
    const QString path =
        name.isEmpty() ? QString() : QDir(fileList->folder()).absoluteFilePath(name);
    // A session never goes on feeding one database while another is shown.
    if (const auto& session = state().live; session && session->listening() && !path.isEmpty() &&
                                            QFileInfo(path) != QFileInfo(session->databasePath())) {
        const QString listened = QFileInfo(session->databasePath()).fileName();
        const MessageAnswer answer = dialogs().messageBox(
            QStringLiteral("Listening goes on into ") + listened +
                QStringLiteral(". Stop listening and select ") +
                (name.isEmpty() ? QStringLiteral("another database") : name) + QStringLiteral("?"),
            QStringLiteral("Stop listening?"), MessageButtons::YesNo, MessageAnswer::No);
        if (answer != MessageAnswer::Yes) {
            const QList<QListWidgetItem*> items = fileList->findItems(listened, Qt::MatchExactly);
            if (!items.isEmpty()) fileList->setCurrentItem(items.front());
            return;
        }
        onListenClicked();
    }
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
    if (!document || document->path() != QFileInfo(path).absoluteFilePath()) {
        document = windows().document(path);
        connect(document.get(), &DatabaseDocument::contentsChanged, this, [this] {
            // A write of any writer: the totals follow while this menu shows them.
            if (!readingStatistics && isVisible() && !state().databasePath.isEmpty())
                showStatistics(false);
        });
    }
    // What the owner holds may be older than the file (another program wrote
    // it before its watcher said so).
    readingStatistics = true;
    document->refreshNow();
    readingStatistics = false;
    const Contents contents = document->contents();
    const Error error = contents->problem;
    std::optional<Statistics> stats;
    if (!error.isSet()) {
        stats = computeStatistics(contents->records, homeloc);
        stats->fileSize = contents->fileSize;
    }
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
    squaresWorkedLabel->setText(fromLatin1Text(captions.squaresWorkedLine));
    squaresConfirmedLabel->setText(fromLatin1Text(captions.squaresConfirmedLine));
    fieldsWorkedLabel->setText(fromLatin1Text(captions.fieldsWorkedLine));
    odxLabel->setText(fromLatin1Text(captions.odxLine));
    setDatabaseControlsVisible(true);
    showListening();
}

void MainMenuWindow::resetSelection() {
    state().databasePath.clear();
    if (document) document->disconnect(this);
    document.reset();
    for (QLabel* label :
         {fileLabel, squaresWorkedLabel, squaresConfirmedLabel, fieldsWorkedLabel, odxLabel})
        label->clear();
    fileLabel->setToolTip(QString());
    setDatabaseControlsVisible(false);
    fileList->clearSelection();
    showListening();
}

void MainMenuWindow::setDatabaseControlsVisible(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             viewButton, importEdiButton, summaryButton, importAdifButton, summaryFrame, viewFrame,
             workedOption, confirmedOption, movingMapButton}) {
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
    fileList->follow();
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
    summaryJob->setFuture(QtConcurrent::run(
        &windows().jobs(), [path, out = folder.absoluteFilePath(*chosen), name,
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

void MainMenuWindow::onOverviewClicked() {
    windows().unload(kMainMenuWindow);
    windows().show(kOverviewWindow);
}

void MainMenuWindow::onDownloadClicked() {
    windows().unload(kMainMenuWindow);
    windows().show(kDownloadWindow);
}

void MainMenuWindow::onMovingMapClicked() {
    if (const int view = mapChoice->checkedId(); view > 0)
        state().mapview = static_cast<std::int16_t>(view);
    windows().unload(kMainMenuWindow);
    windows().show(kMovingMapWindow);
}

void MainMenuWindow::onViewClicked() {
    if (const int view = mapChoice->checkedId(); view > 0)
        state().mapview = static_cast<std::int16_t>(view);
    windows().unload(kMainMenuWindow);
    windows().show(kFieldMapWindow);
}

}  // namespace morvel
