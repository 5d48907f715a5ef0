#pragma once

#include <QString>
#include <string_view>

#include "ledger/ledger_contact.h"

namespace morvel {

class AdifRecord;
struct ImportedContact;

// The contact an import took from a record (adifContact accepted it), for a
// database of `band`. `sources` are the import's confirming sources
// (kConfirmByCard...): a status the import did not count is not recorded.
// A received status or date the ledger cannot read records no confirmation
// for that source and adds one to `badFields`.
LedgerContact ledgerContactFromAdif(const AdifRecord& record, std::string_view band,
                                    unsigned sources, const QString& origin, int& badFields);
// The same for an EDI contact line, whose fields are date;time;call;mode;...
LedgerContact ledgerContactFromEdi(std::string_view line, std::string_view band,
                                   const QString& origin);
// A contact the square editor saved (origin "editor"), date dd/mm/yy. The
// editor names no confirming source: the ledger records none, and a square
// it confirms shows as of unknown source.
LedgerContact ledgerContactFromEditor(const ImportedContact& contact, std::string_view band);

}  // namespace morvel
