#include "ledger/ledger.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "database/file_system.h"
#include "database/qra_names.h"
#include "geo/locator.h"

namespace morvel {

namespace {

constexpr int kBusyMilliseconds = 2000;

// One row a contact, its confirmations in it: a source's bit in `confirmed`
// and its date in the source's column. `key` is a hash of call, band and
// mode, so that the key table a record is looked up by holds numbers only;
// the program fills that table itself, a write's new keys in order.
const char* const kSchema = R"(
CREATE TABLE databases(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE origins(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE contacts(
  id INTEGER PRIMARY KEY,
  database INTEGER NOT NULL, key INTEGER NOT NULL, time INTEGER NOT NULL,
  call TEXT NOT NULL, band TEXT NOT NULL, mode TEXT NOT NULL,
  freq TEXT NOT NULL, locator TEXT NOT NULL, vucc_grids TEXT NOT NULL,
  prop_mode TEXT NOT NULL, sat_name TEXT NOT NULL, my_grid TEXT NOT NULL,
  origin INTEGER NOT NULL, confirmed INTEGER NOT NULL,
  card_date TEXT NOT NULL, lotw_date TEXT NOT NULL, eqsl_date TEXT NOT NULL,
  download_date TEXT NOT NULL);
CREATE TABLE contact_keys(
  database INTEGER NOT NULL, key INTEGER NOT NULL, time INTEGER NOT NULL,
  contact INTEGER NOT NULL, PRIMARY KEY(database, key, time, contact)) WITHOUT ROWID;
CREATE TABLE credits(database INTEGER PRIMARY KEY, bits BLOB NOT NULL);
)";

// Schema 1 kept an index of 64-bit keys, which SQLite filled one row at a time.
const char* const kFromSchema1 = R"(
CREATE TABLE contact_keys(
  database INTEGER NOT NULL, key INTEGER NOT NULL, time INTEGER NOT NULL,
  contact INTEGER NOT NULL, PRIMARY KEY(database, key, time, contact)) WITHOUT ROWID;
UPDATE contacts SET key = (key >> 33) & 2147483647;
INSERT INTO contact_keys SELECT database, key, time, id FROM contacts;
DROP INDEX contacts_key;
)";

// A prepared statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return rc_ == SQLITE_OK; }
    sqlite3_stmt* get() const { return s_; }
    // Every caller binds all parameters again, so the old ones are not cleared.
    void reset() { sqlite3_reset(s_); }
    void bind(int i, std::int64_t v) { sqlite3_bind_int64(s_, i, v); }
    void bind(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    }
    void bind(int i, const QByteArray& v) {
        sqlite3_bind_text(s_, i, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(s_); }
    std::int64_t integer(int i) const { return sqlite3_column_int64(s_, i); }
    std::string text(int i) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, i));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, i)))
                 : std::string();
    }

private:
    sqlite3_stmt* s_ = nullptr;
    int rc_ = SQLITE_OK;
};

QString reasonOf(sqlite3* db, int rc) {
    switch (rc) {
        case SQLITE_NOTADB:
            return QStringLiteral("the file is not a ledger (not an SQLite database)");
        case SQLITE_CORRUPT:
            return QStringLiteral("the file is damaged");
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("the ledger is in use by another program");
        case SQLITE_READONLY:
            return QStringLiteral("the file is read-only");
        case SQLITE_FULL:
            return QStringLiteral("the disk is full");
        default:
            return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
}

// A free name beside the file for a damaged ledger: "contacts.sqlite.damaged",
// then "contacts.sqlite.damaged 2" and on.
QString asideName(const QString& path) {
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; pathState(name).exists; ++n)
        name = path + QStringLiteral(".damaged ") + QString::number(n);
    return name;
}

// A credits row's bytes; one of another size (a damaged row) reads as nothing.
SquareCredits creditsOf(sqlite3_stmt* s, int column) {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, column));
    const auto n = static_cast<std::size_t>(sqlite3_column_bytes(s, column));
    if (!p || n != kCreditSquares) return {};
    return SquareCredits(p, p + n);
}

bool isDamaged(int rc) {
    return (rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT;
}

struct Opened {
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;  // of the first failing step
    QString reason;
};

// Opens the file and reads its schema version; the steps that can tell a
// file that is no ledger.
Opened openFile(const QString& path, Ledger::Mode mode, int& version) {
    Opened o;
    const int flags = mode == Ledger::Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                                     : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    o.rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &o.db, flags | SQLITE_OPEN_NOMUTEX,
                           nullptr);
    if (o.rc == SQLITE_OK) {
        sqlite3_busy_timeout(o.db, kBusyMilliseconds);
        Statement s(o.db, "PRAGMA user_version");
        o.rc = s.ok() ? s.step() : sqlite3_errcode(o.db);
        if (o.rc == SQLITE_ROW) {
            version = static_cast<int>(s.integer(0));
            o.rc = SQLITE_OK;
        }
    }
    if (o.rc != SQLITE_OK) {
        o.reason = reasonOf(o.db, o.rc & 0xff);
        sqlite3_close(o.db);
        o.db = nullptr;
    }
    return o;
}

bool execOn(sqlite3* db, const char* sql, int& rc) {
    rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
}

// Schema 0 is an empty file: the tables are made. Later schemas add their
// steps here, each from the one before.
bool migrate(sqlite3* db, int version, int& rc) {
    if (version >= kLedgerSchema) return true;
    if (!execOn(db, "BEGIN IMMEDIATE", rc)) return false;
    const bool done = execOn(db, version == 0 ? kSchema : kFromSchema1, rc) &&
                      execOn(db, "PRAGMA user_version = 2", rc);
    int ignored = 0;
    if (!done) {
        execOn(db, "ROLLBACK", ignored);
        return false;
    }
    return execOn(db, "COMMIT", rc);
}

// FNV-1a over call, band and mode, apart, its high 31 bits (the low ones of
// FNV mix only the low bits of the bytes): the key of a contact.
std::int64_t contactKey(const LedgerContact& c) {
    std::uint64_t h = 14695981039346656037ULL;
    for (const std::string* part : {&c.call, &c.band, &c.mode}) {
        for (char ch : *part) h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ULL;
        h = (h ^ 0xffU) * 1099511628211ULL;
    }
    return static_cast<std::int64_t>(h >> 33);
}

unsigned confirmedBits(const LedgerContact& c) {
    unsigned bits = 0;
    for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
        if (c.confirmed[i]) bits |= 1U << i;
    return bits;
}

std::string upperText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperLatin1Byte(c);
    return out;
}

int squareIndex(std::string_view locator) {
    return (recordOfLocator(locator) - 1) * 100 + slotOfLocator(locator);
}

enum class Circle { None, Km100, SameSubsquare };

// The location rule of the band's award.
Circle circleOf(const std::string& band) {
    const std::string b = lowerLatin1(band);
    if (b == "6m" || b == "2m" || b == "70cm" || b == "23cm") return Circle::Km100;
    if (b == "13cm" || b == "9cm" || b == "6cm" || b == "3cm") return Circle::SameSubsquare;
    return Circle::Km100;
}

bool madeWithin(Circle circle, const LedgerContact& c, const std::string& home) {
    const std::string mine = c.myGrid.empty() ? home : c.myGrid;
    if (circle == Circle::SameSubsquare) {
        if (c.myGrid.empty()) return true;
        // A four-character MY_GRIDSQUARE tells no more than the square.
        const std::size_t n = c.myGrid.size() >= 6 ? 6 : 4;
        return home.size() >= n && upperText(std::string_view(c.myGrid).substr(0, n)) ==
                                       upperText(std::string_view(home).substr(0, n));
    }
    if (!isValidLocator(mine) || !isValidLocator(home)) return c.myGrid.empty();
    return LocatorDistance(home, mine) <= 100.0F;
}

}  // namespace

std::int64_t LedgerReport::confirmationsTotal() const {
    std::int64_t n = 0;
    for (std::int64_t c : confirmationsGained) n += c;
    return n;
}

QString LedgerReport::text() const {
    QString s =
        QStringLiteral("The ledger took ") + QString::number(contactsAdded) +
        (contactsAdded == 1 ? QStringLiteral(" new contact") : QStringLiteral(" new contacts"));
    if (contactsKnown > 0)
        s += QStringLiteral(" (") + QString::number(contactsKnown) + QStringLiteral(" known)");
    const std::int64_t total = confirmationsTotal();
    s += QStringLiteral(" and ") + QString::number(total) +
         (total == 1 ? QStringLiteral(" confirmation") : QStringLiteral(" confirmations"));
    QStringList parts;
    for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
        if (confirmationsGained[i] > 0)
            parts << QString::fromLatin1(confirmSourceName(static_cast<ConfirmSource>(i))) +
                         QLatin1Char(' ') + QString::number(confirmationsGained[i]);
    if (!parts.isEmpty()) s += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    if (badFields > 0)
        s += QStringLiteral("\n") + QString::number(badFields) +
             (badFields == 1 ? QStringLiteral(" confirmation field could not be read and was")
                             : QStringLiteral(" confirmation fields could not be read and were")) +
             QStringLiteral(" left out of the ledger");
    return s;
}

unsigned contactCredit(const LedgerContact& c, const std::string& home, const std::string& band) {
    using namespace credit;
    unsigned bits = kWorked;
    bool any = false;
    for (bool b : c.confirmed) any = any || b;
    if (any) bits |= kAnyConfirmation;
    const bool cardOrLotw =
        c.isConfirmedBy(ConfirmSource::Card) || c.isConfirmedBy(ConfirmSource::Lotw);
    if (c.propMode == "RPT") return bits;
    if (c.propMode == "SAT") {
        if (cardOrLotw)
            bits |= madeWithin(Circle::Km100, c, home) ? kSatelliteHere : kSatelliteElsewhere;
        return bits;
    }
    if (cardOrLotw)
        bits |= madeWithin(circleOf(band), c, home) ? kCardLotwHere : kCardLotwElsewhere;
    if (c.isConfirmedBy(ConfirmSource::Eqsl)) bits |= kEqsl;
    return bits;
}

bool forgetDatabase(const QString& databasePath, Error& error) {
    const QFileInfo info(databasePath);
    if (!pathState(QDir(info.absolutePath()).absoluteFilePath(kLedgerFileName)).exists) return true;
    QString notice;
    const auto ledger = Ledger::open(info.absolutePath(), Ledger::Mode::ReadWrite, error, notice);
    return ledger && ledger->removeDatabase(info.fileName(), error);
}

QString confirmingSources(const std::vector<StoredContact>& contacts, bool confirmedInDatabase) {
    if (!confirmedInDatabase) return {};
    // Each source once, with its earliest date.
    std::array<std::optional<std::string>, kConfirmSourceCount> first;
    for (const StoredContact& c : contacts) {
        for (const StoredConfirmation& k : c.confirmations) {
            std::optional<std::string>& date = first[static_cast<std::size_t>(k.source)];
            if (!date || (!k.date.empty() && (date->empty() || k.date < *date))) date = k.date;
        }
    }
    QStringList parts;
    for (std::size_t i = 0; i < kConfirmSourceCount; ++i) {
        if (!first[i]) continue;
        QString part = QString::fromLatin1(confirmSourceName(static_cast<ConfirmSource>(i)));
        if (!first[i]->empty()) part += QLatin1Char(' ') + QString::fromStdString(*first[i]);
        parts << part;
    }
    return parts.isEmpty() ? QStringLiteral("source unknown") : parts.join(QStringLiteral(", "));
}

QString squareConfirmingSources(Ledger& ledger, const QString& databaseFile,
                                const std::string& square, bool confirmedInDatabase) {
    std::vector<StoredContact> contacts;
    Error error;
    if (confirmedInDatabase) ledger.contacts(databaseFile, square, contacts, error);
    return confirmingSources(contacts, confirmedInDatabase);
}

int creditedSquares(const LedgerContact& c, std::array<int, 4>& out) {
    if (!c.vuccGrids.empty()) {
        VuccSquares vucc;
        if (readVuccGrids(c.vuccGrids, vucc)) {
            for (int i = 0; i < vucc.count; ++i)
                out[static_cast<std::size_t>(i)] =
                    squareIndex(vucc.squares[static_cast<std::size_t>(i)]);
            return vucc.count;
        }
    }
    char locator[4] = {};
    const std::size_t n = std::min<std::size_t>(c.locator.size(), 4);
    for (std::size_t i = 0; i < n; ++i) locator[i] = upperLatin1Byte(c.locator[i]);
    const std::string_view square(locator, n);
    if (!namesSquare(square)) return 0;
    out[0] = squareIndex(square);
    return 1;
}

std::vector<int> creditedSquares(const LedgerContact& c) {
    std::array<int, 4> squares{};
    const int n = creditedSquares(c, squares);
    return {squares.begin(), squares.begin() + n};
}

Ledger::Ledger(sqlite3* db, QString path, int version)
    : db_(db), path_(std::move(path)), version_(version) {}

Ledger::~Ledger() {
    sqlite3_close(db_);
}

std::unique_ptr<Ledger> Ledger::open(const QString& folder, Mode mode, Error& error,
                                     QString& notice) {
    const QString path = QDir(folder).absoluteFilePath(kLedgerFileName);
    const PathState state = pathState(path);
    if (mode == Mode::ReadOnly && !state.exists) return nullptr;
    if (state.exists && !state.isRegular) {
        error = {path, QStringLiteral("is not a file")};
        return nullptr;
    }
    // By its permissions, as the .qra is judged: root could write it anyway.
    if (mode == Mode::ReadWrite && state.exists &&
        (QFileInfo(path).permissions() &
         (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0) {
        error = {path, QStringLiteral("the file is read-only")};
        return nullptr;
    }
    int version = 0;
    Opened o = openFile(path, mode, version);
    if (!o.db && isDamaged(o.rc) && mode == Mode::ReadWrite) {
        // Kept, never deleted: whoever wants its rows can still try to read them.
        const QString aside = asideName(path);
        Error moved;
        if (!renameOver(path, aside, moved)) {
            error = {path,
                     o.reason + QStringLiteral("; it could not be moved aside: ") + moved.reason};
            return nullptr;
        }
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString extra = path + QLatin1String(suffix);
            if (pathState(extra).exists) renameOver(extra, aside + QLatin1String(suffix), moved);
        }
        notice = path + QStringLiteral(": ") + o.reason + QStringLiteral("; it was kept as ") +
                 QFileInfo(aside).fileName() + QStringLiteral(" and a new ledger begun");
        o = openFile(path, mode, version);
    }
    if (!o.db) {
        error = {path, o.reason};
        return nullptr;
    }
    // Read-only, an older schema is read as it is.
    const int opened = mode == Mode::ReadOnly ? version : std::max(version, kLedgerSchema);
    std::unique_ptr<Ledger> ledger(new Ledger(o.db, path, opened));
    if (version > kLedgerSchema) {
        error = {path, QStringLiteral("the ledger was written by a newer Morvel (schema %1; this "
                                      "one knows up to %2)")
                           .arg(version)
                           .arg(kLedgerSchema)};
        return nullptr;
    }
    if (mode == Mode::ReadOnly) {
        if (version == 0) return nullptr;  // nothing written yet
        return ledger;
    }
    int rc = SQLITE_OK;
    // WAL: readers go on while an import writes, and a kill leaves the last commit.
    // A small cache: rows and keys go in in order, and a write's keys wait in
    // memory of their own.
    if (!execOn(o.db, "PRAGMA journal_mode = WAL", rc) ||
        !execOn(o.db, "PRAGMA synchronous = NORMAL", rc) ||
        !execOn(o.db, "PRAGMA cache_size = -8192", rc) || !migrate(o.db, version, rc)) {
        error = {path, reasonOf(o.db, rc & 0xff)};
        return nullptr;
    }
    return ledger;
}

Error Ledger::sqlError(const QString& what) const {
    Q_UNUSED(what);
    return {path_, reasonOf(db_, sqlite3_errcode(db_))};
}

bool Ledger::exec(const char* sql, Error& error) {
    int rc = SQLITE_OK;
    if (execOn(db_, sql, rc)) return true;
    error = {path_, reasonOf(db_, rc & 0xff)};
    return false;
}

bool Ledger::databaseId(const QString& databaseFile, bool create, std::int64_t& id, Error& error) {
    // A path names the same database as its file name.
    const QByteArray name = QFileInfo(databaseFile).fileName().toUtf8();
    Statement find(db_, "SELECT id FROM databases WHERE name = ?1");
    if (!find.ok()) return error = sqlError({}), false;
    find.bind(1, name);
    int rc = find.step();
    if (rc == SQLITE_ROW) {
        id = find.integer(0);
        return true;
    }
    if (rc != SQLITE_DONE) return error = sqlError({}), false;
    id = 0;
    if (!create) return true;
    Statement add(db_, "INSERT INTO databases(name) VALUES (?1)");
    if (!add.ok()) return error = sqlError({}), false;
    add.bind(1, name);
    if (add.step() != SQLITE_DONE) return error = sqlError({}), false;
    id = sqlite3_last_insert_rowid(db_);
    return true;
}

bool Ledger::recordContacts(const QString& databaseFile, std::span<const LedgerContact> contacts,
                            LedgerReport& report, Error& error) {
    const std::unique_ptr<LedgerWrite> write = begin(error);
    LedgerReport gained;
    if (!write || !write->record(databaseFile, contacts, gained, error) || !write->commit(error))
        return false;
    report.contactsAdded += gained.contactsAdded;
    report.contactsKnown += gained.contactsKnown;
    for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
        report.confirmationsGained[i] += gained.confirmationsGained[i];
    return true;
}

std::unique_ptr<LedgerWrite> Ledger::begin(Error& error, std::size_t mostNewKeys) {
    if (!exec("BEGIN IMMEDIATE", error)) return nullptr;
    return std::unique_ptr<LedgerWrite>(
        new LedgerWrite(*this, std::max<std::size_t>(mostNewKeys, 1)));
}

bool Ledger::removeDatabase(const QString& databaseFile, Error& error) {
    if (!exec("BEGIN IMMEDIATE", error)) return false;
    std::int64_t id = 0;
    bool ok = databaseId(databaseFile, false, id, error);
    if (ok && id != 0) {
        for (const char* sql :
             {"DELETE FROM contacts WHERE database = ?1",
              "DELETE FROM contact_keys WHERE database = ?1",
              "DELETE FROM credits WHERE database = ?1", "DELETE FROM databases WHERE id = ?1"}) {
            Statement s(db_, sql);
            if (!s.ok()) {
                ok = false;
                break;
            }
            s.bind(1, id);
            if (s.step() != SQLITE_DONE) {
                ok = false;
                break;
            }
        }
        if (!ok && !error.isSet()) error = sqlError({});
    }
    if (!ok) {
        Error ignored;
        exec("ROLLBACK", ignored);
        return false;
    }
    return exec("COMMIT", error);
}

bool Ledger::contacts(const QString& databaseFile, const std::optional<std::string>& square,
                      std::vector<StoredContact>& out, Error& error) {
    std::int64_t id = 0;
    if (!databaseId(databaseFile, false, id, error)) return false;
    if (id == 0) return true;
    int wanted = -1;
    if (square) {
        const std::string s = upperText(*square).substr(0, 4);
        if (!namesSquare(s)) return true;
        wanted = squareIndex(s);
    }
    // Schema 1's index began with the database; the key table does now.
    Statement s(db_, version_ >= 2
                         ? "SELECT c.id, call, band, mode, c.time, freq, locator, vucc_grids, "
                           "prop_mode, sat_name, my_grid, o.name, confirmed, card_date, lotw_date, "
                           "eqsl_date, download_date FROM contact_keys k JOIN contacts c ON c.id = "
                           "k.contact JOIN origins o ON o.id = c.origin WHERE k.database = ?1 "
                           "ORDER BY c.time, c.id"
                         : "SELECT c.id, call, band, mode, time, freq, locator, vucc_grids, "
                           "prop_mode, sat_name, my_grid, o.name, confirmed, card_date, lotw_date, "
                           "eqsl_date, download_date FROM contacts c JOIN origins o ON o.id = "
                           "c.origin WHERE database = ?1 ORDER BY time, c.id");
    if (!s.ok()) return error = sqlError({}), false;
    s.bind(1, id);
    int rc = SQLITE_OK;
    while ((rc = s.step()) == SQLITE_ROW) {
        StoredContact stored;
        LedgerContact& c = stored.contact;
        c.call = s.text(1);
        c.band = s.text(2);
        c.mode = s.text(3);
        c.time = s.integer(4);
        c.freq = s.text(5);
        c.locator = s.text(6);
        c.vuccGrids = s.text(7);
        c.propMode = s.text(8);
        c.satName = s.text(9);
        c.myGrid = s.text(10);
        c.origin = QString::fromStdString(s.text(11));
        if (wanted >= 0) {
            const std::vector<int> squares = creditedSquares(c);
            if (std::find(squares.begin(), squares.end(), wanted) == squares.end()) continue;
        }
        const auto bits = static_cast<unsigned>(s.integer(12));
        for (std::size_t i = 0; i < kConfirmSourceCount; ++i) {
            if ((bits >> i & 1U) == 0) continue;
            const auto source = static_cast<ConfirmSource>(i);
            const std::string date = s.text(13 + static_cast<int>(i));
            c.confirm(source, date);
            stored.confirmations.push_back({source, date});
        }
        out.push_back(std::move(stored));
    }
    if (rc != SQLITE_DONE) return error = sqlError({}), false;
    return true;
}

bool Ledger::squareSources(const QString& databaseFile, SquareCredits& out, Error& error) {
    std::int64_t id = 0;
    if (!databaseId(databaseFile, false, id, error)) return false;
    if (id == 0) return true;
    Statement s(db_, "SELECT bits FROM credits WHERE database = ?1");
    if (!s.ok()) return error = sqlError({}), false;
    s.bind(1, id);
    const int rc = s.step();
    if (rc == SQLITE_ROW) out = creditsOf(s.get(), 0);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return error = sqlError({}), false;
    return true;
}

bool Ledger::allSquareSources(std::map<QString, SquareCredits>& out, Error& error) {
    Statement s(db_, "SELECT d.name, bits FROM credits c JOIN databases d ON d.id = c.database");
    if (!s.ok()) return error = sqlError({}), false;
    int rc = SQLITE_OK;
    while ((rc = s.step()) == SQLITE_ROW)
        out[QString::fromStdString(s.text(0))] = creditsOf(s.get(), 1);
    if (rc != SQLITE_DONE) return error = sqlError({}), false;
    return true;
}

namespace {

constexpr int kInsertColumns = 19;
constexpr int kKeyColumns = 4;
// New contacts and keys go in this many to a statement: a statement's run
// costs about as much as the row it inserts.
constexpr int kInsertRows = 16;

// OR ROLLBACK: a statement of several rows that may stop halfway keeps a
// journal of every page it changes, written out as it grows (thirty times
// the writes of the whole import); a failure ends the whole write anyway.
std::string insertSql(const char* into, int columns, int rows) {
    std::string sql = std::string("INSERT OR ROLLBACK INTO ") + into + " VALUES ";
    for (int r = 0; r < rows; ++r) {
        sql += r == 0 ? "(" : ", (";
        for (int c = 0; c < columns; ++c) sql += c == 0 ? "?" : ", ?";
        sql += ')';
    }
    return sql;
}

const char* const kContactsInto =
    "contacts(id, database, key, time, call, band, mode, freq, locator, vucc_grids, prop_mode, "
    "sat_name, my_grid, origin, confirmed, card_date, lotw_date, eqsl_date, download_date)";
const char* const kKeysInto = "contact_keys(database, key, time, contact)";

}  // namespace

struct LedgerWrite::Statements {
    explicit Statements(sqlite3* db)
        // Both give what a look-up compares and a found contact's confirmations.
        : find(db,
               "SELECT c.id, call, band, mode, confirmed, card_date, lotw_date, eqsl_date, "
               "download_date, c.time FROM contact_keys k JOIN contacts c ON c.id = k.contact "
               "WHERE k.database = ?1 AND k.key = ?2 AND k.time BETWEEN ?3 AND ?4"),
          byId(db,
               "SELECT id, call, band, mode, confirmed, card_date, lotw_date, eqsl_date, "
               "download_date, time FROM contacts WHERE id = ?1"),
          add(db, insertSql(kContactsInto, kInsertColumns, 1).c_str()),
          addMany(db, insertSql(kContactsInto, kInsertColumns, kInsertRows).c_str()),
          addKey(db, insertSql(kKeysInto, kKeyColumns, 1).c_str()),
          addKeys(db, insertSql(kKeysInto, kKeyColumns, kInsertRows).c_str()),
          update(db,
                 "UPDATE contacts SET confirmed = ?2, card_date = ?3, lotw_date = ?4, "
                 "eqsl_date = ?5, download_date = ?6 WHERE id = ?1"),
          any(db, "SELECT EXISTS(SELECT 1 FROM contact_keys WHERE database = ?1)"),
          lastId(db, "SELECT COALESCE(MAX(id), 0) FROM contacts"),
          origin(db, "SELECT id FROM origins WHERE name = ?1"),
          addOrigin(db, "INSERT INTO origins(name) VALUES (?1)"),
          credits(db, "SELECT bits FROM credits WHERE database = ?1"),
          credit(db, "INSERT OR REPLACE INTO credits(database, bits) VALUES (?1, ?2)") {}
    bool ok() const {
        return find.ok() && byId.ok() && add.ok() && addMany.ok() && addKey.ok() && addKeys.ok() &&
               update.ok() && any.ok() && lastId.ok() && origin.ok() && addOrigin.ok() &&
               credits.ok() && credit.ok();
    }
    Statement find, byId, add, addMany, addKey, addKeys, update, any, lastId, origin, addOrigin,
        credits, credit;
};

namespace {

constexpr std::size_t kFilterWords = std::size_t{1} << 18;  // 2 MiB

// A key's word of the filter and its three bits there: one cache line a key.
struct FilterSpot {
    std::size_t word;
    std::uint64_t mask;
};
FilterSpot filterSpot(std::int64_t key) {
    const std::uint64_t h = static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ULL;
    return {static_cast<std::size_t>(h >> 46), std::uint64_t{1} << (h & 63) |
                                                   std::uint64_t{1} << (h >> 6 & 63) |
                                                   std::uint64_t{1} << (h >> 12 & 63)};
}

constexpr int kKeyBucketBits = 12;

std::size_t keyBucket(std::uint32_t key) {
    return key >> (31 - kKeyBucketBits);
}

}  // namespace

void LedgerWrite::NewKeys::add(const KeyEntry& entry) {
    if (buckets.empty()) buckets.resize(std::size_t{1} << kKeyBucketBits);
    buckets[keyBucket(entry.key)].push_back(entry);
}

template <typename F>
void LedgerWrite::NewKeys::forEach(std::uint32_t key, std::int64_t from, std::int64_t to,
                                   F&& f) const {
    if (buckets.empty()) return;
    for (const KeyEntry& e : buckets[keyBucket(key)])
        if (e.key == key && e.time >= from && e.time <= to) f(e.id);
}

void LedgerWrite::KnownKeys::add(std::int64_t key) {
    if (all) return;
    if (bits.empty()) bits.resize(kFilterWords);
    const FilterSpot spot = filterSpot(key);
    bits[spot.word] |= spot.mask;
}

bool LedgerWrite::KnownKeys::maybeSeen(std::int64_t key) const {
    if (all) return true;
    if (bits.empty()) return false;
    const FilterSpot spot = filterSpot(key);
    return (bits[spot.word] & spot.mask) == spot.mask;
}

LedgerWrite::LedgerWrite(Ledger& ledger, std::size_t mostNewKeys)
    : mostNewKeys_(mostNewKeys),
      ledger_(ledger),
      statements_(std::make_unique<Statements>(ledger.db_)) {}

LedgerWrite::~LedgerWrite() {
    rollback();
}

void LedgerWrite::rollback() {
    if (!std::exchange(open_, false)) return;
    Error ignored;
    ledger_.exec("ROLLBACK", ignored);
}

bool LedgerWrite::record(const QString& databaseFile, std::span<const LedgerContact> contacts,
                         LedgerReport& report, Error& error) {
    Statements& st = *statements_;
    const auto failed = [&] {
        pending_.clear();
        error = ledger_.sqlError({});
        // A failed INSERT OR ROLLBACK has ended the transaction: a later
        // record must not go in on its own.
        rollback();
        return false;
    };
    if (!open_ || !st.ok()) return failed();
    std::int64_t db = 0;
    if (!ledger_.databaseId(databaseFile, true, db, error)) return false;
    const std::string home =
        homeLocatorFromFileName(QFileInfo(databaseFile).fileName()).trimmed().toStdString();
    const std::string band = bandFromFileName(QFileInfo(databaseFile).fileName()).toStdString();
    KnownKeys& known = known_[db];
    if (!known.checked) {
        st.any.reset();
        st.any.bind(1, db);
        if (st.any.step() != SQLITE_ROW) return failed();
        known.all = st.any.integer(0) != 0;
        known.checked = true;
    }
    SquareCredits& credits = credits_[db];
    credits.resize(kCreditSquares);
    std::array<int, 4> squares{};
    for (const LedgerContact& c : contacts) {
        auto origin = origins_.find(c.origin);
        if (origin == origins_.end()) {
            const QByteArray name = c.origin.toUtf8();
            st.origin.reset();
            st.origin.bind(1, name);
            std::int64_t id = 0;
            const int rc = st.origin.step();
            if (rc == SQLITE_ROW) {
                id = st.origin.integer(0);
            } else {
                if (rc != SQLITE_DONE) return failed();
                st.addOrigin.reset();
                st.addOrigin.bind(1, name);
                if (st.addOrigin.step() != SQLITE_DONE) return failed();
                id = sqlite3_last_insert_rowid(ledger_.db_);
            }
            origin = origins_.emplace(c.origin, id).first;
        }
        const std::int64_t key = contactKey(c);
        std::int64_t id = 0;
        unsigned before = 0;
        std::array<std::string, kConfirmSourceCount> dates;
        // Where the database had no contacts before this write and the key is
        // new to it, there is nothing to look up.
        if (known.maybeSeen(key)) {
            std::int64_t nearest = kSameContactSeconds + 1;
            // The hash may be shared: the texts decide; the nearest in time wins.
            const auto consider = [&](Statement& s) {
                const std::int64_t apart = std::abs(s.integer(9) - c.time);
                if (apart >= nearest || s.text(1) != c.call || s.text(2) != c.band ||
                    s.text(3) != c.mode)
                    return;
                nearest = apart;
                id = s.integer(0);
                before = static_cast<unsigned>(s.integer(4));
                for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
                    dates[i] = s.text(5 + static_cast<int>(i));
            };
            const std::int64_t from = c.time - kSameContactSeconds,
                               to = c.time + kSameContactSeconds;
            st.find.reset();
            st.find.bind(1, db);
            st.find.bind(2, key);
            st.find.bind(3, from);
            st.find.bind(4, to);
            int found = SQLITE_OK;
            while ((found = st.find.step()) == SQLITE_ROW) consider(st.find);
            if (found != SQLITE_DONE) return failed();
            // This write's own contacts, not yet in the key table.
            known.added.forEach(static_cast<std::uint32_t>(key), from, to, [&](std::uint32_t n) {
                // One still waiting goes in first, with those before it.
                const std::int64_t candidate = firstId_ + n;
                if (!pending_.empty() && candidate >= pending_.front().id && !insertPending())
                    found = SQLITE_ERROR;
                st.byId.reset();
                st.byId.bind(1, candidate);
                if (st.byId.step() == SQLITE_ROW)
                    consider(st.byId);
                else
                    found = SQLITE_ERROR;
                st.byId.reset();
            });
            if (found != SQLITE_DONE) return failed();
        }
        const unsigned now = confirmedBits(c);
        if (id != 0) {
            ++report.contactsKnown;
            for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
                if ((now & ~before) >> i & 1U) ++report.confirmationsGained[i];
            if (now != 0) {
                bool changed = (now & ~before) != 0;
                for (std::size_t i = 0; i < kConfirmSourceCount; ++i) {
                    // A date fills one that was not known.
                    if ((now >> i & 1U) && dates[i].empty() && !c.dates[i].empty()) {
                        dates[i] = c.dates[i];
                        changed = true;
                    }
                }
                if (changed) {
                    st.update.reset();
                    st.update.bind(1, id);
                    st.update.bind(2, static_cast<std::int64_t>(before | now));
                    for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
                        st.update.bind(3 + static_cast<int>(i), dates[i]);
                    if (st.update.step() != SQLITE_DONE) return failed();
                }
            }
        } else {
            if (nextId_ == 0) {
                st.lastId.reset();
                if (st.lastId.step() != SQLITE_ROW) return failed();
                nextId_ = firstId_ = st.lastId.integer(0) + 1;
            }
            if (newKeyCount_ >= mostNewKeys_ && !(insertPending() && flushKeys())) return failed();
            const std::int64_t newId = nextId_++;
            pending_.push_back({&c, newId, db, key, origin->second, now});
            known.added.add({static_cast<std::uint32_t>(key),
                             static_cast<std::uint32_t>(newId - firstId_), c.time});
            ++newKeyCount_;
            known.add(key);
            ++report.contactsAdded;
            for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
                if (now >> i & 1U) ++report.confirmationsGained[i];
        }
        const unsigned bits = contactCredit(c, home, band);
        const int n = creditedSquares(c, squares);
        for (int i = 0; i < n; ++i)
            credits[static_cast<std::size_t>(squares[static_cast<std::size_t>(i)])] |=
                static_cast<std::uint8_t>(bits);
    }
    return insertPending() || failed();
}

bool LedgerWrite::insertPending() {
    Statements& st = *statements_;
    const auto bindRow = [](Statement& s, int first, const NewRow& row) {
        const LedgerContact& c = *row.contact;
        s.bind(first + 1, row.id);
        s.bind(first + 2, row.database);
        s.bind(first + 3, row.key);
        s.bind(first + 4, c.time);
        s.bind(first + 5, c.call);
        s.bind(first + 6, c.band);
        s.bind(first + 7, c.mode);
        s.bind(first + 8, c.freq);
        s.bind(first + 9, c.locator);
        s.bind(first + 10, c.vuccGrids);
        s.bind(first + 11, c.propMode);
        s.bind(first + 12, c.satName);
        s.bind(first + 13, c.myGrid);
        s.bind(first + 14, row.origin);
        s.bind(first + 15, static_cast<std::int64_t>(row.confirmed));
        for (std::size_t i = 0; i < kConfirmSourceCount; ++i)
            s.bind(first + 16 + static_cast<int>(i), c.dates[i]);
    };
    bool ok = true;
    for (std::size_t done = 0; ok && done < pending_.size();) {
        const bool many = pending_.size() - done >= kInsertRows;
        Statement& insert = many ? st.addMany : st.add;
        const int rows = many ? kInsertRows : 1;
        insert.reset();
        for (int r = 0; r < rows; ++r)
            bindRow(insert, r * kInsertColumns, pending_[done + static_cast<std::size_t>(r)]);
        ok = insert.step() == SQLITE_DONE;
        done += static_cast<std::size_t>(rows);
    }
    pending_.clear();
    return ok;
}

// Every database's new keys into the key table, in its order.
bool LedgerWrite::flushKeys() {
    Statements& st = *statements_;
    bool ok = true;
    for (auto& [db, known] : known_) {
        for (std::vector<KeyEntry>& e : known.added.buckets) {
            std::sort(e.begin(), e.end());
            for (std::size_t done = 0; ok && done < e.size();) {
                const bool many = e.size() - done >= kInsertRows;
                Statement& insert = many ? st.addKeys : st.addKey;
                const int rows = many ? kInsertRows : 1;
                insert.reset();
                for (int r = 0; r < rows; ++r) {
                    const KeyEntry& k = e[done + static_cast<std::size_t>(r)];
                    insert.bind(r * kKeyColumns + 1, db);
                    insert.bind(r * kKeyColumns + 2, std::int64_t{k.key});
                    insert.bind(r * kKeyColumns + 3, k.time);
                    insert.bind(r * kKeyColumns + 4, firstId_ + k.id);
                }
                ok = insert.step() == SQLITE_DONE;
                done += static_cast<std::size_t>(rows);
            }
        }
        known.added = {};
    }
    newKeyCount_ = 0;
    firstId_ = nextId_;
    return ok;
}

// One row a database: the bits gained joined to those it had.
bool LedgerWrite::flushCredits(Error& error) {
    Statements& st = *statements_;
    for (auto& [db, squares] : credits_) {
        st.credits.reset();
        st.credits.bind(1, db);
        const int rc = st.credits.step();
        if (rc == SQLITE_ROW) {
            const SquareCredits had = creditsOf(st.credits.get(), 0);
            for (std::size_t i = 0; i < had.size() && i < squares.size(); ++i) squares[i] |= had[i];
        } else if (rc != SQLITE_DONE) {
            error = ledger_.sqlError({});
            return false;
        }
        st.credit.reset();
        st.credit.bind(1, db);
        sqlite3_bind_blob(st.credit.get(), 2, squares.data(), static_cast<int>(squares.size()),
                          SQLITE_STATIC);
        if (st.credit.step() != SQLITE_DONE) {
            error = ledger_.sqlError({});
            return false;
        }
    }
    credits_.clear();
    return true;
}

bool LedgerWrite::commit(Error& error) {
    if (!open_) {
        error = {ledger_.path_, QStringLiteral("the ledger's write was already ended")};
        return false;
    }
    const bool keys = flushKeys();
    if (!keys) error = ledger_.sqlError({});
    if (!keys || !flushCredits(error) || !ledger_.exec("COMMIT", error)) {
        rollback();
        return false;
    }
    open_ = false;
    return true;
}

}  // namespace morvel
