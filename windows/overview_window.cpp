#include "windows/overview_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "maps/map_export.h"
#include "maps/outline_file.h"
#include "statistics/award_list.h"
#include "statistics/needed_squares.h"
#include "ui/busy_cursor.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/windows.h"
#include "windows/save_map.h"
#include "windows/window_names.h"

namespace morvel {

namespace {

constexpr int kColumns = 14;  // as the CLI's table: band, file, ... VUCC, the ledger's four, note

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setFont(sansFont(9.75, true));
    return b;
}

}  // namespace

OverviewWindow::OverviewWindow(Windows& windows, QString folder)
    : Form(windows, kOverviewWindow), folder_(std::move(folder)) {
    setWindowTitle(QStringLiteral("Morvel: Every Band at a Glance"));
    resize(980, 620);
    auto* layout = new QVBoxLayout(this);
    table = named(new QTableWidget(this), "OverviewTable");
    table->setColumnCount(kColumns);
    table->setHorizontalHeaderLabels({"Band", "File", "Worked", "Confirmed", "Fields", "ODX call",
                                      "ODX locator", "ODX km", "VUCC", "VUCC card/LoTW",
                                      "eQSL only", "Source unknown", "From elsewhere", "Note"});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    // Tab leaves the table for the next control; the arrow keys move within it.
    table->setTabKeyNavigation(false);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 3);

    auto* lower = new QHBoxLayout;
    auto* neededBox = new QVBoxLayout;
    auto* neededControls = new QHBoxLayout;
    neededControls->addWidget(new QLabel(QStringLiteral("Needed squares within"), this));
    within = named(new QSpinBox(this), "Within");
    within->setRange(0, 20100);
    within->setSingleStep(100);
    within->setValue(1000);
    within->setSuffix(QStringLiteral(" km"));
    neededControls->addWidget(within);
    unconfirmed =
        named(new QCheckBox(QStringLiteral("worked, not confirmed"), this), "Unconfirmed");
    neededControls->addWidget(unconfirmed);
    neededControls->addStretch();
    neededBox->addLayout(neededControls);
    neededList = named(new QListWidget(this), "NeededList");
    neededList->setFont(QFont(QStringLiteral("Monospace"), 10));
    neededBox->addWidget(neededList);
    lower->addLayout(neededBox, 2);

    auto* actions = new QVBoxLayout;
    mapView = named(new QComboBox(this), "MapView");
    mapView->addItem(QStringLiteral("World"), kViewWorld);
    mapView->addItem(QStringLiteral("Europe"), kViewEurope);
    mapView->addItem(QStringLiteral("N America"), kViewNorthAmerica);
    actions->addWidget(new QLabel(QStringLiteral("Map of the ticked databases"), this));
    actions->addWidget(mapView);
    mapButton = button(this, "AllBandsMap", QStringLiteral("All-Bands Map..."));
    actions->addWidget(mapButton);
    actions->addSpacing(16);
    awardConfirmed =
        named(new QCheckBox(QStringLiteral("confirmed squares only"), this), "AwardConfirmed");
    actions->addWidget(new QLabel(QStringLiteral("Award list of the selected database"), this));
    actions->addWidget(awardConfirmed);
    awardButton = button(this, "AwardList", QStringLiteral("Award List..."));
    actions->addWidget(awardButton);
    actions->addStretch();
    QPushButton* back = button(this, "MainMenu", QStringLiteral("Main Menu"));
    actions->addWidget(back);
    lower->addLayout(actions, 1);
    layout->addLayout(lower, 2);
    setWindowColours(this, kWindowColour);
    for (QWidget* view : std::initializer_list<QWidget*>{table, neededList}) keepViewColours(view);
    // The column headers in the window's colours, as the buttons are.
    QPalette header = table->horizontalHeader()->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
        header.setColor(role, kWindowColour);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        header.setColor(role, kWindowTextColour);
    table->horizontalHeader()->setPalette(header);
    // Drawn by Fusion, which takes the palette's text as it is: Adwaita-Dark
    // lightens a header's text below a readable contrast.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        fusion->setParent(table->horizontalHeader());
        table->horizontalHeader()->setStyle(fusion);
    }

    connect(table, &QTableWidget::itemSelectionChanged, this, &OverviewWindow::showNeeded);
    connect(within, &QSpinBox::valueChanged, this, &OverviewWindow::showNeeded);
    connect(unconfirmed, &QCheckBox::toggled, this, &OverviewWindow::showNeeded);
    connect(mapButton, &QPushButton::clicked, this, &OverviewWindow::onMapClicked);
    connect(awardButton, &QPushButton::clicked, this, &OverviewWindow::onAwardListClicked);
    connect(back, &QPushButton::clicked, this, &OverviewWindow::onBackClicked);

    overviewJob = new QFutureWatcher<Overview>(this);
    neededJob = new QFutureWatcher<Needed>(this);
    mapJob = new QFutureWatcher<Databases>(this);
    awardJob = new QFutureWatcher<QStringList>(this);
    connect(overviewJob, &QFutureWatcher<Overview>::finished, this,
            &OverviewWindow::onOverviewRead);
    connect(neededJob, &QFutureWatcher<Needed>::finished, this, &OverviewWindow::onNeededRead);
    connect(mapJob, &QFutureWatcher<Databases>::finished, this, &OverviewWindow::onMapRead);
    connect(awardJob, &QFutureWatcher<QStringList>::finished, this,
            &OverviewWindow::onAwardListWritten);
}

// A job still running when the window goes finishes on its own; its result is dropped.
OverviewWindow::~OverviewWindow() = default;

void OverviewWindow::updateBusy() {
    // Counted from each start until its result is handled: a watcher says
    // a job is no longer running before its result has come back.
    if (working == 0) {
        busy.reset();
    } else if (!busy) {
        busy = std::make_unique<BusyCursor>();
    }
}

void OverviewWindow::onLoad() {
    refresh();
}

void OverviewWindow::closeRequested() {
    onBackClicked();
}

void OverviewWindow::refresh() {
    ++working;
    overviewJob->setFuture(QtConcurrent::run(
        &windows().jobs(),
        [folder = folder_, &pool = windows().jobs()] { return buildOverview(folder, pool); }));
    updateBusy();
}

void OverviewWindow::onOverviewRead() {
    overview_ = overviewJob->result();
    --working;
    updateBusy();
    const int rows = static_cast<int>(overview_.rows.size());
    table->setRowCount(rows + 1);
    const auto put = [&](int row, int column, const QString& text, bool number) {
        auto* item = new QTableWidgetItem(text);
        if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
        return item;
    };
    int first = -1;
    for (int r = 0; r < rows; ++r) {
        const OverviewRow& row = overview_.rows[static_cast<std::size_t>(r)];
        const Statistics* s = row.stats ? &*row.stats : nullptr;
        QTableWidgetItem* band = put(r, 0, row.band, false);
        // Ticked: on the all-bands map. A file that cannot be read cannot be.
        band->setFlags(s ? band->flags() | Qt::ItemIsUserCheckable : band->flags());
        if (s) band->setCheckState(Qt::Checked);
        put(r, 1, row.fileName, false);
        const bool odx = s && s->odxkm > 0;
        put(r, 2, s ? QString::number(s->squaresWorked) : QString(), true);
        put(r, 3, s ? QString::number(s->squaresConfirmed) : QString(), true);
        put(r, 4, s ? QString::number(s->fieldsWorked) : QString(), true);
        put(r, 5, odx ? fromLatin1Text(s->odxcall).trimmed() : QString(), false);
        put(r, 6, odx ? fromLatin1Text(s->odxloc).trimmed() : QString(), false);
        put(r, 7, odx ? QString::number(static_cast<qint64>(s->odxkm)) : QString(), true);
        put(r, 8, vuccText(row), true);
        // The ledger's counts: what an award checker accepts, and what not.
        const bool counts = row.award && row.threshold > 0;
        const auto count = [counts](int n) { return counts ? QString::number(n) : QString(); };
        put(r, 9, ledgerVuccText(row), true);
        put(r, 10, count(row.award ? row.award->eqslOnly : 0), true);
        put(r, 11, count(row.award ? row.award->unknown : 0), true);
        put(r, 12, count(row.award ? row.award->elsewhere : 0), true);
        put(r, 13, row.problem, false);
        if (first < 0 && s) first = r;
    }
    put(rows, 0, QStringLiteral("All bands"), false);
    put(rows, 1, QStringLiteral("(distinct)"), false);
    put(rows, 2, QString::number(overview_.squaresWorked), true);
    put(rows, 3, QString::number(overview_.squaresConfirmed), true);
    put(rows, 4, QString::number(overview_.fieldsWorked), true);
    put(rows, 9,
        QStringLiteral("SAT ") + QString::number(overview_.satelliteSquares) +
            QStringLiteral(" / ") + QString::number(kSatelliteVuccThreshold),
        true);
    if (overview_.satelliteElsewhere > 0)
        put(rows, 12, QString::number(overview_.satelliteElsewhere), true);
    put(rows, 13, overview_.ledgerProblem, false);
    QFont bold = table->font();
    bold.setBold(true);
    for (int c = 0; c < 5; ++c) table->item(rows, c)->setFont(bold);
    table->resizeColumnsToContents();
    if (first >= 0) table->selectRow(first);
    showNeeded();
}

QString OverviewWindow::chosenPath() const {
    const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
    if (ranges.isEmpty()) return {};
    const auto r = static_cast<std::size_t>(ranges.front().topRow());
    if (r >= overview_.rows.size() || !overview_.rows[r].stats) return {};
    return overview_.rows[r].path;
}

void OverviewWindow::showNeeded() {
    if (neededOpen) {
        neededAgain = true;
        return;
    }
    neededAgain = false;
    neededList->clear();
    const QString path = chosenPath();
    if (path.isEmpty()) return;
    neededList->setEnabled(false);
    neededOpen = true;
    ++working;
    neededJob->setFuture(QtConcurrent::run(
        &windows().jobs(),
        [path, km = within->value(),
         mode = unconfirmed->isChecked() ? NeededMode::Unconfirmed : NeededMode::NotWorked] {
            Needed needed;
            if (!readNeededSquares(path, km, mode, needed.squares, needed.error))
                needed.squares.clear();
            return needed;
        }));
    updateBusy();
}

void OverviewWindow::onNeededRead() {
    const Needed needed = neededJob->result();
    neededOpen = false;
    --working;
    updateBusy();
    // The choice changed meanwhile: only the list it asks for is shown.
    if (neededAgain) {
        showNeeded();
        return;
    }
    neededList->setEnabled(true);
    if (needed.error.isSet()) {
        neededList->addItem(needed.error.message());
        return;
    }
    for (const NeededSquare& s : needed.squares)
        neededList->addItem(QStringLiteral("%1 %2 km %3\u00b0")
                                .arg(QString::fromLatin1(s.square))
                                .arg(static_cast<double>(s.km), 8, 'f', 1)
                                .arg(static_cast<double>(s.bearing), 4, 'f', 0));
}

void OverviewWindow::onMapClicked() {
    if (!mapButton->isEnabled()) return;
    mapViewChosen = mapView->currentData().toInt();
    QStringList paths;
    for (int r = 0; r < static_cast<int>(overview_.rows.size()); ++r) {
        if (table->item(r, 0)->checkState() == Qt::Checked)
            paths << overview_.rows[static_cast<std::size_t>(r)].path;
    }
    mapButton->setEnabled(false);
    ++working;
    mapJob->setFuture(QtConcurrent::run(&windows().jobs(), [paths] {
        Databases databases;
        for (const QString& path : paths) {
            if (!readDatabase(path, databases.records.emplace_back(), databases.error)) break;
        }
        return databases;
    }));
    updateBusy();
}

void OverviewWindow::onMapRead() {
    const Databases read = mapJob->result();
    --working;
    updateBusy();
    mapButton->setEnabled(true);
    if (read.error.isSet()) {
        dialogs().message(QStringLiteral("Cannot read the database: ") + read.error.message());
        return;
    }
    const std::vector<std::vector<FieldRecord>>& databases = read.records;
    const int view = mapViewChosen;
    Error error;
    std::vector<OutlinePoint> outline;
    readOutlineFile(QDir(windows().programFolder()).filePath(kWorldFile), outline, error);
    const QString title = QStringLiteral("All bands ") + QString::fromStdString(viewName(view));
    const MapExport map{QSizeF(1016, 742),
                        [databases, outline, view](QPainter& painter, QSizeF target) {
                            drawAllBandsMap(painter, target, databases, outline, view);
                        },
                        paintedSquares(std::span<const std::vector<FieldRecord>>(databases)),
                        title};
    saveMapAs(this, dialogs(), windows().jobs(), folder_, title + QStringLiteral(".png"), map);
}

void OverviewWindow::onAwardListClicked() {
    const QString path = chosenPath();
    if (path.isEmpty()) {
        dialogs().message(QStringLiteral("Select a database that can be read"));
        return;
    }
    const QString name = QFileInfo(path).fileName();
    FileDialogRequest request;
    request.filter = QStringLiteral("PDF|*.pdf|CSV|*.csv");
    request.title = QStringLiteral("Save the award list");
    request.proposedName = name.left(name.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".pdf");
    request.directory = folder_;
    const std::optional<QString> chosen = dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty() || !awardButton->isEnabled()) return;
    awardButton->setEnabled(false);
    ++working;
    awardJob->setFuture(QtConcurrent::run(
        &windows().jobs(),
        [path, name, confirmedOnly = awardConfirmed->isChecked(),
         out = QDir(folder_).absoluteFilePath(*chosen), today = QDate::currentDate()] {
            QStringList messages;
            std::vector<FieldRecord> records;
            Error error;
            if (!readDatabase(path, records, error)) {
                messages << QStringLiteral("The award list could not be written: ") +
                                error.message();
                return messages;
            }
            AwardList list = buildAwardList(records, name, confirmedOnly);
            // Without the ledger the list is still written, its sources unknown.
            Error ledger;
            if (!addLedgerSources(list, path, ledger))
                messages << QStringLiteral("The ledger could not be read: ") + ledger.message();
            if (!writeAwardList(list, out, today, error))
                messages << QStringLiteral("The award list could not be written: ") +
                                error.message();
            return messages;
        }));
    updateBusy();
}

void OverviewWindow::onAwardListWritten() {
    const QStringList messages = awardJob->result();
    --working;
    updateBusy();
    awardButton->setEnabled(true);
    for (const QString& message : messages) dialogs().message(message);
}

void OverviewWindow::onBackClicked() {
    windows().unload(kOverviewWindow);
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
