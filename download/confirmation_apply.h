#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "import/changelog.h"
#include "ledger/ledger_contact.h"

namespace morvel {

class DatabaseDocument;

enum class ConfirmationService { Lotw, Eqsl, Qrz };
// "LoTW", "eQSL", "QRZ logbook"
QString serviceName(ConfirmationService service);
// How the ledger records the service's confirmations.
ConfirmSource serviceSource(ConfirmationService service);

// A confirmation that found no square to go to, or no contact of the log.
struct UnmatchedConfirmation {
    std::string call;
    std::string date;  // YYYY-MM-DD
    std::string band;  // as the service named it
    std::string grid;
    QString reason;
};

// What a download brought and did.
struct SyncReport {
    std::int64_t received = 0;
    std::map<std::string, std::int64_t> newlyConfirmed;  // squares, by band
    std::int64_t alreadyConfirmed = 0;
    std::int64_t notConfirmed = 0;  // records the service marks as not confirmed, left out
    std::vector<UnmatchedConfirmation> unmatched;
    QString ledgerText;
    std::int64_t newlyConfirmedTotal() const;
    // "Received 12 confirmations: 5 squares newly confirmed (6M 4, 2M 1),
    // 6 already confirmed, 1 unmatched", then a line per unmatched one.
    QString text() const;
};

// A database of the folder, as the confirmations look for it.
struct FolderDatabase {
    QString path;
    std::string band;       // upper case, as its name gives it ("6M")
    std::string ownSquare;  // the first four characters of its own locator
};
// The folder's databases, backups left out, in name order.
std::vector<FolderDatabase> folderDatabases(const QString& folder);

// The database the user chose for a band's confirmations (its file name), by
// band in upper case ("2M"); a band not in it goes by MY_GRIDSQUARE.
using BandDatabases = std::map<std::string, QString>;

// The database that takes a confirmation of `band` made from `myGrid`: the
// one chosen for the band, else the one whose own square is the first four
// characters of myGrid, else the only one of the band; null when none or
// several fit.
const FolderDatabase* databaseFor(const std::vector<FolderDatabase>& databases,
                                  std::string_view band, std::string_view myGrid,
                                  const BandDatabases& chosen = {});

// The file beside the ledger that lists the confirmations no square took.
inline const QString kUnmatchedFileName = QStringLiteral("unmatched confirmations.csv");

using DocumentOf = std::function<std::shared_ptr<DatabaseDocument>(const QString& path)>;

// Applies a whole reply's confirmations to the folder's databases: per
// database one transaction of its owner (backup and change log as one import
// leaves them, its header naming the service), each square by the import's
// rules (a square not yet worked becomes worked and confirmed), and the
// ledger's rows in that transaction, committed after the database. The
// unmatched ones are appended to kUnmatchedFileName. False with the error
// when a database could not be written; the databases done before keep
// their confirmations (downloading again completes the rest).
bool applyConfirmations(const QString& folder, ConfirmationService service, std::string_view adif,
                        const DocumentOf& documentOf, const ChangelogStamp& stamp,
                        SyncReport& report, Error& error, const BandDatabases& chosen = {});

}  // namespace morvel
