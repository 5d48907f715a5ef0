#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "import/adif_reader.h"
#include "import/contact.h"
#include "ledger/ledger_contact.h"
#include "live/wsjtx_message.h"

namespace morvel::live {

// The band (as ADIF names it: "2m", "70cm") of a frequency in hertz by
// ADIF's band table; empty for none.
std::string_view bandOfFrequencyHz(std::uint64_t hz);

// What became of one contact a live source read.
enum class Verdict {
    Take,         // for the square update
    Duplicate,    // the same contact read before (a log read again, a message sent twice)
    SameContact,  // the other message of a QSO Logged and Logged ADIF pair: not another contact
    OtherBand,    // a contact on another band than the database's
    NoBand,       // neither BAND nor a frequency of a band
    NotTaken,     // the import's rules pass it over (no call, no locator, no date, a status I)
    Unreadable,   // the import's rules find it unreadable (a malformed date)
};

// Why the import's rules pass a contact over (Verdict::NotTaken).
enum class Skip { None, NoLocator, NotALocator, NoCall, NoDate, Invalid };
// "no locator", "not a locator", "no call sign", "no date", "marked invalid".
const char* skipText(Skip skip);

// Where a record came from: the two messages that tell one contact, or a log.
enum class Via : std::uint8_t { Log = 1, QsoLogged = 2, LoggedAdif = 4 };

struct LiveContact {
    ImportedContact contact;
    std::string band;  // lower case, "2m"
    std::string key;   // what tells it from another contact
    LedgerContact ledger;
    // When not taken: the call as logged and why.
    std::string loggedCall;
    Skip skip = Skip::None;
};

// The records of a followed log that could not be read, by reason, and the
// times its name led to something else than a file.
struct LogReadCounts {
    std::int64_t lengthTooLarge = 0;  // a field's length beyond any field's
    std::int64_t lengthPastEnd = 0;   // a field's length past the end of the log
    std::int64_t cutOff = 0;          // the log ended inside the record when listening stopped
    std::int64_t notAFile = 0;        // a folder, FIFO, socket or device in the log's place
    std::int64_t unreadable() const { return lengthTooLarge + lengthPastEnd + cutOff; }
};

// What a session has read and done, for the main menu and morvel-cli.
struct LiveCounts {
    std::int64_t taken = 0;       // contacts of the band through the import's rules
    std::int64_t newSquares = 0;  // of those, squares not worked before
    std::int64_t duplicates = 0;
    std::int64_t otherBand = 0;    // another band, or no band at all
    std::int64_t notTaken = 0;     // passed over by the import's rules
    std::int64_t noLocator = 0;    // of those, without a locator
    std::int64_t notALocator = 0;  // of those, with a locator that names no square
    std::int64_t malformed = 0;    // datagrams and records that could not be read
    std::int64_t ignored = 0;      // messages of other types
    std::int64_t dropped = 0;      // datagrams of a flood beyond what waits to be read
    LogReadCounts log;             // of the followed log; its unreadable ones are in malformed
};

// Turns what the sources read into contacts for the database's band, by the
// import's own rules (adifContact), and tells a contact read twice. The
// contacts it has seen are remembered by key, at most kMaxRemembered.
class ContactFilter {
public:
    static constexpr std::size_t kMaxRemembered = 1 << 20;

    // The database's band, as its file name gives it ("2M").
    explicit ContactFilter(std::string databaseBand);

    Verdict fromRecord(const AdifRecord& record, LiveContact& out, Via via = Via::Log);
    // QSO Logged is put into ADIF and read as a record is.
    Verdict fromQsoLogged(const QsoLogged& qso, LiveContact& out);

    // A contact read that is not to be taken again (a log's records before
    // the session began).
    void remember(const AdifRecord& record);
    void remember(const std::string& key, Via via = Via::Log);

    const std::string& band() const { return band_; }

private:
    std::string recordBand(const AdifRecord& record) const;
    static std::string keyOf(const AdifRecord& record, std::string_view band);

    std::string band_;                                    // upper case
    std::unordered_map<std::string, std::uint8_t> keys_;  // the Via bits each came by
    std::deque<std::string> order_;
};

// QSO Logged written as one ADIF record, with the fields the import reads.
std::string qsoLoggedAdif(const QsoLogged& qso);

}  // namespace morvel::live
