#include "import/edi_reader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <string>
#include <vector>

namespace morvel {
namespace {

struct Read {
    EdiOutcome outcome;
    std::vector<std::string> questions;
    std::vector<ImportedContact> contacts;
};

Read read(const std::string& log, std::vector<bool> answers = {true, true, true}) {
    Read r;
    QByteArray bytes = QByteArray::fromStdString(log);
    QBuffer buffer(&bytes);
    EXPECT_TRUE(buffer.open(QIODevice::ReadOnly));
    EdiHandlers h;
    h.confirmBand = [&](const std::string& band) {
        r.questions.push_back(band);
        return r.questions.size() <= answers.size() && answers[r.questions.size() - 1];
    };
    h.contact = [&](const ImportedContact& c) {
        r.contacts.push_back(c);
        return true;
    };
    std::string error;
    r.outcome = readEdi(buffer, h, error);
    EXPECT_EQ(error, "");
    return r;
}

std::string contactLine(const std::string& date, const std::string& call, const std::string& loc) {
    return date + ";1200;" + call + ";1;59;001;59;001;;" + loc + ";1234;;;;";
}

TEST(EdiContact, ExampleLine) {
    bool readable = false;
    const auto c = ediContact("231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1136;;;;", readable);
    EXPECT_TRUE(readable);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->call, "N0CALL");
    EXPECT_EQ(c->date, "25/12/23");
    EXPECT_EQ(c->locator, "IO85mx");
    EXPECT_FALSE(c->confirmed);
    EXPECT_EQ(recordOfLocator(c->locator), 159);
    EXPECT_EQ(slotOfLocator(c->locator), 85);
}

TEST(EdiContact, FieldRules) {
    const struct {
        const char* line;
        bool readable;
        const char* locator;  // nullptr: skipped
        const char* call;
        const char* date;
    } cases[] = {
        {"231225;1200;n0call;1;59;001;59;001;;io85mx", true, "IO85mx", "N0CALL", "25/12/23"},
        {"231225;1200;N0CALL;1;59;001;59;001;;IO85", true, "IO85", "N0CALL", "25/12/23"},
        {"231225;1200;N0CALL;1;59;001;59;001;;IO85MX12", true, "IO85", "N0CALL", "25/12/23"},
        {"231225;1200;N0CALL;1;59;001;59;001;;ZZ85MX", true, nullptr, "", ""},
        {"231225;1200;N0CALL;1;59;001;59;001;;IOX5MX", true, nullptr, "", ""},
        {"231225;1200;N0CALL;1;59;001;59;001;;", true, nullptr, "", ""},
        {"231225;1200;;1;59;001;59;001;;IO85MX", true, nullptr, "", ""},
        {";1200;N0CALL;1;59;001;59;001;;IO85MX", true, nullptr, "", ""},
        {"2312;1200;N0CALL;1;59;001;59;001;;IO85MX", true, "IO85mx", "N0CALL", "/12/23"},
        {"231225;1200;N0CALL;1;59;001;59;001;IO85MX", false, nullptr, "", ""},
        {"", false, nullptr, "", ""},
        {"[END; some program]", false, nullptr, "", ""},
        // A stray CR or tab inside a field never reaches the square.
        {"231225;1200;N0\rCALL;1;59;001;59;001;;IO85\tMX", true, "IO85mx", "N0CALL", "25/12/23"},
        {"2312\r25;1200;N0CALL;1;59;001;59;001;;IO85\r", true, "IO85", "N0CALL", "25/12/23"},
    };
    for (const auto& c : cases) {
        bool readable = !c.readable;
        const auto contact = ediContact(c.line, readable);
        EXPECT_EQ(readable, c.readable) << c.line;
        if (c.locator == nullptr) {
            EXPECT_FALSE(contact) << c.line;
            continue;
        }
        ASSERT_TRUE(contact) << c.line;
        EXPECT_EQ(contact->locator, c.locator) << c.line;
        EXPECT_EQ(contact->call, c.call) << c.line;
        EXPECT_EQ(contact->date, c.date) << c.line;
    }
}

std::string log(const std::vector<std::string>& contacts, int count, const char* eol = "\r\n",
                const char* bandLine = "PBand=144 MHz", const char* countTag = "QSORecords") {
    std::string out = std::string("[REG1TEST;1]") + eol + "TName=Test" + eol + bandLine + eol +
                      "PCall=Q9OWN" + eol + "[Remarks]" + eol + "[" + countTag + ";" +
                      std::to_string(count) + "]" + eol;
    for (const auto& c : contacts) out += c + eol;
    return out;
}

TEST(EdiRead, ReadsCountedContactsWithEitherLineEnd) {
    const std::vector<std::string> lines = {contactLine("231225", "N0CALL", "IO85MX"),
                                            contactLine("231226", "Q1ABC", "JO01AA")};
    for (const char* eol : {"\r\n", "\n"}) {
        const Read r = read(log(lines, 2, eol));
        EXPECT_EQ(r.outcome.end, EdiEnd::EndOfLog);
        ASSERT_EQ(r.questions.size(), 1u);
        EXPECT_EQ(r.questions[0], "144 MHz");
        ASSERT_EQ(r.contacts.size(), 2u);
        EXPECT_EQ(r.contacts[1].locator, "JO01aa");
        EXPECT_EQ(r.contacts[1].date, "26/12/23");
        EXPECT_EQ(r.outcome.unreadable, 0);
    }
}

TEST(EdiRead, ShortLinesAreSkippedAndCountedAndReadingGoesOn) {
    const Read r = read(
        log({contactLine("231225", "Q1A", "IO85MX"), "231225;1200;Q2B;1",
             contactLine("231225", "Q3C", "JO01AA"), "", contactLine("231225", "Q4D", "ZZ01AA")},
            5) +
        "[END; trailer]\r\n");
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[1].call, "Q3C");
    EXPECT_EQ(r.outcome.unreadable, 2);
}

TEST(EdiRead, FurtherBandBlockAsksAgain) {
    const std::string first = log({contactLine("231225", "Q1A", "IO85MX")}, 1);
    const std::string second =
        log({contactLine("231225", "Q2B", "JO01AA")}, 1, "\r\n", "PBand=432 MHz");
    const Read both = read(first + second);
    EXPECT_EQ(both.questions, (std::vector<std::string>{"144 MHz", "432 MHz"}));
    EXPECT_EQ(both.contacts.size(), 2u);
    const Read cancelSecond = read(first + second, {true, false});
    EXPECT_EQ(cancelSecond.outcome.end, EdiEnd::Cancelled);
    EXPECT_EQ(cancelSecond.contacts.size(), 1u);
}

}  // namespace
}  // namespace morvel
