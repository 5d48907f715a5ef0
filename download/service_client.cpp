#include "download/service_client.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QUrlQuery>
#include <algorithm>

namespace morvel {

namespace {

QString describe(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
            return QStringLiteral("the connection was refused");
        case QNetworkReply::RemoteHostClosedError:
            return QStringLiteral("the server closed the connection");
        case QNetworkReply::HostNotFoundError:
            return QStringLiteral("the server was not found");
        case QNetworkReply::TimeoutError:
            return QStringLiteral("the server did not answer");
        case QNetworkReply::SslHandshakeFailedError:
            return QStringLiteral("the server's certificate is not trusted; nothing was sent");
        case QNetworkReply::InsecureRedirectError:
            return QStringLiteral("the server redirected to an address that is not https; refused");
        case QNetworkReply::TooManyRedirectsError:
            return QStringLiteral("the server redirected too often");
        case QNetworkReply::ProtocolUnknownError:
            return QStringLiteral("only https addresses are used");
        default:
            return QStringLiteral("the request failed (network error %1)").arg(int(error));
    }
}

}  // namespace

ServiceClient::ServiceClient(QList<QSslCertificate> authorities, ServiceLimits limits,
                             QObject* parent)
    : QObject(parent), authorities_(std::move(authorities)), limits_(limits) {
    network_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    quiet_.setSingleShot(true);
    connect(&quiet_, &QTimer::timeout, this, [this] {
        const int seconds = std::max(1, limits_.quietMs / 1000);
        fail(QStringLiteral("no answer for %1 second%2").arg(seconds).arg(seconds == 1 ? "" : "s"));
    });
}

ServiceClient::~ServiceClient() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

QString ServiceClient::shownUrl(const QUrl& url, const QStringList& secretKeys) {
    QUrl shown = url.adjusted(QUrl::RemoveUserInfo);
    QUrlQuery query(shown);
    auto items = query.queryItems(QUrl::FullyDecoded);
    for (auto& [key, value] : items)
        if (secretKeys.contains(key, Qt::CaseInsensitive)) value = QStringLiteral("***");
    QUrlQuery hidden;
    hidden.setQueryItems(items);
    shown.setQuery(hidden);
    return shown.toDisplayString();
}

QList<QSslCertificate> ServiceClient::readAuthorities(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return {};
    }
    const QByteArray pem = file.read(4 * 1024 * 1024);
    auto certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (certificates.isEmpty()) error = path + QStringLiteral(": no PEM certificate in it");
    return certificates;
}

QNetworkRequest ServiceClient::request(const QUrl& url) const {
    QNetworkRequest request(url);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!authorities_.isEmpty()) tls.addCaCertificates(authorities_);
    request.setSslConfiguration(tls);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Morvel"));
    return request;
}

void ServiceClient::get(const QUrl& url, const QStringList& secretKeys) {
    shown_ = shownUrl(url, secretKeys);
    if (url.scheme() != QLatin1String("https")) {
        done_ = false;
        body_.clear();
        failure_.clear();
        QTimer::singleShot(0, this,
                           [this] { fail(describe(QNetworkReply::ProtocolUnknownError)); });
        return;
    }
    start(network_.get(request(url)), url, secretKeys);
}

void ServiceClient::post(const QUrl& url, const QByteArray& form) {
    shown_ = shownUrl(url, {});
    if (url.scheme() != QLatin1String("https")) {
        done_ = false;
        body_.clear();
        failure_.clear();
        QTimer::singleShot(0, this,
                           [this] { fail(describe(QNetworkReply::ProtocolUnknownError)); });
        return;
    }
    QNetworkRequest r = request(url);
    r.setHeader(QNetworkRequest::ContentTypeHeader,
                QStringLiteral("application/x-www-form-urlencoded"));
    start(network_.post(r, form), url, {});
}

void ServiceClient::start(QNetworkReply* reply, const QUrl&, const QStringList&) {
    body_.clear();
    failure_.clear();
    done_ = false;
    reply_ = reply;
    connect(reply, &QNetworkReply::readyRead, this, &ServiceClient::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &ServiceClient::onFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        quiet_.start(limits_.quietMs);
        emit progress(received, total);
    });
    connect(reply, &QNetworkReply::uploadProgress, this, [this] { quiet_.start(limits_.quietMs); });
    quiet_.start(limits_.quietMs);
}

void ServiceClient::onReadyRead() {
    if (!reply_) return;
    quiet_.start(limits_.quietMs);
    const QByteArray bytes = reply_->readAll();
    if (static_cast<qint64>(body_.size()) + bytes.size() > limits_.maxBytes) {
        fail(QStringLiteral("the reply passed %1 MiB; stopped")
                 .arg(limits_.maxBytes / (1024 * 1024)));
        return;
    }
    body_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ServiceClient::onFinished() {
    if (!reply_) return;
    quiet_.stop();
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    if (reply->error() == QNetworkReply::NoError) onReadyRead();
    FetchResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!failure_.isEmpty()) {
        result.error = failure_;
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        result.error = shown_ + QStringLiteral(": cancelled");
    } else if (reply->error() != QNetworkReply::NoError && status < 400) {
        result.error = shown_ + QStringLiteral(": ") + describe(reply->error());
    } else if (status >= 400 || (status != 0 && status != 200)) {
        result.error = shown_ + QStringLiteral(": the server answered HTTP %1").arg(status);
    } else {
        result.ok = true;
        result.body = std::move(body_);
    }
    body_.clear();
    done_ = true;
    last_ = result;
    emit finished(result);
}

void ServiceClient::fail(const QString& reason) {
    failure_ = shown_ + QStringLiteral(": ") + reason;
    body_.clear();
    if (reply_) {
        reply_->abort();  // finished follows, with the failure
        return;
    }
    done_ = true;
    last_ = {false, {}, failure_};
    emit finished(last_);
}

void ServiceClient::cancel() {
    if (reply_) reply_->abort();
}

FetchResult ServiceClient::wait() {
    if (!done_) {
        QEventLoop loop;
        connect(this, &ServiceClient::finished, &loop, &QEventLoop::quit);
        if (!done_) loop.exec();
    }
    return last_;
}

}  // namespace morvel
