#pragma once

#include <QColor>
#include <QFont>
#include <QListWidget>
#include <QRadioButton>
#include <QString>
#include <QStringList>

class QApplication;
class QLabel;
class QPushButton;
class QGroupBox;

namespace morvel {

// The windows' background colour and the text that stands on it, whatever
// colours the desktop's style has: under a dark style its light text would be
// unreadable on this background.
inline constexpr QColor kWindowColour{255, 224, 192};
inline constexpr QColor kWindowTextColour{0, 0, 0};
inline constexpr QColor kDisabledTextColour{150, 130, 110};
// Green text on the background: darker than the confirmed squares' fill,
// which as text would stand at only 4.1:1 against the background.
inline constexpr QColor kGreenTextColour{0, 112, 0};

// Every push button of the program, in its windows and dialogs alike: flat in
// the windows' colour, without the style's gradient, yet with a border, a
// focus frame and a pressed look that show it can be pressed.
// The tables' column headers in the same colours.
void applyButtonStyle(QApplication& app);

// The designs' "MS Sans Serif": the system's sans-serif family.
QFont sansFont(qreal points, bool bold = false);

// Paints a window, label, frame, option button or button in a solid colour,
// buttons included, with dark text on it. Lists and text boxes within keep
// the desktop's colours.
void setBackgroundColour(QWidget* widget, const QColor& colour);
// Another text colour on that background: set after the background.
void setTextColour(QWidget* widget, const QColor& colour);
// A window in a solid colour with every label, button and frame on it, as
// setBackgroundColour paints them; the lists, tables, text boxes and
// drop-down lists keep the desktop's colours. (With the program's style
// sheet a control takes no colours from its window, so each is set.)
void setWindowColours(QWidget* window, const QColor& colour);

// A list or table in the desktop's colours as an active window has them,
// also while another control has the focus: some dark styles (Adwaita-Dark)
// draw such a view's items in the dimmed colours of a window in the
// background, below a readable contrast.
void keepViewColours(QWidget* view);

// Gives a control the name it has in the window's design, by which tests and
// readers find it.
template <class Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

// Controls built at a designed position (twips) within parent, in the font given.
QLabel* makeLabel(QWidget* parent, const QString& caption, const QFont& font, int left, int top,
                  int width, int height);
// A label on one line, at least as high as its font needs.
QLabel* makeLineLabel(QWidget* parent, const QString& caption, const QFont& font, int left, int top,
                      int width, int height);
QPushButton* makeButton(QWidget* parent, const QString& caption, const QFont& font, int left,
                        int top, int width, int height);
// A frame without a caption.
QGroupBox* makeFrame(QWidget* parent, int left, int top, int width, int height);

// A list of the files of one folder whose names match a pattern, compared
// without regard to case so that "*.qra" lists "2M IO85AB .QRA". Only regular
// files are listed: a FIFO or a folder of such a name is nothing to open. Names are
// shown without a folder. `click` fires when the user selects a name, by mouse
// or keyboard, and again when the selected name is clicked once more.
// `choose` fires only on a deliberate choice: a mouse click on a name, or
// Enter with a name selected; moving through the list with the keys is none.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(const QString& folder, QWidget* parent = nullptr);

    // One or more globs separated by ";" (e.g. "*.qra").
    void setPattern(const QString& pattern);
    const QString& pattern() const { return pattern_; }
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }

    // Re-reads the folder; nothing is selected afterwards.
    void refresh();
    // Re-reads the folder when the names it lists have changed, the selected
    // name staying selected while it is listed; no signal fires. False when
    // the list stayed as it was.
    bool follow();
    // The selected name, or empty.
    QString fileName() const;
    QStringList names() const;
    // Selects a listed name as a user's click would, firing `click` and `choose`.
    bool clickName(const QString& name);

signals:
    void click();
    void choose();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QStringList matchingNames() const;

    QString pattern_ = QStringLiteral("*.*");
    QString folder_;
    bool refreshing_ = false;
    bool pressOnSelected_ = false;
};

// An option button whose whole box, caption and blank space alike, answers a
// click. In a QButtonGroup it stays selected when clicked again.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(const QString& caption, QWidget* parent);

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

OptionButton* makeOption(QWidget* parent, const QString& caption, const QFont& font, int left,
                         int top, int width, int height);

}  // namespace morvel
