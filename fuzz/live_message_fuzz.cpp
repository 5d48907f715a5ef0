#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/adif_reader.h"
#include "live/live_contacts.h"
#include "live/live_session.h"
#include "live/wsjtx_message.h"

// A datagram of any bytes goes the whole way a live session takes it, short
// of the database: read, put into ADIF, filtered by the import's rules.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvel::live;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Message m = readMessage(bytes);
    if (m.result != ReadResult::Read) return 0;
    ContactFilter filter("2M");
    LiveContact contact;
    switch (m.type) {
        case MessageType::QsoLogged: {
            filter.fromQsoLogged(m.qso, contact);
            // One byte fewer never reads more fields.
            const Message cut = readMessage(bytes.substr(0, size - 1));
            if (cut.result == ReadResult::Read && cut.qso.fields > m.qso.fields) std::abort();
            break;
        }
        case MessageType::LoggedAdif: {
            morvel::AdifParser parser([&](const morvel::AdifRecord& r) {
                filter.fromRecord(r, contact);
                return true;
            });
            parser.expectBytes(m.adif.size());
            parser.feed(m.adif);
            parser.finish();
            break;
        }
        case MessageType::Decode: {
            std::string call;
            std::string grid;
            if (callerAndGrid(m.decode.message, call, grid) && grid.size() != 4) std::abort();
            break;
        }
        case MessageType::Status: {
            // Any dial frequency names a band of the table or none.
            const std::string_view band = bandOfFrequencyHz(m.status.dialFrequencyHz);
            if (!band.empty() && band.size() > 6) std::abort();
            break;
        }
        case MessageType::Heartbeat:
        case MessageType::Close:
            break;
        default:
            std::abort();
    }
    return 0;
}
