#pragma once

#include <QString>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "database/qra_names.h"

namespace morvel {

// The sources whose received status confirms a square: QSL_RCVD (card, Y or
// V), LOTW_QSL_RCVD (Y or V) and EQSL_QSL_RCVD (Y).
inline constexpr unsigned kConfirmByCard = 1;
inline constexpr unsigned kConfirmByLotw = 2;
inline constexpr unsigned kConfirmByEqsl = 4;
inline constexpr unsigned kConfirmByAll = kConfirmByCard | kConfirmByLotw | kConfirmByEqsl;

// What an ADIF import may do besides its usual rules. The default is the
// usual import, byte for byte.
struct AdifOptions {
    // A contact whose VUCC_GRIDS lists 2 or 4 adjacent squares credits each.
    bool vuccGrids = false;
    unsigned confirmedBy = kConfirmByAll;
    // Keep only contacts with one of these PROP_MODE values (upper case,
    // each a known ADIF value); empty keeps every contact.
    std::vector<std::string> propModes;
    // Leave out contacts with one of these values.
    std::vector<std::string> notPropModes;

    bool isDefault() const;
    // The options in force as import-adif flags ("--vucc-grids
    // --confirmed-by card,lotw --prop-mode EME"); empty for the default.
    std::string describe() const;
    // Whether a contact of this PROP_MODE value (as the log spells it) passes
    // the filters: compared whole, blanks trimmed, in any case, so that an
    // unknown or misspelt value never matches a list by accident.
    bool takesPropMode(std::string_view value) const;
};

// The PROP_MODE values ADIF 3.1 enumerates, upper case.
const std::vector<std::string>& knownPropModes();

// "card,lotw,eqsl" in any order and case, at least one. False (with the
// offending word in `bad`) for anything else.
bool parseConfirmedBy(const QString& text, unsigned& sources, QString& bad);
// "card,lotw,eqsl" for the sources set, in that order.
QString confirmedByText(unsigned sources);
// "EME,SAT": each a known mode, stored upper case. False with the offending
// word in `bad`.
bool parsePropModes(const QString& text, std::vector<std::string>& modes, QString& bad);

}  // namespace morvel
