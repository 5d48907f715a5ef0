#pragma once

#include <string>
#include <string_view>

#include "database/field_record.h"
#include "database/qra_names.h"

namespace morvel {

// One contact as both imports hand it to the square update.
struct ImportedContact {
    std::string call;  // upper case, as read (not trimmed, any length)
    std::string date;  // dd/mm/yy
    std::string
        locator;  // first four upper case; six-character ones keep their last two lower case
    bool confirmed = false;
};

// True when the text holds nothing but blanks: such a call, date or locator
// counts as missing.
bool isBlank(std::string_view text);

// A log's locator as the database stores it, written into out: control
// characters (a line end inside a value, a tab) are dropped so that none
// reaches the database's text fields or breaks a written line, then
// IO85MX -> IO85mx, IO85 -> IO85, IO85MX12 -> IO85.
void readLogLocator(std::string_view text, std::string& out);
// A log's call sign, written into out: control characters dropped, upper case.
void readLogCall(std::string_view text, std::string& out);

// A log's date field. Empty or blank it is absent and the contact skipped;
// anything but the digits the format writes is malformed and the record
// unreadable, so that no stray byte shifts the date into another one.
enum class LogDate { Absent, Malformed, Read };

// The date a log writes as `digits` digits (8: ADIF's YYYYMMDD, 6: EDI's
// YYMMDD) once blanks, tabs and line ends around it are trimmed; when read,
// `ddmmyy` holds it as the database stores it (20231225 -> 25/12/23).
LogDate readLogDate(std::string_view text, std::size_t digits, std::string& ddmmyy);
// An EDI date: YYMMDD as the format writes it, or YYYYMMDD as some contest
// loggers write it.
LogDate readEdiDate(std::string_view text, std::string& ddmmyy);

// What the square update looks at in a slot.
struct SquareState {
    bool confirmed = false;
    bool hasCall = false;
};
SquareState squareState(const SquareEntry& slot);
// Whether applyContact changes a slot in that state.
bool contactChanges(SquareState state, const ImportedContact& contact);

// The square update for one contact. A confirmed square is never touched; an
// unconfirmed contact fills only a square without a call sign; a confirmed
// contact upgrades a worked square. Returns true when the slot changed.
bool applyContact(SquareEntry& slot, const ImportedContact& contact);

}  // namespace morvel
