#include "database/field_record.h"

#include <QtEndian>
#include <cstring>


namespace morvel {
void setPaddedText(char* field, std::size_t width, std::string_view text) {
    const std::size_t n = text.size() < width ? text.size() : width;
    // An empty view may carry a null pointer, which memcpy must never get.
    if (n > 0) std::memcpy(field, text.data(), n);
    std::memset(field + n, ' ', width - n);
}

SquareEntry SquareEntry::blank() {
    SquareEntry e;
    e.locator.fill(' ');
    e.callsign.fill(' ');
    e.date.fill(' ');
    return e;
}

void SquareEntry::setLocator(std::string_view text) {
    setPaddedText(locator.data(), locator.size(), text);
}
void SquareEntry::setCallsign(std::string_view text) {
    setPaddedText(callsign.data(), callsign.size(), text);
}
void SquareEntry::setDate(std::string_view text) {
    setPaddedText(date.data(), date.size(), text);
}

void SquareEntry::encode(char* out) const {
    std::memcpy(out, locator.data(), kLocatorSize);
    qToLittleEndian<qint16>(worked, out + 6);
    qToLittleEndian<qint16>(confirmed, out + 8);
    std::memcpy(out + 10, callsign.data(), kCallsignSize);
    std::memcpy(out + 20, date.data(), kDateSize);
}

SquareEntry SquareEntry::decode(const char* in) {
    SquareEntry e;
    std::memcpy(e.locator.data(), in, kLocatorSize);
    e.worked = qFromLittleEndian<qint16>(in + 6);
    e.confirmed = qFromLittleEndian<qint16>(in + 8);
    std::memcpy(e.callsign.data(), in + 10, kCallsignSize);
    std::memcpy(e.date.data(), in + 20, kDateSize);
    return e;
}

FieldRecord FieldRecord::blank() {
    FieldRecord r;
    for (int i = 0; i < kSquares; ++i) r.entries[i] = SquareEntry::blank();
    return r;
}

void FieldRecord::encode(char* out) const {
    for (int i = 0; i < kSlots; ++i) entries[i].encode(out + i * SquareEntry::kSize);
}

FieldRecord FieldRecord::decode(const char* in) {
    FieldRecord r;
    for (int i = 0; i < kSlots; ++i)
        r.entries[i] = SquareEntry::decode(in + i * SquareEntry::kSize);
    return r;
}

std::string FieldRecord::bytes() const {
    std::string out(kSize, '\0');
    encode(out.data());
    return out;
}

}  // namespace morvel
