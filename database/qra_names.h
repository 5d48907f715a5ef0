#pragma once

#include <QString>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {

inline constexpr int kFieldLetters = 18;                            // "A" to "R" on each axis
inline constexpr int kRecordCount = kFieldLetters * kFieldLetters;  // 324

// Record number 1..324 from the field's two letters (upper case). Letters
// outside "A".."R" give numbers outside that range; callers check with
// isValidRecordNumber before touching a file.
int recordNumber(char first, char second);
bool isValidRecordNumber(int n);
// The two letters of record n (1..324), longitude letter first.
std::string fieldLetters(int recordNo);
// The slot of a square: its two digits read as a number (IO85 -> 85).
int slotIndex(char firstDigit, char secondDigit);

// True when the text begins with a real square: two letters A-R, two digits.
bool namesSquare(std::string_view locator);
// Record number (1..324) and slot (0..99) of a locator that names a square.
int recordOfLocator(std::string_view locator);
int slotOfLocator(std::string_view locator);

// The squares a VUCC_GRIDS value lists, each as four upper case characters.
struct VuccSquares {
    std::array<std::string, 4> squares;
    int count = 0;
};
// True for 2 squares sharing an edge or 4 forming a 2 x 2 block (also
// across a field's edge and the 180th meridian), separated by commas and
// blanks; anything else is ignored (false).
bool readVuccGrids(std::string_view text, VuccSquares& out);

// The text without the blanks, tabs and line ends around it.
std::string_view trimmedBlanks(std::string_view text);

// The bands a database can be made for, in the order the band list shows them.
const std::vector<std::string>& bandList();

// The characters before the first blank. A name without a blank (made
// outside the program) gives its part before the last ".", or all of it.
QString bandFromFileName(const QString& fileName);
// The six characters after the first "M " (exact case); without one, the six
// characters from the second character on.
QString homeLocatorFromFileName(const QString& fileName);
// Upper case of band + " " + locator + " " + tag + ".qra".
QString buildFileName(const QString& band, const QString& locator, const QString& tag);

// Latin-1 upper case, byte for byte.
std::string upperLatin1(std::string_view text);
std::string lowerLatin1(std::string_view text);

// The same for one byte: letters a-z and U+00E0..U+00FE but the division
// sign, and back.
inline char upperLatin1Byte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)
               ? static_cast<char>(u - 0x20)
               : c;
}
inline char lowerLatin1Byte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)
               ? static_cast<char>(u + 0x20)
               : c;
}

// QString to the single-byte text of the files: characters outside Latin-1
// become "?".
std::string toLatin1Text(const QString& text);
QString fromLatin1Text(std::string_view text);
// A record's text field for showing: the zero bytes of a slot past the end of
// a short file read as blanks.
QString fromRecordText(std::string_view text);

}  // namespace morvel
