#include "ui/work_progress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressDialog>

namespace morvel {
namespace {

// Neither the close button nor Escape ends it.
class UnclosableProgress : public QProgressDialog {
public:
    explicit UnclosableProgress(QWidget* parent) : QProgressDialog(parent) {}
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// Repaints at most this often; the work reports far more often.
constexpr int kRepaintMs = 50;

}  // namespace

WorkProgress::WorkProgress(QWidget* window, QString title, int delayMs)
    : window_(window), title_(std::move(title)), delayMs_(delayMs) {
    started_.start();
}

WorkProgress::~WorkProgress() {
    dialog_.reset();
    for (const QPointer<QWidget>& w : disabled_) {
        if (w) w->setEnabled(true);
    }
}

void WorkProgress::update(const QString& text) {
    if (!dialog_) {
        if (started_.elapsed() < delayMs_) return;
        // The controls, not the window: a question asked meanwhile, parented
        // to the window, must stay usable.
        if (window_) {
            for (QWidget* w : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (w->isWindow() || !w->isEnabled()) continue;
                w->setEnabled(false);
                disabled_.emplace_back(w);
            }
        }
        dialog_ = std::make_unique<UnclosableProgress>(window_);
        dialog_->setObjectName(QStringLiteral("WorkProgress"));
        dialog_->setWindowTitle(title_);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setCancelButton(nullptr);
        dialog_->setRange(0, 0);  // no end known in advance: a moving bar
        dialog_->setMinimumDuration(0);
        dialog_->setMinimumWidth(360);
        dialog_->setLabelText(text);
        dialog_->show();
    } else if (shown_.isValid() && shown_.elapsed() < kRepaintMs) {
        return;
    }
    dialog_->setLabelText(text);
    QCoreApplication::processEvents();
    shown_.start();
}

}  // namespace morvel
