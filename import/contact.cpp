#include "import/contact.h"

#include <algorithm>

#include "database/qra_names.h"

namespace morvel {

std::string withoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) out.push_back(c);
    }
    return out;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string composeLocator(std::string_view logLocator) {
    std::string out = upperLatin1(logLocator.substr(0, 4));
    if (logLocator.size() == 6) out += lowerLatin1(logLocator.substr(4, 2));
    return out;
}

bool namesSquare(std::string_view locator) {
    if (locator.size() < 4) return false;
    const auto letter = [](char c) { return c >= 'A' && c <= 'R'; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return letter(locator[0]) && letter(locator[1]) && digit(locator[2]) && digit(locator[3]);
}

int recordOfLocator(std::string_view locator) {
    return recordNumber(locator[0], locator[1]);
}

int slotOfLocator(std::string_view locator) {
    return slotIndex(locator[2], locator[3]);
}

LogDate readLogDate(std::string_view text, std::size_t digits, std::string& ddmmyy) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return LogDate::Absent;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.size() != digits || digits < 6) return LogDate::Malformed;
    for (const char c : text)
        if (c < '0' || c > '9') return LogDate::Malformed;
    // The last six digits are YYMMDD in both formats.
    const std::string_view yymmdd = text.substr(digits - 6);
    ddmmyy.assign(yymmdd.substr(4, 2)).append("/").append(yymmdd.substr(2, 2));
    ddmmyy.append("/").append(yymmdd.substr(0, 2));
    return LogDate::Read;
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

bool applyContact(SquareEntry& slot, const ImportedContact& contact) {
    if (slot.isConfirmed()) return false;
    if (!contact.confirmed && !hasNoCallsign(slot)) return false;
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
