#include "import/import_frame.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "tests/test_support.h"

namespace morvel {
namespace {

using test::makeEntry;
using test::readFileBytes;
using test::readSquare;
using test::setSquare;

const char* const kName = "2M JO62QM HOME.QRA";

std::string adifRecord(const std::string& call, const std::string& date, const std::string& band,
                       const std::string& grid, const std::string& extra = "") {
    auto field = [](const char* name, const std::string& v) {
        return "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + v + " ";
    };
    return field("CALL", call) + field("QSO_DATE", date) + field("BAND", band) +
           field("GRIDSQUARE", grid) + extra + "<EOR>\r\n";
}

std::string ediLog(const std::string& contacts, int count) {
    return "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;" + std::to_string(count) + "]\r\n" +
           contacts;
}

// A slot as one line: locator, W and C for the flags that are set, call, date.
std::string slot(std::string_view field, int n, const QString& db) {
    const SquareEntry e = readSquare(db, field, n);
    return std::string(e.locatorText()) + (e.isWorked() ? " W" : " -") +
           (e.isConfirmed() ? "C " : "- ") + std::string(e.callsignText()) + " " +
           std::string(e.dateText());
}

class ImportTest : public ::testing::Test {
protected:
    QString path(const char* name) const {
        return QDir(dir_.path()).filePath(QString::fromLatin1(name));
    }
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
        const QString logPath = path(kind == ImportKind::Adif ? "log.adi" : "log.edi");
        test::writeFileBytes(logPath, QByteArray::fromStdString(log));
        return runImport(request(kind, logPath, answer));
    }
    QByteArray changelog() const { return readFileBytes(path("changelog.txt")); }
    QByteArray golden(const char* name, const char* logName) const {
        QByteArray g = readFileBytes(test::testDataPath(QString::fromLatin1(name)));
        return g.replace("@LOG@", QFile::encodeName(path(logName)));
    }
    QByteArray backup() const { return readFileBytes(path("2M JO62QM HOME backup.qra")); }

    QTemporaryDir dir_;
    QString db_ = test::makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
    std::vector<std::string> questions_;
};

TEST_F(ImportTest, AdifChangelogIsByteExact) {
    const std::string log =
        "Exported log <ADIF_VER:5>3.1.4 <EOH>\r\n" +
        adifRecord("N0CALL", "20231225", "2m", "IO85MX", "<QSL_RCVD:1>Y ") +
        adifRecord("Q1ABCDEFGHIJ", "20200101", "2m", "JO01") +
        adifRecord("Q2XYZ", "20200102", "2m", "IO85") +
        adifRecord("Q3AAA", "20200103", "6m", "JN01") +
        "<CALL:5>Q4BBB <QSO_DATE:8>20200104 <BAND:2>2M <LOCATOR:6>FN31PR <GRIDSQUARE:4>EN01 "
        "<LOTW_QSL_RCVD:1>V <EOR>\r\n";
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.end, ImportResult::End::Finished);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.closingMessage(), "3 new squares added");
    EXPECT_EQ(changelog(), golden("import_adif_changelog.txt", "log.adi"));
    // The twelve-character call keeps its first ten in the database.
    EXPECT_EQ(slot("IO", 85, db_), "IO85mx -C N0CALL     25/12/23");
    EXPECT_EQ(slot("JO", 1, db_), "JO01   W- Q1ABCDEFGH 01/01/20");
    EXPECT_EQ(slot("JN", 1, db_), "       --" + std::string(20, ' '));
    EXPECT_EQ(slot("FN", 31, db_), "FN31pr -C Q4BBB      04/01/20");
    // The scratch copy is the log, byte for byte.
    EXPECT_EQ(readFileBytes(path("adi.tmp")), QByteArray::fromStdString(log));
}

TEST_F(ImportTest, NothingImportedChangesNothingAndSaysSo) {
    const QByteArray before = readFileBytes(db_);
    // The golden change logs' first three lines, naming the log.
    const auto header = [this](const char* logName) {
        const QByteArray g = golden("import_adif_changelog.txt", logName);
        return g.left(g.indexOf("\r\n\r\n") + 4);
    };
    // ADIF ends the words without a line end, EDI with one; a cancel shows no count.
    const ImportResult adif =
        import(ImportKind::Adif, adifRecord("Q1ABC", "20200101", "70cm", "IO85"));
    EXPECT_EQ(adif.closingMessage(), "0 new squares added");
    EXPECT_EQ(changelog(), header("log.adi") + "No changes made");
    EXPECT_EQ(backup(), before);
    const ImportResult edi = import(
        ImportKind::Edi, ediLog("231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n", 1), false);
    EXPECT_EQ(edi.end, ImportResult::End::Cancelled);
    EXPECT_EQ(changelog(), header("log.edi") + "No changes made\r\n");
    EXPECT_EQ(backup(), before);
    EXPECT_EQ(readFileBytes(db_), before);
}

TEST_F(ImportTest, SquareUpdateRules) {
    setSquare(db_, "AA", 0, makeEntry("AA00AA", "Q0OLD", "01/01/01", true));
    setSquare(db_, "AB", 1, makeEntry("AB01AA", "Q0OLD", "01/01/01", false));
    SquareEntry callOnly = makeEntry("AC02AA", "Q0OLD", "01/01/01", false);
    callOnly.worked = 0;
    setSquare(db_, "AC", 2, callOnly);
    const std::string qsl = "<QSL_RCVD:1>Y ";
    const std::string log =
        adifRecord("Q1NEW", "20200101", "2m", "AA00BB", qsl) +  // confirmed square: untouched
        adifRecord("Q1NEW", "20200101", "2m", "AB01BB") +       // worked: first contact wins
        adifRecord("Q1NEW", "20200101", "2m", "AC02BB") +       // call sign present: skipped
        adifRecord("Q2NEW", "20200202", "2m", "AB01CC", qsl) +  // upgrade to confirmed
        adifRecord("Q3NEW", "20200303", "2m", "AD03") +         // empty: worked
        adifRecord("Q4NEW", "20200404", "2m", "AD03") +         // later unconfirmed: skipped
        adifRecord("Q5NEW", "20200505", "2m", "AD03DD", qsl) +  // upgrade, counted again
        adifRecord("Q6NEW", "20200606", "2m", "AD03EE", qsl) +  // confirmed now: untouched
        adifRecord("Q7NEW", "20200707", "2m", "AE04", qsl) +    // empty, confirmed at once
        adifRecord("Q8NEW", "20200808", "2m", "AF05") + "<CALL:5>Q9BAD <BAND:2>2m";
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.squaresWritten, 5);
    EXPECT_EQ(r.closingMessage(), "5 new squares added\n1 unreadable record was skipped");
    EXPECT_EQ(slot("AA", 0, db_), "AA00AA -C Q0OLD      01/01/01");
    EXPECT_EQ(slot("AB", 1, db_), "AB01cc -C Q2NEW      02/02/20");
    EXPECT_EQ(slot("AC", 2, db_), "AC02AA -- Q0OLD      01/01/01");
    EXPECT_EQ(slot("AD", 3, db_), "AD03dd -C Q5NEW      05/05/20");
    EXPECT_EQ(slot("AE", 4, db_), "AE04   -C Q7NEW      07/07/20");
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
                            ? adifRecord("Q1ABC", "20200101", "2m", loc)
                            : "231225;1200;Q1ABC;1;59;001;59;001;;" + loc + ";1;;;;\r\n";
        }
        test::makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
        const QString logPath = path("log");
        test::writeFileBytes(logPath, QByteArray::fromStdString(
                                    kind == ImportKind::Adif ? contacts : ediLog(contacts, n)));
        ImportRequest r = request(kind, logPath);
        r.ask = [](const std::string&) { return true; };
        std::vector<std::pair<std::int64_t, std::int64_t>> seen;  // read, written
        r.progress = [&](const ImportProgress& p) { seen.emplace_back(p.contactsRead, p.squaresWritten); };
        const std::int64_t written = runImport(r).squaresWritten;
        const std::int64_t interval = kProgressInterval;
        EXPECT_EQ(seen, (decltype(seen){{interval, interval - interval / 10},
                                        {2 * interval, 2 * (interval - interval / 10)},
                                        {n, written}}));
        EXPECT_EQ(written, n - (n + 9) / 10);
    }
}

TEST_F(ImportTest, EdiAfterAdifIsNeverQslAndBacksUpTheAdifResult) {
    import(ImportKind::Adif, adifRecord("Q9ADIF", "20200101", "2m", "IO86", "<QSL_RCVD:1>Y "));
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
    EXPECT_EQ(backup(), afterAdif);
    EXPECT_EQ(slot("IO", 85, db_), "IO85mx W- N0CALL     25/12/23");
    EXPECT_EQ(slot("IO", 86, db_), "IO86   -C Q9ADIF     01/01/20");
}

TEST_F(ImportTest, PreparationFailuresLeaveTheDatabaseUntouched) {
    setSquare(db_, "IO", 85, makeEntry("IO85AA", "Q0OLD", "01/01/01", false));
    const QByteArray before = readFileBytes(db_);
    test::writeFileBytes(path("log.adi"),
                         QByteArray::fromStdString(adifRecord("Q1ABC", "20200101", "2m", "IO86")));
    const struct {
        const char* what;
        std::function<void(ImportRequest&)> change;
        const char* error;
    } cases[] = {
        {"no backup folder", [&](ImportRequest& r) { r.backupDir = path("no such folder"); },
         "backed up"},
        {"no database", [&](ImportRequest& r) { r.databasePath = path("2M JO62QM GONE.QRA"); },
         "2M JO62QM GONE.QRA"},
        {"change log is a folder",
         [&](ImportRequest&) { QDir(dir_.path()).mkdir(QStringLiteral("changelog.txt")); },
         "change log"},
    };
    for (const auto& c : cases) {
        ImportRequest r = request(ImportKind::Adif, path("log.adi"));
        c.change(r);
        const ImportResult result = runImport(r);
        EXPECT_EQ(result.end, ImportResult::End::Failed) << c.what;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
    EXPECT_FALSE(QFile::exists(path("2M JO62QM GONE.QRA")));
    EXPECT_EQ(readFileBytes(db_), before);
}

}  // namespace
}  // namespace morvel
