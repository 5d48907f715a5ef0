#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "import/import_frame.h"
#include "ui/dialogs.h"

class QWidget;

namespace morvel {

class BusyCursor;
class ImportJob;
class Windows;
class WorkProgress;

// The open-file dialog of each import.
FileDialogRequest importFileDialog(ImportKind kind);

// An import started from the main menu: the log chosen in a file dialog (in
// the folder of the log chosen last), the import run as a job on a worker
// thread while the window stays responsive, its progress shown once it takes
// long, then its closing message or what failed.
class ImportRunner : public QObject {
    Q_OBJECT
public:
    ImportRunner(Windows& windows, QWidget* window);
    ~ImportRunner() override;

    // False when the file dialog was cancelled: nothing was started.
    bool start(ImportKind kind, const QString& databasePath);
    bool isRunning() const { return job_ != nullptr; }

signals:
    // After the closing message, whatever the outcome.
    void finished();

private:
    void onProgressed(const ImportProgress& progress);
    void onFinished(const ImportResult& result);
    bool ask(const QString& question);

    Windows& windows_;
    QWidget* window_;
    std::unique_ptr<ImportJob> job_;
    std::unique_ptr<WorkProgress> progress_;
    std::unique_ptr<BusyCursor> busy_;
};

}  // namespace morvel
