#include "statistics/summary.h"

#include <QFile>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/text_format.h"
#include "geo/locator.h"

namespace morvel {

std::optional<SummaryReport> buildSummary(QIODevice& database, const QString& filename,
                                          std::string_view homeloc, SummaryMode mode,
                                          QString& error) {
    const bool worked = mode == SummaryMode::Worked;
    SummaryReport report;
    std::string& out = report.text;
    out.reserve(256 * 1024);
    if (worked) {
        out.append("List of Worked Squares").append(kLineEnd);
        out.append("* = confirmed").append(kLineEnd).append(kLineEnd);
    } else {
        out.append("List of Confirmed Squares").append(kLineEnd);
    }
    // The name in the system's encoding, as the file list shows it.
    const QByteArray name = QFile::encodeName(filename);
    out.append("For Morvel database file ")
        .append(name.constData(), static_cast<std::size_t>(name.size()));
    out.append(kLineEnd).append(kLineEnd);

    const DistanceFrom home(homeloc, true);
    const bool ok = forEachRecord(
        database,
        [&](int, const FieldRecord& record) {
            bool fieldListed = false;
            for (int s = 0; s < FieldRecord::kSquares; ++s) {
                const SquareEntry& e = record.entries[static_cast<std::size_t>(s)];
                if (worked ? !e.hasContact() : !e.isConfirmed()) continue;
                if (e.isConfirmed()) ++report.confirmed;
                const float d = home.to(e.locatorText());
                // The fixed widths put the call sign at column 10, the date
                // at 25 and the distance at 34.
                if (worked) out.append(e.isConfirmed() ? "*" : " ");
                out.append(e.locatorText()).append(worked ? 2 : 3, ' ');
                out.append(e.callsignText()).append(5, ' ');
                out.append(e.dateText()).append(" ");
                out.append(fileNumber(roundHalfEven(d))).append("km").append(kLineEnd);
                fieldListed = true;
                if (worked) ++report.listed;
                const auto k = static_cast<float>(roundHalfEven(d, 1));
                if (report.odxkm < k) {
                    report.odxkm = k;
                    report.odxcall = std::string(e.callsignText());
                    report.odxloc = std::string(e.locatorText());
                }
            }
            if (fieldListed) out.append(kLineEnd);
        },
        error);
    if (!ok) return std::nullopt;

    if (worked) out.append(fileNumber(report.listed)).append(" squares worked").append(kLineEnd);
    out.append(fileNumber(report.confirmed)).append(" squares confirmed").append(kLineEnd);
    out.append("ODX: ").append(report.odxcall).append(" in loc ").append(report.odxloc);
    out.append("  ").append(fileNumber(report.odxkm)).append(" km").append(kLineEnd);
    return report;
}

QString proposedSummaryName(const QString& filename) {
    const qsizetype dot = filename.indexOf(QLatin1Char('.'));
    if (dot < 0) return QStringLiteral("txt");
    return filename.left(dot + 1) + QStringLiteral("txt");
}

std::optional<SummaryReport> writeSummary(const QString& databasePath, const QString& outPath,
                                          const QString& filename, std::string_view homeloc,
                                          SummaryMode mode, Error& error) {
    QFile db(databasePath);
    if (!openDatabase(db, error)) return std::nullopt;
    QString reason;
    auto report = buildSummary(db, filename, homeloc, mode, reason);
    if (!report) {
        error = {databasePath, reason};
        return std::nullopt;
    }
    if (!saveWholeFile(outPath, report->text, error)) return std::nullopt;
    return report;
}

}  // namespace morvel
