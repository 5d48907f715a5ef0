#include "live/wsjtx_message.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <cstring>
#include <limits>

namespace morvel::live {
namespace {

// Big-endian reads within the datagram; the first failure sticks.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return reason_ == nullptr; }
    bool atEnd() const { return at_ == bytes_.size(); }
    const char* reason() const { return reason_ ? reason_ : ""; }

    bool fail(const char* why) {
        if (!reason_) reason_ = why;
        return false;
    }

    bool u8(std::uint8_t& v) {
        if (!need(1)) return false;
        v = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint64_t w = 0;
        if (!big(4, w)) return false;
        v = static_cast<std::uint32_t>(w);
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool u64(std::uint64_t& v) { return big(8, v); }
    bool i64(std::int64_t& v) {
        std::uint64_t u = 0;
        if (!u64(u)) return false;
        v = static_cast<std::int64_t>(u);
        return true;
    }
    bool boolean(bool& v) {
        std::uint8_t b = 0;
        if (!u8(b)) return false;
        v = b != 0;
        return true;
    }
    bool real(double& v) {
        std::uint64_t u = 0;
        if (!u64(u)) return false;
        std::memcpy(&v, &u, sizeof v);
        return true;
    }
    // QByteArray: a 32-bit length (0xffffffff for a null array), then the bytes.
    bool utf8(std::string& out) {
        std::uint32_t n = 0;
        if (!u32(n)) return false;
        if (n == 0xffffffffU) {
            out.clear();
            return true;
        }
        if (n > bytes_.size() - at_) return fail("a string runs past the end of the datagram");
        out.assign(bytes_.substr(at_, n));
        at_ += n;
        return true;
    }
    // QTime: milliseconds since midnight, 0xffffffff for a null time.
    bool time(QTime& t) {
        std::uint32_t ms = 0;
        if (!u32(ms)) return false;
        if (ms == 0xffffffffU) {
            t = QTime();
            return true;
        }
        if (ms >= 24U * 3600U * 1000U) return fail("a time out of range");
        t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
        return true;
    }
    // QDateTime as streams of Qt 5.2 and later write it. The date and time
    // are brought to UTC; a named time zone (3) is not written by the
    // programs and is refused.
    bool dateTime(StreamDateTime& out) {
        std::int64_t jd = 0;
        QTime t;
        std::uint8_t timeKind = 0;
        if (!i64(jd) || !time(t) || !u8(timeKind)) return false;
        // Years 1900 to 2099 (the database keeps two digits of the year),
        // or the null date (Qt 5's minimum qint64).
        constexpr std::int64_t kFirstDay = 2415021;  // 1 January 1900
        constexpr std::int64_t kLastDay = 2488069;   // 31 December 2099
        const bool nullDate = jd == std::numeric_limits<std::int64_t>::min();
        if (!nullDate && (jd < kFirstDay || jd > kLastDay)) return fail("a date out of range");
        QDate d = nullDate ? QDate() : QDate::fromJulianDay(jd);
        if (timeKind == 2) {
            std::int32_t offset = 0;
            if (!i32(offset)) return false;
            if (offset < -14 * 3600 || offset > 14 * 3600)
                return fail("a time offset out of range");
            if (d.isValid() && t.isValid()) {
                const QDateTime utc = QDateTime(d, t, Qt::UTC).addSecs(-offset);
                d = utc.date();
                t = utc.time();
            }
        } else if (timeKind > 2) {
            return fail("a time that is not local, UTC or an offset");
        }
        out = {true, d, t};
        return true;
    }

private:
    bool need(std::size_t n) {
        if (!ok()) return false;
        if (n > bytes_.size() - at_) return fail("the datagram ends inside a field");
        return true;
    }
    bool big(std::size_t n, std::uint64_t& v) {
        if (!need(n)) return false;
        v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v = v << 8 | static_cast<unsigned char>(bytes_[at_ + i]);
        at_ += n;
        return true;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    const char* reason_ = nullptr;
};

// The fields of QSO Logged in their order. The first four (up to the Tx
// frequency, which gives the band) must be there; the message may end after
// any later field, and whatever follows the last one is ignored.
bool readQsoLogged(Reader& r, QsoLogged& q) {
    if (!r.dateTime(q.off) || !r.utf8(q.dxCall) || !r.utf8(q.dxGrid) || !r.u64(q.txFrequencyHz))
        return r.fail("a QSO Logged cut short");
    q.fields = 4;
    const auto more = [&](auto&& read) {
        if (r.atEnd() || !read()) return false;
        ++q.fields;
        return true;
    };
    for (std::string* t :
         {&q.mode, &q.reportSent, &q.reportReceived, &q.txPower, &q.comments, &q.name})
        if (!more([&] { return r.utf8(*t); })) return r.ok();
    if (!more([&] { return r.dateTime(q.on); })) return r.ok();
    for (std::string* t : {&q.operatorCall, &q.myCall, &q.myGrid, &q.exchangeSent,
                           &q.exchangeReceived, &q.propagationMode})
        if (!more([&] { return r.utf8(*t); })) return r.ok();
    return true;
}

bool readDecode(Reader& r, Decode& d) {
    QTime t;
    if (!r.boolean(d.isNew) || !r.time(t) || !r.i32(d.snr) || !r.real(d.deltaTime) ||
        !r.u32(d.deltaFrequencyHz) || !r.utf8(d.mode) || !r.utf8(d.message))
        return r.fail("a Decode cut short");
    d.timeMs = t.isValid() ? static_cast<std::uint32_t>(t.msecsSinceStartOfDay()) : 0;
    return true;
}

QDataStream::Version streamVersion(std::uint32_t schema) {
    return schema >= 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_0;
}

}  // namespace

Message readMessage(std::string_view datagram) {
    Message m;
    Reader r(datagram);
    std::uint32_t magic = 0;
    std::uint32_t type = 0;
    if (!r.u32(magic) || magic != kMagic) {
        m.reason = r.ok() ? "not the protocol's magic number" : r.reason();
        return m;
    }
    if (!r.u32(m.schema) || m.schema < kMinSchema || m.schema > kMaxSchema) {
        m.reason = r.ok() ? "a schema other than 2 or 3" : r.reason();
        return m;
    }
    if (!r.u32(type) || !r.utf8(m.id)) {
        m.reason = r.reason();
        return m;
    }
    m.type = static_cast<MessageType>(type);
    bool ok = false;
    switch (m.type) {
        case MessageType::QsoLogged:
            ok = readQsoLogged(r, m.qso);
            break;
        case MessageType::LoggedAdif:
            ok = r.utf8(m.adif) || r.fail("a Logged ADIF cut short");
            break;
        case MessageType::Decode:
            ok = readDecode(r, m.decode);
            break;
        case MessageType::Status:
            ok = (r.u64(m.status.dialFrequencyHz) && r.utf8(m.status.mode)) ||
                 r.fail("a Status cut short");
            break;
        case MessageType::Heartbeat:
        case MessageType::Close:
            ok = true;
            break;
        default:
            m.result = ReadResult::Ignored;
            return m;
    }
    if (!ok) {
        m.reason = r.reason();
        return m;
    }
    m.result = ReadResult::Read;
    return m;
}

MessageWriter::MessageWriter(MessageType type, std::string_view id, std::uint32_t schema) {
    QDataStream out(&bytes_, QIODevice::WriteOnly);
    out.setVersion(streamVersion(schema));
    out << static_cast<quint32>(kMagic) << static_cast<quint32>(schema)
        << static_cast<quint32>(type);
    utf8(id);
}

namespace {
template <typename Write>
void append(QByteArray& bytes, Write write) {
    QDataStream out(&bytes, QIODevice::Append);
    out.setVersion(QDataStream::Qt_5_4);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    write(out);
}
}  // namespace

MessageWriter& MessageWriter::utf8(std::string_view text) {
    append(bytes_, [&](QDataStream& out) {
        out << QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    });
    return *this;
}
MessageWriter& MessageWriter::nullUtf8() {
    append(bytes_, [&](QDataStream& out) { out << QByteArray(); });
    return *this;
}
MessageWriter& MessageWriter::u32(std::uint32_t v) {
    append(bytes_, [&](QDataStream& out) { out << static_cast<quint32>(v); });
    return *this;
}
MessageWriter& MessageWriter::i32(std::int32_t v) {
    append(bytes_, [&](QDataStream& out) { out << static_cast<qint32>(v); });
    return *this;
}
MessageWriter& MessageWriter::u64(std::uint64_t v) {
    append(bytes_, [&](QDataStream& out) { out << static_cast<quint64>(v); });
    return *this;
}
MessageWriter& MessageWriter::boolean(bool v) {
    append(bytes_, [&](QDataStream& out) { out << v; });
    return *this;
}
MessageWriter& MessageWriter::real(double v) {
    append(bytes_, [&](QDataStream& out) { out << v; });
    return *this;
}
MessageWriter& MessageWriter::time(const QTime& t) {
    append(bytes_, [&](QDataStream& out) { out << t; });
    return *this;
}
MessageWriter& MessageWriter::dateTime(const QDate& d, const QTime& t, int timeKind,
                                       int offsetSeconds) {
    append(bytes_, [&](QDataStream& out) {
        if (timeKind == 1)
            out << QDateTime(d, t, Qt::UTC);
        else if (timeKind == 2)
            out << QDateTime(d, t, Qt::OffsetFromUTC, offsetSeconds);
        else
            out << QDateTime(d, t);
    });
    return *this;
}
MessageWriter& MessageWriter::color(const QColor& c) {
    append(bytes_, [&](QDataStream& out) { out << c; });
    return *this;
}

QByteArray highlightCallsign(std::uint32_t schema, std::string_view id, std::string_view call,
                             const QColor& background, const QColor& foreground,
                             bool highlightLast) {
    return MessageWriter(MessageType::HighlightCallsign, id, schema)
        .utf8(call)
        .color(background)
        .color(foreground)
        .boolean(highlightLast)
        .bytes();
}

}  // namespace morvel::live
