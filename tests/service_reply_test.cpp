#include "download/service_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace morvel {
namespace {

using Kind = ServiceReply::Kind;

ServiceReply readWith(const std::string& reader, std::string_view bytes) {
    if (reader == "lotw") return readLotwReply(bytes);
    if (reader == "eqsl page") return readEqslPage(bytes);
    if (reader == "eqsl file") return readEqslFile(bytes);
    return readQrzReply(bytes);
}

// The records a counted reply holds, and what else it tells.
std::string counted(const ServiceReply& r) {
    std::string out = std::to_string(r.records);
    if (r.notConfirmed) out += ", " + std::to_string(r.notConfirmed) + " not confirmed";
    return r.lastQsl.empty() ? out : out + ", since " + r.lastQsl;
}

TEST(ServiceReply, EachReplyCountsOnlyWhenWholeOrSaysWhyNot) {
    const char* kinds[] = {"Confirmations", "NothingNew",  "Link",
                           "Refused",       "RateLimited", "Unusable"};
    for (const auto& c : test::tableRows("service_replies.txt", 5)) {
        const ServiceReply r = readWith(c[0], c[1]);
        const std::string what = c[0] + ": " + c[1].substr(0, 200);
        EXPECT_EQ(kinds[static_cast<int>(r.kind)], c[2]) << what;
        const bool isCount = r.kind == Kind::Confirmations || r.kind == Kind::NothingNew;
        EXPECT_EQ(isCount                ? counted(r)
                  : r.kind == Kind::Link ? r.link
                                         : r.reason.toStdString(),
                  c[3])
            << what;
        if (!c[4].empty()) {
            EXPECT_EQ(r.adif, c[4]) << what;
        }
    }
}

}  // namespace
}  // namespace morvel
