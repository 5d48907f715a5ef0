#include "import/adif_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvel {
namespace {

struct Parsed {
    std::size_t records = 0;
    std::vector<std::string> contacts;  // "call date locator W|Q"
    std::int64_t unreadable = 0;
};

// Feeds the log in pieces of the given size (0: all at once), so that every
// place a piece can end is exercised.
Parsed parse(std::string_view log, std::string_view band = "2M", std::size_t piece = 0) {
    Parsed out;
    AdifParser parser([&](const AdifRecord& r) {
        ++out.records;
        if (auto c = adifContact(r, band))
            out.contacts.push_back(c->call + " " + c->date + " " + c->locator +
                                   (c->confirmed ? " Q" : " W"));
        return true;
    });
    if (piece == 0) piece = log.size() + 1;
    for (std::size_t at = 0; at < log.size(); at += piece) parser.feed(log.substr(at, piece));
    parser.finish();
    out.unreadable = parser.unreadable();
    return out;
}

std::string field(const char* name, std::string_view value) {
    return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + std::string(value);
}

// Each case's fields come first in the record and, as the first occurrence
// of a field counts, replace the defaults after them.
TEST(AdifContact, Rules) {
    const struct {
        std::string fields;
        const char* band;
        const char* taken;  // "-" when skipped
    } cases[] = {
        {"", "2M", "Q1ABC 01/01/20 IO85 W"},
        {"", "70CM", "-"},
        {field("band", "70cm"), "70CM", "Q1ABC 01/01/20 IO85 W"},
        {field("band", "2m "), "2M", "-"},
        {field("gridsquare", "IO85MX"), "2M", "Q1ABC 01/01/20 IO85mx W"},
        {field("gridsquare", "io85mx"), "2M", "Q1ABC 01/01/20 IO85mx W"},
        {field("gridsquare", "IO85MX12"), "2M", "Q1ABC 01/01/20 IO85 W"},
        {field("gridsquare", "IO85M"), "2M", "Q1ABC 01/01/20 IO85 W"},
        {field("gridsquare", "RR99XX"), "2M", "Q1ABC 01/01/20 RR99xx W"},
        {field("gridsquare", "IO8"), "2M", "-"},
        {field("gridsquare", "SO85"), "2M", "-"},
        {field("locator", "FN31PR"), "2M", "Q1ABC 01/01/20 FN31pr W"},
        {"<locator:0>" + field("gridsquare", "JO01"), "2M", "Q1ABC 01/01/20 JO01 W"},
        {"<qso_date:8:d>20231225", "2M", "Q1ABC 25/12/23 IO85 W"},
        {"<CALL:6>n0call", "2M", "N0CALL 01/01/20 IO85 W"},
        // Control characters, as lengths that count a line end produce, never reach the square.
        {field("call", "Q1\tABC\r\n"), "2M", "Q1ABC 01/01/20 IO85 W"},
        {field("qso_date", "2020\r\n0101"), "2M", "Q1ABC 01/01/20 IO85 W"},
        {field("gridsquare", "\nIO85MX"), "2M", "Q1ABC 01/01/20 IO85mx W"},
        // Received status.
        {"<qsl_rcvd:1>Y", "2M", "Q1ABC 01/01/20 IO85 Q"},
        {"<qsl_rcvd:1>V", "2M", "Q1ABC 01/01/20 IO85 W"},
        {"<eqsl_qsl_rcvd:1>Y", "2M", "Q1ABC 01/01/20 IO85 Q"},
        {"<lotw_qsl_rcvd:1>V", "2M", "Q1ABC 01/01/20 IO85 Q"},
        {"<qsl_rcvd:1>I<lotw_qsl_rcvd:1>Y", "2M", "-"},
        {"<eqsl_qsl_rcvd:1>i", "2M", "-"},
        {"<LOTW_QSL_RCVD:1>N<eqsl_qsl_rcvd:1>N<QSL_RCVD:1>Y", "2M", "Q1ABC 01/01/20 IO85 Q"},
    };
    for (const auto& c : cases) {
        const Parsed p =
            parse(c.fields + "<call:5>Q1ABC<qso_date:8>20200101<band:2>2m<gridsquare:4>IO85<eor>",
                  c.band);
        ASSERT_EQ(p.records, 1u) << c.fields;
        EXPECT_EQ(p.contacts.empty() ? "-" : p.contacts[0], c.taken) << c.fields << " " << c.band;
    }
}

TEST(AdifParse, ValuesAreRawBytesAndNeverTags) {
    const Parsed p = parse(
        "<comment:30>call:5>BOGUS <eor> <band:2>2m\r\n<call:5>Q1ABC<band:2>2m<qso_date:8>20200101"
        "<notes:6>a\r\nb\r\n<gridsquare:4>IO85<eor>");
    EXPECT_EQ(p.records, 1u);
    EXPECT_EQ(p.contacts, std::vector<std::string>{"Q1ABC 01/01/20 IO85 W"});
}

TEST(AdifParse, UnreadableRecordsAreCounted) {
    const std::string good = "<call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85";
    const struct {
        std::string log;
        std::size_t contacts;
        std::int64_t unreadable;
    } cases[] = {
        {"", 0, 0},
        {"<adif_ver:5>3.1.4<eoh>", 0, 0},
        {good, 0, 1},  // a last record without <eor> is not imported
        {good + "<eor>\n<call:5>Q2", 1, 1},
        {"<call:50>Q1ABC<eor>", 0, 1},  // a value running past the end
        {good + "<eor><call:5", 1, 1},  // a tag that never closes
        {"<band:2>6m" + good + "<eor>", 0, 0},  // skipped by the rules, not unreadable
        {"a < b " + good + "<eor>", 1, 0},      // a stray "<" in text is text
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.log);
        EXPECT_EQ(p.contacts.size(), c.contacts) << c.log;
        EXPECT_EQ(p.unreadable, c.unreadable) << c.log;
    }
}

TEST(AdifParse, PiecesOfAnySizeReadTheSame) {
    std::string log = "header <adif_ver:5>3.1.4 <eoh>\r\n";
    for (int i = 10; i < 30; ++i)
        log += "<CALL:6>Q" + std::to_string(i) + "ABC <band:2>2m <QSO_DATE:8:d>202001" +
               std::to_string(i) + " <comment:12>has <eor> in <GRIDSQUARE:6>JO" +
               std::to_string(i) + "ab <LOTW_QSL_RCVD:1>" + (i % 2 ? "V" : "N") + " <EOR>\r\n";
    const Parsed whole = parse(log);
    ASSERT_EQ(whole.contacts.size(), 20u);
    EXPECT_EQ(whole.contacts[1], "Q11ABC 11/01/20 JO11ab Q");
    for (std::size_t piece : {1u, 2u, 3u, 7u, 64u})
        EXPECT_EQ(parse(log, "2M", piece).contacts, whole.contacts) << piece;
}

}  // namespace
}  // namespace morvel
