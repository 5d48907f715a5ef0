#include "import/edi_reader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <string>
#include <vector>

namespace morvel {
namespace {

TEST(EdiContact, FieldRules) {
    const struct {
        const char* line;
        bool readable;
        const char* taken;  // "call date locator", or "-" when skipped
    } cases[] = {
        {"231225;1200;N0CALL;1;59;001;59;001;;IO85MX;1136;;;;", true, "N0CALL 25/12/23 IO85mx"},
        {"231225;1200;n0call;1;59;001;59;001;;io85mx", true, "N0CALL 25/12/23 IO85mx"},
        {"231225;1200;N0CALL;1;59;001;59;001;;IO85", true, "N0CALL 25/12/23 IO85"},
        {"231225;1200;N0CALL;1;59;001;59;001;;IO85MX12", true, "N0CALL 25/12/23 IO85"},
        {"231225;1200;N0CALL;1;59;001;59;001;;ZZ85MX", true, "-"},
        {"231225;1200;N0CALL;1;59;001;59;001;;IOX5MX", true, "-"},
        {"2312;1200;N0CALL;1;59;001;59;001;;IO85MX", true, "N0CALL /12/23 IO85mx"},
        {"231225;1200;N0CALL;1;59;001;59;001;IO85MX", false, "-"},
        {"[END; some program]", false, "-"},
        // A stray CR or tab inside a field never reaches the square.
        {"231225;1200;N0\rCALL;1;59;001;59;001;;IO85\tMX", true, "N0CALL 25/12/23 IO85mx"},
        {"2312\r25;1200;N0CALL;1;59;001;59;001;;IO85\r", true, "N0CALL 25/12/23 IO85"},
    };
    for (const auto& c : cases) {
        bool readable = !c.readable;
        const auto contact = ediContact(c.line, readable);
        EXPECT_EQ(readable, c.readable) << c.line;
        EXPECT_EQ(contact ? contact->call + " " + contact->date + " " + contact->locator : "-",
                  c.taken);
        EXPECT_FALSE(contact && contact->confirmed) << c.line;
    }
}

struct Read {
    EdiOutcome outcome;
    std::vector<std::string> questions, calls;
};

Read read(const std::string& log, std::vector<bool> answers = {true, true}) {
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
        r.calls.push_back(c.call + " " + c.locator);
        return true;
    };
    std::string error;
    r.outcome = readEdi(buffer, h, error);
    EXPECT_EQ(error, "");
    return r;
}

std::string log(const std::vector<std::string>& contacts, int count, const char* eol = "\r\n",
                const char* band = "144 MHz") {
    std::string out = std::string("[REG1TEST;1]") + eol + "PBand=" + band + eol + "[Remarks]" +
                      eol + "[QSORecords;" + std::to_string(count) + "]" + eol;
    for (const auto& c : contacts) out += (c.size() < 10 ? c : "231225;1200;" + c + ";;") + eol;
    return out;
}

// Contacts are written "CALL;59;001;59;001;;LOCATOR" after the date and time.
const std::string kA = "N0CALL;1;59;001;59;001;;IO85MX", kB = "Q1ABC;1;59;001;59;001;;JO01AA";

TEST(EdiRead, CountedContactsWithEitherLineEndAndUnreadableLinesSkipped) {
    for (const char* eol : {"\r\n", "\n"}) {
        const Read r = read(log({kA, "Q2B;1", "", kB}, 4, eol) + "not a contact" + eol);
        EXPECT_EQ(r.outcome.end, EdiEnd::EndOfLog);
        EXPECT_EQ(r.questions, std::vector<std::string>{"144 MHz"});
        EXPECT_EQ(r.calls, (std::vector<std::string>{"N0CALL IO85mx", "Q1ABC JO01aa"}));
        EXPECT_EQ(r.outcome.unreadable, 2);
    }
    // A count larger than the lines there are ends with the log.
    const Read more = read(log({kA, kB}, 87));
    EXPECT_EQ(more.outcome.end, EdiEnd::EndOfLog);
    EXPECT_EQ(more.calls.size(), 2u);
}

TEST(EdiRead, FurtherBandBlockAsksAgain) {
    const std::string both = log({kA}, 1) + log({kB}, 1, "\r\n", "432 MHz");
    const Read yes = read(both);
    EXPECT_EQ(yes.questions, (std::vector<std::string>{"144 MHz", "432 MHz"}));
    EXPECT_EQ(yes.calls.size(), 2u);
    const Read cancelSecond = read(both, {true, false});
    EXPECT_EQ(cancelSecond.outcome.end, EdiEnd::Cancelled);
    EXPECT_EQ(cancelSecond.calls.size(), 1u);
}

}  // namespace
}  // namespace morvel
