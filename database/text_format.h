#pragma once

#include <string>
#include <string_view>

namespace morvel {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr int kPrintZoneWidth = 14;

// A single-precision value in plain decimal form: at most seven significant
// digits, no trailing zeros, no decimal point when whole ("-" when negative).
std::string plainNumber(double value);
// A number in a caption: a leading blank when not negative (12 -> " 12").
std::string captionNumber(double value);
// A number in a text file: a blank (or "-") before it and a blank after it.
std::string fileNumber(double value);

// Rounds to the given number of decimals; an exact half goes to the even
// neighbour.
double roundHalfEven(double value, int decimals = 0);

// Builds one line of a text file the way the print statement lays it out:
// items after a comma start in the next 14-column print zone. Columns count
// from 1.
class PrintLine {
public:
    PrintLine& text(std::string_view s);
    // Moves to the next print zone start (1, 15, 29, ...) after the current column.
    PrintLine& nextZone();
    int column() const;
    // The text with its CR LF.
    std::string line() const;
    const std::string& content() const { return text_; }

private:
    std::string text_;
};

}  // namespace morvel
