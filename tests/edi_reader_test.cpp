#include "import/edi_reader.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include "tests/test_support.h"

namespace morvel {

TEST(EdiContact, FieldRules) {
    for (const auto& row : test::tableRows("edi_contact_rules.txt", 2)) {
        const std::string& taken = row[1];
        bool readable = taken[0] == 'u';  // the opposite of the answer, so that it must be set
        const auto c = ediContact(row[0], readable);
        EXPECT_EQ((readable ? "" : "unreadable ") +
                      (c ? c->call + " " + c->date + " " + c->locator : "-"),
                  taken);
    }
}

// "end unreadable | bands asked | calls and locators taken"; answers: y or n per band asked.
static std::string read(const std::string& log, std::string_view answers = "yy") {
    QByteArray bytes = QByteArray::fromStdString(log);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::string asked, taken;
    EdiHandlers handlers;
    handlers.confirmBand = [&](const std::string& band) {
        asked += band + ",";
        return answers[std::ranges::count(asked, ',') - 1] == 'y';
    };
    handlers.contact = [&](const ImportedContact& c) {
        taken += c.call + " " + c.locator + ",";
        return true;
    };
    QString error;
    const EdiOutcome o = readEdi(buffer, handlers, error);
    return std::to_string(int(o.end)) + " " + std::to_string(o.unreadable) + " | " + asked + " | " +
           taken + error.toStdString();
}

// Contacts are written "CALL;59;001;59;001;;LOCATOR" after the date and time.
static std::string log(const std::vector<std::string>& contacts, int count,
                       const char* band = "144 MHz") {
    std::string out = "[REG1TEST;1]\r\nPBand=" + std::string(band) +
                      "\r\n[Remarks]\r\n[QSORecords;" + std::to_string(count) + "]\r\n";
    for (const auto& c : contacts) out += (c.size() < 10 ? c : "231225;1200;" + c + ";;") + "\r\n";
    return out;
}
const std::string kA = "N0CALL;1;59;001;59;001;;IO85MX", kB = "Q1ABC;1;59;001;59;001;;JO01AA";

// Any line end (LF, CR LF or CR, also one cut between two reads); unreadable
// lines skipped and counted, a line over kMaxEdiLine among them; a count
// larger than the lines there are ends with the log; each band block asks again.
TEST(EdiRead, CountsLineEndsAndBandBlocks) {
    const std::string crlf = log({kA, "Q2B;1", "", kB}, 87) + "not a contact\r\n";
    const std::string mixed =
        "PBand=2m\r[QSORecords;4]\n231225;1200;" + kA + "\r\n\n\r231225;1200;" + kB + "\n";
    // kA's CR is the last byte of the first 64 KiB read, its LF the first of the next.
    std::string cut = log({kA, kB}, 2);
    cut.insert(cut.find(";;\r\n") + 1, std::string(65533 - cut.find(";;\r\n"), 'x'));
    const std::size_t fill = kMaxEdiLine - 15 - kA.size();  // a line of exactly kMaxEdiLine
    // A line over three reads whose last read alone would be a contact.
    const std::string longLines =
        QByteArray::fromStdString(
            log({kA + ";" + std::string(fill, 'x'), kA + ";" + std::string(fill + 1, 'x'), "@", kB},
                4))
            .replace("@", QByteArray(150000, ' ') + "231225;1200;" + kA.c_str())
            .toStdString();
    const std::pair<std::string, const char*> cases[] = {
        {mixed, "0 2 | 2m, | N0CALL IO85mx,Q1ABC JO01aa,"},
        {cut, "0 0 | 144 MHz, | N0CALL IO85mx,Q1ABC JO01aa,"},
        {longLines, "0 2 | 144 MHz, | N0CALL IO85mx,Q1ABC JO01aa,"},
    };
    for (const char* end : {"\r\n", "\n", "\r"})
        EXPECT_EQ(read(QByteArray::fromStdString(crlf).replace("\r\n", end).toStdString()),
                  "0 3 | 144 MHz, | N0CALL IO85mx,Q1ABC JO01aa,");
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), expected) << text.substr(0, 60);
    EXPECT_EQ(cut.substr(65534, 3), ";\r\n");
    const std::string both = log({kA}, 1) + log({kB}, 1, "432 MHz");
    EXPECT_EQ(read(both) + read(both, "yn"),
              "0 0 | 144 MHz,432 MHz, | N0CALL IO85mx,Q1ABC JO01aa,"
              "1 0 | 144 MHz,432 MHz, | N0CALL IO85mx,");
}

}  // namespace morvel
