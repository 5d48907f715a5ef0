#include "import/adif_options.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "database/qra_names.h"

namespace morvel {

namespace {

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

}  // namespace

bool AdifOptions::isDefault() const {
    return !vuccGrids && confirmedBy == kConfirmByAll && propModes.empty() && notPropModes.empty();
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
    value = trimmedBlanks(value);
    if (!propModes.empty() && !inList(propModes, value)) return false;
    return notPropModes.empty() || !inList(notPropModes, value);
}

const std::vector<std::string>& knownPropModes() {
    static const std::vector<std::string> modes = {
        "AS",       "AUE", "AUR", "BS",  "ECH", "EME", "ES", "F2",  "FAI", "GWAVE",
        "INTERNET", "ION", "IRL", "LOS", "MS",  "RPT", "RS", "SAT", "TEP", "TR"};
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

}  // namespace morvel
