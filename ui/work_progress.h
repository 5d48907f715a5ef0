#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace morvel {

// A note on long work that runs on a worker thread. Once the work has run for
// `delayMs`, a dialog over `window` shows the latest text, so that nothing
// looks hung. There is no Cancel and the dialog cannot be closed: the work it
// reports (an import) must not stop halfway, which would leave a database
// half-updated.
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
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace morvel
