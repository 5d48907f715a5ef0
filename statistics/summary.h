#pragma once

#include <QIODevice>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "database/error.h"

namespace morvel {

enum class SummaryMode {
    Worked,     // every worked square, confirmed ones marked "*"
    Confirmed,  // only the confirmed squares
};

struct SummaryReport {
    std::string text;   // the whole file, CR LF lines
    int listed = 0;     // squares listed in worked mode
    int confirmed = 0;  // confirmed squares listed
    // The best distance to a tenth of a km and its square; the first in file
    // order wins a tie and 0 km never wins.
    float odxkm = 0;
    std::string odxcall;
    std::string odxloc;
};

// The report of a whole database read from the device.
std::optional<SummaryReport> buildSummary(QIODevice& database, const QString& filename,
                                          std::string_view homeloc, SummaryMode mode,
                                          QString& error);

// The name the save dialog proposes: the database's name up to its first "."
// and "txt" (2M JO62QM HOME.QRA -> 2M JO62QM HOME.txt).
QString proposedSummaryName(const QString& filename);

// Reads the database at databasePath and writes the report to outPath in one
// piece, so that a failure leaves an earlier file of that name as it was.
std::optional<SummaryReport> writeSummary(const QString& databasePath, const QString& outPath,
                                          const QString& filename, std::string_view homeloc,
                                          SummaryMode mode, Error& error);

}  // namespace morvel
