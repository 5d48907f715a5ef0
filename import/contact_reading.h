#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"
#include "import/changelog.h"
#include "import/import_frame.h"

namespace morvel {

// The square update over the database held whole in memory; the new database
// is written once, whole, when the reading is done.
class SquareWriter {
public:
    SquareWriter(std::vector<FieldRecord>& records, Changelog& changelog, bool markQsl)
        : records_(records), changelog_(changelog), markQsl_(markQsl) {}

    bool apply(const ImportedContact& contact, Error& error) {
        FieldRecord& record =
            records_[static_cast<std::size_t>(recordOfLocator(contact.locator) - 1)];
        SquareEntry& slot =
            record.entries[static_cast<std::size_t>(slotOfLocator(contact.locator))];
        if (!applyContact(slot, contact)) return true;
        ++written_;
        return changelog_.write(changelogSquareLine(contact, markQsl_ && slot.isConfirmed()),
                                error);
    }

    std::int64_t written() const { return written_; }

private:
    std::vector<FieldRecord>& records_;
    Changelog& changelog_;
    bool markQsl_;
    std::int64_t written_ = 0;
};

// Reads the scratch copy into the records, writing the change log's square
// lines as squares change.
struct ReadOutcome {
    bool cancelled = false;
    QString readError;
    Error writeError;
};

ReadOutcome readContacts(const ImportRequest& request, QFile& scratchLog, SquareWriter& squares,
                         ImportResult& result);

}  // namespace morvel
