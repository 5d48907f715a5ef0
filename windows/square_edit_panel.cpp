#include "windows/square_edit_panel.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "database/qra_names.h"
#include "ui/controls.h"
#include "ui/square_validators.h"
#include "ui/twips.h"

namespace morvel {
namespace {

const QColor kPanelText(128, 64, 64);

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
QLineEdit* makeTextBox(QWidget* parent, const char* name, const char* toolTip, int top, int width) {
    auto* box = named(new Box(parent), name);
    box->setFont(sansFont(9.75));
    box->setToolTip(QString::fromLatin1(toolTip));
    placeTwips(box, 720, top, width, 375);
    return box;
}

}  // namespace

SquareEditPanel::SquareEditPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Frame2"));
    setTitle(QStringLiteral("Edit Data"));
    placeTwips(this, 12480, 120, 2535, 4335);
    const QFont text12 = sansFont(12);
    const QFont button975 = sansFont(9.75);
    std::vector<QWidget*> coloured{this};
    const struct {
        const char *name, *caption;
        int top;
    } captions[] = {{"Label4", "Call", 480}, {"Label5", "Date", 1080}, {"Label6", "Loc", 1680}};
    for (const auto& c : captions) {
        coloured.push_back(
            named(makeLineLabel(this, QString::fromLatin1(c.caption), text12, 120, c.top, 615, 375),
                  c.name));
    }
    callBox = makeTextBox(this, "Text1", "Enter callsign of station worked", 480, 1455);
    callBox->setMaxLength(static_cast<int>(SquareEntry::kCallsignSize));
    callBox->setValidator(new CallValidator(callBox));
    dateBox = makeTextBox(this, "Text2", "Date format: 25/12/02 etc", 1080, 1215);
    dateBox->setValidator(new DateValidator(dateBox));
    locatorBox =
        makeTextBox<LocatorBox>(this, "Text3", "Complete the 6 character locator", 1680, 1215);
    locatorBox->setValidator(new LocatorValidator(locatorBox));

    workedOption = named(
        makeOption(this, QStringLiteral("Worked"), button975, 840, 2280, 1215, 195), "Option1");
    confirmedOption = named(
        makeOption(this, QStringLiteral("Confirmed"), button975, 840, 2640, 1095, 195), "Option2");
    auto* options = new QButtonGroup(this);
    options->addButton(workedOption, 1);
    options->addButton(confirmedOption, 2);
    for (OptionButton* option : {workedOption, confirmedOption}) {
        option->resize(std::max(option->width(), option->sizeHint().width()),
                       std::max(option->height(), option->sizeHint().height()));
        coloured.push_back(option);
    }
    workedOption->setChecked(true);

    auto* clearButton = named(
        makeButton(this, QStringLiteral("Clear"), button975, 720, 3000, 1100, 400), "Clear_Button");
    auto* saveButton = named(
        makeButton(this, QStringLiteral("Save"), button975, 120, 3600, 1100, 400), "Command3");
    saveButton->setToolTip(QStringLiteral("saves edited data in panel above"));
    auto* abortButton = named(
        makeButton(this, QStringLiteral("Abort"), button975, 1320, 3600, 1100, 400), "Command4");
    abortButton->setToolTip(QStringLiteral("don't save the edited data"));

    for (QWidget* w : coloured) setBackgroundColour(w, kWindowColour);
    for (QWidget* w : coloured) setTextColour(w, kPanelText);
    for (QWidget* w : {clearButton, saveButton, abortButton}) setBackgroundColour(w, kWindowColour);

    connect(saveButton, &QPushButton::clicked, this, &SquareEditPanel::saveRequested);
    connect(clearButton, &QPushButton::clicked, this, &SquareEditPanel::clearRequested);
    connect(abortButton, &QPushButton::clicked, this, &SquareEditPanel::abortRequested);
    for (QLineEdit* box : {callBox, dateBox, locatorBox})
        connect(box, &QLineEdit::returnPressed, this, &SquareEditPanel::saveRequested);
}

void SquareEditPanel::load(const SquareEntry& entry, const QString& squareName) {
    callBox->setFocus();
    callBox->setText(fromRecordText(entry.callsignText()).trimmed());
    dateBox->setText(fromRecordText(entry.dateText()).trimmed());
    locatorBox->setText(fromRecordText(entry.locatorText()).trimmed());
    if (locatorBox->text().isEmpty()) {
        locatorBox->setText(squareName);
        locatorBox->setCursorPosition(4);
    }
    // Worked and empty squares get Worked, so that an unchanged option never
    // clears a square's flags.
    const bool confirmedOnly = entry.isConfirmed() && !entry.isWorked();
    (confirmedOnly ? confirmedOption : workedOption)->setChecked(true);
}

SquareInput SquareEditPanel::input() const {
    return {callBox->text(), dateBox->text(), locatorBox->text()};
}

void SquareEditPanel::applyFlags(SquareEntry& entry) const {
    entry.worked = workedOption->isChecked() ? SquareEntry::kSet : 0;
    entry.confirmed = confirmedOption->isChecked() ? SquareEntry::kSet : 0;
}

}  // namespace morvel
