#include "live/udp_source.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QThread>
#include <QUdpSocket>
#include <QVariant>

namespace morvel::live {

bool parseEndpoint(const QString& text, bool multicast, UdpEndpoint& out, QString& reason) {
    UdpEndpoint e;
    e.multicast = multicast;
    // "[::1]:2237" and "[::1]" as in URLs; an IPv6 address without brackets
    // is all address, on the default port.
    QString addressText;
    QString portText;
    bool portGiven = true;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (text.startsWith(QLatin1Char('[')) && close > 0 &&
        (close + 1 == text.size() || text.at(close + 1) == QLatin1Char(':'))) {
        addressText = text.mid(1, close - 1);
        portText = text.mid(close + 2);
        portGiven = close + 1 < text.size();
    } else if (text.count(QLatin1Char(':')) > 1) {
        addressText = text;
        portGiven = false;
    } else {
        addressText = colon < 0 ? QString() : text.left(colon);
        portText = colon < 0 ? text : text.mid(colon + 1);
    }
    if (portGiven) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port > 65535) {
            reason = QStringLiteral("Not a port: ") + portText;
            return false;
        }
        e.port = static_cast<quint16>(port);
    }
    if (multicast && addressText.isEmpty()) {
        reason = QStringLiteral("A multicast group is GROUP:PORT, as 239.255.0.1:2237");
        return false;
    }
    if (!addressText.isEmpty() && !e.address.setAddress(addressText)) {
        // Names are not looked up: the sending program is on this machine or
        // at an address the user knows.
        reason = QStringLiteral("Not an address: ") + addressText +
                 QStringLiteral(" (give its numbers, as 127.0.0.1 or [::1])");
        return false;
    }
    if (multicast && !e.address.isMulticast()) {
        reason = addressText + QStringLiteral(" is not a multicast group");
        return false;
    }
    out = e;
    return true;
}

QString describeEndpoint(const UdpEndpoint& e) {
    const QString address = e.address.protocol() == QAbstractSocket::IPv6Protocol
                                ? QLatin1Char('[') + e.address.toString() + QLatin1Char(']')
                                : e.address.toString();
    return (e.multicast ? QStringLiteral("multicast ") : QStringLiteral("UDP ")) + address +
           QLatin1Char(':') + QString::number(e.port);
}

QString inUseText(const UdpEndpoint& e) {
    return QStringLiteral("port ") + QString::number(e.port) +
           QStringLiteral(
               " is in use by another program; to share the digital-mode program's "
               "messages with it, have both send to and listen on a multicast group, "
               "as 239.255.0.1:") +
           QString::number(e.port);
}

class UdpSource::Worker : public QObject {
    Q_OBJECT
public:
    Worker(std::atomic<qint64>& queued, std::atomic<std::int64_t>& dropped)
        : queued_(queued), dropped_(dropped) {}

    bool bind(const UdpEndpoint& e, QString& reason, quint16& bound) {
        socket_ = new QUdpSocket(this);
        // A unicast port belongs to one listener: sharing it would take
        // datagrams away from the program already there. A group is shared
        // by every listener that joins it, each bound to the group alone.
        const auto mode = e.multicast
                              ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                              : QAbstractSocket::DontShareAddress;
        if (!socket_->bind(e.address, e.port, mode)) {
            reason = socket_->error() == QAbstractSocket::AddressInUseError
                         ? inUseText(e)
                         : socket_->errorString();
            return false;
        }
        // Room for a burst while this thread is being scheduled.
        socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 << 20));
        if (e.multicast) {
            const bool joined =
                e.interfaceName.isEmpty()
                    ? socket_->joinMulticastGroup(e.address)
                    : socket_->joinMulticastGroup(
                          e.address, QNetworkInterface::interfaceFromName(e.interfaceName));
            if (!joined) {
                reason = socket_->errorString();
                return false;
            }
        }
        bound = socket_->localPort();
        connect(socket_, &QUdpSocket::readyRead, this, &Worker::drain);
        return true;
    }

    void send(const QByteArray& bytes, const QHostAddress& to, quint16 port) {
        if (socket_) socket_->writeDatagram(bytes, to, port);
    }

    void close() {
        delete socket_;
        socket_ = nullptr;
    }

signals:
    void received(const QByteArray& bytes, const QHostAddress& from, quint16 port);

private:
    void drain() {
        while (socket_ && socket_->hasPendingDatagrams()) {
            const QNetworkDatagram d = socket_->receiveDatagram(kMaxDatagram);
            if (!d.isValid()) break;
            const qint64 cost = d.data().size() + kQueueOverhead;
            if (queued_.load() + cost > kMaxQueuedBytes) {
                ++dropped_;
                continue;
            }
            queued_ += cost;
            emit received(d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()));
        }
    }

    QUdpSocket* socket_ = nullptr;
    std::atomic<qint64>& queued_;
    std::atomic<std::int64_t>& dropped_;
};

UdpSource::UdpSource(QObject* parent) : QObject(parent) {}

UdpSource::~UdpSource() {
    stop();
}

bool UdpSource::start(const UdpEndpoint& endpoint, Error& error) {
    stop();
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("morvel udp"));
    worker_ = new Worker(queued_, dropped_);
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &Worker::received, this,
            [this](const QByteArray& bytes, const QHostAddress& from, quint16 port) {
                queued_ -= bytes.size() + kQueueOverhead;
                emit datagram(bytes, from, port);
            });
    thread_->start();
    bool bound = false;
    QString reason;
    quint16 port = 0;
    QMetaObject::invokeMethod(
        worker_, [&] { bound = worker_->bind(endpoint, reason, port); },
        Qt::BlockingQueuedConnection);
    if (!bound) {
        stop();
        error = {describeEndpoint(endpoint), reason};
        return false;
    }
    boundPort_ = port;
    return true;
}

void UdpSource::stop() {
    if (!thread_) return;
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->close(); }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    worker_ = nullptr;
    boundPort_ = 0;
}

void UdpSource::send(const QByteArray& datagram, const QHostAddress& to, quint16 port) {
    if (!worker_) return;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, datagram, to, port] { w->send(datagram, to, port); },
        Qt::QueuedConnection);
}

}  // namespace morvel::live

#include "udp_source.moc"
