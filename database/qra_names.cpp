#include "database/qra_names.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace morvel {

int recordNumber(char first, char second) {
    return kFieldLetters * (static_cast<unsigned char>(first) - 'A') +
           (static_cast<unsigned char>(second) - 'A') + 1;
}

bool isValidRecordNumber(int n) {
    return n >= 1 && n <= kRecordCount;
}

std::string fieldLetters(int recordNo) {
    const int index = recordNo - 1;
    return {static_cast<char>('A' + index / kFieldLetters),
            static_cast<char>('A' + index % kFieldLetters)};
}

int slotIndex(char firstDigit, char secondDigit) {
    return 10 * (firstDigit - '0') + (secondDigit - '0');
}

namespace {

// Column (0..179, from 180 W) and row (0..179, from 90 S) of a square.
struct Cell {
    int column;
    int row;
};

bool squareCell(std::string_view s, Cell& cell) {
    if (s.size() != 4) return false;
    const char a = upperLatin1Byte(s[0]);
    const char b = upperLatin1Byte(s[1]);
    if (a < 'A' || a > 'R' || b < 'A' || b > 'R' || s[2] < '0' || s[2] > '9' || s[3] < '0' ||
        s[3] > '9')
        return false;
    cell = {10 * (a - 'A') + (s[2] - '0'), 10 * (b - 'A') + (s[3] - '0')};
    return true;
}

// b lies one column east of a, over the 180th meridian too.
bool eastOf(int a, int b) {
    return (a + 1) % 180 == b;
}

}  // namespace

std::string_view trimmedBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
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

bool readVuccGrids(std::string_view text, VuccSquares& out) {
    out.count = 0;
    std::array<Cell, 4> cells{};
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(',', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = trimmedBlanks(text.substr(at, end - at));
        if (out.count == 4 || !squareCell(part, cells[static_cast<std::size_t>(out.count)]))
            return false;
        std::string& square = out.squares[static_cast<std::size_t>(out.count++)];
        square.assign(part);
        for (char& c : square) c = upperLatin1Byte(c);
        at = end + 1;
    }
    if (out.count == 2) {
        const Cell a = cells[0], b = cells[1];
        const bool sideBySide =
            a.row == b.row && (eastOf(a.column, b.column) || eastOf(b.column, a.column));
        const bool aboveBelow = a.column == b.column && std::abs(a.row - b.row) == 1;
        if (sideBySide || aboveBelow) return true;
    } else if (out.count == 4) {
        // Two columns side by side and two rows one above the other, each of
        // the four pairs listed once.
        int west = cells[0].column, south = cells[0].row;
        for (const Cell& c : cells) south = std::min(south, c.row);
        int east = -1;
        for (const Cell& c : cells)
            if (c.column != west) east = c.column;
        if (east >= 0 && eastOf(east, west)) std::swap(west, east);
        if (east >= 0 && eastOf(west, east)) {
            bool seen[2][2] = {};
            bool ok = true;
            for (const Cell& c : cells) {
                const int i = c.column == west ? 0 : c.column == east ? 1 : -1;
                const int j = c.row == south ? 0 : c.row == south + 1 ? 1 : -1;
                if (i < 0 || j < 0 || seen[i][j])
                    ok = false;
                else
                    seen[i][j] = true;
            }
            if (ok) return true;
        }
    }
    out.count = 0;
    return false;
}

const std::vector<std::string>& bandList() {
    static const std::vector<std::string> bands = {"10m",  "6m",   "4m",  "2m",  "70cm",
                                                   "23cm", "13cm", "9cm", "6cm", "3cm"};
    return bands;
}

QString bandFromFileName(const QString& fileName) {
    const qsizetype blank = fileName.indexOf(QLatin1Char(' '));
    if (blank >= 0) return fileName.left(blank);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString homeLocatorFromFileName(const QString& fileName) {
    const qsizetype at = fileName.indexOf(QLatin1String("M "));
    const qsizetype start = at < 0 ? 1 : at + 2;
    if (start >= fileName.size()) return {};
    return fileName.mid(start, 6);
}

QString buildFileName(const QString& band, const QString& locator, const QString& tag) {
    return (band + QLatin1Char(' ') + locator + QLatin1Char(' ') + tag + QStringLiteral(".qra"))
        .toUpper();
}

std::string upperLatin1(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperLatin1Byte(c);
    return out;
}

std::string lowerLatin1(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerLatin1Byte(c);
    return out;
}

std::string toLatin1Text(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text)
        out.push_back(ch.unicode() < 0x100 ? static_cast<char>(ch.unicode()) : '?');
    return out;
}

QString fromRecordText(std::string_view text) {
    QString shown = fromLatin1Text(text);
    shown.replace(QChar(0), QLatin1Char(' '));
    return shown;
}

QString fromLatin1Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace morvel
