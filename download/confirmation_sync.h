#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "download/confirmation_apply.h"
#include "download/service_client.h"
#include "download/service_reply.h"

namespace morvel {

// One download of confirmations as the user asked for it.
struct SyncRequest {
    QString folder;  // absolute
    ConfirmationService service = ConfirmationService::Lotw;
    QString user;                        // LoTW login, eQSL user; unused by QRZ
    QString secret;                      // password or API key; never shown, never written
    QString nickname;                    // eQSL's QTH nickname
    QDate since;                         // the first download's start, when the folder has none
    QUrl serviceUrl;                     // empty: the service's own address
    QList<QSslCertificate> authorities;  // empty: the system's
    ServiceLimits limits;
    // LoTW's request limit: tried again after each of these waits, then given up.
    std::vector<int> retryWaitsMs{2000, 4000, 8000};
    // The time the download began (the next eQSL and QRZ download starts there).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    std::function<ChangelogStamp()> stamp;
};

// How a download ended.
struct SyncOutcome {
    bool ok = false;
    bool cancelled = false;
    QString message;  // the error, naming the server; never a secret
    SyncReport report;
};

// "lotw", "eqsl", "qrz": the service in the folder's download state and the secret store.
QString serviceKey(ConfirmationService service);

class DownloadState;
// The key of the database chosen for a band's confirmations of a service
// ("lotw.database.2M"), and the choices a folder's download state holds.
QString databaseChoiceKey(ConfirmationService service, std::string_view band);
BandDatabases chosenDatabases(const DownloadState& state, ConfirmationService service);

// The service's own address.
QUrl defaultServiceUrl(ConfirmationService service);
// The request the service is sent: the GET address or the POST form.
QUrl lotwRequestUrl(const QUrl& base, const QString& login, const QString& password,
                    const QString& since);
QUrl eqslRequestUrl(const QUrl& base, const QString& user, const QString& password,
                    const QString& nickname, const QString& since);
QByteArray qrzRequestForm(const QString& key, const QString& since);

// A download from start to end: the request, retries at LoTW's request
// limit, the whole reply read and checked, then applied through the
// databases' owners (nothing is applied from a reply that is not whole), and the folder's
// download state stored only after the confirmations are in. Cancel before
// the applying leaves everything as it was.
class ConfirmationSync : public QObject {
    Q_OBJECT
public:
    ConfirmationSync(SyncRequest request, DocumentOf documentOf, QObject* parent = nullptr);
    ~ConfirmationSync() override;

    void start();
    void cancel();
    // Waits for the end (the command-line tool).
    SyncOutcome wait();

signals:
    void stage(const QString& text);
    void progress(qint64 received, qint64 total);
    void finished(const morvel::SyncOutcome& outcome);

private:
    void request();
    void onFetched(const FetchResult& result);
    void applyReply(ServiceReply reply);
    void applied(SyncOutcome outcome, bool ok, const Error& error);
    void finish(SyncOutcome outcome);
    QString stateKey(const char* what) const;

    SyncRequest request_;
    DocumentOf documentOf_;
    ServiceClient client_;
    std::size_t retries_ = 0;
    bool cancelled_ = false;
    bool applying_ = false;
    bool done_ = false;
    bool fetchingFile_ = false;  // eQSL: the linked ADIF file, after its page
    QUrl pageUrl_;
    QByteArray qrzForm_;
    QString nextSince_;
    QDateTime began_;
    SyncOutcome outcome_;
    // The owners the applying used, released here on their own thread.
    std::vector<std::shared_ptr<DatabaseDocument>> documents_;
};

}  // namespace morvel
