#pragma once

#include <string>
#include <string_view>

#include "database/field_record.h"

namespace morvel {

// One contact as both imports hand it to the square update.
struct ImportedContact {
    std::string call;  // upper case, as read (not trimmed, any length)
    std::string date;  // dd/mm/yy
    std::string
        locator;  // first four upper case; six-character ones keep their last two lower case
    bool confirmed = false;
};

// The text without control characters (a line end inside a value, a tab), so
// that none reaches the database's text fields or breaks a written line.
std::string withoutControls(std::string_view text);

// True when the text holds nothing but blanks: such a call, date or locator
// counts as missing.
bool isBlank(std::string_view text);

// The log's locator as the database stores it: IO85MX -> IO85mx, IO85 -> IO85,
// IO85MX12 -> IO85.
std::string composeLocator(std::string_view logLocator);
// True when the text begins with a real square: two letters A-R, two digits.
bool namesSquare(std::string_view locator);
// Record number (1..324) and slot (0..99) of a locator that names a square.
int recordOfLocator(std::string_view locator);
int slotOfLocator(std::string_view locator);

// Characters start..start+count-1 (counted from 1), clipped to the text.
std::string_view midText(std::string_view text, std::size_t start, std::size_t count);

// The square update for one contact. A confirmed square is never touched; an
// unconfirmed contact fills only a square without a call sign; a confirmed
// contact upgrades a worked square. Returns true when the slot changed.
bool applyContact(SquareEntry& slot, const ImportedContact& contact);

}  // namespace morvel
