#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morvel::test {

// What the test server received: the request line's target and the body.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QByteArray body;
};

// How the test server answers one request.
struct HttpAnswer {
    HttpAnswer() = default;
    explicit HttpAnswer(const QByteArray& body) : body(body) {}
    int status = 200;
    QByteArray body;
    QByteArray location;              // a redirect's target
    qint64 claimedLength = -1;        // a Content-Length other than the body's
    qint64 repeatBody = 1;            // the body sent this many times (a huge reply)
    bool silentAfterHeaders = false;  // the server stops sending after its headers
};

// An HTTPS server on 127.0.0.1 with the test authority's certificate, one
// answer per request, the connection closed after it.
class TestHttpsServer : public QObject {
public:
    using Responder = std::function<HttpAnswer(const HttpRequest&)>;

    explicit TestHttpsServer(Responder responder) : responder_(std::move(responder)) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(readCertificate(QStringLiteral("server.pem")));
        QFile key(dataPath(QStringLiteral("server.key")));
        key.open(QIODevice::ReadOnly);
        tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(tls);
        QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto* socket = qobject_cast<QSslSocket*>(server_.nextPendingConnection()))
                serve(socket);
        });
        server_.listen(QHostAddress::LocalHost, 0);
    }

    static QString dataPath(const QString& name) {
        return QStringLiteral(MORVEL_TEST_DATA_DIR "/tls/") + name;
    }
    static QSslCertificate readCertificate(const QString& name) {
        QFile file(dataPath(name));
        file.open(QIODevice::ReadOnly);
        return QSslCertificate(file.readAll(), QSsl::Pem);
    }
    static QList<QSslCertificate> authority() {
        return {readCertificate(QStringLiteral("ca.pem"))};
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    const QList<HttpRequest>& requests() const { return requests_; }
    // morvel-cli sync of the folder from LoTW at this server, as K1ABC.
    QStringList syncArgs(const QString& folder) const {
        return {"sync",          folder, "--service",         "lotw", "--user", "K1ABC",
                "--service-url", url("/lotwreport.adi").toString(),
                "--ca-certificates", dataPath("ca.pem")};
    }

private:
    void serve(QSslSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QSslSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            const QByteArray head = buffer->left(end);
            qint64 length = 0;
            for (const QByteArray& line : head.split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            if (buffer->size() < end + 4 + length) return;
            HttpRequest request;
            const QList<QByteArray> first = head.left(head.indexOf('\r')).split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            request.body = buffer->mid(end + 4, length);
            buffer->clear();
            requests_.append(request);
            answer(socket, responder_(request));
        });
    }

    void answer(QSslSocket* socket, const HttpAnswer& a) {
        const qint64 length = a.claimedLength >= 0 ? a.claimedLength : a.body.size() * a.repeatBody;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\n";
        if (!a.location.isEmpty()) head += "Location: " + a.location + "\r\n";
        head += "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
        socket->write(head);
        if (a.silentAfterHeaders) return;
        auto left = std::make_shared<qint64>(a.repeatBody);
        const QByteArray body = a.body;
        const auto more = [socket, left, body] {
            // Written as the socket takes it, so a huge reply never sits in memory.
            while (*left > 0 && socket->bytesToWrite() < 4 * 1024 * 1024) {
                socket->write(body);
                --*left;
            }
            if (*left == 0) {
                *left = -1;
                socket->disconnectFromHost();
            }
        };
        QObject::connect(socket, &QSslSocket::bytesWritten, socket, more);
        more();
    }

    Responder responder_;
    QSslServer server_;
    QList<HttpRequest> requests_;
};

inline std::string adifField(const char* name, const std::string& value) {
    return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value;
}

// A card confirmation of a 6 m FT8 contact, as the services send it.
inline std::string confirmation(const std::string& call, const std::string& grid) {
    return adifField("CALL", call) + adifField("BAND", "6M") + adifField("MODE", "FT8") +
           adifField("QSO_DATE", "20240611") + adifField("TIME_ON", "181500") +
           adifField("GRIDSQUARE", grid) + adifField("QSL_RCVD", "Y") +
           adifField("QSLRDATE", "20240612") + "\n<eor>\n";
}

// LoTW's report of the confirmations of `grids`, announcing `announced` records.
inline std::string lotwReport(int announced, const std::vector<std::string>& grids,
                              bool eof = true, const std::string& lastQsl = "2024-06-12 10:11:12") {
    std::string out = "ARRL Logbook of the World Status Report\nGenerated at 2024-06-13\n" +
                      adifField("PROGRAMID", "LoTW") + "\n" +
                      adifField("APP_LoTW_LASTQSL", lastQsl) + "\n" +
                      adifField("APP_LoTW_NUMREC", std::to_string(announced)) + "\n<eoh>\n";
    for (std::size_t i = 0; i < grids.size(); ++i)
        out += confirmation("W" + std::to_string(i) + "AW", grids[i]);
    return eof ? out + "<APP_LoTW_EOF>\n" : out;
}

}  // namespace morvel::test
