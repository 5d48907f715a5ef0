#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <string>

namespace morvel {

// What one request to a service brought: the whole body, or why not.
struct FetchResult {
    bool ok = false;
    std::string body;
    QString error;  // names the server; never holds a secret
};

// How much a reply may hold, and how long a server may stay quiet.
struct ServiceLimits {
    qint64 maxBytes = 256LL * 1024 * 1024;
    int quietMs = 30'000;
};

// One request at a time to a confirmation service, over https only, with the
// server's certificate always verified (against the system's authorities or
// those given), redirects followed only to https, the reply bounded in size,
// and a server that goes quiet given up on.
class ServiceClient : public QObject {
    Q_OBJECT
public:
    explicit ServiceClient(QList<QSslCertificate> authorities = {},
                           ServiceLimits limits = ServiceLimits(), QObject* parent = nullptr);
    ~ServiceClient() override;

    // The query items named in secretKeys are shown as "***" wherever the
    // address appears.
    void get(const QUrl& url, const QStringList& secretKeys);
    void post(const QUrl& url, const QByteArray& form);
    void cancel();
    bool busy() const { return reply_ != nullptr; }

    // Waits for the request (the command-line tool).
    FetchResult wait();

    // The address as it may be shown: no user info, secrets hidden.
    static QString shownUrl(const QUrl& url, const QStringList& secretKeys);
    // Reads the certificates of a PEM file; error when none.
    static QList<QSslCertificate> readAuthorities(const QString& path, QString& error);

signals:
    void progress(qint64 received, qint64 total);
    void finished(const morvel::FetchResult& result);

private:
    void start(QNetworkReply* reply, const QUrl& url, const QStringList& secretKeys);
    void onReadyRead();
    void onFinished();
    void fail(const QString& reason);
    QNetworkRequest request(const QUrl& url) const;

    QNetworkAccessManager network_;
    QList<QSslCertificate> authorities_;
    ServiceLimits limits_;
    QPointer<QNetworkReply> reply_;
    QTimer quiet_;
    std::string body_;
    QString shown_;
    QString failure_;
    bool done_ = false;
    FetchResult last_;
};

}  // namespace morvel
