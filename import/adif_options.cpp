#include "import/adif_options.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "database/qra_names.h"

namespace morvel {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool inList(const std::vector<std::string>& list, std::string_view value) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& m) {
        if (m.size() != value.size()) return false;
        for (std::size_t i = 0; i < m.size(); ++i)
            if (upperLatin1Byte(value[i]) != m[i]) return false;
        return true;
    });
}

std::string joined(const std::vector<std::string>& list) {
    std::string out;
    for (const std::string& m : list) out += (out.empty() ? "" : ",") + m;
    return out;
}

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

bool AdifOptions::isDefault() const {
    return !vuccGrids && confirmedBy == kConfirmByAll && propModes.empty() &&
           notPropModes.empty();
}

std::string AdifOptions::describe() const {
    std::string out;
    const auto add = [&out](const std::string& part) { out += (out.empty() ? "" : " ") + part; };
    if (vuccGrids) add("--vucc-grids");
    if (confirmedBy != kConfirmByAll)
        add("--confirmed-by " + confirmedByText(confirmedBy).toStdString());
    if (!propModes.empty()) add("--prop-mode " + joined(propModes));
    if (!notPropModes.empty()) add("--not-prop-mode " + joined(notPropModes));
    return out;
}

bool AdifOptions::takesPropMode(std::string_view value) const {
    if (propModes.empty() && notPropModes.empty()) return true;
    value = trimmed(value);
    if (!propModes.empty() && !inList(propModes, value)) return false;
    return notPropModes.empty() || !inList(notPropModes, value);
}

const std::vector<std::string>& knownPropModes() {
    static const std::vector<std::string> modes = {
        "AS",  "AUE", "AUR", "BS",  "ECH", "EME", "ES", "F2", "FAI", "GWAVE",
        "INTERNET", "ION", "IRL", "LOS", "MS", "RPT", "RS", "SAT", "TEP", "TR"};
    return modes;
}

bool parseConfirmedBy(const QString& text, unsigned& result, QString& bad) {
    unsigned sources = 0;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString word = part.trimmed().toLower();
        if (word == QLatin1String("card"))
            sources |= kConfirmByCard;
        else if (word == QLatin1String("lotw"))
            sources |= kConfirmByLotw;
        else if (word == QLatin1String("eqsl"))
            sources |= kConfirmByEqsl;
        else {
            bad = part.trimmed();
            return false;
        }
    }
    if (sources != 0) result = sources;
    return sources != 0;
}

QString confirmedByText(unsigned sources) {
    QStringList words;
    if ((sources & kConfirmByCard) != 0) words << QStringLiteral("card");
    if ((sources & kConfirmByLotw) != 0) words << QStringLiteral("lotw");
    if ((sources & kConfirmByEqsl) != 0) words << QStringLiteral("eqsl");
    return words.join(QLatin1Char(','));
}

bool parsePropModes(const QString& text, std::vector<std::string>& result, QString& bad) {
    std::vector<std::string> modes;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const std::string word = part.trimmed().toUpper().toStdString();
        const auto& known = knownPropModes();
        if (std::find(known.begin(), known.end(), word) == known.end()) {
            bad = part.trimmed();
            return false;
        }
        if (std::find(modes.begin(), modes.end(), word) == modes.end()) modes.push_back(word);
    }
    result = std::move(modes);
    return !result.empty();
}

bool readVuccGrids(std::string_view text, VuccSquares& out) {
    out.count = 0;
    std::array<Cell, 4> cells{};
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(',', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = trimmed(text.substr(at, end - at));
        if (out.count == 4 || !squareCell(part, cells[static_cast<std::size_t>(out.count)]))
            return false;
        std::string& square = out.squares[static_cast<std::size_t>(out.count++)];
        square.assign(part);
        for (char& c : square) c = upperLatin1Byte(c);
        at = end + 1;
    }
    if (out.count == 2) {
        const Cell a = cells[0], b = cells[1];
        const bool sideBySide = a.row == b.row && (eastOf(a.column, b.column) || eastOf(b.column, a.column));
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
                if (i < 0 || j < 0 || seen[i][j]) ok = false;
                else seen[i][j] = true;
            }
            if (ok) return true;
        }
    }
    out.count = 0;
    return false;
}

}  // namespace morvel
