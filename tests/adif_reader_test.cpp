#include "import/adif_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace morvel {
namespace {

struct Parsed {
    std::vector<AdifRecord> records;
    std::vector<ImportedContact> contacts;
    std::int64_t unreadable = 0;
};

// Feeds the log in pieces of the given size (0: all at once), so that every
// place a piece can end is exercised.
Parsed parse(std::string_view log, std::string_view band = "2M", std::size_t piece = 0) {
    Parsed out;
    AdifParser parser([&](const AdifRecord& r) {
        out.records.push_back(r);
        if (auto c = adifContact(r, band)) out.contacts.push_back(*c);
        return true;
    });
    if (piece == 0) piece = log.size() + 1;
    for (std::size_t at = 0; at < log.size(); at += piece) parser.feed(log.substr(at, piece));
    parser.finish();
    out.unreadable = parser.unreadable();
    return out;
}

std::optional<ImportedContact> one(std::string_view log, std::string_view band = "2M") {
    const Parsed p = parse(log, band);
    if (p.contacts.size() > 1) ADD_FAILURE() << "more than one contact in " << log;
    return p.contacts.empty() ? std::nullopt : std::optional(p.contacts.front());
}

const char* const kExample =
    "<call:6>N0CALL <qso_date:8>20231225 <band:2>2m <gridsquare:6>IO85MX <qsl_rcvd:1>Y <eor>";

TEST(AdifContact, WorkedExample) {
    const auto c = one(kExample);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->call, "N0CALL");
    EXPECT_EQ(c->date, "25/12/23");
    EXPECT_EQ(c->locator, "IO85mx");
    EXPECT_TRUE(c->confirmed);
    EXPECT_EQ(recordOfLocator(c->locator), 159);
    EXPECT_EQ(slotOfLocator(c->locator), 85);
}

TEST(AdifContact, BandMustMatchInEveryCharacter) {
    const struct {
        const char* band;
        const char* dbBand;
        bool taken;
    } cases[] = {
        {"2m", "2M", true},     {"2m", "70CM", false}, {"70cm", "70CM", true},
        {"70CM", "70CM", true}, {"2m ", "2M", false},  {"", "2M", false},
    };
    for (const auto& c : cases) {
        const std::string log = "<call:5>Q1ABC<qso_date:8>20200101<gridsquare:4>IO85<band:" +
                                std::to_string(std::string_view(c.band).size()) + ">" + c.band +
                                "<eor>";
        EXPECT_EQ(one(log, c.dbBand).has_value(), c.taken) << c.band << " for " << c.dbBand;
    }
}

TEST(AdifContact, LocatorComposition) {
    const struct {
        const char* value;
        const char* locator;  // nullptr: not taken
    } cases[] = {
        {"IO85MX", "IO85mx"}, {"io85mx", "IO85mx"}, {"IO85", "IO85"},     {"IO85MX12", "IO85"},
        {"IO85M", "IO85"},    {"IO8", nullptr},     {"SO85", nullptr},    {"IOA5", nullptr},
        {"ZZ99AA", nullptr},  {"AA00", "AA00"},     {"RR99XX", "RR99xx"}, {" IO85", nullptr},
    };
    for (const auto& c : cases) {
        const std::string v = c.value;
        const auto contact = one("<call:5>Q1ABC<qso_date:8>20200101<band:2>2m<gridsquare:" +
                                 std::to_string(v.size()) + ">" + v + "<eor>");
        if (c.locator == nullptr) {
            EXPECT_FALSE(contact) << v;
        } else {
            ASSERT_TRUE(contact) << v;
            EXPECT_EQ(contact->locator, c.locator) << v;
        }
    }
}

TEST(AdifContact, ReceivedStatusRules) {
    const struct {
        const char* fields;
        std::optional<bool> confirmed;  // nullopt: record ignored
    } cases[] = {
        {"", false},
        {"<qsl_rcvd:1>Y", true},
        {"<qsl_rcvd:1>y", true},
        {"<qsl_rcvd:1>N", false},
        {"<qsl_rcvd:1>V", false},
        {"<eqsl_qsl_rcvd:1>Y", true},
        {"<eqsl_qsl_rcvd:1>V", false},
        {"<lotw_qsl_rcvd:1>Y", true},
        {"<lotw_qsl_rcvd:1>V", true},
        {"<lotw_qsl_rcvd:1>v", true},
        {"<lotw_qsl_rcvd:1>1", true},
        {"<lotw_qsl_rcvd:1>N", false},
        {"<qsl_rcvd:1>I<lotw_qsl_rcvd:1>Y", std::nullopt},
        {"<eqsl_qsl_rcvd:1>i<qsl_rcvd:1>Y", std::nullopt},
        {"<lotw_qsl_rcvd:1>I", std::nullopt},
        // A paper confirmation is seen even when LoTW's field comes first.
        {"<lotw_qsl_rcvd:1>N<eqsl_qsl_rcvd:1>N<qsl_rcvd:1>Y", true},
        {"<LOTW_QSL_RCVD:1>N<QSL_RCVD:1>Y", true},
    };
    for (const auto& c : cases) {
        const auto contact = one(std::string("<call:5>Q1ABC<qso_date:8>20200101<band:2>2m") +
                                 "<gridsquare:4>IO85" + c.fields + "<eor>");
        ASSERT_EQ(contact.has_value(), c.confirmed.has_value()) << c.fields;
        if (contact) {
            EXPECT_EQ(contact->confirmed, *c.confirmed) << c.fields;
        }
    }
}

TEST(AdifContact, ControlCharactersNeverReachTheSquare) {
    // Lengths that count the line end after a value are common in broken logs.
    const struct {
        const char* call;
        const char* date;
        const char* grid;
        const char* wantCall;
        const char* wantDate;
        const char* wantLocator;
    } cases[] = {
        {"Q1ABC\r\n", "20200101", "IO85", "Q1ABC", "01/01/20", "IO85"},
        {"Q1\tABC", "20200101", "IO85MX", "Q1ABC", "01/01/20", "IO85mx"},
        {"Q1ABC", "20200101", "IO86\r\n", "Q1ABC", "01/01/20", "IO86"},
        {"Q1ABC", "20200101", "IO86M\n", "Q1ABC", "01/01/20", "IO86"},
        {"Q1ABC", "2020\r\n0101", "IO85", "Q1ABC", "01/01/20", "IO85"},
        {"Q1ABC", "20200101", "\nIO85", "Q1ABC", "01/01/20", "IO85"},
        {"Q1ABC\x7f", "20200101", "IO85", "Q1ABC", "01/01/20", "IO85"},
    };
    for (const auto& c : cases) {
        const auto field = [](const char* name, std::string_view v) {
            return "<" + std::string(name) + ":" + std::to_string(v.size()) + ">" + std::string(v);
        };
        const auto contact = one(field("call", c.call) + field("qso_date", c.date) + "<band:2>2m" +
                                 field("gridsquare", c.grid) + "<eor>");
        ASSERT_TRUE(contact) << c.call << c.date << c.grid;
        EXPECT_EQ(contact->call, c.wantCall);
        EXPECT_EQ(contact->date, c.wantDate);
        EXPECT_EQ(contact->locator, c.wantLocator);
    }
    // A call of nothing but a line end is no call.
    EXPECT_FALSE(one("<call:2>\r\n<qso_date:8>20200101<band:2>2m<gridsquare:4>IO85<eor>"));
}

TEST(AdifParse, ValuesAreRawBytesAndNeverTags) {
    const Parsed p = parse(
        "<comment:30>call:5>BOGUS <eor> <band:2>2m\r\n<call:5>Q1ABC<band:2>2m<qso_date:8>20200101"
        "<notes:6>a\r\nb\r\n<gridsquare:4>IO85<eor>");
    ASSERT_EQ(p.records.size(), 1u);
    ASSERT_EQ(p.contacts.size(), 1u);
    EXPECT_EQ(p.contacts[0].call, "Q1ABC");
    EXPECT_EQ(p.contacts[0].locator, "IO85");
}

TEST(AdifParse, UnreadableRecordsAreCounted) {
    const struct {
        const char* log;
        std::size_t contacts;
        std::int64_t unreadable;
    } cases[] = {
        {"", 0, 0},
        {"just a header without tags", 0, 0},
        {"<adif_ver:5>3.1.4<eoh>", 0, 0},
        // A last record without <eor> is not imported.
        {"<call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85", 0, 1},
        {"<call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85<eor>\n<call:5>Q2", 1, 1},
        // A value running past the end, and a tag that never closes.
        {"<call:50>Q1ABC<eor>", 0, 1},
        {"<call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85<eor><call:5", 1, 1},
        // Records skipped by the rules are not unreadable.
        {"<call:5>Q1ABC<band:2>6m<qso_date:8>20200101<gridsquare:4>IO85<eor>", 0, 0},
        // A stray "<" in text is text.
        {"a < b <call:5>Q1ABC<band:2>2m<qso_date:8>20200101<gridsquare:4>IO85<eor>", 1, 0},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.log);
        EXPECT_EQ(p.contacts.size(), c.contacts) << c.log;
        EXPECT_EQ(p.unreadable, c.unreadable) << c.log;
    }
}

TEST(AdifParse, PiecesOfAnySizeReadTheSame) {
    std::string log = "header <adif_ver:5>3.1.4 <eoh>\r\n";
    for (int i = 0; i < 20; ++i) {
        log += "<CALL:6>Q" + std::to_string(10 + i) + "ABC <band:2>2m <QSO_DATE:8:d>202001" +
               std::to_string(10 + i) + " <comment:12>has <eor> in <GRIDSQUARE:6>JO" +
               std::to_string(10 + i) + "ab <LOTW_QSL_RCVD:1>" + (i % 2 ? "V" : "N") + " <EOR>\r\n";
    }
    const Parsed whole = parse(log);
    ASSERT_EQ(whole.contacts.size(), 20u);
    for (std::size_t piece : {1u, 2u, 3u, 7u, 64u}) {
        const Parsed p = parse(log, "2M", piece);
        ASSERT_EQ(p.contacts.size(), 20u) << piece;
        for (std::size_t i = 0; i < 20; ++i) {
            EXPECT_EQ(p.contacts[i].call, whole.contacts[i].call);
            EXPECT_EQ(p.contacts[i].locator, whole.contacts[i].locator);
            EXPECT_EQ(p.contacts[i].confirmed, i % 2 == 1);
        }
    }
}

}  // namespace
}  // namespace morvel
