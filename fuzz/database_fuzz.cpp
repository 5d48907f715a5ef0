#include <QBuffer>
#include <cstdint>
#include <cstdlib>

#include "statistics/statistics.h"

// Whatever bytes a database holds, the statistics stay within the file's bounds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const auto stats = morvel::computeStatistics(buffer, "JO62QM", error);
    if (!stats || stats->squaresWorked > 32400 || stats->squaresConfirmed > stats->squaresWorked ||
        stats->fieldsWorked > 324 || stats->odxkm < 0)
        std::abort();
    return 0;
}
