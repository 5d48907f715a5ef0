#include "import/import_job.h"

#include <QPointer>

#include "database/database_lock.h"

namespace morvel {

ImportJob::ImportJob(std::shared_ptr<DatabaseDocument> document, ImportRequest request,
                     std::function<bool(const QString&)> ask, QObject* parent)
    : QObject(parent),
      document_(std::move(document)),
      request_(std::move(request)),
      ask_(std::move(ask)) {
    request_.progress = [this](const ImportProgress& p) { emit progressed(p); };
    request_.ask = [this](const QString& question) { return askOnOwnThread(question); };
    request_.lockHeld = true;
}

ImportJob::~ImportJob() {
    // The import must never stop halfway; whoever ends the job waits for it.
    if (running_) document_->run([](WriteContext&, Error&) { return true; }, 0);
}

void ImportJob::start() {
    running_ = true;
    auto result = std::make_shared<ImportResult>();
    QPointer<ImportJob> self(this);
    document_->submit(
        [request = request_, result](WriteContext& context, Error&) {
            *result = runImport(request);
            if (result->squaresWritten > 0) context.markWritten();
            return result->end != ImportResult::End::Failed;
        },
        DatabaseLock::kWaitMs,
        [self, result](const WriteOutcome& outcome) {
            if (!self) return;
            self->running_ = false;
            if (result->lockNote.isEmpty()) result->lockNote = outcome.takenOver;
            if (!outcome.ok && outcome.error.isSet()) {
                result->end = ImportResult::End::Failed;
                result->error = outcome.error.message();
            }
            emit self->finished(*result);
        });
}

bool ImportJob::askOnOwnThread(const QString& question) {
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = ask_ && ask_(question); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace morvel
