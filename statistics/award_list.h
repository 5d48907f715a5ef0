#pragma once

#include <QDate>
#include <QString>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"

namespace morvel {

// One square as a card checker reads it.
struct AwardEntry {
    std::string square;  // "JO62"
    std::string call;    // trimmed
    std::string date;    // dd/mm/yy as stored
    std::string locator; // as stored, trimmed
    bool confirmed = false;
    // Who confirmed it and when, as the ledger says ("card 2024-07-01,
    // LoTW"), "source unknown" without a word from the ledger; empty when
    // not confirmed.
    std::string sources;
};

struct AwardList {
    QString databaseName;
    QString homeLocator;
    bool confirmedOnly = false;
    std::vector<AwardEntry> entries;  // field by field (AA to RR), 00 to 99 within a field
    int worked = 0;                   // every square with a contact
    int confirmed = 0;
};

// The worked (or only the confirmed) squares of a database's records, in
// file order.
AwardList buildAwardList(std::span<const FieldRecord> records, const QString& databaseName,
                         bool confirmedOnly);

// The confirming sources of the list's confirmed squares from the ledger of
// the database's folder; without a ledger each is of unknown source. False
// with the error when the ledger cannot be read (the sources stay unknown).
bool addLedgerSources(AwardList& list, const QString& databasePath, Error& error);

// CSV (RFC 4180, UTF-8, CR LF) with a header row: square, call, date,
// locator, confirmed, database, confirmed by.
QString awardListCsv(const AwardList& list);

// The PDF's rows on every A4 page, under the header that each page repeats
// (the database, the operator's locator, the totals, the date, the column heads).
inline constexpr int kAwardRowsPerPage = 50;

// Writes the list to `path` as CSV or, when the name ends in ".pdf" (any
// case), as PDF; whole or not at all. `today` is the date printed.
bool writeAwardList(const AwardList& list, const QString& path, const QDate& today, Error& error);

}  // namespace morvel
