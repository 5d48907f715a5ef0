// The ADIF import's options: VUCC_GRIDS, the confirmation sources and the
// PROP_MODE filters; with none the import is the usual one.
#include <gtest/gtest.h>

#include <QFile>

#include "import/adif_options.h"
#include "import/import_frame.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

std::string record(const std::string& extra, const std::string& grid = "FN31") {
    const auto tag = [](const char* name, const std::string& v) {
        return v.empty() ? std::string()
                         : "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + v + " ";
    };
    return tag("CALL", "K1ROV") + tag("QSO_DATE", "20240601") + tag("BAND", "2m") +
           tag("GRIDSQUARE", grid) + extra + "<EOR>\r\n";
}

struct OptionsImport : ::testing::Test {
    // The squares written, as the change log lists them: "FN31" or "FN31 QSL".
    std::vector<std::string> import(const std::string& log, const AdifOptions& options) {
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
        const QString logPath = dir.filePath("log.adi");
        writeFileBytes(logPath, QByteArray::fromStdString(log));
        ImportRequest r;
        r.logPath = logPath;
        r.databasePath = db;
        r.workDir = r.backupDir = dir.path();
        r.clock = [] { return ChangelogStamp{"01/06/2024", "12:00"}; };
        r.ask = [](const QString&) { return true; };
        r.adif = options;
        const ImportResult result = runImport(r);
        EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        changelog = readFileBytes(dir.filePath("changelog.txt")).toStdString();
        std::vector<std::string> squares;
        const QList<QByteArray> lines = QByteArray::fromStdString(changelog).split('\n');
        for (qsizetype i = 3; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            if (line.size() > 28) squares.push_back(line.mid(28).toStdString());
        }
        return squares;
    }
    QTemporaryDir dir;
    std::string changelog;
};

AdifOptions vucc() {
    AdifOptions o;
    o.vuccGrids = true;
    return o;
}

// A rover on a corner credits four squares, on a line two; anything else
// that VUCC_GRIDS holds is ignored and GRIDSQUARE counts.
TEST_F(OptionsImport, VuccGrids) {
    using Squares = std::vector<std::string>;
    const std::tuple<std::string, Squares> cases[] = {
        {"FN20,FN21,FN30,FN31", {"FN20", "FN21", "FN30", "FN31"}},
        {"fn31, fn30 ,fn21,fn20", {"FN31", "FN30", "FN21", "FN20"}},
        {"FN20,FN30", {"FN20", "FN30"}},
        {"FN30,FN31", {"FN30", "FN31"}},
        {"JO99,KO09", {"JO99", "KO09"}},   // across a field's edge
        {"RA90,AA00", {"RA90", "AA00"}},   // across the 180th meridian
        {"FN20,FN40", {"FN31"}},           // not adjacent
        {"FN20,FN31", {"FN31"}},           // only touching at a corner
        {"FN20,FN21,FN30", {"FN31"}},      // three
        {"FN20,FN21,FN30,FN42", {"FN31"}}, // not a block
        {"FN20,FN22,FN30,FN32", {"FN31"}}, // rows apart
        {"FN20,FN20", {"FN31"}},           // the same square twice
        {"FN20,FN21,FN30,FN31,FN40", {"FN31"}},
        {"FN20,ZZ99", {"FN31"}},
        {"FN20JK,FN21", {"FN31"}},  // six characters
        {"FN20;FN21", {"FN31"}},
    };
    for (const auto& [grids, expected] : cases) {
        const std::string log =
            record("<VUCC_GRIDS:" + std::to_string(grids.size()) + ">" + grids + " ");
        EXPECT_EQ(import(log, vucc()), expected) << grids;
        // Without the option only GRIDSQUARE counts.
        EXPECT_EQ(import(log, {}), Squares{"FN31"}) << grids;
    }
    // A rover's record may have no GRIDSQUARE at all.
    EXPECT_EQ(import(record("<VUCC_GRIDS:9>FN20,FN30 ", ""), vucc()), (Squares{"FN20", "FN30"}));
    EXPECT_EQ(import(record("<VUCC_GRIDS:9>FN20,FN40 ", ""), vucc()), Squares{});
}

// Each confirmation source alone confirms only by its own status.
TEST_F(OptionsImport, EachConfirmationSourceAlone) {
    const char* const statuses[] = {"<QSL_RCVD:1>Y ", "<LOTW_QSL_RCVD:1>Y ",
                                    "<LOTW_QSL_RCVD:1>V ", "<EQSL_QSL_RCVD:1>Y ", ""};
    const unsigned confirms[] = {kConfirmByCard, kConfirmByLotw, kConfirmByLotw, kConfirmByEqsl, 0};
    for (const unsigned source : {kConfirmByCard, kConfirmByLotw, kConfirmByEqsl, kConfirmByAll}) {
        AdifOptions o;
        o.confirmedBy = source;
        for (std::size_t i = 0; i < std::size(statuses); ++i) {
            const bool confirmed = (confirms[i] & source) != 0;
            EXPECT_EQ(import(record(statuses[i]), o),
                      std::vector<std::string>{confirmed ? "FN31 QSL" : "FN31"})
                << statuses[i] << " by " << source;
        }
    }
}

// Only exact, known values match; a contact without PROP_MODE is terrestrial.
TEST_F(OptionsImport, PropModeFilters) {
    const auto options = [](const char* only, const char* not_) {
        AdifOptions o;
        QString bad;
        EXPECT_TRUE(!*only || parsePropModes(only, o.propModes, bad));
        EXPECT_TRUE(!*not_ || parsePropModes(not_, o.notPropModes, bad));
        return o;
    };
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"EME", "", "EME", true},       {"EME", "", "eme", true},
        {"EME", "", " EME ", true},     {"EME", "", "", false},
        {"EME", "", "EMEX", false},     {"EME", "", "EM", false},
        {"EME", "", "SAT", false},      {"SAT,EME", "", "SAT", true},
        {"", "SAT,EME", "SAT", false},  {"", "SAT,EME", "EME", false},
        {"", "SAT,EME", "", true},      {"", "SAT,EME", "TR", true},
        {"", "SAT,EME", "SATELLITE", true}, {"", "SAT", "SAT,EME", true},
        {"", "", "ANYTHING", true},
    };
    for (const auto& [only, not_, mode, kept] : cases) {
        const std::string value(mode);
        const std::string extra =
            value.empty() ? "" : "<PROP_MODE:" + std::to_string(value.size()) + ">" + value + " ";
        EXPECT_EQ(import(record(extra), options(only, not_)).size(), kept ? 1U : 0U)
            << only << " / " << not_ << " / " << mode;
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
    const std::string log = readFileBytes(testDataPath("golden_2m_log.adi")).toStdString();
    import(log, {});
    const QByteArray plainDatabase = readFileBytes(dir.filePath("2M JO62QM HOME.QRA"));
    const std::string plain = changelog;
    EXPECT_NE(plain.find(" on 01/06/2024 at 12:00\r\n\r\n"), std::string::npos);
    AdifOptions o = vucc();
    o.notPropModes = {"EME"};
    QFile::remove(dir.filePath("2M JO62QM HOME.QRA"));
    QFile::remove(dir.filePath("2M JO62QM HOME backup.qra"));
    import(log, o);
    EXPECT_TRUE(readFileBytes(dir.filePath("2M JO62QM HOME.QRA")) == plainDatabase);
    const std::string named = " at 12:00 with --vucc-grids --not-prop-mode EME\r\n\r\n";
    EXPECT_NE(changelog.find(named), std::string::npos) << changelog.substr(0, 200);
    EXPECT_EQ(changelog.substr(changelog.find(named) + named.size()),
              plain.substr(plain.find("12:00\r\n\r\n") + 9));
}

}  // namespace
}  // namespace morvel
