#include <QBuffer>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "database/qra_file.h"

// Any bytes read as a database give 324 records that encode back to the same
// bytes (a short file's missing part as zeros).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    int count = 0;
    const bool ok = morvel::forEachRecord(
        buffer,
        [&](int n, const morvel::FieldRecord& record) {
            if (n != ++count) std::abort();
            char encoded[morvel::FieldRecord::kSize];
            record.encode(encoded);
            const std::size_t at = static_cast<std::size_t>(n - 1) * morvel::FieldRecord::kSize;
            for (std::size_t i = 0; i < sizeof encoded; ++i)
                if (encoded[i] != (at + i < size ? static_cast<char>(data[at + i]) : '\0'))
                    std::abort();
        },
        error);
    if (!ok || count != 324) std::abort();
    return 0;
}
