#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "import/import_frame.h"
#include "tests/test_support.h"

namespace morvel {
namespace {

using namespace test;

std::string adif(const std::string& fields) {
    return "<ADIF_VER:5>3.1.4<EOH>\r\n<CALL:6>N0CALL " + fields + "<EOR>\r\n";
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

std::string edi(const std::string& date) {
    return "[REG1TEST;1]\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n" + date +
           ";1200;N0CALL;1;59;001;59;001;;IO85MX;1136;;;;\r\n";
}

// What one log of one contact does to a fresh 2M database: the square IO85
// as "locator W|C call date", or, with nothing written, "skipped" or
// "unreadable" and why.
TEST(ImportRecords, EachRecordWritesItsSquareOrSaysWhyNot) {
    const std::string when = "<QSO_DATE:8>20231225 <GRIDSQUARE:6>IO85MX ";
    const struct {
        ImportKind kind;
        std::string log;
        unsigned confirmedBy;
        const char* outcome;
    } cases[] = {
        // EDI dates: the format's YYMMDD and the contest loggers' YYYYMMDD.
        {ImportKind::Edi, edi("231225"), kConfirmByAll, "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Edi, edi("20231225"), kConfirmByAll, "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Edi, edi("2023125"), kConfirmByAll, "unreadable: seven digits"},
        // A band from FREQ by ADIF's band table when BAND is missing.
        {ImportKind::Adif, adif(when + "<FREQ:7>144.300 "), kConfirmByAll,
         "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<FREQ:3>144 "), kConfirmByAll, "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<FREQ:10>148.000001 "), kConfirmByAll,
         "skipped: above the band"},
        {ImportKind::Adif, adif(when + "<FREQ:10>143.999999 "), kConfirmByAll,
         "skipped: below the band"},
        {ImportKind::Adif, adif(when + "<FREQ:7>432.200 "), kConfirmByAll, "skipped: 70cm"},
        {ImportKind::Adif, adif(when + "<BAND:2>   <FREQ:7>144.300 "), kConfirmByAll,
         "IO85mx W N0CALL 25/12/23"},  // a blank BAND is none
        {ImportKind::Adif, adif(when + "<BAND:4>70cm <FREQ:7>144.300 "), kConfirmByAll,
         "skipped: BAND wins over FREQ"},
        {ImportKind::Adif, adif(when + "<FREQ:7>144,300 "), kConfirmByAll, "skipped: no number"},
        {ImportKind::Adif, adif(when), kConfirmByAll, "skipped: neither BAND nor FREQ"},
        // QSL_RCVD V is a confirmation as Y is.
        {ImportKind::Adif, adif(when + "<BAND:2>2m <QSL_RCVD:1>V "), kConfirmByAll,
         "IO85mx C N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <QSL_RCVD:1>V "), kConfirmByLotw,
         "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <QSL_RCVD:1>N "), kConfirmByAll,
         "IO85mx W N0CALL 25/12/23"},
        // One source's confirmation outweighs another's I.
        {ImportKind::Adif, adif(when + "<BAND:2>2m <EQSL_QSL_RCVD:1>I <LOTW_QSL_RCVD:1>Y "),
         kConfirmByAll, "IO85mx C N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <QSL_RCVD:1>I <LOTW_QSL_RCVD:1>V "),
         kConfirmByAll, "IO85mx C N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <LOTW_QSL_RCVD:1>I <QSL_RCVD:1>Y "),
         kConfirmByAll, "IO85mx C N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <EQSL_QSL_RCVD:1>I <LOTW_QSL_RCVD:1>Y "),
         kConfirmByCard, "IO85mx W N0CALL 25/12/23"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <EQSL_QSL_RCVD:1>I <LOTW_QSL_RCVD:1>N "),
         kConfirmByAll, "skipped: invalid and confirmed by none"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <QSL_RCVD:1>I "), kConfirmByAll,
         "skipped: invalid"},
        {ImportKind::Adif, adif(when + "<BAND:2>2m <EQSL_QSL_RCVD:1>V <LOTW_QSL_RCVD:1>I "),
         kConfirmByAll, "skipped: eQSL's V is no confirmation"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString db = makeBlankDatabase(dir.path(), "2M JO62QM HOME.QRA");
        const QString log = dir.filePath(c.kind == ImportKind::Adif ? "log.adi" : "log.edi");
        writeFileBytes(log, QByteArray::fromStdString(c.log));
        ImportRequest r{
            c.kind, log, db, dir.path(), dir.path(), {}, [](const QString&) { return true; },
            {},     {}};
        r.adif.confirmedBy = c.confirmedBy;
        const ImportResult result = runImport(r);
        ASSERT_EQ(result.end, ImportResult::End::Finished) << c.log;
        const SquareEntry e = readSquare(db, "IO", 85);
        const std::string written = trimmed(e.locatorText()) +
                                    (e.isConfirmed() ? " C "
                                     : e.isWorked()  ? " W "
                                                     : " - ") +
                                    trimmed(e.callsignText()) + " " + trimmed(e.dateText());
        const std::string expected = c.outcome;
        if (expected.starts_with("skipped") || expected.starts_with("unreadable")) {
            EXPECT_EQ(result.squaresWritten, 0) << c.log << expected;
            EXPECT_FALSE(e.isWorked() || e.isConfirmed()) << c.log << expected;
            EXPECT_EQ(result.unreadable, expected.starts_with("unreadable") ? 1 : 0)
                << c.log << expected;
        } else {
            EXPECT_EQ(result.squaresWritten, 1) << c.log;
            EXPECT_EQ(written, expected) << c.log;
        }
    }
}

}  // namespace
}  // namespace morvel
