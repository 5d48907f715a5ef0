#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "database/error.h"

class QThread;

namespace morvel::live {

// Where datagrams come from: an address and port (127.0.0.1:2237 unless the
// user chooses otherwise), or a multicast group joined on an interface.
struct UdpEndpoint {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 2237;
    bool multicast = false;  // address is the group
    QString interfaceName;   // where the group is joined; empty: the system's choice
};

// "[ADDRESS:]PORT" or "GROUP:PORT" read into an endpoint; false with the reason.
bool parseEndpoint(const QString& text, bool multicast, UdpEndpoint& out, QString& reason);
QString describeEndpoint(const UdpEndpoint& endpoint);  // "UDP 127.0.0.1:2237", "multicast ..."
// Why a unicast port could not be bound when another program holds it.
QString inUseText(const UdpEndpoint& endpoint);

// A UDP socket of its own thread, so that a burst is taken off the socket as
// fast as it arrives whatever the main thread is doing; the datagrams come
// to the main thread through the signal. A unicast port already in use is
// refused; a multicast group's port is shared. Nothing runs while nothing
// arrives.
class UdpSource : public QObject {
    Q_OBJECT
public:
    explicit UdpSource(QObject* parent = nullptr);
    ~UdpSource() override;

    bool start(const UdpEndpoint& endpoint, Error& error);
    void stop();
    // The port bound (useful when port 0 was asked for).
    quint16 boundPort() const { return boundPort_; }
    // A datagram back to a client, from the bound socket.
    void send(const QByteArray& datagram, const QHostAddress& to, quint16 port);

    // The largest datagram read; longer ones are cut (and so malformed).
    static constexpr qint64 kMaxDatagram = 65536;
    // Bytes of datagrams read but not yet handed on at most, each counted
    // with what queueing it costs besides; a flood beyond it is dropped (and
    // counted) rather than held, whatever the datagrams' size.
    static constexpr qint64 kMaxQueuedBytes = 8 * 1024 * 1024;
    static constexpr qint64 kQueueOverhead = 128;
    std::int64_t dropped() const { return dropped_.load(); }

signals:
    void datagram(const QByteArray& bytes, const QHostAddress& from, quint16 port);

private:
    class Worker;
    QThread* thread_ = nullptr;
    Worker* worker_ = nullptr;
    quint16 boundPort_ = 0;
    std::atomic<qint64> queued_{0};  // bytes
    std::atomic<std::int64_t> dropped_{0};
};

}  // namespace morvel::live
