#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <functional>

#include "import/import_frame.h"

namespace morvel {

// One import run on a worker thread. The thread that starts it only hears of
// it through signals, and answers the import's questions (the EDI band, a
// database of the wrong size) through `ask`, which runs on that thread while
// the worker waits for the answer.
class ImportJob : public QObject {
    Q_OBJECT
public:
    ImportJob(ImportRequest request, std::function<bool(const QString&)> ask,
              QObject* parent = nullptr);
    ~ImportJob() override;

    void start();
    bool isRunning() const { return watcher_.isRunning(); }

signals:
    void progressed(morvel::ImportProgress progress);
    void finished(morvel::ImportResult result);

private:
    bool askOnOwnThread(const QString& question);

    ImportRequest request_;
    std::function<bool(const QString&)> ask_;
    QFutureWatcher<ImportResult> watcher_;
};

}  // namespace morvel
