#pragma once

#include <QString>
#include <QWidget>

class QCloseEvent;

namespace morvel {

class Dialogs;
class Windows;
struct SharedState;

// A top-level window of the program. The app creates it through Windows::load,
// which runs onLoad once its controls exist; Windows::unload hides it and
// deletes it once control is back in the event loop, so a handler may unload
// its own window and go on to its last step.
class Form : public QWidget {
    Q_OBJECT
public:
    Form(Windows& windows, const QString& name);

    const QString& formName() const { return name_; }

    // Runs once, after construction, before the window is first shown.
    virtual void onLoad() {}
    // The window itself (none of its controls) receives the focus: when it is
    // activated with no control to take the focus, as when first shown with
    // its buttons hidden.
    virtual void onGotFocus() {}
    // The title bar's close button. By default the window is unloaded, and the
    // program ends when no window is left on screen.
    virtual void closeRequested();
    // Escape that no control of the window took. By default it closes the
    // window as the close button does; windows with a way back take that.
    virtual void escapePressed() { closeRequested(); }

protected:
    Windows& windows() const { return windows_; }
    SharedState& state() const;
    Dialogs& dialogs() const;

    // The designed client area, in twips.
    void setClientSizeTwips(int width, int height);

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Windows& windows_;
    QString name_;
};

}  // namespace morvel
