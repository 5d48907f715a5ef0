#include "import/import_frame.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using test::makeEntry;
using test::readFileBytes;
using test::readSquare;
using test::setSquare;
using test::writeFileBytes;

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

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ = test::makeBlankDatabase(dir_.path(), QString::fromLatin1(kName));
    }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QString path(const char* name) const { return path(QString::fromLatin1(name)); }

    ImportResult import(ImportKind kind, const std::string& log, bool answer = true) {
        const QString logPath = path(kind == ImportKind::Adif ? "log.adi" : "log.edi");
        writeFileBytes(logPath, QByteArray::fromStdString(log));
        ImportRequest r = request(kind, logPath);
        r.ask = [this, answer](const std::string& q) {
            questions_.push_back(q);
            return answer;
        };
        return runImport(r);
    }
    ImportRequest request(ImportKind kind, const QString& logPath) const {
        ImportRequest r;
        r.kind = kind;
        r.logPath = logPath;
        r.databasePath = db_;
        r.filename = kName;
        r.band = "2M";
        r.workDir = dir_.path();
        r.backupDir = dir_.path();
        r.clock = [] { return ChangelogStamp{"25/12/2023", "12:00"}; };
        return r;
    }
    QByteArray changelog() const { return readFileBytes(path("changelog.txt")); }
    QByteArray golden(const char* name, const char* logName) const {
        QByteArray g = readFileBytes(test::testDataPath(QString::fromLatin1(name)));
        return g.replace("@LOG@", QFile::encodeName(path(logName)));
    }
    QString backup() const { return path("2M JO62QM HOME backup.qra"); }

    QTemporaryDir dir_;
    QString db_;
    std::vector<std::string> questions_;
};

const QByteArray kHeader =
    " Changelog for 2M JO62QM HOME.QRA\r\n updated from @LOG@ on 25/12/2023 at 12:00\r\n\r\n";

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
    EXPECT_EQ(r.squaresWritten, 3);
    EXPECT_EQ(r.closingMessage(), "3 new squares added");
    EXPECT_EQ(changelog(), golden("import_adif_changelog.txt", "log.adi"));

    const SquareEntry io85 = readSquare(db_, "IO", 85);
    EXPECT_EQ(io85.confirmed, -1);
    EXPECT_EQ(io85.worked, 0);
    EXPECT_EQ(io85.locatorText(), "IO85mx");
    // The twelve-character call keeps its first ten in the database.
    const SquareEntry jo01 = readSquare(db_, "JO", 1);
    EXPECT_EQ(jo01.callsignText(), "Q1ABCDEFGH");
    EXPECT_EQ(jo01.locatorText(), "JO01  ");
    EXPECT_EQ(jo01.dateText(), "01/01/20");
    EXPECT_EQ(jo01.worked, -1);
    EXPECT_EQ(readSquare(db_, "JN", 1).callsignText(), "          ");
    EXPECT_EQ(readSquare(db_, "FN", 31).callsignText(), "Q4BBB     ");
    // The scratch copy is the log, byte for byte.
    EXPECT_EQ(readFileBytes(path("adi.tmp")), QByteArray::fromStdString(log));
}

TEST_F(ImportTest, NoUsableContactChangesNothingAndSaysSo) {
    const QByteArray before = readFileBytes(db_);
    const ImportResult r =
        import(ImportKind::Adif, adifRecord("Q1ABC", "20200101", "70cm", "IO85"));
    EXPECT_EQ(r.squaresWritten, 0);
    EXPECT_EQ(r.closingMessage(), "0 new squares added");
    EXPECT_EQ(readFileBytes(db_), before);
    EXPECT_EQ(readFileBytes(backup()), before);
    // ADIF: the words end the file with no line end.
    EXPECT_EQ(changelog(),
              QByteArray(kHeader).replace("@LOG@", QFile::encodeName(path("log.adi"))) +
                  "No changes made");
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
        adifRecord("Q7NEW", "20200707", "2m", "AE04", qsl);     // empty, confirmed at once
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.squaresWritten, 4);
    EXPECT_EQ(readSquare(db_, "AA", 0).callsignText(), "Q0OLD     ");
    EXPECT_EQ(readSquare(db_, "AC", 2).callsignText(), "Q0OLD     ");
    const SquareEntry ab01 = readSquare(db_, "AB", 1);
    EXPECT_EQ(ab01.callsignText(), "Q2NEW     ");
    EXPECT_EQ(ab01.locatorText(), "AB01cc");
    EXPECT_EQ(ab01.dateText(), "02/02/20");
    EXPECT_EQ(ab01.confirmed, -1);
    EXPECT_EQ(ab01.worked, 0);
    EXPECT_EQ(readSquare(db_, "AD", 3).callsignText(), "Q5NEW     ");
    const SquareEntry ae04 = readSquare(db_, "AE", 4);
    EXPECT_EQ(ae04.confirmed, -1);
    EXPECT_EQ(ae04.worked, 0);
    const QByteArray lines = changelog().mid(changelog().indexOf("\r\n\r\n") + 4);
    EXPECT_EQ(lines,
              "Q2NEW         02/02/20      AB01cc QSL\r\n"
              "Q3NEW         03/03/20      AD03\r\n"
              "Q5NEW         05/05/20      AD03dd QSL\r\n"
              "Q7NEW         07/07/20      AE04 QSL\r\n");
    // Slot 100 travels through the writes untouched.
    QFile f(db_);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.size(), kDatabaseSize);
    EXPECT_EQ(bytes.mid((recordNumber('A', 'B') - 1) * 2828 + 2800, 28), QByteArray(28, '\0'));
}

TEST_F(ImportTest, UnreadableRecordsGetASecondLine) {
    const std::string log = adifRecord("Q1ABC", "20200101", "2m", "IO85") +
                            adifRecord("Q2ABC", "20200101", "2m", "IO86") +
                            "<CALL:5>Q3ABC <BAND:2>2m";
    const ImportResult r = import(ImportKind::Adif, log);
    EXPECT_EQ(r.squaresWritten, 2);
    EXPECT_EQ(r.unreadable, 1);
    EXPECT_EQ(r.closingMessage(), "2 new squares added\n1 unreadable record was skipped");
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
        writeFileBytes(logPath, QByteArray::fromStdString(
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

TEST_F(ImportTest, EdiChangelogIsByteExactAndNeverQsl) {
    import(ImportKind::Adif, adifRecord("Q9ADIF", "20200101", "2m", "IO86", "<QSL_RCVD:1>Y "));
    const ImportResult r =
        import(ImportKind::Edi, ediLog("231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1;;;;\r\n"
                                       "231226;1200;q1abc;1;59;001;59;001;;jo01aa;1;;;;\r\n"
                                       "231226;1200;Q2DEF;1;59;001;59;001;;IO86AA;1;;;;\r\n",
                                       3));
    EXPECT_EQ(questions_,
              std::vector<std::string>{"About to import 144 MHz records to QRA file for 2M"});
    EXPECT_EQ(r.squaresWritten, 2);
    EXPECT_EQ(changelog(), golden("import_edi_changelog.txt", "log.edi"));
    EXPECT_EQ(readSquare(db_, "IO", 85).worked, -1);
    EXPECT_EQ(readSquare(db_, "IO", 85).confirmed, 0);
    EXPECT_EQ(readSquare(db_, "JO", 1).callsignText(), "Q1ABC     ");
    EXPECT_EQ(readSquare(db_, "IO", 86).callsignText(), "Q9ADIF    ");
}

TEST_F(ImportTest, PreparationFailuresLeaveTheDatabaseUntouched) {
    setSquare(db_, "IO", 85, makeEntry("IO85AA", "Q0OLD", "01/01/01", false));
    const QByteArray before = readFileBytes(db_);
    writeFileBytes(path("log.adi"),
                   QByteArray::fromStdString(adifRecord("Q1ABC", "20200101", "2m", "IO86")));

    ImportRequest noLog = request(ImportKind::Adif, path("missing.adi"));
    ImportResult r = runImport(noLog);
    EXPECT_EQ(r.end, ImportResult::End::Failed);
    EXPECT_NE(r.error.find("missing.adi"), std::string::npos) << r.error;

    ImportRequest noBackupDir = request(ImportKind::Adif, path("log.adi"));
    noBackupDir.backupDir = path("no such folder");
    r = runImport(noBackupDir);
    EXPECT_EQ(r.end, ImportResult::End::Failed);
    EXPECT_NE(r.error.find("backed up"), std::string::npos) << r.error;

    ImportRequest noDatabase = request(ImportKind::Adif, path("log.adi"));
    noDatabase.databasePath = path("2M JO62QM GONE.QRA");
    r = runImport(noDatabase);
    EXPECT_EQ(r.end, ImportResult::End::Failed);
    EXPECT_FALSE(QFile::exists(path("2M JO62QM GONE.QRA")));

    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("changelog.txt")));
    r = runImport(request(ImportKind::Adif, path("log.adi")));
    EXPECT_EQ(r.end, ImportResult::End::Failed);
    EXPECT_NE(r.error.find("change log"), std::string::npos) << r.error;

    EXPECT_EQ(readFileBytes(db_), before);
}

}  // namespace
}  // namespace morvel
