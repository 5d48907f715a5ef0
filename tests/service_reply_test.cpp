#include "download/service_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_https_server.h"

namespace morvel {
namespace {

using Kind = ServiceReply::Kind;

// LoTW's report of `records` confirmations of FN31.
std::string lotwReply(int announced, int records, bool eof = true,
                      const std::string& lastQsl = "2024-06-12 10:11:12") {
    return test::lotwReport(announced, std::vector<std::string>(records, "FN31"), eof, lastQsl);
}

TEST(ServiceReply, LotwReplyCountsOnlyWhenWhole) {
    const struct {
        const char* what;
        std::string bytes;
        Kind kind;
        const char* reason;  // exact, or empty
        std::int64_t records;
    } cases[] = {
        {"whole", lotwReply(3, 3), Kind::Confirmations, "", 3},
        {"nothing since", lotwReply(0, 0), Kind::NothingNew, "", 0},
        {"all records but no end mark", lotwReply(3, 3, false), Kind::Unusable,
         "the reply ended after 3 of 3 records; nothing changed", 0},
        {"a count that lies low", lotwReply(2, 3), Kind::Unusable,
         "the reply holds 3 records where it announced 2; nothing changed", 0},
        {"a count that lies high", lotwReply(1000, 812), Kind::Unusable,
         "the reply ended after 812 of 1000 records; nothing changed", 0},
        {"no count", "<eoh>" + test::confirmation("W1AW", "FN31") + "<APP_LoTW_EOF>", Kind::Unusable,
         "the reply does not say how many records it holds; nothing changed", 0},
        {"length past the end", lotwReply(1, 0, false) + "<CALL:99999>W1AW", Kind::Unusable,
         "a field's length runs past the end of the reply; nothing changed", 0},
        {"a date that is no date", lotwReply(1, 1, true, "2024-06-12&x=1"), Kind::Unusable,
         "the reply's last confirmation date is not a date; nothing changed", 0},
        {"HTML where ADIF was expected", "<html><p>Maintenance</p></html>", Kind::Unusable,
         "the reply is not an ADIF report (\"Maintenance\"); nothing changed", 0},
        {"NUL bytes", std::string("\0\0<eoh>\0", 8), Kind::Unusable,
         "the reply does not say how many records it holds; nothing changed", 0},
    };
    for (const auto& c : cases) {
        const ServiceReply r = readLotwReply(c.bytes);
        EXPECT_EQ(r.kind, c.kind) << c.what;
        if (*c.reason) {
            EXPECT_EQ(r.reason.toStdString(), c.reason) << c.what;
        }
        EXPECT_EQ(r.records, c.records) << c.what;
    }
}

TEST(ServiceReply, WholeLotwReplyKeepsItsRecordsAndTheNextDate) {
    const std::string bytes = lotwReply(2, 2);
    const ServiceReply r = readLotwReply(bytes);
    EXPECT_EQ(r.lastQsl, "2024-06-12 10:11:12");
    EXPECT_EQ(r.adif, bytes.substr(0, bytes.find("<APP_LoTW_EOF>")));
    // A "<eor>" inside a value is the value's, not a record.
    const std::string tricky =
        "<APP_LoTW_NUMREC:1>1<eoh><CALL:4>W1AW<COMMENT:5><eor><eor>"
        "<APP_LoTW_EOF>";
    EXPECT_EQ(readLotwReply(tricky).kind, Kind::Confirmations);
    EXPECT_EQ(readLotwReply(tricky).records, 1);
}

TEST(ServiceReply, EqslPageLinksTheFileNamesAnErrorOrHasNothingNew) {
    const char* notAdif = "the page links a file that is not an ADIF download; nothing changed";
    const struct {
        const char* page;
        Kind kind;
        const char* linkOrReason;
    } cases[] = {
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
    for (const auto& c : cases) {
        const ServiceReply r = readEqslPage(c.page);
        EXPECT_EQ(r.kind, c.kind) << c.page;
        EXPECT_EQ(r.kind == Kind::Link ? r.link : r.reason.toStdString(), c.linkOrReason) << c.page;
    }
}

TEST(ServiceReply, QrzReplyCountMustMatchItsRecords) {
    const std::string two =
        "&lt;CALL:4&gt;W1AW&lt;BAND:2&gt;6M&lt;eor&gt;"
        "&lt;CALL:4&gt;K1AB&lt;COMMENT:3&gt;a&amp;b&lt;eor&gt;";
    const struct {
        std::string reply;
        Kind kind;
        const char* reason;
        std::int64_t records;
    } cases[] = {
        {"RESULT=OK&COUNT=2&ADIF=" + two + "&LOGIDS=1,2", Kind::Confirmations, "", 2},
        {"RESULT=OK&COUNT=0", Kind::NothingNew, "", 0},
        {"RESULT=OK&COUNT=3&ADIF=" + two, Kind::Unusable,
         "the reply ended after 2 of 3 records; nothing changed", 0},
        {"RESULT=OK&COUNT=1&ADIF=" + two, Kind::Unusable,
         "the reply holds 2 records where it announced 1; nothing changed", 0},
        {"RESULT=OK&ADIF=" + two, Kind::Unusable,
         "the reply does not say how many records it holds; nothing changed", 0},
        {"RESULT=AUTH&REASON=invalid api key", Kind::Refused,
         "the API key was refused: invalid api key", 0},
        {"<html>Bad Gateway</html>", Kind::Unusable,
         "the reply is not a logbook answer; nothing changed", 0},
    };
    for (const auto& c : cases) {
        const ServiceReply r = readQrzReply(c.reply);
        EXPECT_EQ(r.kind, c.kind) << c.reply;
        if (*c.reason) {
            EXPECT_EQ(r.reason.toStdString(), c.reason) << c.reply;
        }
        EXPECT_EQ(r.records, c.records) << c.reply;
    }
    // Records QRZ marks as not confirmed are left out, the others kept as sent.
    const std::string marked =
        "&lt;CALL:4&gt;W1AW&lt;APP_QRZLOG_STATUS:1&gt;C&lt;eor&gt;"
        "&lt;CALL:4&gt;K1AB&lt;app_qrzlog_status:1&gt;N&lt;eor&gt;"
        "&lt;CALL:4&gt;N1CC&lt;eor&gt;";
    const ServiceReply m = readQrzReply("RESULT=OK&COUNT=3&ADIF=" + marked);
    EXPECT_EQ(m.kind, Kind::Confirmations);
    EXPECT_EQ(m.records, 2);
    EXPECT_EQ(m.notConfirmed, 1);
    EXPECT_EQ(m.adif, "<CALL:4>W1AW<APP_QRZLOG_STATUS:1>C<eor><CALL:4>N1CC<eor>");
    EXPECT_EQ(readQrzReply("RESULT=OK&COUNT=1&ADIF=&lt;CALL:4&gt;K1AB&lt;APP_QRZLOG_STATUS:1&gt;"
                           "N&lt;eor&gt;")
                  .kind,
              Kind::NothingNew);
    // The entities are undone, so the lengths count the bytes they name.
    EXPECT_EQ(readQrzReply("RESULT=OK&COUNT=2&ADIF=" + two).adif,
              "<CALL:4>W1AW<BAND:2>6M<eor><CALL:4>K1AB<COMMENT:3>a&b<eor>");
}

TEST(ServiceReply, EqslFileMustBeAdif) {
    EXPECT_EQ(readEqslFile("eQSL\n<EOH><CALL:4>W1AW<eor><CALL:4>K1AB<eor>").records, 2);
    EXPECT_EQ(readEqslFile("<EOH>").kind, Kind::NothingNew);
    EXPECT_EQ(readEqslFile("<html>Not found</html>").reason.toStdString(),
              "the downloaded file is not ADIF; nothing changed");
}

}  // namespace
}  // namespace morvel
