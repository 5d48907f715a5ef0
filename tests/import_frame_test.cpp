#include "import/import_frame.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <string>

#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

const char* const kName = "2M JO62QM HOME.QRA";

std::string adifRecord(const std::string& call, const std::string& date, const std::string& grid,
                       const std::string& extra = "", const std::string& band = "2m") {
    auto field = [](const char* name, const std::string& v) {
        return "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + v + " ";
    };
    return field("CALL", call) + field("QSO_DATE", date) + field("BAND", band) +
           field("GRIDSQUARE", grid) + extra + "<EOR>\r\n";
}
const std::string kQsl = "<QSL_RCVD:1>Y ";

std::string ediLog(const std::string& contacts, int count) {
    return "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;" + std::to_string(count) + "]\r\n" +
           contacts;
}

// A slot as one line: locator, W and C for the flags that are set, call, date.
std::string slot(const QString& db, std::string_view field, int n) {
    const SquareEntry e = readSquare(db, field, n);
    return std::string(e.locatorText()) + (e.isWorked() ? " W" : " -") +
           (e.isConfirmed() ? "C " : "- ") + std::string(e.callsignText()) + " " +
           std::string(e.dateText());
}

class ImportTest : public ::testing::Test {
protected:
    ImportRequest request(ImportKind kind, const QString& logPath, bool answer = true) {
        ImportRequest r;
        r.kind = kind;
        r.logPath = logPath;
        r.databasePath = db_;
        r.filename = kName;
        r.band = "2M";
        r.workDir = r.backupDir = dir_.path();
        r.clock = [] { return ChangelogStamp{"25/12/2023", "12:00"}; };
        r.ask = [this, answer](const std::string& q) {
            questions_.push_back(q);
            return answer;
        };
        return r;
    }
    ImportResult import(ImportKind kind, const std::string& log, bool answer = true) {
        const QString logPath = dir_.filePath(kind == ImportKind::Adif ? "log.adi" : "log.edi");
        writeFileBytes(logPath, QByteArray::fromStdString(log));
        return runImport(request(kind, logPath, answer));
    }
    QByteArray changelog() const { return readFileBytes(dir_.filePath("changelog.txt")); }
    QByteArray golden(const char* name, const char* logName) const {
        return readFileBytes(testDataPath(name)).replace("@LOG@",
                                                          QFile::encodeName(dir_.filePath(logName)));
    }

    QTemporaryDir dir_;
    QString db_ = makeBlankDatabase(dir_.path(), kName);
    std::vector<std::string> questions_;
};

TEST_F(ImportTest, AdifChangelogIsByteExact) {
    const std::string log =
        "Exported log <ADIF_VER:5>3.1.4 <EOH>\r\n" + adifRecord("N0CALL", "20231225", "IO85MX", kQsl) +
        adifRecord("Q1ABCDEFGHIJ", "20200101", "JO01") + adifRecord("Q2XYZ", "20200102", "IO85") +
        adifRecord("Q3AAA", "20200103", "JN01", "", "6m") +
        "<CALL:5>Q4BBB <QSO_DATE:8>20200104 <BAND:2>2M <LOCATOR:6>FN31PR <GRIDSQUARE:4>EN01 "
        "<LOTW_QSL_RCVD:1>V <EOR>\r\n";
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.end, ImportResult::End::Finished) << r.error;
    EXPECT_EQ(r.closingMessage(), "3 new squares added");
    EXPECT_EQ(changelog(), golden("import_adif_changelog.txt", "log.adi"));
    // The twelve-character call keeps its first ten in the database.
    EXPECT_EQ(slot(db_, "IO", 85), "IO85mx -C N0CALL     25/12/23");
    EXPECT_EQ(slot(db_, "JO", 1), "JO01   W- Q1ABCDEFGH 01/01/20");
    EXPECT_EQ(slot(db_, "JN", 1), "       --" + std::string(20, ' '));
    EXPECT_EQ(slot(db_, "FN", 31), "FN31pr -C Q4BBB      04/01/20");
    EXPECT_EQ(readFileBytes(dir_.filePath("adi.tmp")), QByteArray::fromStdString(log));
}

// ADIF ends the words without a line end, EDI with one; a cancel shows no count.
TEST_F(ImportTest, NothingImportedChangesNothingAndSaysSo) {
    const QByteArray before = readFileBytes(db_);
    const auto header = [this](const char* logName) {
        const QByteArray g = golden("import_adif_changelog.txt", logName);
        return g.left(g.indexOf("\r\n\r\n") + 4);
    };
    const ImportResult adif =
        import(ImportKind::Adif, adifRecord("Q1ABC", "20200101", "IO85", "", "70cm"));
    EXPECT_EQ(adif.closingMessage(), "0 new squares added");
    EXPECT_EQ(changelog(), header("log.adi") + "No changes made");
    const ImportResult edi = import(
        ImportKind::Edi, ediLog("231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n", 1), false);
    EXPECT_EQ(edi.end, ImportResult::End::Cancelled);
    EXPECT_EQ(changelog(), header("log.edi") + "No changes made\r\n");
    EXPECT_EQ(readFileBytes(db_), before);
}

TEST_F(ImportTest, SquareUpdateRules) {
    setSquare(db_, "AA", 0, makeEntry("AA00AA", "Q0OLD", "01/01/01", true));
    setSquare(db_, "AB", 1, makeEntry("AB01AA", "Q0OLD", "01/01/01", false));
    SquareEntry callOnly = makeEntry("AC02AA", "Q0OLD", "01/01/01", false);
    callOnly.worked = 0;
    setSquare(db_, "AC", 2, callOnly);
    const std::string log =
        adifRecord("Q1NEW", "20200101", "AA00BB", kQsl) +  // confirmed square: untouched
        adifRecord("Q1NEW", "20200101", "AB01BB") +        // worked: first contact wins
        adifRecord("Q1NEW", "20200101", "AC02BB") +        // call sign present: skipped
        adifRecord("Q2NEW", "20200202", "AB01CC", kQsl) +  // upgrade to confirmed
        adifRecord("Q3NEW", "20200303", "AD03") +          // empty: worked
        adifRecord("Q4NEW", "20200404", "AD03") +          // later unconfirmed: skipped
        adifRecord("Q5NEW", "20200505", "AD03DD", kQsl) +  // upgrade, counted again
        adifRecord("Q6NEW", "20200606", "AD03EE", kQsl) +  // confirmed now: untouched
        adifRecord("Q7NEW", "20200707", "AE04", kQsl) +    // empty, confirmed at once
        adifRecord("Q8NEW", "20200808", "AF05") + "<CALL:5>Q9BAD <BAND:2>2m";
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.squaresWritten, 5);
    EXPECT_EQ(r.closingMessage(), "5 new squares added\n1 unreadable record was skipped");
    EXPECT_EQ(slot(db_, "AA", 0), "AA00AA -C Q0OLD      01/01/01");
    EXPECT_EQ(slot(db_, "AB", 1), "AB01cc -C Q2NEW      02/02/20");
    EXPECT_EQ(slot(db_, "AC", 2), "AC02AA -- Q0OLD      01/01/01");
    EXPECT_EQ(slot(db_, "AD", 3), "AD03dd -C Q5NEW      05/05/20");
    EXPECT_EQ(slot(db_, "AE", 4), "AE04   -C Q7NEW      07/07/20");
    EXPECT_EQ(changelog().mid(changelog().indexOf("\r\n\r\n") + 4).toStdString(),
              "Q2NEW         02/02/20      AB01cc QSL\r\n"
              "Q3NEW         03/03/20      AD03\r\n"
              "Q5NEW         05/05/20      AD03dd QSL\r\n"
              "Q7NEW         07/07/20      AE04 QSL\r\n"
              "Q8NEW         08/08/20      AF05\r\n");
}

TEST_F(ImportTest, ProgressIsReportedEveryIntervalAndEndsAtTheTotals) {
    const int n = static_cast<int>(2 * kProgressInterval + 5);
    for (ImportKind kind : {ImportKind::Adif, ImportKind::Edi}) {
        std::string contacts;
        for (int i = 0; i < n; ++i) {  // each its own square; every tenth not usable
            const int field = i / 100;
            std::string loc{char('A' + field / 18), char('A' + field % 18),
                            char('0' + i % 100 / 10), char('0' + i % 10)};
            if (i % 10 == 0) loc = "ZZ99";
            contacts += kind == ImportKind::Adif
                            ? adifRecord("Q1ABC", "20200101", loc)
                            : "231225;1200;Q1ABC;1;59;001;59;001;;" + loc + ";1;;;;\r\n";
        }
        makeBlankDatabase(dir_.path(), kName);
        const QString logPath = dir_.filePath("log");
        writeFileBytes(logPath, QByteArray::fromStdString(
                                    kind == ImportKind::Adif ? contacts : ediLog(contacts, n)));
        ImportRequest r = request(kind, logPath);
        std::vector<std::pair<std::int64_t, std::int64_t>> seen;  // read, written
        r.progress = [&](const ImportProgress& p) {
            seen.emplace_back(p.contactsRead, p.squaresWritten);
        };
        const std::int64_t written = runImport(r).squaresWritten;
        const std::int64_t interval = kProgressInterval;
        EXPECT_EQ(seen, (decltype(seen){{interval, interval - interval / 10},
                                        {2 * interval, 2 * (interval - interval / 10)},
                                        {n, written}}));
        EXPECT_EQ(written, n - (n + 9) / 10);
    }
}

TEST_F(ImportTest, EdiAfterAdifIsNeverQslAndBacksUpTheAdifResult) {
    import(ImportKind::Adif, adifRecord("Q9ADIF", "20200101", "IO86", kQsl));
    const QByteArray afterAdif = readFileBytes(db_);
    const ImportResult r =
        import(ImportKind::Edi, ediLog("231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n"
                                       "231226;1200;q1abc;1;59;001;59;001;;jo01aa;1;;;;\r\n"
                                       "231226;1200;Q2DEF;1;59;001;59;001;;IO86AA;1;;;;\r\n",
                                       3));
    EXPECT_EQ(questions_,
              std::vector<std::string>{"About to import 144 MHz records to QRA file for 2M"});
    EXPECT_EQ(r.squaresWritten, 2);
    EXPECT_EQ(changelog(), golden("import_edi_changelog.txt", "log.edi"));
    EXPECT_EQ(readFileBytes(dir_.filePath("2M JO62QM HOME backup.qra")), afterAdif);
    EXPECT_EQ(slot(db_, "IO", 85), "IO85mx W- N0CALL     25/12/23");
    EXPECT_EQ(slot(db_, "IO", 86), "IO86   -C Q9ADIF     01/01/20");
}

// Each failure names the file and the reason, and comes before any write.
TEST_F(ImportTest, PreparationFailuresLeaveTheDatabaseUntouched) {
    setSquare(db_, "IO", 85, makeEntry("IO85AA", "Q0OLD", "01/01/01", false));
    const QByteArray before = readFileBytes(db_);
    writeFileBytes(dir_.filePath("log.adi"),
                   QByteArray::fromStdString(adifRecord("Q1ABC", "20200101", "IO86")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath("fifo.adi")), 0644), 0);
    const struct {
        std::function<void(ImportRequest&)> change;
        const char* error;
    } cases[] = {
        {[&](ImportRequest& r) { r.backupDir = dir_.filePath("no such folder"); }, "backed up"},
        {[&](ImportRequest& r) { r.databasePath = dir_.filePath("2M JO62QM GONE.QRA"); },
         "2M JO62QM GONE.QRA"},
        {[&](ImportRequest& r) { r.logPath = dir_.filePath("missing.adi"); },
         "missing.adi: No such file or directory"},
        {[&](ImportRequest& r) { r.logPath = dir_.filePath("fifo.adi"); },
         "fifo.adi: not a regular file"},
        {[&](ImportRequest&) { QDir(dir_.path()).mkdir("changelog.txt"); }, "change log"},
    };
    for (const auto& c : cases) {
        ImportRequest r = request(ImportKind::Adif, dir_.filePath("log.adi"));
        c.change(r);
        const ImportResult result = runImport(r);
        EXPECT_EQ(result.end, ImportResult::End::Failed) << c.error;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
    EXPECT_FALSE(QFile::exists(dir_.filePath("2M JO62QM GONE.QRA")));
    EXPECT_EQ(readFileBytes(db_), before);
}

}  // namespace
}  // namespace morvel
