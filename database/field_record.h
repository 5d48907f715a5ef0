#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvel {

// One square of a field as it lies on disk: 28 bytes, no padding.
struct SquareEntry {
    static constexpr std::size_t kSize = 28;
    static constexpr std::size_t kLocatorSize = 6;
    static constexpr std::size_t kCallsignSize = 10;
    static constexpr std::size_t kDateSize = 8;
    static constexpr std::int16_t kSet = -1;

    std::array<char, kLocatorSize> locator{};
    std::int16_t worked = 0;
    std::int16_t confirmed = 0;
    std::array<char, kCallsignSize> callsign{};
    std::array<char, kDateSize> date{};

    // The empty slot as a new database holds it: blank texts, both flags 0.
    static SquareEntry blank();

    // A flag counts as set only when it holds exactly -1.
    bool isWorked() const { return worked == kSet; }
    bool isConfirmed() const { return confirmed == kSet; }
    bool hasContact() const { return isWorked() || isConfirmed(); }

    std::string_view locatorText() const { return {locator.data(), locator.size()}; }
    std::string_view callsignText() const { return {callsign.data(), callsign.size()}; }
    std::string_view dateText() const { return {date.data(), date.size()}; }

    // Left-aligned, padded with blanks, cut at the field's width. The text is
    // taken as single-byte (Latin-1) characters.
    void setLocator(std::string_view text);
    void setCallsign(std::string_view text);
    void setDate(std::string_view text);

    void encode(char* out) const;
    static SquareEntry decode(const char* in);
};

// One field: slots 0..99 are its squares, slot 100 is reserved and travels
// through every read and write untouched.
struct FieldRecord {
    static constexpr int kSlots = 101;
    static constexpr int kSquares = 100;
    static constexpr std::size_t kSize = SquareEntry::kSize * kSlots;  // 2828

    std::array<SquareEntry, kSlots> entries{};

    // Slots 0..99 blank, slot 100 all zero bytes, as a new file holds it.
    static FieldRecord blank();

    void encode(char* out) const;
    static FieldRecord decode(const char* in);
    std::string bytes() const;
};

// Fills a fixed-width text field: left-aligned, blank-padded, truncated.
void setPaddedText(char* field, std::size_t width, std::string_view text);

}  // namespace morvel
