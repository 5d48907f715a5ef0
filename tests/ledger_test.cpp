// The contact ledger beside the databases: what an import gives it, the
// award counts it makes, and how a ledger that cannot be used is handled.
#include "ledger/ledger.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <algorithm>

#include "import/contact_reading.h"
#include "import/import_frame.h"
#include "statistics/overview.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

std::string tag(const char* name, const std::string& v) {
    return v.empty() ? std::string()
                     : "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + v + " ";
}

std::string record(const std::string& grid, const std::string& extra,
                   const std::string& time = "1200", const std::string& call = "K1ROV",
                   const std::string& band = "6m", const std::string& mode = "FT8") {
    return tag("CALL", call) + tag("QSO_DATE", "20240601") + tag("TIME_ON", time) +
           tag("BAND", band) + tag("MODE", mode) + tag("GRIDSQUARE", grid) + extra + "<EOR>\r\n";
}

struct LedgerImport : ::testing::Test {
    ImportResult import(const QString& database, const std::string& log, bool ledger = true,
                        const AdifOptions& options = {}) {
        const QString db = dir.filePath(database);
        if (!QFile::exists(db)) makeBlankDatabase(dir.path(), database);
        writeFileBytes(dir.filePath("log.adi"), QByteArray::fromStdString(log));
        ImportRequest r;
        r.logPath = dir.filePath("log.adi");
        r.databasePath = db;
        r.workDir = r.backupDir = dir.path();
        r.clock = [] { return ChangelogStamp{"01/06/2024", "12:00"}; };
        r.ask = [](const QString&) { return true; };
        r.adif = options;
        r.ledger = ledger;
        const ImportResult result = runImport(r);
        EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        return result;
    }
    // Every file of the folder gone, read-only ones too.
    void clear() {
        const QDir d(dir.path());
        for (const QString& name : d.entryList(QDir::Files)) {
            QFile::setPermissions(d.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(d.filePath(name));
        }
    }
    std::vector<StoredContact> contacts(const QString& database) {
        return ledgerContacts(dir.path(), database);
    }
    // The folder's ledger, open for writing.
    std::unique_ptr<Ledger> openLedger() {
        QString notice;
        auto ledger = Ledger::open(dir.path(), Ledger::Mode::ReadWrite, error, notice);
        EXPECT_TRUE(ledger) << error;
        return ledger;
    }
    Error error;
    QTemporaryDir dir;
};

const QString k6m = QStringLiteral("6M FN31PR HOME.QRA");

AdifOptions vuccGrids() {
    AdifOptions o;
    o.vuccGrids = true;
    return o;
}

// What each kind of contact gives the awards.
TEST_F(LedgerImport, AwardCountsOfEachKindOfContact) {
    for (const auto& c : tableRows("ledger_award_cases.txt", 6)) {
        SCOPED_TRACE(c[0]);
        clear();
        const QString database = QString::fromStdString(c[1]).toUpper() + " FN31PR HOME.QRA";
        import(database, record(c[2], c[3], "1200", "K1ROV", c[1]), c[4] != "no ledger",
               vuccGrids());
        if (c[4] == "unconfirm")
            setSquare(dir.filePath(database), "FN", 42,
                      makeEntry("FN42", "K1ROV", "01/06/24", false));
        const Overview o = buildOverview(dir.path());
        ASSERT_EQ(o.rows.size(), 1U);
        ASSERT_TRUE(o.rows[0].award);
        const BandAward& a = *o.rows[0].award;
        std::string counts;
        for (const int n : {a.confirmed, a.eqslOnly, a.unknown, a.elsewhere, o.satelliteSquares,
                            o.rows[0].ffma ? o.rows[0].ffma->confirmed : 0})
            counts += (counts.empty() ? "" : " ") + std::to_string(n);
        EXPECT_EQ(counts, c[5]);
        EXPECT_TRUE(o.ledgerProblem.isEmpty()) << o.ledgerProblem.toStdString();
    }
}

// The same call, band and mode within 30 minutes is one contact, whose later
// record adds its confirmations; 31 minutes apart, or in another mode, two.
TEST_F(LedgerImport, SameContactWithinThirtyMinutes) {
    // In one log, and in two: this write's own contacts and those of the file.
    for (const bool apart : {false, true})
        for (const auto& c : tableRows("ledger_same_contact.txt", 6)) {
            SCOPED_TRACE(c[0] + (apart ? " (two logs)" : " (one log)"));
            clear();
            const std::string log = record("FN42", "<QSL_RCVD:1>Y <QSLRDATE:8>20240701");
            const std::string second = record("FN42", "<LOTW_QSL_RCVD:1>Y", c[1], c[2], "6m", c[3]);
            if (apart) import(k6m, log);
            import(k6m, apart ? second : log + second);
            const auto list = contacts(k6m);
            ASSERT_EQ(list.size(), std::stoul(c[4]));
            const auto first = std::find_if(list.begin(), list.end(), [](const StoredContact& s) {
                return s.contact.time == 1717243200;  // 2024-06-01 12:00
            });
            ASSERT_NE(first, list.end());
            EXPECT_EQ(first->confirmations.size(), std::stoul(c[5]));
            EXPECT_EQ(first->confirmations[0].date, "2024-07-01");
        }
}

// New contacts go into the ledger several to a statement: each comes back
// whole however many one write holds, and a contact seen again while its
// first record still waits to go in is found and gains the confirmation.
TEST_F(LedgerImport, EveryContactOfALogKeptWhole) {
    const struct {
        int contacts;
        int repeated;  // this contact's record again, 10 minutes later with a card
    } cases[] = {{1, -1}, {16, -1}, {17, 0}, {40, 20}, {40, 39}};
    const auto call = [](int i) {
        return std::string("K1") + static_cast<char>('A' + i / 26) +
               static_cast<char>('A' + i % 26);
    };
    const auto grid = [](int i) { return "FN" + std::to_string(10 + i); };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.contacts) + " contacts, repeated " +
                     std::to_string(c.repeated));
        clear();
        std::string log;
        std::vector<std::string> want, got;  // call, locator, mode, FREQ, confirmations
        for (int i = 0; i < c.contacts; ++i) {
            log += record(grid(i),
                          i % 2 ? "<LOTW_QSL_RCVD:1>Y <LOTW_QSLRDATE:8>20240702 " : "<FREQ:6>50.313 ",
                          "1200", call(i));
            want.push_back(call(i) + " " + grid(i) + " FT8 " + (i % 2 ? "" : "50.313") +
                           (i == c.repeated ? " card " : "") + (i % 2 ? " LoTW 2024-07-02" : ""));
        }
        if (c.repeated >= 0)
            log += record(grid(c.repeated), "<QSL_RCVD:1>Y ", "1210", call(c.repeated));
        import(k6m, log);
        for (const StoredContact& s : contacts(k6m)) {
            std::string line = s.contact.call + " " + s.contact.locator + " " + s.contact.mode +
                               " " + s.contact.freq;
            for (const StoredConfirmation& k : s.confirmations)
                line += " " + std::string(confirmSourceName(k.source)) + " " + k.date;
            got.push_back(line + (s.contact.time == 1717243200 ? "" : " not at 12:00"));
        }
        std::ranges::sort(want);
        std::ranges::sort(got);
        EXPECT_EQ(got, want);
    }
}

// A write with more new contacts than it holds keys of in memory puts those
// keys into the key table as it goes: a contact seen again is found on
// either side of that, and once.
TEST_F(LedgerImport, ContactSeenAgainAcrossTheKeysWrittenOutMidWrite) {
    const auto ledger = openLedger();
    ASSERT_TRUE(ledger);
    std::vector<LedgerContact> log;
    for (const char* call :
         {"K1AA", "K1AB", "K1AC", "K1AD", "K1AE", "K1AF", "K1AG", "K1AH", "K1AI", "K1AJ"})
        log.push_back(ledgerContact(call, "FN42", "20240601"));
    for (const std::size_t again : {0, 4, 9}) {
        log.push_back(log[again]);
        log.back().time += 600;
        log.back().confirm(ConfirmSource::Card, "2024-07-01");
    }
    const auto write = ledger->begin(error, 4);
    LedgerReport report;
    ASSERT_TRUE(write && write->record(k6m, log, report, error) && write->commit(error)) << error;
    EXPECT_EQ(report.contactsAdded, 10);
    EXPECT_EQ(report.contactsKnown, 3);
    std::string confirmed;
    for (const StoredContact& s : contacts(k6m))
        if (!s.confirmations.empty()) confirmed += s.contact.call + " ";
    EXPECT_EQ(confirmed, "K1AA K1AE K1AJ ");
}

// The import's feed writes its batches while the log is read: once finished,
// every contact handed to it is in the write; a write that cannot take them
// (here one already ended) stops the feed, which says so.
TEST_F(LedgerImport, FeedFinishedHoldsEveryContactOrSaysWhyNot) {
    for (const bool ended : {false, true}) {
        SCOPED_TRACE(ended);
        clear();
        const auto ledger = openLedger();
        ASSERT_TRUE(ledger);
        auto write = ledger->begin(error);
        if (ended) write->rollback();
        auto feed = std::make_unique<LedgerFeed>(*write, k6m);
        for (int i = 0; i < 3000; ++i)
            if (LedgerContact* c = feed->next())
                *c = ledgerContact("K" + std::to_string(i), "FN42", "20240601");
        const bool finished = feed->finish();
        EXPECT_EQ(finished ? feed->report.contactsAdded : -1, ended ? -1 : 3000);
        EXPECT_EQ(feed->error().isSet(), !finished);
        feed.reset();
        EXPECT_EQ(finished && write->commit(error), !ended) << error;
        EXPECT_EQ(contacts(k6m).size(), ended ? 0U : 3000U);
    }
}

// A log imported before the ledger (--no-ledger) fills the ledger when
// imported again: its confirmed square is no longer of unknown source. A
// third import of the same log changes no square and adds no contact: every
// contact is known and no confirmation is new.
TEST_F(LedgerImport, SameLogTwice) {
    const std::string log = record("FN42", "<QSL_RCVD:1>Y <LOTW_QSL_RCVD:1>Y") +
                            record("FN43", "<EQSL_QSL_RCVD:1>Y", "1300") +
                            record("FN44", "", "1400");
    const ImportResult squaresOnly = import(k6m, log, false);
    EXPECT_EQ(squaresOnly.closingMessage(), "3 new squares added");
    EXPECT_TRUE(squaresOnly.ledgerText.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(kLedgerFileName)));
    EXPECT_EQ(buildOverview(dir.path()).rows[0].award->unknown, 2);
    const QByteArray database = readFileBytes(dir.filePath(k6m));
    const ImportResult first = import(k6m, log);
    EXPECT_EQ(first.ledgerText,
              "The ledger took 3 new contacts and 3 confirmations: card 1, LoTW 1, eQSL 1");
    const BandAward a = *buildOverview(dir.path()).rows[0].award;
    EXPECT_EQ(std::pair(a.unknown, a.confirmed), std::pair(0, 1));
    const ImportResult second = import(k6m, log);
    EXPECT_EQ(second.closingMessage(), "0 new squares added");
    EXPECT_EQ(second.ledgerText, "The ledger took 0 new contacts (3 known) and 0 confirmations");
    EXPECT_EQ(readFileBytes(dir.filePath(k6m)), database);
    EXPECT_EQ(contacts(k6m).size(), 3U);
}

// Unknown received statuses and impossible dates record no confirmation for
// their field and are counted; the square is the import's as ever.
TEST_F(LedgerImport, UnreadableConfirmationFields) {
    const ImportResult r =
        import(k6m, record("FN42",
                           "<QSL_RCVD:1>Y <QSLRDATE:8>20241399 <LOTW_QSL_RCVD:1>Z "
                           "<EQSL_QSL_RCVD:1>Y <EQSL_QSLRDATE:8>20240229"));
    EXPECT_EQ(r.closingMessage(), "1 new squares added");
    EXPECT_EQ(r.ledgerText,
              "The ledger took 1 new contact and 1 confirmation: eQSL 1\n"
              "2 confirmation fields could not be read and were left out of the ledger");
    const auto list = contacts(k6m);
    ASSERT_EQ(list.size(), 1U);
    ASSERT_EQ(list[0].confirmations.size(), 1U);
    EXPECT_EQ(list[0].confirmations[0].source, ConfirmSource::Eqsl);
    EXPECT_EQ(list[0].confirmations[0].date, "2024-02-29");
    EXPECT_TRUE(readSquare(dir.filePath(k6m), "FN", 42).isConfirmed());
}

// A ledger that is not SQLite, of a newer schema or read-only: the import
// writes its squares and says once what became of the ledger. A file that
// is no ledger is kept under another name and a new ledger begun.
TEST_F(LedgerImport, LedgerThatCannotBeUsed) {
    const QString ledgerPath = dir.filePath(kLedgerFileName);
    const auto newer = [&] {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(ledgerPath).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version = 9", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    const struct {
        const char* what;
        std::function<void()> prepare;
        QString text;
        bool kept;       // the old file stays as it was under its name
        bool newLedger;  // a new ledger took the contact
    } cases[] = {
        {"not SQLite", [&] { writeFileBytes(ledgerPath, QByteArray(4096, 'x')); },
         ledgerPath + ": the file is not a ledger (not an SQLite database); it was kept as "
                      "contacts.sqlite.damaged and a new ledger begun",
         false, true},
        {"newer schema", newer,
         "The ledger took nothing: " + ledgerPath +
             ": the ledger was written by a newer Morvel (schema 9; this one knows up to 2)",
         true, false},
        {"read-only",
         [&] {
             import(k6m, record("FN44", ""));
             QFile::setPermissions(ledgerPath, QFile::ReadOwner | QFile::ReadGroup);
         },
         "The ledger took nothing: " + ledgerPath + ": the file is read-only", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear();
        c.prepare();
        const QByteArray before = readFileBytes(ledgerPath);
        const ImportResult r = import(k6m, record("FN42", "<QSL_RCVD:1>Y"));
        EXPECT_EQ(r.end, ImportResult::End::Finished);
        EXPECT_EQ(r.closingMessage(), "1 new squares added");
        EXPECT_TRUE(readSquare(dir.filePath(k6m), "FN", 42).isConfirmed());
        if (c.newLedger) {
            EXPECT_EQ(r.ledgerText,
                      "The ledger took 1 new contact and 1 confirmation: card 1\n" + c.text);
            EXPECT_EQ(readFileBytes(ledgerPath + ".damaged"), before);
            EXPECT_EQ(contacts(k6m).size(), 1U);
        } else {
            EXPECT_EQ(r.ledgerText, c.text);
        }
        if (c.kept) {
            EXPECT_EQ(readFileBytes(ledgerPath), before);
        }
    }
}

// A ledger an earlier Morvel wrote (schema 1) is read as it is where the
// reading may not write, and brought forward by the next import, which knows
// its contacts again from their keys.
TEST_F(LedgerImport, EarlierSchemaIsReadThenBroughtForward) {
    const QString ledgerPath = dir.filePath(kLedgerFileName);
    const QByteArray earlier = readFileBytes(testDataPath("ledger_schema1.sqlite"));
    writeFileBytes(ledgerPath, earlier);
    const auto listed = [&] {
        std::string text;
        for (const StoredContact& c : contacts(k6m))
            text += c.contact.call + (c.confirmations.empty() ? " -" : " ") +
                    (c.confirmations.empty() ? "" : c.confirmations[0].date) + "\n";
        return text;
    };
    const std::string three = "K1ROV 2024-07-05\nW1AW 2024-06-10\nVE1XY \n";
    EXPECT_EQ(listed(), three);
    EXPECT_EQ(readFileBytes(ledgerPath), earlier);
    const ImportResult r =
        import(k6m, readFileBytes(testDataPath("ledger_schema1.adi")).toStdString());
    EXPECT_EQ(r.ledgerText, "The ledger took 0 new contacts (3 known) and 0 confirmations");
    EXPECT_EQ(listed(), three);
    EXPECT_EQ(import(k6m, record("FN42", "", "1229")).ledgerText,
              "The ledger took 0 new contacts (1 known) and 0 confirmations");
}

// Deleting a database takes its contacts and credits out of the ledger; the
// other databases keep theirs.
TEST_F(LedgerImport, RemoveDatabase) {
    const QString k2m = QStringLiteral("2M FN31PR HOME.QRA");
    import(k6m, record("FN42", "<QSL_RCVD:1>Y"));
    import(k2m, record("FN43", "<QSL_RCVD:1>Y", "1200", "K1ROV", "2m"));
    {
        const auto ledger = openLedger();
        ASSERT_TRUE(ledger);
        ASSERT_TRUE(ledger->removeDatabase(k2m, error)) << error;
        SquareCredits six, two;
        ASSERT_TRUE(ledger->squareSources(k6m, six, error) &&
                    ledger->squareSources(k2m, two, error));
        EXPECT_TRUE(two.empty());
        EXPECT_EQ(std::count_if(six.begin(), six.end(), [](std::uint8_t b) { return b != 0; }), 1);
    }
    EXPECT_TRUE(contacts(k2m).empty());
    EXPECT_EQ(contacts(k6m).size(), 1U);
    // A new database of the same name starts with nothing from the old one.
    QFile::remove(dir.filePath(k2m));
    import(k2m, record("FN43", "<QSL_RCVD:1>Y", "1200", "K1ROV", "2m"), false);
    import(k2m, record("FN44", "", "1300", "K1ROV", "2m"));
    const Overview o = buildOverview(dir.path());
    ASSERT_EQ(o.rows.size(), 2U);
    EXPECT_EQ(o.rows[1].award->unknown, 1);
    EXPECT_EQ(o.rows[1].award->confirmed, 0);
    EXPECT_EQ(contacts(k2m).size(), 1U);
}

}  // namespace
}  // namespace morvel
