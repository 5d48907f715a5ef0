#pragma once

#include <QFile>
#include <QFuture>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"
#include "import/changelog.h"
#include "import/import_frame.h"
#include "ledger/ledger.h"

namespace morvel {

// The square update over the database held whole in memory; the new database
// is written once, whole, when the reading is done. Most contacts change
// nothing, which the state of each square kept beside the records tells
// without reading them: 916 KB read at random while the log streams through
// the caches would cost a memory access a contact.
class SquareWriter {
public:
    SquareWriter(std::vector<FieldRecord>& records, Changelog& changelog, bool markQsl)
        : records_(records), changelog_(changelog), markQsl_(markQsl) {
        states_.reserve(records.size() * FieldRecord::kSquares);
        for (const FieldRecord& record : records)
            for (int i = 0; i < FieldRecord::kSquares; ++i)
                states_.push_back(squareState(record.entries[static_cast<std::size_t>(i)]));
    }

    bool apply(const ImportedContact& contact, Error& error) {
        const auto record = static_cast<std::size_t>(recordOfLocator(contact.locator) - 1);
        const auto square = static_cast<std::size_t>(slotOfLocator(contact.locator));
        SquareState& state = states_[record * FieldRecord::kSquares + square];
        if (!contactChanges(state, contact)) return true;
        SquareEntry& slot = records_[record].entries[square];
        if (!applyContact(slot, contact)) return true;
        state = squareState(slot);
        ++written_;
        return changelog_.write(changelogSquareLine(contact, markQsl_ && slot.isConfirmed()),
                                error);
    }

    std::int64_t written() const { return written_; }

private:
    std::vector<FieldRecord>& records_;
    std::vector<SquareState> states_;  // square n of record r at (r - 1) * 100 + n
    Changelog& changelog_;
    bool markQsl_;
    std::int64_t written_ = 0;
};

// The contacts of an import on their way into the ledger's open write, in
// batches; the first failure ends the feed and is kept, the squares go on.
// A full batch is written on a thread of the feed's own while the next one
// fills: the ledger's SQL and the reading of the log each take a core.
class LedgerFeed {
public:
    LedgerFeed(LedgerWrite& write, QString databaseFile);
    ~LedgerFeed();
    LedgerFeed(const LedgerFeed&) = delete;
    LedgerFeed& operator=(const LedgerFeed&) = delete;
    // The next contact to fill, or nothing once the feed has failed.
    LedgerContact* next();
    // Every contact handed over is in the write (or the feed has failed).
    bool finish();
    bool failed() const { return failed_.load(); }
    // Read after finish().
    const Error& error() const { return error_; }
    // What the write took; the counts are whole after finish().
    LedgerReport report;

private:
    // Hands the batch filled so far to the write; false once the feed has failed.
    bool flush();
    static constexpr std::size_t kBatch = 1024;
    LedgerWrite& write_;
    QString databaseFile_;
    std::vector<LedgerContact> batch_, writing_;
    Error error_;
    std::atomic<bool> failed_{false};
    QThreadPool writer_;
    QFuture<void> written_;
};

// Reads the scratch copy into the records, writing the change log's square
// lines as squares change, and into the ledger when a feed is given.
struct ReadOutcome {
    bool cancelled = false;
    QString readError;
    Error writeError;
};

ReadOutcome readContacts(const ImportRequest& request, QIODevice& scratchLog, SquareWriter& squares,
                         ImportResult& result, LedgerFeed* ledger = nullptr);

}  // namespace morvel
