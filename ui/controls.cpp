#include "ui/controls.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <vector>

#include "ui/twips.h"

namespace morvel {

void applyButtonStyle(QApplication& app) {
    // Buttons keep their designed sizes, some only 65 pixels wide, so the
    // padding stays small enough for their captions.
    app.setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(255, 224, 192); color: black;"
        " border: 1px solid rgb(140, 100, 64); border-radius: 3px; padding: 2px 2px; }"
        "QPushButton:hover { border-color: rgb(90, 60, 30); }"
        "QPushButton:focus { border: 2px solid rgb(40, 90, 190); padding: 1px 1px; }"
        "QPushButton:pressed { background-color: rgb(232, 190, 150);"
        " border-color: rgb(90, 60, 30); padding: 3px 1px 1px 3px; }"
        "QPushButton:focus:pressed { padding: 2px 0px 0px 2px; }"
        "QPushButton:disabled { color: rgb(150, 130, 110); border-color: rgb(200, 170, 140); }"
        // Some dark styles (Adwaita-Dark) draw column headers in dimmed text.
        "QHeaderView::section { background-color: rgb(255, 224, 192); color: black;"
        " border: none; border-right: 1px solid rgb(200, 170, 140);"
        " border-bottom: 1px solid rgb(140, 100, 64); padding: 2px 4px; }"));
}

QFont sansFont(qreal points, bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

namespace {

// The roles a control's text is drawn in. Some styles (Adwaita) draw the
// caption of a check box or option button in the text boxes' colour.
std::vector<QPalette::ColorRole> textRoles(const QWidget* widget) {
    if (qobject_cast<const QAbstractButton*>(widget) && !qobject_cast<const QPushButton*>(widget))
        return {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};
    return {QPalette::WindowText, QPalette::ButtonText};
}

}  // namespace

void setBackgroundColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    for (const QPalette::ColorRole text : textRoles(widget)) {
        palette.setColor(text, kWindowTextColour);
        palette.setColor(QPalette::Disabled, text, kDisabledTextColour);
    }
    // Frames and bevels are shaded from the background, not from the desktop's.
    palette.setColor(QPalette::Light, colour.lighter(115));
    palette.setColor(QPalette::Midlight, colour.lighter(107));
    palette.setColor(QPalette::Mid, colour.darker(130));
    palette.setColor(QPalette::Dark, colour.darker(160));
    palette.setColor(QPalette::Shadow, colour.darker(250));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole text : textRoles(widget)) palette.setColor(text, colour);
    widget->setPalette(palette);
}

void setWindowColours(QWidget* window, const QColor& colour) {
    setBackgroundColour(window, colour);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        bool own = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                   qobject_cast<QGroupBox*>(w);
        for (QWidget* p = w->parentWidget(); own && p && p != window; p = p->parentWidget())
            own = !qobject_cast<QAbstractScrollArea*>(p) && !qobject_cast<QAbstractSpinBox*>(p) &&
                  !qobject_cast<QComboBox*>(p);
        if (own) setBackgroundColour(w, colour);
    }
}

void keepViewColours(QWidget* view) {
    QPalette palette = view->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        palette.setColor(QPalette::Inactive, r, palette.color(QPalette::Active, r));
    }
    view->setPalette(palette);
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

QLabel* makeLabel(QWidget* parent, const QString& caption, const QFont& font, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    // Captions are data (file names, call signs), never markup.
    label->setTextFormat(Qt::PlainText);
    placeTwips(label, left, top, width, height);
    return label;
}

QLabel* makeLineLabel(QWidget* parent, const QString& caption, const QFont& font, int left, int top,
                      int width, int height) {
    QLabel* label = makeLabel(parent, caption, font, left, top, width, height);
    label->setWordWrap(false);
    label->setMinimumHeight(label->sizeHint().height());
    label->resize(label->width(), std::max(label->height(), label->sizeHint().height()));
    return label;
}

namespace {

// Outside dialogs Qt's buttons answer only the space bar; the program's
// buttons act on Enter as well when they have the focus.
class Button : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

}  // namespace

QPushButton* makeButton(QWidget* parent, const QString& caption, const QFont& font, int left,
                        int top, int width, int height) {
    auto* button = new Button(caption, parent);
    button->setFont(font);
    button->setAutoDefault(false);
    placeTwips(button, left, top, width, height);
    return button;
}

QGroupBox* makeFrame(QWidget* parent, int left, int top, int width, int height) {
    auto* frame = new QGroupBox(parent);
    placeTwips(frame, left, top, width, height);
    return frame;
}

FileList::FileList(const QString& folder, QWidget* parent) : QListWidget(parent), folder_(folder) {
    keepViewColours(this);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A name wider than the list is shown whole, the list scrolling sideways.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Selection, not the current row: the view moves its current row without
    // selecting anything when it takes the focus.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!refreshing_ && !selectedItems().isEmpty()) emit click();
    });
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem*) {
        if (pressOnSelected_) emit click();
        pressOnSelected_ = false;
        if (!selectedItems().isEmpty()) emit choose();
    });
}

void FileList::mousePressEvent(QMouseEvent* event) {
    QListWidgetItem* item = itemAt(event->position().toPoint());
    pressOnSelected_ = item != nullptr && item->isSelected();
    QListWidget::mousePressEvent(event);
}

void FileList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !selectedItems().isEmpty()) {
        event->accept();
        emit choose();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FileList::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    // The view marks its first row current on focus, which looks like a
    // selection while none has been made.
    if (selectedItems().isEmpty()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileList::setFolder(const QString& folder) {
    folder_ = folder;
    refresh();
}

QStringList FileList::matchingNames() const {
    QDir dir(folder_);
    QStringList filters;
    for (const QString& glob : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        filters << glob.trimmed();
    dir.setNameFilters(filters);
    // QDir::Files without QDir::System: FIFOs, sockets and devices stay out.
    return dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

void FileList::refresh() {
    const QStringList matching = matchingNames();
    refreshing_ = true;
    clear();
    addItems(matching);
    refreshing_ = false;
}

bool FileList::follow() {
    const QStringList matching = matchingNames();
    if (matching == names()) return false;
    const QString selected = fileName();
    refreshing_ = true;
    clear();
    addItems(matching);
    if (!selected.isEmpty()) {
        const QList<QListWidgetItem*> found = findItems(selected, Qt::MatchExactly);
        if (!found.isEmpty()) setCurrentItem(found.front());
    }
    refreshing_ = false;
    return true;
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

QStringList FileList::names() const {
    QStringList result;
    for (int i = 0; i < count(); ++i) result << item(i)->text();
    return result;
}

bool FileList::clickName(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    if (found.front()->isSelected()) {
        emit click();
    } else {
        setCurrentItem(found.front());
    }
    emit choose();
    return true;
}

OptionButton::OptionButton(const QString& caption, QWidget* parent)
    : QRadioButton(caption, parent) {}

OptionButton* makeOption(QWidget* parent, const QString& caption, const QFont& font, int left,
                         int top, int width, int height) {
    auto* option = new OptionButton(caption, parent);
    option->setFont(font);
    placeTwips(option, left, top, width, height);
    return option;
}

}  // namespace morvel
