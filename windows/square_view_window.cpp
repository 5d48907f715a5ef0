#include "windows/square_view_window.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "database/database_document.h"
#include "database/database_lock.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/square_input.h"
#include "import/square_edit.h"
#include "ledger/ledger.h"
#include "statistics/statistics.h"
#include "ui/busy_cursor.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/drawing_surface.h"
#include "ui/shared_state.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/main_menu_window.h"
#include "windows/save_map.h"
#include "windows/square_edit_panel.h"
#include "windows/window_names.h"

namespace morvel {

namespace {

const QColor kPanelText(128, 64, 64);
const QColor kWorkedText(192, 0, 0);
const QColor kDistanceText(128, 64, 0);

// The designed client area is 15180 by 9720 twips; the hint below it at
// 10200 twips gets room of its own.
constexpr int kClientWidth = 15180;
constexpr int kClientHeight = 10620;
// The right column's left edge, and the top of its lower part (New Field).
constexpr int kColumnLeft = 12480;
constexpr int kLowerTop = 7080;
// Small enough for a 1024 x 600 screen with its title bar and a panel; the
// field keeps cells wide enough for their numbers.
constexpr QSize kMinimumSize(900, 480);

bool isFieldName(const QString& name) {
    return name.size() == 2 && name[0] >= QLatin1Char('A') && name[0] <= QLatin1Char('R') &&
           name[1] >= QLatin1Char('A') && name[1] <= QLatin1Char('R');
}

}  // namespace

SquareViewWindow::SquareViewWindow(Windows& windows, const QString& databasePath)
    : Form(windows, kSquareViewWindow),
      databasePath(databasePath),
      fieldName(state().fieldname),
      homeLocator(toLatin1Text(homeLocatorFromFileName(QFileInfo(databasePath).fileName()))),
      document(windows.document(databasePath)) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Square Display/Edit"));
    setBackgroundColour(this, kWindowColour);

    surface = new DrawingSurface(this);
    surface->canvas().setBackgroundColour(kWindowColour);

    const QFont bold12 = sansFont(12, true);
    const QFont text12 = sansFont(12);
    const QFont button975 = sansFont(9.75);

    fileLabel =
        named(makeLineLabel(this, fromLatin1Text(kFileCaption) + QFileInfo(databasePath).fileName(),
                            sansFont(8.25, true), 12600, 9240, 2415, 375),
              "Label12");
    squareLabel = named(makeLineLabel(this, fieldName, sansFont(24, true), 12840, 7680, 2055, 495),
                        "Label10");
    workedLabel = named(
        makeLineLabel(this, QStringLiteral("Worked"), bold12, 12840, 8400, 1815, 255), "Label8");
    confirmedLabel = named(
        makeLineLabel(this, QStringLiteral("Confirmed"), bold12, 12720, 8760, 1935, 375), "Label9");
    auto* hint = named(makeLineLabel(this, QStringLiteral("Click on square to edit"), bold12, 12480,
                                     10200, 2805, 300),
                       "Label11");

    newFieldButton =
        named(makeButton(this, QStringLiteral("New Field"), sansFont(8.25), 12600, 7080, 975, 375),
              "Command1");
    newFieldButton->setToolTip(QStringLiteral("back to field select screen"));
    mainMenuButton =
        named(makeButton(this, QStringLiteral("Main Menu"), sansFont(8.25), 13920, 7080, 975, 375),
              "Command5");
    // In the free room between the file name and the hint.
    saveAsButton =
        named(makeButton(this, QStringLiteral("Save as"), sansFont(8.25), 12600, 9780, 975, 375),
              "SaveAs");

    editPanel = new SquareEditPanel(this);

    auto* readOutFrame = named(makeFrame(this, 12480, 4560, 2535, 2415), "Frame1");
    readOutFrame->setTitle(QStringLiteral("Current locator"));
    // Empty until the pointer is over a square.
    callLabel =
        named(makeLineLabel(readOutFrame, QString(), text12, 480, 360, 1455, 375), "Label1");
    dateLabel =
        named(makeLineLabel(readOutFrame, QString(), text12, 480, 720, 1215, 375), "Label3");
    locatorLabel =
        named(makeLineLabel(readOutFrame, QString(), text12, 480, 1200, 1335, 375), "Label2");
    stateLabel =
        named(makeLineLabel(readOutFrame, QString(), text12, 480, 1560, 1815, 375), "Label7");
    distanceLabel =
        named(makeLineLabel(readOutFrame, QStringLiteral("dx in km"), text12, 480, 2040, 1815, 255),
              "Label13");
    sourcesLabel =
        named(makeLineLabel(this, QString(), sansFont(8.25), 12480, 3960, 2535, 495), "Sources");
    sourcesLabel->setWordWrap(true);
    sourcesLabel->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

    for (QWidget* w : std::initializer_list<QWidget*>{
             fileLabel, squareLabel, workedLabel, confirmedLabel, hint, newFieldButton,
             mainMenuButton, saveAsButton, readOutFrame, callLabel, dateLabel, locatorLabel,
             stateLabel, distanceLabel, sourcesLabel}) {
        setBackgroundColour(w, kWindowColour);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{squareLabel, confirmedLabel})
        setTextColour(w, kGreenTextColour);
    setTextColour(workedLabel, kWorkedText);
    for (QWidget* w : std::initializer_list<QWidget*>{readOutFrame, callLabel, dateLabel,
                                                      locatorLabel, stateLabel, sourcesLabel})
        setTextColour(w, kPanelText);
    setTextColour(distanceLabel, kDistanceText);
    // The file name and the hint wrap within the window rather than be cut
    // off at its right edge; the window grows downwards to hold the hint.
    const int rightEdge = twipsToPixels(kClientWidth) - 4;
    for (QLabel* label : {fileLabel, hint}) {
        label->setWordWrap(true);
        label->resize(rightEdge - label->x(),
                      std::max(label->heightForWidth(rightEdge - label->x()),
                               2 * label->fontMetrics().lineSpacing()));
    }
    designedSize_ = QSize(twipsToPixels(kClientWidth),
                          std::max(twipsToPixels(kClientHeight), hint->geometry().bottom() + 8));
    setMinimumSize(kMinimumSize);
    resize(designedSize_);
    for (QWidget* w :
         std::initializer_list<QWidget*>{fileLabel, squareLabel, workedLabel, confirmedLabel, hint,
                                         newFieldButton, mainMenuButton, saveAsButton})
        rightColumn_.push_back({w, w->pos(), true});
    for (QWidget* w : std::initializer_list<QWidget*>{editPanel, readOutFrame, sourcesLabel})
        rightColumn_.push_back({w, w->pos(), false});
    placeControls();
    newFieldButton->hide();
    mainMenuButton->hide();
    saveAsButton->hide();
    editPanel->hide();

    sourcesJob = new QFutureWatcher<QString>(this);
    connect(sourcesJob, &QFutureWatcher<QString>::finished, this, &SquareViewWindow::onSourcesRead);
    connect(surface, &DrawingSurface::pointerMoved, this, &SquareViewWindow::onPointerMoved);
    connect(surface, &DrawingSurface::clicked, this, &SquareViewWindow::onSurfaceClicked);
    connect(editPanel, &SquareEditPanel::saveRequested, this, &SquareViewWindow::onSaveClicked);
    connect(editPanel, &SquareEditPanel::abortRequested, this, &SquareViewWindow::onAbortClicked);
    connect(editPanel, &SquareEditPanel::clearRequested, this, &SquareViewWindow::onClearClicked);
    connect(newFieldButton, &QPushButton::clicked, this, &SquareViewWindow::onNewFieldClicked);
    connect(mainMenuButton, &QPushButton::clicked, this, &SquareViewWindow::onMainMenuClicked);
    connect(saveAsButton, &QPushButton::clicked, this, &SquareViewWindow::onSaveAsClicked);
    // Squares written by any writer, in this program or another, show at once.
    connect(document.get(), &DatabaseDocument::contentsChanged, this, [this] {
        // A write may have brought the ledger new contacts too.
        sources.clear();
        sourcesSlot = -1;
        if (!drawn_) return;
        redraw();
        // The square under the pointer as the file now holds it.
        if (readOutPoint && !readOutFrozen) onPointerMoved(*readOutPoint);
    });
}

SquareViewWindow::~SquareViewWindow() = default;

void SquareViewWindow::escapePressed() {
    if (editPanel->isVisible()) {
        onAbortClicked();
    } else {
        onNewFieldClicked();
    }
}

QString SquareViewWindow::squareName(int slot) const {
    return fieldName + QString::number(slot / 10) + QString::number(slot % 10);
}

void SquareViewWindow::onGotFocus() {
    if (!drawn_) redraw();
}

void SquareViewWindow::redraw() {
    // The field's name stays while the panel names the edited square.
    if (!drawn_) squareLabel->setText(fieldName);
    record = FieldRecord{};
    if (isFieldName(fieldName)) {
        recordNo = recordNumber(static_cast<char>(fieldName[0].unicode()),
                                static_cast<char>(fieldName[1].unicode()));
        if (!drawn_) document->refreshNow();
        const Contents contents = document->contents();
        if (contents->problem.isSet()) {
            dialogs().message(QStringLiteral("Could not read ") +
                              QFileInfo(databasePath).fileName() + QStringLiteral(": ") +
                              contents->problem.reason);
        } else if (isValidRecordNumber(recordNo)) {
            record = contents->records[static_cast<std::size_t>(recordNo - 1)];
        }
    }
    if (!drawn_) loadFieldOutlines(QDir(windows().programFolder()), state().mapview, outlines_);
    drawn_ = true;
    paintField();
    const FieldTotals totals = countField(record);
    workedLabel->setText(fromLatin1Text(workedCaption(totals)));
    confirmedLabel->setText(fromLatin1Text(confirmedCaption(totals)));
    newFieldButton->show();
    mainMenuButton->show();
    saveAsButton->show();
}

void SquareViewWindow::paintField() {
    const BusyCursor busy;
    const SharedState& s = state();
    Canvas& canvas = surface->canvas();
    canvas.setScale(0, 0, kFieldViewLogicalWidth, kFieldViewLogicalHeight);
    canvas.clear();
    canvas.paint([&](QPainter& painter) {
        drawFieldView(painter, QSizeF(canvas.size()), record,
                      fieldOrigin(s.fieldwest, s.fieldsouth), outlines_, s.mapview);
    });
}

void SquareViewWindow::onSaveAsClicked() {
    const SharedState& s = state();
    const QString name = QFileInfo(databasePath).fileName();
    const QString title = name.left(name.indexOf(QLatin1Char('.'))) + QLatin1Char(' ') + fieldName;
    const FieldOrigin origin = fieldOrigin(s.fieldwest, s.fieldsouth);
    const int view = s.mapview;
    // The field alone: the right column of controls is no part of it.
    const auto draw = [record = record, outlines = outlines_, origin, view](QPainter& painter,
                                                                            QSizeF size) {
        painter.fillRect(QRectF(QPointF(0, 0), size), kWindowColour);
        drawFieldView(painter, viewAroundField(size), record, origin, outlines, view);
    };
    std::vector<MapSquare> squares;
    if (isFieldName(fieldName))
        squares =
            paintedSquares(record, fieldName[0].unicode() - 'A', fieldName[1].unicode() - 'A');
    saveMapAs(this, dialogs(), windows().jobs(), QFileInfo(databasePath).absolutePath(),
              title + QStringLiteral(".png"),
              {fieldPartOfView(QSizeF(surface->size())), draw, squares, title});
}

void SquareViewWindow::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    placeControls();
    if (drawn_) paintField();
}

void SquareViewWindow::placeControls() {
    const bool twoColumns = height() < designedSize_.height();
    const QPoint shift(width() - designedSize_.width(), 0);
    const int columnWidth = twipsToPixels(kClientWidth - kColumnLeft);
    const QPoint lowerShift(-columnWidth, twipsToPixels(120) - twipsToPixels(kLowerTop));
    for (const Placement& p : rightColumn_)
        p.control->move(p.designed + shift + (twoColumns && p.lower ? lowerShift : QPoint()));
    // The field takes the drawing's left 1200 of 1500 units: the drawing
    // reaches under the controls no further than the designed window lets
    // it, so that the grid always ends left of them.
    const int controlsLeft =
        twipsToPixels(kColumnLeft) + shift.x() - (twoColumns ? columnWidth : 0);
    const int gap = twipsToPixels(kColumnLeft) - designedSize_.width() * 1200 / 1500;
    const int drawingWidth = static_cast<int>((controlsLeft - gap) * kFieldViewLogicalWidth / 1200);
    surface->setGeometry(0, 0, std::min(width(), drawingWidth), height());
}

void SquareViewWindow::onPointerMoved(QPointF logical) {
    if (readOutFrozen) return;
    readOutPoint = logical;
    showReadOut(readOutAt(logical, toLatin1Text(fieldName), record, homeLocator));
}

void SquareViewWindow::showReadOut(const SquareReadOut& r) {
    if (!editedSlot) squareLabel->setText(fromLatin1Text(r.square));
    callLabel->setText(fromRecordText(r.call));
    locatorLabel->setText(fromRecordText(r.locator));
    dateLabel->setText(fromRecordText(r.date));
    stateLabel->setText(fromLatin1Text(r.state));
    distanceLabel->setText(fromLatin1Text(r.distance));
    readOutSlot = r.slot;
    sourcesLabel->setText(r.slot ? confirmingSourcesOf(*r.slot) : QString());
}

QString SquareViewWindow::confirmingSourcesOf(int slot) {
    if (!record.entries[static_cast<std::size_t>(slot)].isConfirmed()) return {};
    if (const auto known = sources.find(slot); known != sources.end()) return known->second;
    if (sourcesJob->isRunning()) return {};  // asked for again once that one is read
    sourcesSlot = slot;
    const QFileInfo database(databasePath);
    sourcesJob->setFuture(QtConcurrent::run(
        &windows().jobs(), [folder = database.absolutePath(), file = database.fileName(),
                            square = toLatin1Text(squareName(slot))] {
            std::vector<StoredContact> contacts;
            // A folder without a ledger has none to read: the source is unknown.
            if (QFileInfo::exists(QDir(folder).filePath(kLedgerFileName))) {
                Error error;
                QString notice;
                const auto ledger = Ledger::open(folder, Ledger::Mode::ReadOnly, error, notice);
                if (ledger && !ledger->contacts(file, square, contacts, error)) contacts.clear();
            }
            return confirmingSources(contacts, true);
        }));
    return {};
}

void SquareViewWindow::onSourcesRead() {
    const QString read = sourcesJob->result();
    // Read before the database last changed: asked for again.
    if (sourcesSlot < 0) {
        if (readOutSlot) sourcesLabel->setText(confirmingSourcesOf(*readOutSlot));
        return;
    }
    sources[sourcesSlot] = read;
    if (readOutSlot) sourcesLabel->setText(confirmingSourcesOf(*readOutSlot));
}

void SquareViewWindow::onSurfaceClicked(QPointF logical) {
    // The square under the click, whatever the pointer crossed before; a
    // click beside the grid opens nothing.
    const SquareReadOut r = readOutAt(logical, toLatin1Text(fieldName), record, homeLocator);
    if (!r.slot || !drawn_) return;
    editedSlot = r.slot;
    readOutFrozen = true;
    squareLabel->setText(squareName(*r.slot));
    showReadOut(r);
    editPanel->show();
    sourcesLabel->hide();  // under the panel
    const SquareEntry& e = record.entries[static_cast<std::size_t>(*r.slot)];
    editPanel->load(e, squareName(*r.slot));
    // The read-out goes on following the pointer over a confirmed square.
    if (e.isConfirmed()) readOutFrozen = false;
}

void SquareViewWindow::onSaveClicked() {
    if (!editedSlot || !editPanel->isVisible()) return;
    SquareTexts texts;
    const std::optional<QString> refusal =
        checkSquareInput(editPanel->input(), toLatin1Text(squareName(*editedSlot)), texts);
    if (refusal) {
        dialogs().message(*refusal);
        return;
    }
    SquareEntry entry = SquareEntry::blank();
    entry.setCallsign(texts.call);
    entry.setDate(texts.date);
    entry.setLocator(texts.locator);
    editPanel->applyFlags(entry);
    storeSquare(entry);
}

void SquareViewWindow::onAbortClicked() {
    editPanel->hide();
    sourcesLabel->show();
    editedSlot.reset();
    readOutFrozen = false;
    squareLabel->setText(fieldName);
}

void SquareViewWindow::onClearClicked() {
    storeSquare(SquareEntry::blank());
}

void SquareViewWindow::storeSquare(const SquareEntry& entry) {
    if (!editedSlot || !editPanel->isEnabled()) return;
    auto result = std::make_shared<SquareEditResult>();
    editPanel->setEnabled(false);
    auto busy = std::make_shared<BusyCursor>();
    QPointer<SquareViewWindow> self(this);
    document->submit(squareEditWork({recordNo, *editedSlot, entry}, result), DatabaseLock::kWaitMs,
                     [self, result, busy](const WriteOutcome& outcome) mutable {
                         busy.reset();
                         if (self) self->onStored(outcome, *result);
                     });
}

void SquareViewWindow::onStored(const WriteOutcome& outcome, const SquareEditResult& result) {
    editPanel->setEnabled(true);
    if (!outcome.ok) {
        const Error& error = outcome.error;
        const QString name = QFileInfo(databasePath).fileName();
        // A lock held by another writer says so in its own words.
        dialogs().message(error.file.isEmpty()
                              ? error.reason
                              : QStringLiteral("The square could not be saved in ") + name +
                                    QStringLiteral(": ") + error.reason);
        return;
    }
    record = result.stored;
    if (!editedSlot) {  // the panel was left while the owner saved
        redraw();
        return;
    }
    if (!result.journalProblem.isEmpty())
        dialogs().message(QStringLiteral("The square is saved; the change log could not be "
                                         "written: ") +
                          result.journalProblem);
    // The ledger is beside the database: its trouble is said once, the saves go on.
    if (!result.ledgerProblem.isEmpty() && !ledgerProblemShown) {
        ledgerProblemShown = true;
        dialogs().message(QStringLiteral("The square is saved; the ledger could not take it: ") +
                          result.ledgerProblem);
    }
    closePanelAndRedraw();
}

void SquareViewWindow::closePanelAndRedraw() {
    const int slot = *editedSlot;
    editPanel->hide();
    sourcesLabel->show();
    editedSlot.reset();
    readOutFrozen = false;
    redraw();
    // The square just written, as the file now holds it.
    onPointerMoved(QPointF(120.0 * (slot / 10) + 60, 60.0 * (9 - slot % 10) + 30));
}

void SquareViewWindow::onNewFieldClicked() {
    windows().show(kFieldMapWindow);
    windows().unload(kSquareViewWindow);
}

void SquareViewWindow::onMainMenuClicked() {
    // The menu comes back fresh; it shows this database's totals again, so
    // that the edits just made are seen there at once.
    const QString database = QFileInfo(databasePath).fileName();
    windows().show(kMainMenuWindow);
    if (auto* menu = windows().loadedAs<MainMenuWindow>(kMainMenuWindow))
        menu->selectDatabase(database);
    windows().unload(kSquareViewWindow);
}

}  // namespace morvel
