#include "import/import_frame.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "import/adif_options.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

const char* const kName = "2M JO62QM HOME.QRA";
using Kind = ImportKind;

std::string adifRecord(const std::string& call, const std::string& date, const std::string& grid,
                       const std::string& extra = "", const std::string& band = "2m") {
    const auto len = [](const std::string& v) { return std::to_string(v.size()) + ">" + v + " "; };
    return "<CALL:" + len(call) + "<QSO_DATE:" + len(date) + "<BAND:" + len(band) +
           "<GRIDSQUARE:" + len(grid) + extra + "<EOR>\r\n";
}
// A slot as one line: locator, W and C for the flags that are set, call, date.
std::string slot(const QString& db, std::string_view field, int n) {
    const SquareEntry e = readSquare(db, field, n);
    return std::string(e.locatorText()) + (e.isWorked() ? " W" : " -") +
           (e.isConfirmed() ? "C " : "- ") + std::string(e.callsignText()) + " " +
           std::string(e.dateText());
}

ChangelogStamp stamp() {
    return {"25/12/2023", "12:00"};
}

class ImportTest : public ::testing::Test {
protected:
    ImportResult import(Kind kind, const std::string& log, bool answer = true,
                        const std::function<void(ImportRequest&)>& change = {}) {
        const QString path = dir_.filePath(kind == Kind::Adif ? "log.adi" : "log.edi");
        writeFileBytes(path, QByteArray::fromStdString(log));
        const auto ask = [answer](const QString&) { return answer; };
        ImportRequest r{kind, path, db_, dir_.path(), dir_.path(), stamp, ask, {}, {}};
        if (change) change(r);
        return runImport(r);
    }
    static std::string dataLog(const char* name) {
        return readFileBytes(testDataPath(name)).toStdString();
    }
    QByteArray golden(const char* name, const char* log) const {
        return readFileBytes(testDataPath(name))
            .replace("@LOG@", QFile::encodeName(dir_.filePath(log)));
    }

    QTemporaryDir dir_;
    QString db_ = makeBlankDatabase(dir_.path(), kName);
};

// What the log's comments say it holds, byte for byte in the change log.
TEST_F(ImportTest, AdifChangelogIsByteExact) {
    const ImportResult r = import(Kind::Adif, dataLog("import_adif_log.adi"));
    EXPECT_EQ(r.closingMessage(), "3 new squares added\n3 unreadable records were skipped")
        << r.error.toStdString();
    EXPECT_EQ(readFileBytes(dir_.filePath("changelog.txt")),
              golden("import_adif_changelog.txt", "log.adi"));
}

// The log's own duplicates are in RealLogGivesTheGoldenDatabase. A slot
// holding a call without a flag (written elsewhere) is no empty square; zero
// bytes, as past a short file's end, are.
TEST_F(ImportTest, SlotsWrittenElsewhere) {
    SquareEntry callOnly = makeEntry("AC02AA", "Q0OLD", "01/01/01", false);
    setSquare(db_, "AC", 2, (callOnly.worked = 0, callOnly));
    setSquare(db_, "AD", 3, SquareEntry{});
    EXPECT_EQ(import(Kind::Adif, adifRecord("Q1NEW", "20200101", "AC02BB") +
                                     adifRecord("Q3NEW", "20200303", "AD03"))
                  .closingMessage(),
              "1 new squares added");
    EXPECT_EQ(slot(db_, "AC", 2), "AC02AA -- Q0OLD      01/01/01");
    EXPECT_EQ(slot(db_, "AD", 3), "AD03   W- Q3NEW      03/03/20");
}

// The interval and the totals are the frame's; the EDI reader counts its contacts the same way.
TEST_F(ImportTest, ProgressIsReportedEveryIntervalAndEndsAtTheTotals) {
    const std::int64_t k = kProgressInterval, n = 2 * k + 5, usable = n - (n + 9) / 10;
    std::string log;  // each contact its own square; every tenth not usable
    for (int i = 0, f = 0; i < n; f = ++i / 100)
        log += adifRecord("Q1", "20200101",
                          i % 10 == 0 ? "ZZ99"
                                      : std::string{char('A' + f / 18), char('A' + f % 18),
                                                    char('0' + i / 10 % 10), char('0' + i % 10)});
    std::vector<std::pair<std::int64_t, std::int64_t>> seen;  // read, written
    EXPECT_EQ(import(Kind::Adif, log, true,
                     [&](ImportRequest& r) {
                         r.progress = [&](const ImportProgress& p) {
                             seen.emplace_back(p.contactsRead, p.squaresWritten);
                         };
                     })
                  .squaresWritten,
              usable);
    EXPECT_EQ(seen, (decltype(seen){{k, k - k / 10}, {2 * k, 2 * (k - k / 10)}, {n, usable}}));
}

// A log read in two parts, the second on a thread of its own, writes what
// one reading writes wherever the second part is started: inside a record,
// in a value quoting <eor> or a whole record, in a broken record, with
// repeated squares confirmed later, a rover's grid line and a call too long
// to keep apart.
TEST_F(ImportTest, ALogReadInTwoPartsWritesWhatOneReadingWrites) {
    const char* const grids[] = {"IO85",   "IO86MX", "JO01", "JO62QM", "FN31", "KN05",
                                 "IO85AB", "JO01",   "EM10", "PM95",   "IO86"};
    const std::string quoted =
        "a <eor> <CALL:2>Q8 <QSO_DATE:8>20231201 <BAND:2>2m <GRIDSQUARE:4>AA00 <eor> b";
    std::string log = "<ADIF_VER:5>3.1.4<EOH>\r\n";
    for (int i = 0; i < 48; ++i) {
        const std::string call = "Q" + std::to_string(i) + (i == 20 ? std::string(20, 'X') : "AB");
        const std::string date = i == 23 ? "2023X225" : "202312" + std::to_string(10 + i % 18);
        std::string record = "<CALL:" + std::to_string(call.size()) + ">" + call + " <QSO_DATE:8>" +
                             date + " <BAND:2>2m ";
        if (i % 4 == 1) record += "<COMMENT:12>see <eor> Q9 ";
        if (i == 29) record += "<NOTES:99999999999999999999999>x ";
        if (i == 9) record += "<COMMENT:" + std::to_string(quoted.size()) + ">" + quoted + " ";
        const std::string grid = grids[(i * 7) % 11];
        record += "<GRIDSQUARE:" + std::to_string(grid.size()) + ">" + grid + " ";
        if (i == 40) record += "<VUCC_GRIDS:9>EM10,EM11 ";
        if (i % 3 == 2) record += "<QSL_RCVD:1>Y ";
        log += record + (i % 5 == 3 ? "<COMMENT:5><eor> <EOR>\r\n" : "<EOR>\r\n");
    }
    log += "<CALL:4>Q6OP <QSO_DATE:8>20231230 <BAND:2>2m <GRIDSQUARE:4>KN06";
    const auto written = [&](qint64 secondPartAt) {
        makeBlankDatabase(dir_.path(), kName);
        const ImportResult r = import(Kind::Adif, log, true, [&](ImportRequest& request) {
            request.ledger = false;
            request.adif.vuccGrids = true;
            request.secondHalfAt = secondPartAt;
        });
        return std::tuple(r.closingMessage(), readFileBytes(db_),
                          readFileBytes(dir_.filePath("changelog.txt")));
    };
    const auto inOneGo = written(-1);
    ASSERT_EQ(std::get<0>(inOneGo), "15 new squares added\n3 unreadable records were skipped");
    for (qint64 at = 0; at < static_cast<qint64>(log.size()); at += 17) {
        if (written(at) == inOneGo) continue;
        ADD_FAILURE() << "the second part read from byte " << at;
        break;
    }
}

TEST_F(ImportTest, EdiAfterAdifIsNeverQslAndBacksUpTheAdifResult) {
    import(Kind::Adif, adifRecord("Q9ADIF", "20200101", "IO86", "<QSL_RCVD:1>Y "));
    const QByteArray afterAdif = readFileBytes(db_);
    import(Kind::Edi, dataLog("import_edi_log.edi"));
    EXPECT_EQ(readFileBytes(dir_.filePath("changelog.txt")),
              golden("import_edi_changelog.txt", "log.edi"));
    EXPECT_EQ(readFileBytes(dir_.filePath("2M JO62QM HOME backup.qra")), afterAdif);
    EXPECT_EQ(slot(db_, "IO", 85), "IO85mx W- N0CALL     25/12/23");
    EXPECT_EQ(slot(db_, "IO", 86), "IO86   -C Q9ADIF     01/01/20");
}

// What one log of one contact does to a fresh 2M database
// (tests/data/import_record_cases.txt).
TEST_F(ImportTest, EachRecordWritesItsSquareOrSaysWhyNot) {
    for (const auto& c : tableRows("import_record_cases.txt", 4)) {
        const bool edi = c[0] == "edi";
        const std::string log =
            edi ? "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n" + c[2] +
                      ";1200;N0CALL;1;59;001;59;001;;IO85MX;1136;;;;\r\n"
                : "<ADIF_VER:5>3.1.4<EOH>\r\n<CALL:6>N0CALL <QSO_DATE:8>20231225 "
                  "<GRIDSQUARE:6>IO85MX " +
                      c[2] + "<EOR>\r\n";
        makeBlankDatabase(dir_.path(), kName);
        const ImportResult result =
            import(edi ? Kind::Edi : Kind::Adif, log, true, [&](ImportRequest& r) {
                QString bad;
                EXPECT_TRUE(
                    parseConfirmedBy(QString::fromStdString(c[1]), r.adif.confirmedBy, bad));
            });
        ASSERT_EQ(result.end, ImportResult::End::Finished) << log;
        const SquareEntry e = readSquare(db_, "IO", 85);
        const std::string outcome = result.squaresWritten == 1 ? slot(db_, "IO", 85)
                                    : result.squaresWritten != 0 || e.isWorked() || e.isConfirmed()
                                        ? "written wrongly"
                                    : result.unreadable == 1 ? "unreadable"
                                    : result.unreadable == 0 ? "skipped"
                                                             : "counted wrongly";
        EXPECT_EQ(outcome, c[3]) << log;
    }
}

// Each failure names the file and the reason, and comes before any write.
TEST_F(ImportTest, PreparationFailuresLeaveTheDatabaseUntouched) {
    const QByteArray before = readFileBytes(db_);
    const std::tuple<QString ImportRequest::*, const char*, const char*> cases[] = {
        {&ImportRequest::backupDir, "no such folder", "no such folder: No such file"},
        {&ImportRequest::databasePath, "2M JO62QM GONE.QRA", "2M JO62QM GONE.QRA"},
        {&ImportRequest::logPath, "missing.adi", "missing.adi: No such file or directory"},
        {nullptr, "changelog.txt", "changelog.txt: not a file"}};  // a folder in its place
    for (const auto& [member, name, error] : cases) {
        const ImportResult result =
            import(Kind::Adif, adifRecord("Q1", "20200101", "IO86"), true, [&](ImportRequest& r) {
                member ? void(r.*member = dir_.filePath(name))
                       : void(QDir(dir_.path()).mkdir(name));
            });
        EXPECT_EQ(result.end, ImportResult::End::Failed) << error;
        EXPECT_TRUE(result.error.contains(QString::fromUtf8(error)))
            << error << " in " << result.error.toStdString();
    }
    EXPECT_EQ(readFileBytes(db_), before);
}

// A database write that fails where no import was made before (a
// ten-record database grows to 324 records past a full disk's limit) leaves
// no backup and no change log.
TEST_F(ImportTest, AFailedFirstImportLeavesNoBackupOrChangelog) {
    writeFileBytes(db_, blankDatabaseBytes().left(10 * 2828));
    ImportResult r;
    {
        const WriteLimit fullDisk(100000);
        r = import(Kind::Adif, adifRecord("Q2XYZ", "20200102", "JO01"));
    }
    EXPECT_EQ(r.error, "The database could not be written: " + db_ + ": File too large");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), (QStringList{kName, "adi.tmp", "log.adi"}));
}

// A real log of many contacts (see the data files' comments): every byte of
// the database is as worked out by hand.
TEST_F(ImportTest, RealLogGivesTheGoldenDatabase) {
    const ImportResult r = import(Kind::Adif, dataLog("golden_2m_log.adi"));
    EXPECT_EQ(r.closingMessage(), "30 new squares added\n1 unreadable record was skipped");
    QByteArray expected = blankDatabaseBytes();
    for (const auto& f : tableRows("golden_2m_database.txt", 7))
        expected.replace((std::stoi(f[0]) - 1) * 2828 + std::stoi(f[1]) * 28, 28,
                         QByteArray::fromStdString(f[2]) + QByteArray::fromHex(f[3].c_str()) +
                             QByteArray::fromHex(f[4].c_str()) + (f[5] + f[6]).c_str());
    const QByteArray got = readFileBytes(db_);
    ASSERT_EQ(got.size(), expected.size());
    for (qsizetype i = 0; i < got.size(); i += 28)
        EXPECT_EQ(got.mid(i, 28).toStdString(), expected.mid(i, 28).toStdString())
            << "record " << i / 2828 + 1 << " slot " << i % 2828 / 28;
}

std::string optionsRecord(const std::string& extra, const std::string& grid = "FN31") {
    const auto tag = [](const char* name, const std::string& v) {
        return v.empty() ? std::string()
                         : "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + v + " ";
    };
    return tag("CALL", "K1ROV") + tag("QSO_DATE", "20240601") + tag("BAND", "2m") +
           tag("GRIDSQUARE", grid) + extra + "<EOR>\r\n";
}

// The ADIF import's options: VUCC_GRIDS, the confirmation sources and the
// PROP_MODE filters; with none the import is the usual one.
struct OptionsImport : ImportTest {
    // The squares an import into a blank database writes, as the change log
    // lists them: "FN31" or "FN31 QSL".
    std::vector<std::string> squares(const std::string& log, const AdifOptions& options) {
        makeBlankDatabase(dir_.path(), kName);
        const ImportResult result =
            import(Kind::Adif, log, true, [&](ImportRequest& r) { r.adif = options; });
        EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        changelog = readFileBytes(dir_.filePath("changelog.txt")).toStdString();
        std::vector<std::string> written;
        const QList<QByteArray> lines = QByteArray::fromStdString(changelog).split('\n');
        for (qsizetype i = 3; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            if (line.size() > 28) written.push_back(line.mid(28).toStdString());
        }
        return written;
    }
    std::string changelog;
};

AdifOptions vucc() {
    AdifOptions o;
    o.vuccGrids = true;
    return o;
}

std::string joined(const std::vector<std::string>& squares) {
    std::string out;
    for (const std::string& s : squares) out += (out.empty() ? "" : " ") + s;
    return out;
}

TEST_F(OptionsImport, VuccGrids) {
    for (const auto& c : tableRows("import_vucc_grids.txt", 3)) {
        const std::string log =
            optionsRecord("<VUCC_GRIDS:" + std::to_string(c[0].size()) + ">" + c[0] + " ", c[1]);
        EXPECT_EQ(joined(squares(log, vucc())), c[2]) << c[0];
        EXPECT_EQ(joined(squares(log, {})), c[1]) << c[0];
    }
}

TEST_F(OptionsImport, PropModeFilters) {
    for (const auto& c : tableRows("import_prop_modes.txt", 4)) {
        AdifOptions o;
        QString bad;
        EXPECT_TRUE(c[0].empty() || parsePropModes(QString::fromStdString(c[0]), o.propModes, bad));
        EXPECT_TRUE(c[1].empty() ||
                    parsePropModes(QString::fromStdString(c[1]), o.notPropModes, bad));
        const std::string extra =
            c[2].empty() ? "" : "<PROP_MODE:" + std::to_string(c[2].size()) + ">" + c[2] + " ";
        EXPECT_EQ(squares(optionsRecord(extra), o).size() == 1 ? "yes" : "no", c[3])
            << c[0] << " / " << c[1] << " / " << c[2];
    }
    // An unknown mode cannot be asked for.
    std::vector<std::string> modes;
    QString bad;
    for (const char* text : {"EMEX", "SAT,", "", "SAT EME"})
        EXPECT_FALSE(parsePropModes(text, modes, bad)) << text;
}

// With no option the import is the usual one (ImportTest.RealLogGivesTheGoldenDatabase
// holds it to the golden database); options that change nothing in a log give
// the same bytes, and are named on the change log's second line.
TEST_F(OptionsImport, NoOptionGivesTodaysBytes) {
    const std::string log = dataLog("golden_2m_log.adi");
    squares(log, {});
    const QByteArray plainDatabase = readFileBytes(dir_.filePath("2M JO62QM HOME.QRA"));
    const std::string plain = changelog;
    EXPECT_NE(plain.find(" on 25/12/2023 at 12:00\r\n\r\n"), std::string::npos);
    AdifOptions o = vucc();
    o.notPropModes = {"EME"};
    QFile::remove(dir_.filePath("2M JO62QM HOME.QRA"));
    QFile::remove(dir_.filePath("2M JO62QM HOME backup.qra"));
    squares(log, o);
    EXPECT_TRUE(readFileBytes(dir_.filePath("2M JO62QM HOME.QRA")) == plainDatabase);
    const std::string named = " at 12:00 with --vucc-grids --not-prop-mode EME\r\n\r\n";
    EXPECT_NE(changelog.find(named), std::string::npos) << changelog.substr(0, 200);
    EXPECT_EQ(changelog.substr(changelog.find(named) + named.size()),
              plain.substr(plain.find("12:00\r\n\r\n") + 9));
}

}  // namespace
}  // namespace morvel
