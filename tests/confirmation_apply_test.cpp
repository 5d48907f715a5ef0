#include "download/confirmation_apply.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <tuple>

#include "database/database_document.h"
#include "ledger/ledger.h"
#include "test_support.h"

namespace morvel {
namespace {

using namespace test;

std::string field(const char* name, const std::string& value) {
    return value.empty()
               ? std::string()
               : "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value;
}

std::string record(const std::string& call, const std::string& band, const std::string& grid,
                   const std::string& myGrid = {}, const std::string& freq = {}) {
    return field("CALL", call) + field("BAND", band) + field("FREQ", freq) + field("MODE", "FT8") +
           field("QSO_DATE", "20240611") + field("TIME_ON", "181500") + field("GRIDSQUARE", grid) +
           field("MY_GRIDSQUARE", myGrid) + field("QSL_RCVD", "Y") + field("QSLRDATE", "20240612") +
           "<eor>\n";
}

class ConfirmationApply : public ::testing::Test {
protected:
    ConfirmationApply()
        : sixHome(makeBlankDatabase(dir.path(), QStringLiteral("6M FN31PR HOME.QRA"))),
          twoHome(makeBlankDatabase(dir.path(), QStringLiteral("2M FN31PR HOME.QRA"))),
          twoAway(makeBlankDatabase(dir.path(), QStringLiteral("2M FN42AB AWAY.QRA"))) {
        makeBlankDatabase(dir.path(), QStringLiteral("6M FN31PR HOME backup.qra"));
        setSquare(sixHome, "FN", 20, makeEntry("FN20xa", "W2OLD", "01/05/24", false));
        setSquare(sixHome, "EM", 12, makeEntry("EM12", "K5OLD", "01/05/24", true));
    }
    bool apply(const std::string& adif, SyncReport& report, Error& error) {
        return applyConfirmations(
            dir.path(), ConfirmationService::Lotw, "<eoh>" + adif,
            [this](const QString& path) { return documents.open(path); }, {"12/06/24", "10:00"},
            report, error);
    }

    QTemporaryDir dir;
    DatabaseDocuments documents{dir.path()};
    QString sixHome, twoHome, twoAway;
};

TEST_F(ConfirmationApply, EachConfirmationGoesToItsBandsSquareOrIsListedUnmatched) {
    const std::string adif =
        record("W1NEW", "6M", "FN42ab") +                   // not worked: worked and confirmed
        record("W2OLD", "6M", "FN20XA") +                   // worked: now confirmed
        record("K5OLD", "6m", "EM12") +                     // confirmed already
        record("K1TWO", "", "FN43", "FN31PR", "144.174") +  // band from FREQ, MY_GRIDSQUARE picks
        record("K1AWY", "2M", "FN44", "FN42AB") +
        record("K1WHO", "2M", "FN45") +     // two 2 m databases, no MY_GRIDSQUARE
        record("DL1ABC", "70CM", "JO62") +  // no database of the band
        record("K1NOL", "6M", "") +         // no locator
        record("K1BAD", "6M", "ZZ99");      // not a locator
    SyncReport report;
    Error error;
    ASSERT_TRUE(apply(adif, report, error)) << error;
    const std::tuple<QString, const char*, int, const char*> squares[] = {
        {sixHome, "FN", 42, "W1NEW"},
        {sixHome, "FN", 20, "W2OLD"},
        {sixHome, "EM", 12, "K5OLD"},
        {twoHome, "FN", 43, "K1TWO"},
        {twoAway, "FN", 44, "K1AWY"}};
    for (const auto& [db, field, slot, call] : squares) {
        const SquareEntry e = readSquare(db, field, slot);
        EXPECT_NE(e.confirmed, 0) << call;
        EXPECT_EQ(std::string(e.callsign.data(), 5), call) << call;
    }
    EXPECT_EQ(readSquare(twoHome, "FN", 45).callsign[0], ' ');
    EXPECT_EQ(readSquare(twoAway, "FN", 45).callsign[0], ' ');

    // The change log names the service; the ledger knows who confirmed.
    const QByteArray changelog = readFileBytes(QDir(dir.path()).filePath("changelog.txt"));
    EXPECT_TRUE(changelog.contains("LoTW download")) << changelog.toStdString();
    const auto stored = ledgerContacts(dir.path(), QStringLiteral("6M FN31PR HOME.QRA"), "FN42");
    ASSERT_EQ(stored.size(), 1U);
    ASSERT_EQ(stored[0].confirmations.size(), 1U);
    EXPECT_EQ(stored[0].confirmations[0].source, ConfirmSource::Lotw);
    EXPECT_EQ(stored[0].confirmations[0].date, "2024-06-12");

    // The same download again changes no square, and the ledger knows its contacts now.
    const QByteArray after = readFileBytes(sixHome);
    SyncReport again;
    ASSERT_TRUE(apply(adif, again, error)) << error;
    EXPECT_EQ(readFileBytes(sixHome), after);
    // The reports as shown, then the listing of the unmatched ones.
    EXPECT_EQ(report.text().toStdString() + "\n\n" + again.text().toStdString() + "\n\n" +
                  readFileBytes(QDir(dir.path()).filePath(kUnmatchedFileName)).toStdString(),
              readFileBytes(testDataPath("confirmation_apply_report.txt")).toStdString());
}

}  // namespace
}  // namespace morvel
