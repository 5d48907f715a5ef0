#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "download/service_reply.h"

// Whatever a server sends, the readers end, and what they accept holds
// records that were announced.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using Kind = morvel::ServiceReply::Kind;
    for (const auto& r : {morvel::readLotwReply(bytes), morvel::readQrzReply(bytes),
                          morvel::readEqslFile(bytes), morvel::readEqslPage(bytes)}) {
        if (r.kind == Kind::Confirmations && (r.records <= 0 || r.adif.empty())) std::abort();
        if (r.kind == Kind::Link) {
            std::string link = r.link;
            for (char& c : link) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (link.find("downloadedfiles/") == std::string::npos ||
                link.find("..", link.find("downloadedfiles/")) != std::string::npos ||
                link.substr(link.size() - 4) != ".adi")
                std::abort();
        }
        if ((r.kind == Kind::Unusable || r.kind == Kind::Refused) && r.reason.isEmpty())
            std::abort();
    }
    return 0;
}
