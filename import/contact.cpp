#include "import/contact.h"

#include <algorithm>
#include <array>

#include "database/qra_names.h"

namespace morvel {

namespace {

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

}  // namespace

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

void readLogLocator(std::string_view text, std::string& out) {
    // The first six bytes kept, and how many were kept in all: exactly six
    // make a sub-square.
    std::array<char, 6> kept{};
    std::size_t n = 0;
    for (const char c : text) {
        if (isControl(c)) continue;
        if (n < kept.size()) kept[n] = c;
        ++n;
    }
    out.clear();
    for (std::size_t i = 0; i < std::min<std::size_t>(n, 4); ++i)
        out.push_back(upperLatin1Byte(kept[i]));
    if (n == 6) {
        out.push_back(lowerLatin1Byte(kept[4]));
        out.push_back(lowerLatin1Byte(kept[5]));
    }
}

void readLogCall(std::string_view text, std::string& out) {
    out.resize(text.size());
    std::size_t n = 0;
    for (const char c : text)
        if (!isControl(c)) out[n++] = upperLatin1Byte(c);
    out.resize(n);
}

LogDate readLogDate(std::string_view text, std::size_t digits, std::string& ddmmyy) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(text[first])) ++first;
    if (first == last) return LogDate::Absent;
    while (blank(text[last - 1])) --last;
    text = text.substr(first, last - first);
    if (text.size() != digits || digits < 6) return LogDate::Malformed;
    for (const char c : text)
        if (c < '0' || c > '9') return LogDate::Malformed;
    // The last six digits are YYMMDD in both formats.
    const char* const yymmdd = text.data() + digits - 6;
    const char date[] = {yymmdd[4], yymmdd[5], '/',       yymmdd[2],
                         yymmdd[3], '/',       yymmdd[0], yymmdd[1]};
    ddmmyy.assign(date, sizeof date);
    return LogDate::Read;
}

LogDate readEdiDate(std::string_view text, std::string& ddmmyy) {
    const LogDate eight = readLogDate(text, 8, ddmmyy);
    return eight == LogDate::Malformed ? readLogDate(text, 6, ddmmyy) : eight;
}

namespace {

std::string_view trimLeadingBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

// A square without a contact: its call sign is blank. Zero bytes count as
// blank too, since a database shorter than 324 records reads as zeros there.
bool hasNoCallsign(const SquareEntry& slot) {
    return std::all_of(slot.callsign.begin(), slot.callsign.end(),
                       [](char c) { return c == ' ' || c == '\0'; });
}

}  // namespace

SquareState squareState(const SquareEntry& slot) {
    return {slot.isConfirmed(), !hasNoCallsign(slot)};
}

bool contactChanges(SquareState state, const ImportedContact& contact) {
    return !state.confirmed && (contact.confirmed || !state.hasCall);
}

bool applyContact(SquareEntry& slot, const ImportedContact& contact) {
    if (!contactChanges(squareState(slot), contact)) return false;
    // The flags are written as a pair so that they stay exclusive whatever the
    // slot held before.
    slot.confirmed = contact.confirmed ? SquareEntry::kSet : 0;
    slot.worked = contact.confirmed ? 0 : SquareEntry::kSet;
    slot.setCallsign(trimLeadingBlanks(contact.call));
    slot.setDate(trimLeadingBlanks(contact.date));
    slot.setLocator(trimLeadingBlanks(contact.locator));
    return true;
}

}  // namespace morvel
