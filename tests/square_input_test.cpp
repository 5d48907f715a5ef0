#include "database/square_input.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace morvel {
namespace {

// What each text typed in the editor's boxes (tests/data/square_input_cases.txt)
// stores, or the refusal it shows; a refused save hands nothing over to store.
TEST(SquareInput, TypedTextsAndWhatIsStored) {
    for (const auto& c : test::tableRows("square_input_cases.txt", 5)) {
        const auto text = [&](int i) { return QString::fromStdString(c[i]); };
        SquareTexts stored{"old call", "old date", "old"};
        const auto refusal = checkSquareInput({text(0), text(1), text(2)}, c[3], stored);
        const std::string kept = stored.call + "," + stored.date + "," + stored.locator;
        const std::string shown = !refusal                          ? kept
                                  : kept != "old call,old date,old" ? "stored: " + kept
                                  : refusal->endsWith(" - save aborted")
                                      ? refusal->chopped(15).toStdString()
                                      : refusal->toStdString();
        EXPECT_EQ(shown, c[4]) << c[0] << "|" << c[1] << "|" << c[2];
    }
}

}  // namespace
}  // namespace morvel
