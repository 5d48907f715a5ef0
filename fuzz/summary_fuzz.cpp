#include <QBuffer>
#include <cstdint>
#include <cstdlib>

#include "statistics/summary.h"

// The summary of any database, in both modes: its counts stay within the
// file's 32,400 squares and the text ends with a line end.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const auto mode : {morvel::SummaryMode::Worked, morvel::SummaryMode::Confirmed}) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        const auto report = morvel::buildSummary(buffer, QStringLiteral("2M JO62QM FUZZ.QRA"),
                                                 "JO62QM", mode, error);
        if (!report || report->listed > 32400 || report->confirmed > 32400 || report->odxkm < 0 ||
            report->text.size() < 2 ||
            report->text.compare(report->text.size() - 2, 2, "\r\n") != 0)
            std::abort();
    }
    return 0;
}
