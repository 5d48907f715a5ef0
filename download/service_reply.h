#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvel {

// What a confirmation service answered, read from its bytes: everything in
// them is untrusted, so a reply counts only when it is whole.
struct ServiceReply {
    enum class Kind {
        Confirmations,  // adif holds the records, all that were announced
        NothingNew,     // the service has no confirmation since the last download
        Link,           // eQSL: the ADIF file to fetch next, in link
        Refused,        // the service refused the account: reason says why
        RateLimited,    // LoTW: too many requests for now, try again later
        Unusable        // not what was expected, or cut: reason says why; nothing changes
    };
    Kind kind = Kind::Unusable;
    std::string adif;
    std::int64_t records = 0;
    std::int64_t notConfirmed = 0;  // QRZ: records it marks as not confirmed, left out of adif
    std::string lastQsl;  // LoTW: the next download's qso_qslsince
    std::string link;
    QString reason;
};

// LoTW's lotwreport.adi: an ADIF header announcing APP_LoTW_NUMREC records,
// that many records, and APP_LoTW_EOF after them. An HTML page instead is
// read for the wrong login and the request limit.
ServiceReply readLotwReply(std::string_view bytes);

// eQSL's DownloadInBox.cfm: an HTML page linking the ADIF file under
// /downloadedfiles/, naming an error, or saying there is nothing new.
ServiceReply readEqslPage(std::string_view bytes);
// The ADIF file that page linked.
ServiceReply readEqslFile(std::string_view bytes);

// The QRZ logbook's FETCH reply: form fields RESULT, COUNT, ADIF (with
// HTML entities) and REASON; COUNT must match the records the ADIF holds.
ServiceReply readQrzReply(std::string_view bytes);

// The bytes of a reply shown in a message: printable ASCII, at most `limit`
// characters, markup dropped.
QString replyExcerpt(std::string_view bytes, std::size_t limit = 120);

}  // namespace morvel
