#include "statistics/awards.h"

#include "database/qra_names.h"
#include "import/contact.h"
#include "statistics/overview.h"

namespace morvel {

extern const std::string_view kFfmaGridText;  // data/ffma_grids.txt, built in

namespace {

unsigned creditOf(const SquareCredits& credits, int square) {
    return square >= 0 && static_cast<std::size_t>(square) < credits.size()
               ? credits[static_cast<std::size_t>(square)]
               : 0U;
}

}  // namespace

int squareOfGrid(std::string_view grid) {
    if (grid.size() != 4) return -1;
    std::string upper(grid);
    for (char& c : upper) c = upperLatin1Byte(c);
    if (!namesSquare(upper)) return -1;
    return (recordOfLocator(upper) - 1) * 100 + slotOfLocator(upper);
}

BandAward bandAward(std::string_view band, const DatabaseSquares& squares,
                    const SquareCredits& credits) {
    using namespace credit;
    BandAward a;
    a.threshold = vuccThreshold(band);
    for (int s = 0; s < kAwardSquares; ++s) {
        if (!squares.confirmed.test(static_cast<std::size_t>(s))) continue;
        const unsigned bits = creditOf(credits, s);
        if ((bits & kCardLotwHere) != 0)
            ++a.confirmed;
        else if ((bits & kCardLotwElsewhere) != 0)
            ++a.elsewhere;
        else if ((bits & kEqsl) != 0)
            ++a.eqslOnly;
        else if ((bits & kAnyConfirmation) == 0)
            ++a.unknown;
    }
    return a;
}

void satelliteSquares(const DatabaseSquares& squares, const SquareCredits& credits,
                      SquareSet& counted, SquareSet& elsewhere) {
    using namespace credit;
    for (std::size_t square = 0; square < credits.size() && square < kCreditSquares; ++square) {
        const unsigned bits = credits[square];
        if (bits == 0 || !squares.confirmed.test(square)) continue;
        if ((bits & kSatelliteHere) != 0)
            counted.set(square);
        else if ((bits & kSatelliteElsewhere) != 0)
            elsewhere.set(square);
    }
}

FfmaAward ffmaAward(const std::vector<std::string>& grids, const DatabaseSquares& squares,
                    const SquareCredits& credits) {
    FfmaAward a;
    a.total = static_cast<int>(grids.size());
    for (const std::string& grid : grids) {
        const int s = squareOfGrid(grid);
        const bool worked = s >= 0 && squares.worked.test(static_cast<std::size_t>(s));
        const bool confirmed = worked && squares.confirmed.test(static_cast<std::size_t>(s)) &&
                               (creditOf(credits, s) & credit::kCardLotwHere) != 0;
        a.worked += worked ? 1 : 0;
        a.confirmed += confirmed ? 1 : 0;
        if (!confirmed) a.needed.push_back(grid);
    }
    return a;
}

bool readGridList(std::string_view text, const QString& name, std::vector<std::string>& grids,
                  Error& error) {
    int lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (const auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty()) continue;
        if (squareOfGrid(line) < 0) {
            error = {name, QStringLiteral("line %1 is not a grid square").arg(lineNumber)};
            return false;
        }
        std::string grid(line);
        for (char& c : grid) c = upperLatin1Byte(c);
        grids.push_back(grid);
    }
    return true;
}

std::vector<std::string> ffmaGrids() {
    std::vector<std::string> grids;
    Error error;
    readGridList(kFfmaGridText, QStringLiteral("ffma_grids.txt"), grids, error);
    return grids;
}

}  // namespace morvel
