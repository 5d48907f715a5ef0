#include <QBuffer>
#include <cstdint>
#include <cstdlib>

#include "import/edi_reader.h"

// Every contact read from any log names a real square and has a call and a
// date that are not blank.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    morvel::EdiHandlers handlers;
    handlers.confirmBand = [&](const std::string&) { return size % 7 != 0; };
    handlers.contact = [](const morvel::ImportedContact& c) {
        if (!morvel::namesSquare(c.locator) || morvel::isBlank(c.call) || c.date.size() < 2 ||
            c.confirmed)
            std::abort();
        return true;
    };
    QString error;
    const morvel::EdiOutcome outcome = morvel::readEdi(buffer, handlers, error);
    if (outcome.unreadable < 0 || outcome.unreadable > static_cast<std::int64_t>(size) + 1)
        std::abort();
    return 0;
}
