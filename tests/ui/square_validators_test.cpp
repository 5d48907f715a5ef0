#include "ui/square_validators.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

// A box refuses a keystroke or a paste whose result the slot's field could
// not hold; the padded texts a slot shows stay editable.
TEST(SquareValidators, BoxesTakeOnlyWhatTheFieldHolds) {
    const CallValidator call;
    const DateValidator date;
    const LocatorValidator locator;
    const struct {
        const QValidator& box;
        const char* text;
        QValidator::State state;
    } cases[] = {
        {call, "dl1abc/p", QValidator::Acceptable},   {call, "DL1ABC    ", QValidator::Acceptable},
        {call, "DL1ABCDEFGH", QValidator::Invalid},   {call, "ДЛ1АБВ", QValidator::Invalid},
        {call, "DL1ABC-P", QValidator::Invalid},      {date, "25/12/2024", QValidator::Acceptable},
        {date, "2024-12-25", QValidator::Acceptable}, {date, "25.12.24", QValidator::Invalid},
        {date, "25/12/2x", QValidator::Invalid},      {date, "٢٥/١٢/٢٤", QValidator::Invalid},
        {locator, "jo62QM", QValidator::Acceptable},  {locator, "IO85  ", QValidator::Acceptable},
        {locator, "JO62-", QValidator::Invalid},      {locator, "JO62qÄ", QValidator::Invalid},
    };
    for (const auto& c : cases) {
        QString text = QString::fromUtf8(c.text);
        int pos = static_cast<int>(text.size());
        EXPECT_EQ(c.box.validate(text, pos), c.state) << c.text;
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
}

}  // namespace
}  // namespace morvel
