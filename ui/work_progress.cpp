#include "ui/work_progress.h"

#include <QCloseEvent>
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

}  // namespace

WorkProgress::WorkProgress(QWidget* window, QString title, int delayMs)
    : window_(window), title_(std::move(title)), delayMs_(delayMs) {
    started_.start();
}

WorkProgress::~WorkProgress() = default;

void WorkProgress::update(const QString& text) {
    if (!dialog_) {
        if (started_.elapsed() < delayMs_) return;
        dialog_ = std::make_unique<UnclosableProgress>(window_);
        dialog_->setObjectName(QStringLiteral("WorkProgress"));
        dialog_->setWindowTitle(title_);
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setCancelButton(nullptr);
        dialog_->setRange(0, 0);  // no end known in advance: a moving bar
        dialog_->setMinimumDuration(0);
        dialog_->setMinimumWidth(360);
        dialog_->show();
    }
    dialog_->setLabelText(text);
}

}  // namespace morvel
