#include "download/service_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/test_https_server.h"

namespace morvel {
namespace {

using Kind = ServiceReply::Kind;

// LoTW's report of `records` confirmations of FN31.
std::string lotwReply(int announced, int records, bool eof = true,
                      const std::string& lastQsl = "2024-06-12 10:11:12") {
    return test::lotwReport(announced, std::vector<std::string>(records, "FN31"), eof, lastQsl);
}

// A reply read as its kind, its records and, when refused, the reason said.
void expectRead(const ServiceReply& r, Kind kind, std::int64_t records, const char* reason,
                const std::string& what) {
    EXPECT_EQ(r.kind, kind) << what;
    EXPECT_EQ(r.records, records) << what;
    if (*reason) {
        EXPECT_EQ(r.reason.toStdString(), reason) << what;
    }
}

TEST(ServiceReply, LotwReplyCountsOnlyWhenWhole) {
    const char* noCount = "the reply does not say how many records it holds";
    const std::tuple<std::string, Kind, std::int64_t, std::string> cases[] = {
        {lotwReply(3, 3), Kind::Confirmations, 3, ""},
        {lotwReply(0, 0), Kind::NothingNew, 0, ""},
        {lotwReply(3, 3, false), Kind::Unusable, 0, "the reply ended after 3 of 3 records"},
        {lotwReply(2, 3), Kind::Unusable, 0, "the reply holds 3 records where it announced 2"},
        {lotwReply(1000, 812), Kind::Unusable, 0, "the reply ended after 812 of 1000 records"},
        {"<eoh>" + test::confirmation("W1AW", "FN31") + "<APP_LoTW_EOF>", Kind::Unusable, 0,
         noCount},
        {lotwReply(1, 0, false) + "<CALL:99999>W1AW", Kind::Unusable, 0,
         "a field's length runs past the end of the reply"},
        {lotwReply(1, 1, true, "2024-06-12&x=1"), Kind::Unusable, 0,
         "the reply's last confirmation date is not a date"},
        {"<html><p>Maintenance</p></html>", Kind::Unusable, 0,
         "the reply is not an ADIF report (\"Maintenance\")"},
        {std::string("\0\0<eoh>\0", 8), Kind::Unusable, 0, noCount},
    };
    for (const auto& [bytes, kind, records, reason] : cases) {
        const std::string said = reason.empty() ? reason : reason + "; nothing changed";
        expectRead(readLotwReply(bytes), kind, records, said.c_str(), bytes.substr(0, 200));
    }
    const std::string whole = lotwReply(2, 2);
    const ServiceReply r = readLotwReply(whole);
    EXPECT_EQ(r.lastQsl, "2024-06-12 10:11:12");
    EXPECT_EQ(r.adif, whole.substr(0, whole.find("<APP_LoTW_EOF>")));
    // A "<eor>" inside a value is the value's, not a record.
    expectRead(readLotwReply("<APP_LoTW_NUMREC:1>1<eoh><CALL:4>W1AW<COMMENT:5><eor><eor>"
                             "<APP_LoTW_EOF>"),
               Kind::Confirmations, 1, "", "an <eor> in a value");
}

TEST(ServiceReply, EqslPageLinksTheFileNamesAnErrorOrHasNothingNew) {
    const char* notAdif = "the page links a file that is not an ADIF download; nothing changed";
    const std::tuple<const char*, Kind, const char*> cases[] = {
        {"<HTML>Your ADIF log file has been built<LI><A "
         "HREF=\"../downloadedfiles/KA1ABC123.adi\">.ADI file</A></HTML>",
         Kind::Link, "../downloadedfiles/KA1ABC123.adi"},
        {"<a href='/downloadedfiles/x_1-2.ADI'>", Kind::Link, "/downloadedfiles/x_1-2.ADI"},
        {"<a href=\"https://evil.example/downloadedfiles/x.adi\">", Kind::Unusable, notAdif},
        {"<a href=\"../downloadedfiles/x.exe\">", Kind::Unusable, notAdif},
        {"<a href=\"../downloadedfiles/../../etc.adi\">", Kind::Unusable, notAdif},
        {"<a href=\"../downloadedfiles/k1abc...adi\">", Kind::Unusable, notAdif},
        {"<BODY>Welcome</BODY>", Kind::Unusable,
         "the page holds neither a download, an error nor a notice that nothing is new "
         "(\"Welcome\"); nothing changed"},
    };
    for (const auto& [page, kind, linkOrReason] : cases) {
        const ServiceReply r = readEqslPage(page);
        EXPECT_EQ(r.kind, kind) << page;
        EXPECT_EQ(r.kind == Kind::Link ? r.link : r.reason.toStdString(), linkOrReason) << page;
    }
    expectRead(readEqslFile("eQSL\n<EOH><CALL:4>W1AW<eor><CALL:4>K1AB<eor>"), Kind::Confirmations,
               2, "", "an eQSL file");
    expectRead(readEqslFile("<EOH>"), Kind::NothingNew, 0, "", "an empty eQSL file");
    expectRead(readEqslFile("<html>Not found</html>"), Kind::Unusable, 0,
               "the downloaded file is not ADIF; nothing changed", "a page for the file");
}

TEST(ServiceReply, QrzReplyCountMustMatchItsRecords) {
    const std::string two =
        "&lt;CALL:4&gt;W1AW&lt;BAND:2&gt;6M&lt;eor&gt;"
        "&lt;CALL:4&gt;K1AB&lt;COMMENT:3&gt;a&amp;b&lt;eor&gt;";
    // Records QRZ marks as not confirmed are left out, the others kept as sent.
    const std::string marked =
        "&lt;CALL:4&gt;W1AW&lt;APP_QRZLOG_STATUS:1&gt;C&lt;eor&gt;"
        "&lt;CALL:4&gt;K1AB&lt;app_qrzlog_status:1&gt;N&lt;eor&gt;&lt;CALL:4&gt;N1CC&lt;eor&gt;";
    const std::tuple<std::string, Kind, std::int64_t, const char*> cases[] = {
        {"OK&COUNT=2&ADIF=" + two + "&LOGIDS=1,2", Kind::Confirmations, 2, ""},
        {"OK&COUNT=0", Kind::NothingNew, 0, ""},
        {"OK&COUNT=3&ADIF=" + two, Kind::Unusable, 0,
         "the reply ended after 2 of 3 records; nothing changed"},
        {"OK&COUNT=1&ADIF=" + two, Kind::Unusable, 0,
         "the reply holds 2 records where it announced 1; nothing changed"},
        {"OK&ADIF=" + two, Kind::Unusable, 0,
         "the reply does not say how many records it holds; nothing changed"},
        {"AUTH&REASON=invalid api key", Kind::Refused, 0,
         "the API key was refused: invalid api key"},
        {"OK&COUNT=3&ADIF=" + marked, Kind::Confirmations, 2, ""},
        {"OK&COUNT=1&ADIF=&lt;CALL:4&gt;K1AB&lt;APP_QRZLOG_STATUS:1&gt;N&lt;eor&gt;",
         Kind::NothingNew, 0, ""},
    };
    for (const auto& [reply, kind, records, reason] : cases)
        expectRead(readQrzReply("RESULT=" + reply), kind, records, reason, reply);
    expectRead(readQrzReply("<html>Bad Gateway</html>"), Kind::Unusable, 0,
               "the reply is not a logbook answer; nothing changed", "HTML");
    const ServiceReply m = readQrzReply("RESULT=OK&COUNT=3&ADIF=" + marked);
    EXPECT_EQ(m.notConfirmed, 1);
    EXPECT_EQ(m.adif, "<CALL:4>W1AW<APP_QRZLOG_STATUS:1>C<eor><CALL:4>N1CC<eor>");
    // The entities are undone, so the lengths count the bytes they name.
    EXPECT_EQ(readQrzReply("RESULT=OK&COUNT=2&ADIF=" + two).adif,
              "<CALL:4>W1AW<BAND:2>6M<eor><CALL:4>K1AB<COMMENT:3>a&b<eor>");
}

}  // namespace
}  // namespace morvel
