#pragma once

#include <QByteArray>
#include <QColor>
#include <QDate>
#include <QTime>
#include <cstdint>
#include <string>
#include <string_view>

// The messages of the UDP protocol that WSJT-X defines in its
// NetworkMessage.hpp (JTDX and MSHV speak it too): big-endian QDataStream
// data, a header of the magic number 0xadbccbda and the schema number, then
// the message type and the sender's id. Only the messages Morvel uses are
// read: 0 Heartbeat, 1 Status (its first two fields), 2 Decode, 5 QSO
// Logged, 6 Close, 12 Logged ADIF; 13 Highlight Callsign is written. Every datagram is untrusted:
// the reader never reads past its end, copies at most its length, and says why it could not read
// one.
namespace morvel::live {

inline constexpr std::uint32_t kMagic = 0xadbccbda;
// The schemas read and written: 2 (Qt 5.0 streams) and 3 (Qt 5.4 streams);
// the fields Morvel reads are laid out alike in both.
inline constexpr std::uint32_t kMinSchema = 2;
inline constexpr std::uint32_t kMaxSchema = 3;

enum class MessageType : std::uint32_t {
    Heartbeat = 0,
    Status = 1,
    Decode = 2,
    QsoLogged = 5,
    Close = 6,
    LoggedAdif = 12,
    HighlightCallsign = 13,
};

// A date and time as QDataStream writes a QDateTime: the Julian day, the
// milliseconds since midnight and the kind of time (0 local, 1 UTC, 2 offset).
struct StreamDateTime {
    bool present = false;  // the message reached this field
    QDate date;            // invalid when the stream held a null date
    QTime time;
};

// Type 5. Older versions and other programs end the message earlier (after
// Name, or after Exchange received): the fields after the end keep their
// defaults and `fields` counts those read.
struct QsoLogged {
    StreamDateTime off;
    std::string dxCall;
    std::string dxGrid;
    std::uint64_t txFrequencyHz = 0;
    std::string mode;
    std::string reportSent;
    std::string reportReceived;
    std::string txPower;
    std::string comments;
    std::string name;
    StreamDateTime on;
    std::string operatorCall;
    std::string myCall;
    std::string myGrid;
    std::string exchangeSent;
    std::string exchangeReceived;
    std::string propagationMode;
    int fields = 0;
};

// Type 2, the fields up to the message text (the flags after it are not needed).
struct Decode {
    bool isNew = false;
    std::uint32_t timeMs = 0;
    std::int32_t snr = 0;
    double deltaTime = 0;
    std::uint32_t deltaFrequencyHz = 0;
    std::string mode;
    std::string message;
};

// Type 1, the fields that tell the band: the dial frequency and the mode.
struct Status {
    std::uint64_t dialFrequencyHz = 0;
    std::string mode;
};

enum class ReadResult {
    Read,       // one of the types Morvel reads
    Ignored,    // a well-formed header of another type
    Malformed,  // not a message of the protocol, or one cut off or broken
};

struct Message {
    ReadResult result = ReadResult::Malformed;
    std::uint32_t schema = 0;
    MessageType type = MessageType::Heartbeat;
    std::string id;
    QsoLogged qso;            // type 5
    Decode decode;            // type 2
    Status status;            // type 1
    std::string adif;         // type 12: one ADIF record
    const char* reason = "";  // why it is malformed
};

// The reading of one datagram; never reads beyond it.
Message readMessage(std::string_view datagram);

// Type 13 for the client `id`: colour the call sign in its band activity
// window; invalid colours clear the highlight.
QByteArray highlightCallsign(std::uint32_t schema, std::string_view id, std::string_view call,
                             const QColor& background, const QColor& foreground,
                             bool highlightLast = false);

// The writing side of the protocol, as a client writes it: the tests' fake
// sender and the benchmarks build their datagrams with these.
class MessageWriter {
public:
    MessageWriter(MessageType type, std::string_view id, std::uint32_t schema = kMaxSchema);
    MessageWriter& utf8(std::string_view text);
    MessageWriter& nullUtf8();
    MessageWriter& u32(std::uint32_t v);
    MessageWriter& i32(std::int32_t v);
    MessageWriter& u64(std::uint64_t v);
    MessageWriter& boolean(bool v);
    MessageWriter& real(double v);
    MessageWriter& time(const QTime& t);
    MessageWriter& dateTime(const QDate& d, const QTime& t, int timeKind = 1,
                            int offsetSeconds = 0);
    MessageWriter& color(const QColor& c);
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

}  // namespace morvel::live
