#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "fuzz/adif_values.h"

namespace {

struct Parsed {
    std::vector<morvel::fuzz::AdifValues> records;
    std::vector<std::uint64_t> broken;  // where each broken length's tag starts
    std::int64_t unreadable = 0;
};

morvel::AdifParser::RecordHandler collect(Parsed& out) {
    return [&out](const morvel::AdifRecord& r) {
        out.records.push_back(morvel::fuzz::copyValues(r));
        return true;
    };
}

Parsed imported(std::string_view log) {
    Parsed out;
    morvel::AdifParser parser(collect(out));
    parser.setBrokenHandler([&out](std::uint64_t at, std::uint64_t) { out.broken.push_back(at); });
    parser.expectBytes(log.size());
    parser.feed(log);
    parser.finish();
    out.unreadable = parser.unreadable();
    return out;
}

// As a follower reads a log that grows by pieces of `chunk` bytes: each
// piece awaited, what the parser did not take fed again with the next, and
// the end judged once all are in.
Parsed followed(std::string_view log, std::size_t chunk) {
    Parsed out;
    morvel::AdifParser parser(collect(out));
    parser.setBrokenHandler([&out](std::uint64_t at, std::uint64_t) { out.broken.push_back(at); });
    for (std::size_t size = 0; size < log.size();) {
        size = std::min(log.size(), size + chunk);
        for (;;) {
            const std::uint64_t at = parser.fed();
            parser.awaitBytes(size - at);
            if (parser.held() || at == size) break;
            parser.feed(log.substr(at, size - at));
            if (parser.fed() > size) std::abort();
        }
    }
    parser.expectBytes(log.size() - parser.fed());
    if (parser.fed() < log.size()) parser.feed(log.substr(parser.fed()));
    parser.finish();
    out.unreadable = parser.unreadable();
    return out;
}

}  // namespace

// A log read while it grows gives the records, the unreadable count and
// the broken lengths that reading it whole gives.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view log(reinterpret_cast<const char*>(data), size);
    const Parsed whole = imported(log);
    const Parsed growing = followed(log, size ? 1 + data[0] % 64 : 1);
    if (whole.unreadable != growing.unreadable || whole.records != growing.records ||
        whole.broken != growing.broken)
        std::abort();
    return 0;
}
