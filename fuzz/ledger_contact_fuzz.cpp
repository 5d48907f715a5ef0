#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/adif_options.h"
#include "import/adif_reader.h"
#include "import/ledger_contacts.h"
#include "ledger/ledger.h"

// Whatever a record holds, the ledger's contact keeps its bounds: a locator
// of at most ten characters, dates of the form YYYY-MM-DD, squares that
// exist, and credit bits only of the kinds defined.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view log(reinterpret_cast<const char*>(data), size);
    morvel::AdifParser parser([](const morvel::AdifRecord& r) {
        int bad = 0;
        const morvel::LedgerContact c = morvel::ledgerContactFromAdif(
            r, "6M", morvel::kConfirmByAll, QStringLiteral("fuzz.adi"), bad);
        if (c.locator.size() > 10 || bad < 0 || bad > 6) std::abort();
        for (const std::string& date : c.dates)
            if (!date.empty() && (date.size() != 10 || date[4] != '-' || date[7] != '-'))
                std::abort();
        for (int square : morvel::creditedSquares(c))
            if (square < 0 || square >= 32400) std::abort();
        const unsigned bits = morvel::contactCredit(c, "FN31PR", "6M");
        if ((bits & ~0x7FU) != 0 || (bits & morvel::credit::kWorked) == 0) std::abort();
        (void)morvel::contactTimeText(c.time);
        return true;
    });
    parser.expectBytes(log.size());
    parser.feed(log);
    parser.finish();
    return 0;
}
