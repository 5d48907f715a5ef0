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

// The windows' background colour.
inline constexpr QColor kWindowColour{255, 224, 192};

// Every push button of the program, in its windows and dialogs alike: flat in
// the windows' colour, without the style's gradient, yet with a border, a
// focus frame and a pressed look that show it can be pressed.
void applyButtonStyle(QApplication& app);

// The designs' "MS Sans Serif": the system's sans-serif family.
QFont sansFont(qreal points, bool bold = false);

// Paints a window, label, frame, option button or button in a solid colour,
// buttons included.
void setBackgroundColour(QWidget* widget, const QColor& colour);
void setTextColour(QWidget* widget, const QColor& colour);

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
