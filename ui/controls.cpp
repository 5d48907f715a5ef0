#include "ui/controls.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>

#include "ui/twips.h"

namespace morvel {

QFont sansFont(qreal points, bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void setBackgroundColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
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

QPushButton* makeButton(QWidget* parent, const QString& caption, const QFont& font, int left,
                        int top, int width, int height) {
    auto* button = new QPushButton(caption, parent);
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

FileList::FileList(QWidget* parent) : QListWidget(parent), folder_(QDir::currentPath()) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_ && row >= 0) emit click();
    });
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem*) {
        if (pressOnCurrent_) emit click();
        pressOnCurrent_ = false;
    });
}

void FileList::mousePressEvent(QMouseEvent* event) {
    QListWidgetItem* item = itemAt(event->position().toPoint());
    pressOnCurrent_ = item != nullptr && item == currentItem();
    QListWidget::mousePressEvent(event);
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileList::setFolder(const QString& folder) {
    folder_ = folder;
    refresh();
}

void FileList::refresh() {
    QList<QRegularExpression> globs;
    for (const QString& glob : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        globs << QRegularExpression::fromWildcard(glob.trimmed(), Qt::CaseInsensitive);
    }
    QStringList matching;
    const QStringList entries =
        QDir(folder_).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : entries) {
        for (const QRegularExpression& glob : globs) {
            if (glob.match(name).hasMatch()) {
                matching << name;
                break;
            }
        }
    }
    const QString selected = fileName();
    refreshing_ = true;
    clear();
    addItems(matching);
    const QList<QListWidgetItem*> again = findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !again.isEmpty()) setCurrentItem(again.front());
    refreshing_ = false;
}

QString FileList::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QStringList FileList::names() const {
    QStringList result;
    for (int i = 0; i < count(); ++i) result << item(i)->text();
    return result;
}

bool FileList::clickName(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    if (found.front() == currentItem()) {
        found.front()->setSelected(true);
        emit click();
    } else {
        setCurrentItem(found.front());
    }
    return true;
}

OptionButton::OptionButton(const QString& caption, QWidget* parent)
    : QRadioButton(caption, parent) {
    setAutoExclusive(false);
}

void OptionButton::nextCheckState() {
    if (!isChecked()) setChecked(true);
}

void OptionGroup::add(int index, OptionButton* button) {
    buttons_[index] = button;
    connect(button, &QAbstractButton::toggled, this, [this, button](bool on) {
        if (!on) return;
        for (auto& [i, other] : buttons_) {
            if (other != button) other->setChecked(false);
        }
    });
}

OptionButton* OptionGroup::operator()(int index) const {
    const auto it = buttons_.find(index);
    return it == buttons_.end() ? nullptr : it->second;
}

int OptionGroup::selectedIndex() const {
    for (const auto& [i, button] : buttons_) {
        if (button->isChecked()) return i;
    }
    return 0;
}

OptionButton* makeOption(QWidget* parent, const QString& caption, const QFont& font, int left,
                         int top, int width, int height) {
    auto* option = new OptionButton(caption, parent);
    option->setFont(font);
    placeTwips(option, left, top, width, height);
    return option;
}

}  // namespace morvel
