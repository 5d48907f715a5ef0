#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace morvel {

// The square editor's three boxes as typed.
struct SquareInput {
    QString call;
    QString date;
    QString locator;
};

// The bytes for a slot's text fields, each blank-padded to the field's width
// (call 10, date 8, locator 6) and plain ASCII, so nothing becomes "?".
struct SquareTexts {
    std::string call;
    std::string date;
    std::string locator;
};

// Checks the call, then the date, then the locator, and returns the message
// for the first one refused; with nothing refused, fills `stored` (left
// untouched otherwise). Blanks around each text are ignored.
//
// Call: letters A-Z (either case), digits and "/", at most 10; stored in
// capitals.
// Date: d/m/yy, d/m/yyyy (one or two digits for day and month), yyyy-mm-dd or
// yyyymmdd, a day that exists; stored as dd/mm/yy. A two-digit year counts as
// 20yy for the calendar, which only decides 29/02/00 (2000 was a leap year).
// A four-digit year must be 1900-2099, the years two stored digits can mean.
// Locator: the edited square `square` (e.g. "JO62", either case), alone or
// with two sub-square letters A-X; stored as "JO62" plus two blanks or
// "JO62qm". An eight-character locator ("JO62qm45") is taken as its first
// six: the file holds six, and the extended square lies in that sub-square.
std::optional<QString> checkSquareInput(const SquareInput& input, std::string_view square,
                                        SquareTexts& stored);

}  // namespace morvel
