#include "import/adif_reader.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace morvel {

// "records: call date locator W|Q, ... unreadable", feeding the log in pieces
// of the given size (all at once by default), so that every place a piece can end is
// exercised. Records the rules find unreadable (a malformed date) count with
// the parser's. The parser knows the log's size unless told otherwise.
static std::string parse(std::string_view log, std::string_view band = "2M",
                         std::size_t piece = std::string_view::npos, bool sized = true) {
    std::string out;
    std::size_t records = 0;
    std::int64_t badDates = 0;
    AdifParser parser([&](const AdifRecord& r) {
        ++records;
        bool readable = true;
        if (auto c = adifContact(r, band, readable))
            out += c->call + " " + c->date + " " + c->locator + (c->confirmed ? " Q, " : " W, ");
        badDates += readable ? 0 : 1;
        return true;
    });
    if (sized) parser.expectBytes(log.size());
    for (std::size_t at = 0; at < log.size(); at += piece) parser.feed(log.substr(at, piece));
    parser.finish();
    return std::to_string(records) + ": " + out + std::to_string(parser.unreadable() + badDates);
}

// Each case (tests/data/adif_contact_rules.txt) read whole, blanks after it
// leaving room for the reading a window at a time, and a byte at a time.
TEST(AdifContact, Rules) {
    for (const auto& c : test::tableRows("adif_contact_rules.txt", 3)) {
        const std::string log =
            c[0] + "<call:5>Q1ABC<qso_date:8>20200101<band:2>2m<gridsquare:4>IO85<eor>" +
            std::string(80, ' ');
        EXPECT_EQ(parse(log, c[1]), "1: " + c[2]) << c[0] << " " << c[1];
        EXPECT_EQ(parse(log, c[1], 1), "1: " + c[2]) << c[0];
    }
}

// Values are raw bytes, never tags; a "<" in text is text; a record is
// unreadable when it has no <eor>, a value runs past the end or a tag never
// closes. A length beyond the rest of the log loses its own record only: the
// reading goes on right after its tag and passes over the rest of the record
// (tests/data/adif_parse_cases.txt).
TEST(AdifParse, ValuesAreRawBytesAndUnreadableRecordsAreCounted) {
    for (const auto& c : test::tableRows("adif_parse_cases.txt", 2))
        EXPECT_EQ(parse(c[0]), c[1]) << c[0].substr(0, 80);
    const std::string good = "<call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85";
    const std::string huge = "<notes:99999999999999999999999>";
    EXPECT_EQ(parse("<notes:70000>" + std::string(70000, '<') + good + "<eor>"),
              "1: Q1ABC 01/01/20 IO85 W, 0");
    // A value keeps its first 64 KiB.
    const std::string longCall =
        "<call:70000>" + std::string(70000, 'A') + good.substr(13) + "<eor>";
    const std::string kept = "1: " + std::string(65536, 'A') + " 01/01/20 IO85 W, 0";
    EXPECT_TRUE(parse(longCall) == kept && parse(longCall, "2M", 4096) == kept);
    // Without the log's size only a length too large for a number is known
    // to be broken; a smaller one takes the rest of the log.
    EXPECT_EQ(parse(huge + "<eor>" + good + "<eor>", "2M", 7, false) + " " +
                  parse("<notes:200>x<eor>" + good + "<eor>", "2M", 7, false),
              "1: Q1ABC 01/01/20 IO85 W, 1 0: 1");
}

TEST(AdifParse, PiecesOfAnySizeReadTheSame) {
    std::string log = "header <adif_ver:5>3.1.4 <eoh>\r\n";
    for (int i = 10; i < 30; ++i)
        log += "<CALL:6>Q" + std::to_string(i) + "ABC <band:2>2m <QSO_DATE:8:d>202001" +
               std::to_string(i) + " <comment:12>has <eor> in <GRIDSQUARE:6>JO" +
               std::to_string(i) + "ab <LOTW_QSL_RCVD:1>" + (i % 2 ? "V" : "N") + " <EOR>\r\n" +
               (i == 20 ? "<call:5>Q9BAD <notes:@@@@@@@@>x <eor>\r\n" : "");
    // The broken length is one more than the bytes left after its tag.
    const std::size_t at = log.find('@');
    log.replace(at, 8, std::to_string(100'000'000 + log.size() - (at + 9) + 1).substr(1));
    const std::string whole = parse(log);
    ASSERT_EQ(whole.substr(0, 54), "20: Q10ABC 10/01/20 JO10ab W, Q11ABC 11/01/20 JO11ab Q");
    ASSERT_EQ(whole.substr(whole.size() - 27), "Q29ABC 29/01/20 JO29ab Q, 1");
    for (std::size_t piece : {1u, 2u, 3u, 7u, 64u})
        EXPECT_EQ(parse(log, "2M", piece), whole) << piece;
}

}  // namespace morvel
