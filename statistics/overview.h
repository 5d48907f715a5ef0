#pragma once

#include <QString>
#include <QStringList>

class QThreadPool;
#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/awards.h"
#include "statistics/statistics.h"

namespace morvel {

// The VUCC award's confirmed squares for a band ("2m", any case), counting
// contacts since 1 January 1983; 0 for a band the award does not cover.
int vuccThreshold(std::string_view band);

inline constexpr int kWorldSquares = 324 * 100;

// One database of the folder.
struct OverviewRow {
    QString fileName;
    QString path;  // absolute
    QString band;  // as the band list writes it ("70cm"), else as the name gives it
    std::optional<Statistics> stats;  // nothing when the file could not be read
    // Why the figures are missing or incomplete: the file's error, or its size
    // when short; empty for a whole database.
    QString problem;
    int threshold = 0;  // vuccThreshold of the band
    // The VUCC as the folder's ledger counts it; nothing when the file could
    // not be read.
    std::optional<BandAward> award;
    // The Fred Fish Memorial Award, on 6 m only.
    std::optional<FfmaAward> ffma;
};

struct Overview {
    QString folder;
    std::vector<OverviewRow> rows;  // in the band list's order, then by name
    // Over all bands: squares worked (or confirmed) on any, fields worked on any.
    int squaresWorked = 0;
    int squaresConfirmed = 0;
    int fieldsWorked = 0;
    // The Satellite VUCC over all databases: squares counted and from elsewhere.
    int satelliteSquares = 0;
    int satelliteElsewhere = 0;
    // Why the ledger's counts are missing (its file and the reason); empty
    // when it was read or there is none yet.
    QString ledgerProblem;
};

// The databases of a folder: *.qra in any case, backups (" backup.qra")
// left out, by name; also names that are no regular file, so that whoever
// reads them can say why they cannot be read.
QStringList bandDatabaseNames(const QString& folder);

// Every database of the folder. An unreadable or short file is a row saying
// so; nothing stops the overview.
Overview buildOverview(const QString& folder);
// The same, reading the databases on `readers` instead of Qt's global pool
// (which a window's painting waits on).
Overview buildOverview(const QString& folder, QThreadPool& readers);

// "73 / 100", or "—" where the award does not cover the band (or the file
// could not be read).
QString vuccText(const OverviewRow& row);
// The same from the ledger: card and LoTW, made where the award asks.
QString ledgerVuccText(const OverviewRow& row);

// The table as text, one line per database and a last line for all bands.
QString overviewTable(const Overview& overview);
// The same as CSV (RFC 4180: CR LF, fields quoted where they need it), with
// a header row; the caller writes it as UTF-8.
QString overviewCsv(const Overview& overview);
// One CSV field, quoted when it holds a comma, quote or line end.
QString csvField(const QString& text);

// The award counts of the ledger (morvel-cli awards): VUCC per band, the
// Satellite VUCC and the FFMA with the grids still needed, as text or CSV.
QString awardsTable(const Overview& overview);
QString awardsCsv(const Overview& overview);

}  // namespace morvel
