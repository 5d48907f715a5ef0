#include "windows/square_view_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

#include "database/database_watcher.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/square_input.h"
#include "menu/statistics.h"
#include "ui/busy_cursor.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/drawing_surface.h"
#include "ui/shared_state.h"
#include "ui/square_validators.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/main_menu_window.h"
#include "windows/window_names.h"

namespace morvel {

namespace {

const QColor kPanelText(128, 64, 64);
const QColor kWorkedText(192, 0, 0);
const QColor kConfirmedText(0, 128, 0);
const QColor kDistanceText(128, 64, 0);

// The designed client area is 15180 by 9720 twips; the hint below it at
// 10200 twips gets room of its own.
constexpr int kClientWidth = 15180;
constexpr int kClientHeight = 10620;

// A label on one line, at least as high as its font needs.
QLabel* makeLine(QWidget* parent, const QString& caption, const QFont& font, int left, int top,
                 int width, int height) {
    QLabel* label = makeLabel(parent, caption, font, left, top, width, height);
    label->setWordWrap(false);
    label->setMinimumHeight(label->sizeHint().height());
    label->resize(label->width(), std::max(label->height(), label->sizeHint().height()));
    return label;
}

// The locator box: tabbing into it leaves the caret after the square's four
// characters, as a click there would, ready for the sub-square letters.
class LocatorBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
            deselect();
            setCursorPosition(std::min<int>(4, static_cast<int>(text().size())));
        }
    }
};

template <class Box = QLineEdit>
QLineEdit* makeTextBox(QWidget* parent, const QString& text, const char* toolTip, int left, int top,
                       int width, int height) {
    auto* box = new Box(text, parent);
    box->setFont(sansFont(9.75));
    box->setToolTip(QString::fromLatin1(toolTip));
    placeTwips(box, left, top, width, height);
    return box;
}

// A slot past the end of a short file holds zero bytes; shown as blanks.
QString shown(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), '\0', ' ');
    return fromLatin1Text(s);
}

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
      watcher(std::make_unique<DatabaseWatcher>(databasePath)) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Square Display/Edit"));
    setBackgroundColour(this, kWindowColour);

    surface = new DrawingSurface(this);
    surface->canvas().setBackgroundColour(kWindowColour);

    const QFont bold12 = sansFont(12, true);
    const QFont text12 = sansFont(12);
    const QFont button975 = sansFont(9.75);

    fileLabel =
        named(makeLine(this, fromLatin1Text(kFileCaption) + QFileInfo(databasePath).fileName(),
                       sansFont(8.25, true), 12600, 9240, 2415, 375),
              "Label12");
    squareLabel =
        named(makeLine(this, fieldName, sansFont(24, true), 12840, 7680, 2055, 495), "Label10");
    setTextColour(squareLabel, kConfirmedText);
    workedLabel =
        named(makeLine(this, QStringLiteral("Worked"), bold12, 12840, 8400, 1815, 255), "Label8");
    setTextColour(workedLabel, kWorkedText);
    confirmedLabel = named(
        makeLine(this, QStringLiteral("Confirmed"), bold12, 12720, 8760, 1935, 375), "Label9");
    setTextColour(confirmedLabel, kConfirmedText);
    auto* hint = named(
        makeLine(this, QStringLiteral("Click on square to edit"), bold12, 12480, 10200, 2805, 300),
        "Label11");

    newFieldButton =
        named(makeButton(this, QStringLiteral("New Field"), sansFont(8.25), 12600, 7080, 975, 375),
              "Command1");
    newFieldButton->setToolTip(QStringLiteral("back to field select screen"));
    mainMenuButton =
        named(makeButton(this, QStringLiteral("Main Menu"), sansFont(8.25), 13920, 7080, 975, 375),
              "Command5");

    editFrame = named(makeFrame(this, 12480, 120, 2535, 4335), "Frame2");
    editFrame->setTitle(QStringLiteral("Edit Data"));
    auto* callCaption =
        named(makeLine(editFrame, QStringLiteral("Call"), text12, 120, 480, 615, 375), "Label4");
    callBox = named(
        makeTextBox(editFrame, QString(), "Enter callsign of station worked", 720, 480, 1455, 375),
        "Text1");
    callBox->setMaxLength(static_cast<int>(SquareEntry::kCallsignSize));
    callBox->setValidator(new CallValidator(callBox));
    auto* dateCaption =
        named(makeLine(editFrame, QStringLiteral("Date"), text12, 120, 1080, 615, 375), "Label5");
    dateBox =
        named(makeTextBox(editFrame, QString(), "Date format: 25/12/02 etc", 720, 1080, 1215, 375),
              "Text2");
    dateBox->setValidator(new DateValidator(dateBox));
    auto* locatorCaption =
        named(makeLine(editFrame, QStringLiteral("Loc"), text12, 120, 1680, 615, 375), "Label6");
    locatorBox =
        named(makeTextBox<LocatorBox>(editFrame, QString(), "Complete the 6 character locator", 720,
                                      1680, 1215, 375),
              "Text3");
    locatorBox->setValidator(new LocatorValidator(locatorBox));
    workedOption =
        named(makeOption(editFrame, QStringLiteral("Worked"), button975, 840, 2280, 1215, 195),
              "Option1");
    confirmedOption =
        named(makeOption(editFrame, QStringLiteral("Confirmed"), button975, 840, 2640, 1095, 195),
              "Option2");
    for (OptionButton* option : {workedOption, confirmedOption}) {
        option->resize(std::max(option->width(), option->sizeHint().width()),
                       std::max(option->height(), option->sizeHint().height()));
    }
    auto* options = new OptionGroup(this);
    options->add(1, workedOption);
    options->add(2, confirmedOption);
    workedOption->setChecked(true);
    auto* clearButton =
        named(makeButton(editFrame, QStringLiteral("Clear"), button975, 720, 3000, 1100, 400),
              "Clear_Button");
    auto* saveButton = named(
        makeButton(editFrame, QStringLiteral("Save"), button975, 120, 3600, 1100, 400), "Command3");
    saveButton->setToolTip(QStringLiteral("saves edited data in panel above"));
    auto* abortButton =
        named(makeButton(editFrame, QStringLiteral("Abort"), button975, 1320, 3600, 1100, 400),
              "Command4");
    abortButton->setToolTip(QStringLiteral("don't save the edited data"));

    auto* readOutFrame = named(makeFrame(this, 12480, 4560, 2535, 2415), "Frame1");
    readOutFrame->setTitle(QStringLiteral("Current locator"));
    // Empty until the pointer is over a square.
    callLabel = named(makeLine(readOutFrame, QString(), text12, 480, 360, 1455, 375), "Label1");
    dateLabel = named(makeLine(readOutFrame, QString(), text12, 480, 720, 1215, 375), "Label3");
    locatorLabel = named(makeLine(readOutFrame, QString(), text12, 480, 1200, 1335, 375), "Label2");
    stateLabel = named(makeLine(readOutFrame, QString(), text12, 480, 1560, 1815, 375), "Label7");
    distanceLabel =
        named(makeLine(readOutFrame, QStringLiteral("dx in km"), text12, 480, 2040, 1815, 255),
              "Label13");

    for (QWidget* w : std::initializer_list<QWidget*>{
             editFrame, readOutFrame, callCaption, dateCaption, locatorCaption, workedOption,
             confirmedOption, callLabel, dateLabel, locatorLabel, stateLabel}) {
        setTextColour(w, kPanelText);
    }
    setTextColour(distanceLabel, kDistanceText);
    for (QWidget* w : std::initializer_list<QWidget*>{
             fileLabel,      squareLabel,    workedLabel,  confirmedLabel,  hint,
             newFieldButton, mainMenuButton, editFrame,    readOutFrame,    callCaption,
             dateCaption,    locatorCaption, workedOption, confirmedOption, clearButton,
             saveButton,     abortButton,    callLabel,    dateLabel,       locatorLabel,
             stateLabel,     distanceLabel}) {
        setBackgroundColour(w, kWindowColour);
    }
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
    setMinimumSize(designedSize_);
    resize(designedSize_);
    surface->setGeometry(rect());
    for (QWidget* w :
         std::initializer_list<QWidget*>{fileLabel, squareLabel, workedLabel, confirmedLabel, hint,
                                         newFieldButton, mainMenuButton, editFrame, readOutFrame})
        rightColumn_.emplace_back(w, w->geometry());
    newFieldButton->hide();
    mainMenuButton->hide();
    editFrame->hide();

    connect(surface, &DrawingSurface::pointerMoved, this, &SquareViewWindow::onPointerMoved);
    connect(surface, &DrawingSurface::clicked, this, &SquareViewWindow::onSurfaceClicked);
    connect(saveButton, &QPushButton::clicked, this, &SquareViewWindow::onSaveClicked);
    connect(abortButton, &QPushButton::clicked, this, &SquareViewWindow::onAbortClicked);
    connect(clearButton, &QPushButton::clicked, this, &SquareViewWindow::onClearClicked);
    connect(newFieldButton, &QPushButton::clicked, this, &SquareViewWindow::onNewFieldClicked);
    connect(mainMenuButton, &QPushButton::clicked, this, &SquareViewWindow::onMainMenuClicked);
    // Enter in a box saves; Escape (keyPressEvent) aborts.
    for (QLineEdit* box : {callBox, dateBox, locatorBox})
        connect(box, &QLineEdit::returnPressed, this, &SquareViewWindow::onSaveClicked);
    // Squares written by another program show at once.
    connect(watcher.get(), &DatabaseWatcher::changed, this, [this] {
        if (!drawn_) return;
        redraw();
        // The square under the pointer as the file now holds it.
        if (readOutPoint && !readOutFrozen) onPointerMoved(*readOutPoint);
    });
}

SquareViewWindow::~SquareViewWindow() = default;

void SquareViewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && editFrame->isVisible()) {
        onAbortClicked();
        return;
    }
    Form::keyPressEvent(event);
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
        Error error;
        if (!readRecord(databasePath, recordNo, record, error)) {
            record = FieldRecord{};
            dialogs().message(QStringLiteral("Could not read ") +
                              QFileInfo(databasePath).fileName() + QStringLiteral(": ") +
                              error.reason);
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

void SquareViewWindow::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    surface->setGeometry(rect());
    const int dx = std::max(0, width() - designedSize_.width());
    for (const auto& [control, designed] : rightColumn_)
        control->move(designed.topLeft() + QPoint(dx, 0));
    if (drawn_) paintField();
}

void SquareViewWindow::onPointerMoved(QPointF logical) {
    if (readOutFrozen) return;
    readOutPoint = logical;
    showReadOut(readOutAt(logical, toLatin1Text(fieldName), record, homeLocator));
}

void SquareViewWindow::showReadOut(const SquareReadOut& r) {
    if (!editedSlot) squareLabel->setText(fromLatin1Text(r.label10));
    callLabel->setText(shown(r.label1));
    locatorLabel->setText(shown(r.label2));
    dateLabel->setText(shown(r.label3));
    stateLabel->setText(fromLatin1Text(r.label7));
    distanceLabel->setText(fromLatin1Text(r.label13));
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
    editFrame->show();
    callBox->setFocus();
    const SquareEntry& e = record.entries[static_cast<std::size_t>(*r.slot)];
    callBox->setText(shown(e.callsignText()).trimmed());
    dateBox->setText(shown(e.dateText()).trimmed());
    locatorBox->setText(shown(e.locatorText()).trimmed());
    if (locatorBox->text().isEmpty()) {
        locatorBox->setText(squareName(*r.slot));
        locatorBox->setCursorPosition(4);
    }
    // Worked and empty squares get Worked, so that an unchanged option never
    // clears a square's flags.
    if (e.isConfirmed()) {
        (e.isWorked() ? workedOption : confirmedOption)->setChecked(true);
        // The read-out goes on following the pointer over a confirmed one.
        readOutFrozen = false;
    } else {
        workedOption->setChecked(true);
    }
}

void SquareViewWindow::onSaveClicked() {
    if (!editedSlot || !editFrame->isVisible()) return;
    SquareTexts texts;
    const std::optional<QString> refusal =
        checkSquareInput({callBox->text(), dateBox->text(), locatorBox->text()},
                         toLatin1Text(squareName(*editedSlot)), texts);
    if (refusal) {
        dialogs().message(*refusal);
        return;
    }
    SquareEntry entry = SquareEntry::blank();
    entry.setCallsign(texts.call);
    entry.setDate(texts.date);
    entry.setLocator(texts.locator);
    if (workedOption->isChecked()) entry.worked = SquareEntry::kSet;
    if (confirmedOption->isChecked()) entry.confirmed = SquareEntry::kSet;
    if (storeSquare(entry)) closePanelAndRedraw();
}

void SquareViewWindow::onAbortClicked() {
    editFrame->hide();
    editedSlot.reset();
    readOutFrozen = false;
    squareLabel->setText(fieldName);
}

void SquareViewWindow::onClearClicked() {
    if (storeSquare(SquareEntry::blank())) closePanelAndRedraw();
}

bool SquareViewWindow::storeSquare(const SquareEntry& entry) {
    if (!editedSlot) return false;
    Error error;
    FieldRecord stored;
    bool saved = false;
    {
        const BusyCursor busy;
        saved = replaceSquare(databasePath, recordNo, *editedSlot, entry, error, &stored);
    }
    if (!saved) {
        const QString name = QFileInfo(databasePath).fileName();
        // A lock held by another writer says so in its own words.
        dialogs().message(error.file.isEmpty()
                              ? error.reason
                              : QStringLiteral("The square could not be saved in ") + name +
                                    QStringLiteral(": ") + error.reason);
        return false;
    }
    record = stored;
    return true;
}

void SquareViewWindow::closePanelAndRedraw() {
    const int slot = *editedSlot;
    editFrame->hide();
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
