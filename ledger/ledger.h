#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "database/error.h"
#include "ledger/ledger_contact.h"

struct sqlite3;

namespace morvel {

// The ledger's file in a database folder.
inline const QString kLedgerFileName = QStringLiteral("contacts.sqlite");
// The schema this program writes (PRAGMA user_version).
inline constexpr int kLedgerSchema = 2;
// Two records of one call, band and mode at most this far apart are one contact.
inline constexpr std::int64_t kSameContactSeconds = 30 * 60;

// What one write did to the ledger.
struct LedgerReport {
    std::int64_t contactsAdded = 0;
    std::int64_t contactsKnown = 0;  // seen before: only their new confirmations count
    std::array<std::int64_t, kConfirmSourceCount> confirmationsGained{};
    std::int64_t badFields = 0;  // confirmation fields that could not be read

    std::int64_t confirmationsTotal() const;
    // "The ledger took 12 new contacts (3 known) and 5 confirmations: card 1,
    // LoTW 4", and a second line for fields that could not be read.
    QString text() const;
};

// What an award needs of a square, kept per database and square as the
// contacts arrive, so that the award counts never read the contacts.
namespace credit {
inline constexpr unsigned kWorked = 1U << 0;
inline constexpr unsigned kAnyConfirmation = 1U << 1;
// Card or LoTW, neither satellite nor repeater, made where the award asks.
inline constexpr unsigned kCardLotwHere = 1U << 2;
// Card or LoTW, neither satellite nor repeater, made elsewhere.
inline constexpr unsigned kCardLotwElsewhere = 1U << 3;
// eQSL, neither satellite nor repeater.
inline constexpr unsigned kEqsl = 1U << 4;
// Satellite, card or LoTW, made within the circle.
inline constexpr unsigned kSatelliteHere = 1U << 5;
inline constexpr unsigned kSatelliteElsewhere = 1U << 6;
}  // namespace credit

// Credit bits by square index (record - 1) * 100 + slot: 32,400 bytes, or
// empty when the ledger knows nothing of the database.
using SquareCredits = std::vector<std::uint8_t>;
inline constexpr std::size_t kCreditSquares = 324 * 100;

// One confirmation of a contact as the ledger holds it.
struct StoredConfirmation {
    ConfirmSource source;
    std::string date;  // YYYY-MM-DD or empty
};
struct StoredContact {
    LedgerContact contact;
    std::vector<StoredConfirmation> confirmations;
};

class LedgerWrite;

// The contacts behind a folder's databases, beside them in one SQLite file.
// The .qra stays the primary record: the ledger never changes it, its rows
// of a write are committed only after the .qra's, and readers check its
// confirmations against the .qra's flags (see awards.h).
class Ledger {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens (or creates) the folder's ledger and brings an older schema
    // forward. A file that is not SQLite or is damaged is kept under another
    // name and a new ledger begun, said in `notice`; a newer schema, a
    // read-only or locked file gives nothing, with the reason in `error`.
    static std::unique_ptr<Ledger> open(const QString& folder, Mode mode, Error& error,
                                        QString& notice);
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    QString path() const { return path_; }

    // A transaction of its own: the contacts all or none.
    bool recordContacts(const QString& databaseFile, std::span<const LedgerContact> contacts,
                        LedgerReport& report, Error& error);
    // A write's new keys held for look-ups before they go into the key table.
    static constexpr std::size_t kMostNewKeys = std::size_t{1} << 20;  // 16 MiB

    // Begins one transaction that the caller commits after its own write;
    // nothing when it cannot begin. Destroyed uncommitted, it rolls back.
    // At most `mostNewKeys` new keys wait in memory at a time.
    std::unique_ptr<LedgerWrite> begin(Error& error, std::size_t mostNewKeys = kMostNewKeys);
    // The database's contacts and their credits go, in one transaction.
    bool removeDatabase(const QString& databaseFile, Error& error);

    // The database's contacts in time order, or those crediting one square
    // ("FN31", any case; grid-line contacts count for each square they list).
    bool contacts(const QString& databaseFile, const std::optional<std::string>& square,
                  std::vector<StoredContact>& out, Error& error);
    // What the awards need of each square of the database.
    bool squareSources(const QString& databaseFile, SquareCredits& out, Error& error);
    // Every database's credits, by file name.
    bool allSquareSources(std::map<QString, SquareCredits>& out, Error& error);

private:
    friend class LedgerWrite;
    Ledger(sqlite3* db, QString path, int version);
    Error sqlError(const QString& what) const;
    bool exec(const char* sql, Error& error);
    // The id of a database's name, made when `create`; 0 when unknown.
    bool databaseId(const QString& databaseFile, bool create, std::int64_t& id, Error& error);

    sqlite3* db_;
    QString path_;
    int version_;  // of the file as opened: a read-only one stays as it was
};

// An open transaction of the ledger.
class LedgerWrite {
public:
    ~LedgerWrite();
    LedgerWrite(const LedgerWrite&) = delete;
    LedgerWrite& operator=(const LedgerWrite&) = delete;

    // Adds the contacts of one database; a contact seen before (same call,
    // band and mode within kSameContactSeconds) gains the new confirmations.
    bool record(const QString& databaseFile, std::span<const LedgerContact> contacts,
                LedgerReport& report, Error& error);
    bool commit(Error& error);
    void rollback();

private:
    friend class Ledger;
    LedgerWrite(Ledger& ledger, std::size_t mostNewKeys);
    struct Statements;
    bool flushCredits(Error& error);
    // New contacts wait here to go in several to a statement; they go in
    // before a look-up reads one of them, so that it sees every contact
    // recorded before it.
    struct NewRow {
        const LedgerContact* contact;
        std::int64_t id, database, key, origin;
        unsigned confirmed;
    };
    bool insertPending();
    std::vector<NewRow> pending_;
    std::int64_t nextId_ = 0;  // of the next new contact; 0 until asked of the file

    // This write's new contacts by key, looked up here until they go into the
    // key table in its order: keys in order are a run added to one place of
    // its tree, where one by one they land all over it (the cost of an
    // import). 16 bytes a contact, at most mostNewKeys_ before they go in.
    struct KeyEntry {
        std::uint32_t key;
        std::uint32_t id;  // after firstId_
        std::int64_t time;
        // The key table's order: key, time, id.
        bool operator<(const KeyEntry& o) const {
            return key != o.key ? key < o.key : time != o.time ? time < o.time : id < o.id;
        }
    };
    struct NewKeys {
        // By the key's top bits: a look-up reads one bucket, and the buckets
        // sorted one by one are all in order.
        std::vector<std::vector<KeyEntry>> buckets;
        void add(const KeyEntry& entry);
        // The ids of entries of the key within the times, both included.
        template <typename F>
        void forEach(std::uint32_t key, std::int64_t from, std::int64_t to, F&& f) const;
    };
    bool flushKeys();
    std::int64_t firstId_ = 0;
    std::size_t newKeyCount_ = 0;
    std::size_t mostNewKeys_;

    Ledger& ledger_;
    std::unique_ptr<Statements> statements_;
    bool open_ = true;
    // database id -> credit bits gained in this transaction, by square index
    std::map<std::int64_t, SquareCredits> credits_;
    // The keys a database's contacts may have: every one when it had contacts
    // before this write, else those added since, in a Bloom filter (2 MiB;
    // about one in a hundred false at a million contacts, which costs only a
    // look-up).
    struct KnownKeys {
        bool checked = false;
        bool all = false;
        std::vector<std::uint64_t> bits;
        NewKeys added;
        void add(std::int64_t key);
        bool maybeSeen(std::int64_t key) const;
    };
    std::map<std::int64_t, KnownKeys> known_;
    std::map<QString, std::int64_t> origins_;
};

// A deleted database's rows out of its folder's ledger, when there is one.
bool forgetDatabase(const QString& databasePath, Error& error);

// The sources that confirmed a square, for a read-out: "card 2024-07-01,
// LoTW 2024-06-03"; "source unknown" when the database holds the square
// confirmed and no contact says by whom; empty when the database does not
// hold it confirmed, whatever the contacts say.
QString confirmingSources(const std::vector<StoredContact>& contacts, bool confirmedInDatabase);
// The same for one square ("JO62") of a database, asked of the ledger; a
// ledger that cannot answer gives "source unknown" for a confirmed square.
QString squareConfirmingSources(Ledger& ledger, const QString& databaseFile,
                                const std::string& square, bool confirmedInDatabase);

// The credit bits one contact gives its squares in a database whose own
// locator is `home` and band `band`.
unsigned contactCredit(const LedgerContact& contact, const std::string& home,
                       const std::string& band);
// The squares a contact credits: those of a valid VUCC_GRIDS, else its locator's.
std::vector<int> creditedSquares(const LedgerContact& contact);
// The same into `out`, returning how many (0 to 4).
int creditedSquares(const LedgerContact& contact, std::array<int, 4>& out);

}  // namespace morvel
