#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "fuzz/adif_values.h"

namespace {

struct Parsed {
    std::vector<morvel::fuzz::AdifValues> records;
    std::int64_t unreadable = 0;
};

Parsed parse(std::string_view log, std::size_t chunk) {
    Parsed out;
    morvel::AdifParser parser([&](const morvel::AdifRecord& r) {
        out.records.push_back(morvel::fuzz::copyValues(r));
        // The rules, the band of FREQ among them, take only whole contacts.
        bool readable = true;
        if (const auto c = morvel::adifContact(r, "2M", readable)) {
            if (!morvel::namesSquare(c->locator) || c->date.size() != 8 || c->date[2] != '/' ||
                c->date[5] != '/')
                std::abort();
        }
        return true;
    });
    parser.expectBytes(log.size());
    for (std::size_t at = 0; at < log.size(); at += chunk) parser.feed(log.substr(at, chunk));
    parser.finish();
    out.unreadable = parser.unreadable();
    return out;
}

}  // namespace

// The records read from a log never depend on how its bytes were cut into chunks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view log(reinterpret_cast<const char*>(data), size);
    const Parsed whole = parse(log, size ? size : 1);
    const std::size_t chunk = size ? 1 + data[0] % 17 : 1;
    const Parsed pieces = parse(log, chunk);
    if (whole.unreadable != pieces.unreadable || whole.records.size() != pieces.records.size())
        std::abort();
    for (std::size_t i = 0; i < whole.records.size(); ++i)
        if (whole.records[i] != pieces.records[i]) std::abort();
    return 0;
}
