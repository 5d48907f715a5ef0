#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/awards.h"

// A grid list reads as grids or fails naming a line; what it reads, written
// back one a line, reads the same.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> grids;
    morvel::Error error;
    if (!morvel::readGridList(text, QStringLiteral("fuzz"), grids, error)) {
        if (error.reason.isEmpty()) std::abort();
        return 0;
    }
    std::string again;
    for (const std::string& g : grids) {
        if (morvel::squareOfGrid(g) < 0) std::abort();
        again += g + "\n";
    }
    std::vector<std::string> reread;
    if (!morvel::readGridList(again, QStringLiteral("fuzz"), reread, error) || reread != grids)
        std::abort();
    return 0;
}
