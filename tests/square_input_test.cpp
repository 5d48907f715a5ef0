#include "database/square_input.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

SquareInput typed(const char* call, const char* date, const char* locator) {
    return {QString::fromUtf8(call), QString::fromUtf8(date), QString::fromUtf8(locator)};
}

// Every date form lands as dd/mm/yy; calls go to capitals, sub-square letters
// to lower case, and each text fills its field with blanks.
TEST(SquareInput, AcceptedTextsAndTheBytesStored) {
    const struct {
        const char *call, *date, *locator, *square;
        const char *storedCall, *storedDate, *storedLocator;
    } cases[] = {
        {"dl1abc", "25/12/24", "JO62", "JO62", "DL1ABC    ", "25/12/24", "JO62  "},
        {" DL1ABC/P ", "25/12/2024", "jo62QM", "JO62", "DL1ABC/P  ", "25/12/24", "JO62qm"},
        {"DL/G4ABC/P", "5/1/2024", "  IO91wm ", "IO91", "DL/G4ABC/P", "05/01/24", "IO91wm"},
        {"G4ABC", "2024-12-25", "JO62qm45", "JO62", "G4ABC     ", "25/12/24", "JO62qm"},
        {"G4ABC", "20241225", "ar09AX", "AR09", "G4ABC     ", "25/12/24", "AR09ax"},
        {"G4ABC", "29/02/00", "JO62", "JO62", "G4ABC     ", "29/02/00", "JO62  "},
        {"G4ABC", "1/1/1999", "JO62", "JO62", "G4ABC     ", "01/01/99", "JO62  "},
        {"G4ABC", "2024-1-5", "JO62", "JO62", "G4ABC     ", "05/01/24", "JO62  "},
        {"G4ABC", "31/12/2099", "RR99xx", "RR99", "G4ABC     ", "31/12/99", "RR99xx"},
    };
    for (const auto& c : cases) {
        SquareTexts stored;
        const auto refusal = checkSquareInput(typed(c.call, c.date, c.locator), c.square, stored);
        EXPECT_EQ(refusal.value_or(QString()).toStdString(), "") << c.call << " " << c.date;
        EXPECT_EQ(stored.call, c.storedCall);
        EXPECT_EQ(stored.date, c.storedDate);
        EXPECT_EQ(stored.locator, c.storedLocator);
    }
}

// The first refused box names the problem, and nothing is handed over to store.
TEST(SquareInput, RefusedTextsAndTheirMessages) {
    const char* const locatorHint = " is not a locator; type JO62, or JO62 and two letters A-X";
    std::vector<std::pair<SquareInput, QString>> cases = {
        {typed("", "", ""), "No Callsign"},
        {typed("          ", "25/12/24", "JO62qm"), "No Callsign"},
        {typed("DL1ABCDEFGH", "25/12/24", "JO62qm"), "The call may have at most 10 characters"},
        {typed("ДЛ1АБВ", "25/12/24", "JO62qm"),
         "The call may hold only letters, digits and \"/\""},
        {typed("DL1ABC", "        ", "JO62qm"), "No Date worked"},
        {typed("DL1ABC", "25/12/24", " JO6  "), "Invalid QRA"},
        {typed("DL1ABC", "25/12/24", "IO91wm"), "IO91WM is not in square JO62"},
    };
    for (const char* date : {"31/02/24", "29/02/23", "29/02/1900", "31/04/2024", "1/13/24", "0/1/24",
                             "25122024", "2024-12-", "1899-12-31", "1/1/2100"})
        cases.push_back({typed("DL1ABC", date, "JO62qm"),
                         QString(date) + " is not a date; write it as dd/mm/yy, dd/mm/yyyy, "
                                         "yyyy-mm-dd or yyyymmdd"});
    for (const char* locator : {"ZZ99zz", "JO62q", "JO62qy", "JO62qm4"})
        cases.push_back({typed("DL1ABC", "25/12/24", locator), locator + QString(locatorHint)});
    for (const auto& [input, message] : cases) {
        SquareTexts stored{"old call", "old date", "old"};
        const auto refusal = checkSquareInput(input, "JO62", stored);
        EXPECT_EQ(refusal.value_or(QString()).toStdString(),
                  (message + " - save aborted").toStdString());
        EXPECT_EQ(stored.call + "|" + stored.date + "|" + stored.locator, "old call|old date|old");
    }
}

}  // namespace
}  // namespace morvel
