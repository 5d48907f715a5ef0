#include "ui/form.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "ui/twips.h"
#include "ui/windows.h"

namespace morvel {

Form::Form(Windows& windows, const QString& name) : windows_(windows), name_(name) {
    setObjectName(name);
}

SharedState& Form::state() const {
    return windows_.state();
}

Dialogs& Form::dialogs() const {
    return windows_.dialogs();
}

void Form::setClientSizeTwips(int width, int height) {
    setFixedSize(twipsToPixels(width), twipsToPixels(height));
}

void Form::closeRequested() {
    windows_.unload(name_);
    if (!windows_.anyVisible()) windows_.end();
}

bool Form::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        // Qt hands the focus to a control only after the activation event.
        QMetaObject::invokeMethod(
            this,
            [this] {
                const QWidget* focus = focusWidget();
                if (isActiveWindow() && (focus == nullptr || focus == this)) onGotFocus();
            },
            Qt::QueuedConnection);
    }
    return handled;
}

void Form::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    // Only the user closes windows this way; the window decides what that means.
    event->ignore();
    closeRequested();
}

}  // namespace morvel
