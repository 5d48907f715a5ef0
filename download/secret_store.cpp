#include "download/secret_store.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace morvel {

namespace {

const QString kStoreService = QStringLiteral("Morvel");

SecretStore::Answer finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    // Never a plain file in the user's settings when no store answers.
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    SecretStore::Answer answer;
    switch (job.error()) {
        case QKeychain::NoError:
            answer.ok = true;
            break;
        case QKeychain::EntryNotFound:
            answer.missing = true;
            answer.error = QStringLiteral("the secret store holds no password for this account");
            break;
        case QKeychain::AccessDeniedByUser:
        case QKeychain::AccessDenied:
            answer.error = QStringLiteral("the secret store refused access");
            break;
        case QKeychain::NoBackendAvailable:
            answer.error = QStringLiteral("no secret store answers (no Secret Service or KWallet)");
            break;
        default:
            answer.error = QStringLiteral("the secret store failed: ") + job.errorString();
            break;
    }
    return answer;
}

}  // namespace

QString SecretStore::entryName(const QString& service, const QString& folder, const QString& user) {
    return service + QLatin1Char(' ') + user + QStringLiteral(" in ") + folder;
}

SecretStore::Answer SecretStore::read(const QString& entry) const {
    QKeychain::ReadPasswordJob job(kStoreService);
    job.setKey(entry);
    Answer answer = finish(job);
    if (answer.ok) answer.secret = job.textData();
    return answer;
}

SecretStore::Answer SecretStore::write(const QString& entry, const QString& secret) const {
    QKeychain::WritePasswordJob job(kStoreService);
    job.setKey(entry);
    job.setTextData(secret);
    return finish(job);
}

SecretStore::Answer SecretStore::remove(const QString& entry) const {
    QKeychain::DeletePasswordJob job(kStoreService);
    job.setKey(entry);
    return finish(job);
}

}  // namespace morvel
