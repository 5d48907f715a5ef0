#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QProgressDialog;
class QWidget;

namespace morvel {

// A note on long work. Once the work has run for `delayMs`, a dialog over
// `window` shows the latest text, the window's controls are disabled and each
// update lets the program repaint, so that nothing looks hung and nothing can
// start a second piece of work meanwhile. There is no Cancel and the dialog
// cannot be closed: the work it reports (an import) must not stop halfway,
// which would leave a database half-updated.
class WorkProgress {
public:
    WorkProgress(QWidget* window, QString title, int delayMs = 1000);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    void update(const QString& text);
    // The dialog, once it is on screen; nullptr before.
    QProgressDialog* dialog() const { return dialog_.get(); }

private:
    QPointer<QWidget> window_;
    QString title_;
    int delayMs_;
    QElapsedTimer started_;
    QElapsedTimer shown_;
    std::unique_ptr<QProgressDialog> dialog_;
    std::vector<QPointer<QWidget>> disabled_;
};

}  // namespace morvel
