#pragma once

#include <QString>
#include <bitset>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "ledger/ledger.h"

namespace morvel {

inline constexpr int kAwardSquares = 324 * 100;
using SquareSet = std::bitset<kAwardSquares>;

// The Satellite VUCC: all bands together.
inline constexpr int kSatelliteVuccThreshold = 100;

// One band's VUCC from the ledger. The .qra is the primary record: a square
// counts only when the .qra holds it confirmed, so that the ledger never
// shows a confirmation the database does not hold.
struct BandAward {
    int threshold = 0;  // vuccThreshold of the band; 0: no VUCC on it
    int confirmed = 0;  // card or LoTW, made where the award asks
    int eqslOnly = 0;   // confirmed by eQSL alone
    int unknown = 0;    // confirmed in the .qra, no confirmation in the ledger
    int elsewhere = 0;  // card or LoTW, but made outside the award's circle
};

// The .qra's squares, as the overview reads them.
struct DatabaseSquares {
    SquareSet worked;
    SquareSet confirmed;
};

BandAward bandAward(std::string_view band, const DatabaseSquares& squares,
                    const SquareCredits& credits);
// Squares counting for the Satellite VUCC, and those made from elsewhere.
void satelliteSquares(const DatabaseSquares& squares, const SquareCredits& credits,
                      SquareSet& counted, SquareSet& elsewhere);

// The 6 m Fred Fish Memorial Award.
struct FfmaAward {
    int total = 0;  // grids on the list
    int worked = 0;
    int confirmed = 0;                // card or LoTW, neither satellite nor repeater
    std::vector<std::string> needed;  // not yet confirmed, in the list's order
};
FfmaAward ffmaAward(const std::vector<std::string>& grids, const DatabaseSquares& squares,
                    const SquareCredits& credits);

// The grids of a grid list: one four-character grid per line, "#" starts a
// comment, blank lines ignored; a line that is no grid is an error naming
// the line. `name` names the text in the error.
bool readGridList(std::string_view text, const QString& name, std::vector<std::string>& grids,
                  Error& error);
// The FFMA's 488 grids, as the program carries them (data/ffma_grids.txt).
std::vector<std::string> ffmaGrids();

// The square index of "FN31" (any case), or -1.
int squareOfGrid(std::string_view grid);

}  // namespace morvel
