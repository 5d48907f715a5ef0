#include "download/confirmation_sync.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>
#include <QUrlQuery>
#include <QtConcurrent>

#include "database/database_document.h"
#include "database/qra_names.h"
#include "download/download_state.h"
#include "import/import_frame.h"

namespace morvel {

QString serviceKey(ConfirmationService service) {
    switch (service) {
        case ConfirmationService::Lotw:
            return QStringLiteral("lotw");
        case ConfirmationService::Eqsl:
            return QStringLiteral("eqsl");
        case ConfirmationService::Qrz:
            return QStringLiteral("qrz");
    }
    return {};
}

QString databaseChoiceKey(ConfirmationService service, std::string_view band) {
    return serviceKey(service) + QStringLiteral(".database.") +
           QString::fromLatin1(band.data(), static_cast<qsizetype>(band.size())).toUpper();
}

BandDatabases chosenDatabases(const DownloadState& state, ConfirmationService service) {
    BandDatabases chosen;
    for (const std::string& band : bandList()) {
        const QString name = state.value(databaseChoiceKey(service, band));
        if (!name.isEmpty()) chosen[QString::fromStdString(band).toUpper().toStdString()] = name;
    }
    return chosen;
}

QUrl defaultServiceUrl(ConfirmationService service) {
    switch (service) {
        case ConfirmationService::Lotw:
            return QUrl(QStringLiteral("https://lotw.arrl.org/lotwuser/lotwreport.adi"));
        case ConfirmationService::Eqsl:
            return QUrl(QStringLiteral("https://www.eqsl.cc/qslcard/DownloadInBox.cfm"));
        case ConfirmationService::Qrz:
            return QUrl(QStringLiteral("https://logbook.qrz.com/api"));
    }
    return {};
}

QUrl lotwRequestUrl(const QUrl& base, const QString& login, const QString& password,
                    const QString& since) {
    QUrl url = base;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("login"), login);
    q.addQueryItem(QStringLiteral("password"), password);
    q.addQueryItem(QStringLiteral("qso_query"), QStringLiteral("1"));
    q.addQueryItem(QStringLiteral("qso_qsl"), QStringLiteral("yes"));
    q.addQueryItem(QStringLiteral("qso_qsldetail"), QStringLiteral("yes"));
    q.addQueryItem(QStringLiteral("qso_mydetail"), QStringLiteral("yes"));
    if (!since.isEmpty()) q.addQueryItem(QStringLiteral("qso_qslsince"), since);
    url.setQuery(q);
    return url;
}

QUrl eqslRequestUrl(const QUrl& base, const QString& user, const QString& password,
                    const QString& nickname, const QString& since) {
    QUrl url = base;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("UserName"), user);
    q.addQueryItem(QStringLiteral("Password"), password);
    if (!nickname.isEmpty()) q.addQueryItem(QStringLiteral("QTHNickname"), nickname);
    if (!since.isEmpty()) q.addQueryItem(QStringLiteral("RcvdSince"), since);
    url.setQuery(q);
    return url;
}

QByteArray qrzRequestForm(const QString& key, const QString& since) {
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("KEY"), key);
    q.addQueryItem(QStringLiteral("ACTION"), QStringLiteral("FETCH"));
    q.addQueryItem(QStringLiteral("OPTION"),
                   QStringLiteral("STATUS:CONFIRMED") +
                       (since.isEmpty() ? QString() : QStringLiteral(",MODSINCE:") + since));
    return q.toString(QUrl::FullyEncoded).toUtf8();
}

ConfirmationSync::ConfirmationSync(SyncRequest request, DocumentOf documentOf, QObject* parent)
    : QObject(parent),
      request_(std::move(request)),
      documentOf_(std::move(documentOf)),
      client_(request_.authorities, request_.limits) {
    connect(&client_, &ServiceClient::finished, this, &ConfirmationSync::onFetched);
    connect(&client_, &ServiceClient::progress, this, &ConfirmationSync::progress);
}

ConfirmationSync::~ConfirmationSync() = default;

QString ConfirmationSync::stateKey(const char* what) const {
    return serviceKey(request_.service) + QLatin1Char('.') + QLatin1String(what);
}

void ConfirmationSync::start() {
    began_ = request_.now();
    DownloadState state;
    Error error;
    if (!DownloadState::read(request_.folder, state, error)) {
        QTimer::singleShot(0, this, [this, error] {
            finish({false, false, QStringLiteral("Cannot read ") + error.message(), {}});
        });
        return;
    }
    QString since = state.value(stateKey("since"));
    if (since.isEmpty() && request_.since.isValid()) {
        switch (request_.service) {
            case ConfirmationService::Lotw:
            case ConfirmationService::Qrz:
                since = request_.since.toString(QStringLiteral("yyyy-MM-dd"));
                break;
            case ConfirmationService::Eqsl:
                since =
                    request_.since.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("0000");
                break;
        }
    }
    nextSince_ = request_.service == ConfirmationService::Eqsl
                     ? began_.toUTC().toString(QStringLiteral("yyyyMMddHHmm"))
                     : began_.toUTC().toString(QStringLiteral("yyyy-MM-dd"));
    const QUrl base =
        request_.serviceUrl.isEmpty() ? defaultServiceUrl(request_.service) : request_.serviceUrl;
    switch (request_.service) {
        case ConfirmationService::Lotw:
            pageUrl_ = lotwRequestUrl(base, request_.user, request_.secret, since);
            break;
        case ConfirmationService::Eqsl:
            pageUrl_ =
                eqslRequestUrl(base, request_.user, request_.secret, request_.nickname, since);
            break;
        case ConfirmationService::Qrz:
            pageUrl_ = base;
            qrzForm_ = qrzRequestForm(request_.secret, since);
            break;
    }
    request();
}

void ConfirmationSync::request() {
    emit stage(QStringLiteral("Asking %1").arg(serviceName(request_.service)));
    if (request_.service == ConfirmationService::Qrz)
        client_.post(pageUrl_, qrzForm_);
    else
        client_.get(pageUrl_, {QStringLiteral("password")});
}

void ConfirmationSync::onFetched(const FetchResult& result) {
    if (cancelled_) {
        finish({false, true, QStringLiteral("Cancelled: nothing changed"), {}});
        return;
    }
    if (!result.ok) {
        finish({false, false, result.error, {}});
        return;
    }
    const QString server = pageUrl_.host();
    ServiceReply reply;
    switch (request_.service) {
        case ConfirmationService::Lotw:
            reply = readLotwReply(result.body);
            if (reply.kind == ServiceReply::Kind::RateLimited) {
                if (retries_ < request_.retryWaitsMs.size()) {
                    const int waitMs = request_.retryWaitsMs[retries_++];
                    emit stage(QStringLiteral("LoTW's page request limit: trying again in %1 s")
                                   .arg(waitMs / 1000.0));
                    QTimer::singleShot(waitMs, this, [this] {
                        if (cancelled_)
                            finish({false, true, QStringLiteral("Cancelled: nothing changed"), {}});
                        else
                            request();
                    });
                    return;
                }
                reply.kind = ServiceReply::Kind::Unusable;
                reply.reason = QStringLiteral(
                                   "LoTW's page request limit was reached %1 times; gave "
                                   "up, nothing changed")
                                   .arg(retries_ + 1);
            }
            break;
        case ConfirmationService::Eqsl:
            if (!fetchingFile_) {
                reply = readEqslPage(result.body);
                if (reply.kind == ServiceReply::Kind::Link) {
                    fetchingFile_ = true;
                    const QUrl file = pageUrl_.resolved(QUrl(QString::fromLatin1(reply.link)));
                    emit stage(QStringLiteral("Fetching the eQSL file"));
                    client_.get(file, {QStringLiteral("password")});
                    return;
                }
            } else {
                reply = readEqslFile(result.body);
            }
            break;
        case ConfirmationService::Qrz:
            reply = readQrzReply(result.body);
            break;
    }
    if (reply.kind == ServiceReply::Kind::Refused || reply.kind == ServiceReply::Kind::Unusable ||
        reply.kind == ServiceReply::Kind::RateLimited || reply.kind == ServiceReply::Kind::Link) {
        finish({false, false, server + QStringLiteral(": ") + reply.reason, {}});
        return;
    }
    applyReply(std::move(reply));
}

void ConfirmationSync::applyReply(ServiceReply reply) {
    applying_ = true;
    emit stage(QStringLiteral("Applying %1 confirmations").arg(reply.records));
    if (request_.service == ConfirmationService::Lotw && !reply.lastQsl.empty())
        nextSince_ = QString::fromLatin1(reply.lastQsl);
    SyncOutcome outcome;
    outcome.report.notConfirmed = reply.notConfirmed;
    if (reply.kind != ServiceReply::Kind::Confirmations) {
        applied(std::move(outcome), true, {});
        return;
    }
    Error error;
    DownloadState state;
    if (!DownloadState::read(request_.folder, state, error)) {
        outcome.message = QStringLiteral("Cannot read ") + error.message();
        finish(std::move(outcome));
        return;
    }
    const BandDatabases chosen = chosenDatabases(state, request_.service);
    const ChangelogStamp stamp = request_.stamp ? request_.stamp() : currentStamp();
    // The reading of the reply, the ledger and the checks run on a worker, so
    // the window goes on answering; each database's transaction still runs
    // on its owner's worker, and the owners are had on this thread.
    const DocumentOf documentOf = [this](const QString& path) {
        std::shared_ptr<DatabaseDocument> document;
        QMetaObject::invokeMethod(
            this,
            [&] {
                document = documentOf_(path);
                documents_.push_back(document);
            },
            Qt::BlockingQueuedConnection);
        return document;
    };
    struct Applied {
        SyncOutcome outcome;
        bool ok = false;
        Error error;
    };
    auto* watcher = new QFutureWatcher<Applied>(this);
    connect(watcher, &QFutureWatcher<Applied>::finished, this, [this, watcher] {
        Applied a = watcher->result();
        watcher->deleteLater();
        applied(std::move(a.outcome), a.ok, a.error);
    });
    watcher->setFuture(QtConcurrent::run(
        [folder = request_.folder, service = request_.service, adif = std::move(reply.adif),
         documentOf, stamp, chosen, outcome = std::move(outcome)]() mutable {
            Applied a;
            a.outcome = std::move(outcome);
            a.ok = applyConfirmations(folder, service, adif, documentOf, stamp, a.outcome.report,
                                      a.error, chosen);
            return a;
        }));
}

void ConfirmationSync::applied(SyncOutcome outcome, bool ok, const Error& applyError) {
    documents_.clear();
    if (!ok) {
        outcome.message =
            QStringLiteral("The confirmations could not all be applied: ") + applyError.message();
        finish(std::move(outcome));
        return;
    }
    // Only now: a download that did not get in is asked for again next time.
    Error error;
    DownloadState state;
    if (!DownloadState::read(request_.folder, state, error)) {
        outcome.message = QStringLiteral("Cannot read ") + error.message();
        finish(std::move(outcome));
        return;
    }
    state.set(stateKey("since"), nextSince_);
    if (!request_.user.isEmpty()) state.set(stateKey("user"), request_.user);
    if (!request_.nickname.isEmpty()) state.set(stateKey("nickname"), request_.nickname);
    if (!state.write(request_.folder, error)) {
        outcome.message = QStringLiteral("Cannot store the download's date: ") + error.message();
        finish(std::move(outcome));
        return;
    }
    outcome.ok = true;
    finish(std::move(outcome));
}

void ConfirmationSync::finish(SyncOutcome outcome) {
    applying_ = false;
    done_ = true;
    outcome_ = std::move(outcome);
    emit finished(outcome_);
}

void ConfirmationSync::cancel() {
    if (applying_ || done_) return;  // the applying is one transaction per database: let it end
    cancelled_ = true;
    client_.cancel();
}

SyncOutcome ConfirmationSync::wait() {
    if (!done_) {
        QEventLoop loop;
        connect(this, &ConfirmationSync::finished, &loop, &QEventLoop::quit);
        if (!done_) loop.exec();
    }
    return outcome_;
}

}  // namespace morvel
