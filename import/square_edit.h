#pragma once

#include <QString>
#include <memory>

#include "database/database_document.h"
#include "database/field_record.h"

namespace morvel {

// One square as the square editor saves it: the entry it holds afterwards,
// blank for a cleared square.
struct SquareEdit {
    int recordNo = 0;  // 1..324
    int slot = 0;      // 0..99
    SquareEntry entry = SquareEntry::blank();
};

// What the edit left behind, filled in on the owner's worker.
struct SquareEditResult {
    FieldRecord stored{};  // the edited square's record as written
    // The square is saved, but these could not be: said once by the window.
    QString journalProblem;
    QString ledgerProblem;
};

// The editor's save as a transaction of the database's owner: the square
// replaced under the lock, then its change-log line in the change log in
// place, then the contact in the folder's ledger (origin "editor"). The
// journal and the ledger come after the database and never stop it: a
// change log or ledger that cannot be written is put in the result.
DatabaseDocument::Work squareEditWork(const SquareEdit& edit,
                                      std::shared_ptr<SquareEditResult> result);

// The change-log line of an edit: the square's call, date and locator in the
// import's print zones and " edited", or "IO85 cleared".
std::string squareEditLine(const SquareEntry& entry, std::string_view square);

}  // namespace morvel
