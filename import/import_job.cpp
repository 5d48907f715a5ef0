#include "import/import_job.h"

#include <QtConcurrent/QtConcurrentRun>

namespace morvel {

ImportJob::ImportJob(ImportRequest request, std::function<bool(const QString&)> ask,
                     QObject* parent)
    : QObject(parent), request_(std::move(request)), ask_(std::move(ask)) {
    request_.progress = [this](const ImportProgress& p) { emit progressed(p); };
    request_.ask = [this](const QString& question) { return askOnOwnThread(question); };
    connect(&watcher_, &QFutureWatcher<ImportResult>::finished, this,
            [this] { emit finished(watcher_.result()); });
}

ImportJob::~ImportJob() {
    // The import must never stop halfway; whoever ends the job waits for it.
    watcher_.waitForFinished();
}

void ImportJob::start() {
    watcher_.setFuture(QtConcurrent::run([request = request_] { return runImport(request); }));
}

bool ImportJob::askOnOwnThread(const QString& question) {
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = ask_ && ask_(question); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace morvel
