#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "database/database_document.h"
#include "import/import_frame.h"

namespace morvel {

// One import run as a transaction of the database's owner, on its worker
// thread. The thread that starts it only hears of it through signals, and answers the import's questions (the EDI band, a
// database of the wrong size) through `ask`, which runs on that thread while
// the worker waits for the answer.
class ImportJob : public QObject {
    Q_OBJECT
public:
    ImportJob(std::shared_ptr<DatabaseDocument> document, ImportRequest request,
              std::function<bool(const QString&)> ask, QObject* parent = nullptr);
    ~ImportJob() override;

    void start();
    bool isRunning() const { return running_; }

signals:
    void progressed(morvel::ImportProgress progress);
    void finished(morvel::ImportResult result);

private:
    bool askOnOwnThread(const QString& question);

    std::shared_ptr<DatabaseDocument> document_;
    ImportRequest request_;
    std::function<bool(const QString&)> ask_;
    bool running_ = false;
};

}  // namespace morvel
