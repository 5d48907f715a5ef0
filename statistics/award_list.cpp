#include "statistics/award_list.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QFileInfo>
#include <array>
#include <map>

#include "database/field_record.h"
#include "database/file_io.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "ledger/ledger.h"
#include "statistics/overview.h"

namespace morvel {

namespace {

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

// Column x positions in tenths of the printable width.
constexpr std::array<double, 6> kColumns = {0, 0.09, 0.29, 0.42, 0.56, 0.68};
const std::array<QString, 6> kHeads = {QStringLiteral("Square"),  QStringLiteral("Call"),
                                       QStringLiteral("Date"),    QStringLiteral("Locator"),
                                       QStringLiteral("Confirmed"), QStringLiteral("Confirmed by")};

bool drawPdf(const AwardList& list, QSaveFile& file, const QDate& today) {
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Award list: ") + list.databaseName);
    writer.setCreator(QStringLiteral("Morvel"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const QRect area = painter.viewport();
    // Four header lines, a gap, the rows: each page alike.
    const double line = area.height() / (kAwardRowsPerPage + 6.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(line * 0.62));
    QFont bold = font;
    bold.setBold(true);
    const QString totals =
        QStringLiteral("Worked: %1   Confirmed: %2").arg(list.worked).arg(list.confirmed);
    const int pages = std::max<int>(
        1, static_cast<int>((list.entries.size() + kAwardRowsPerPage - 1) / kAwardRowsPerPage));
    const auto text = [&](double column, double row, const QString& s) {
        painter.drawText(QPointF(area.width() * column, line * (row + 0.75)), s);
    };
    for (int page = 0; page < pages; ++page) {
        if (page > 0) writer.newPage();
        painter.setFont(bold);
        text(0, 0,
             QStringLiteral("Award list") +
                 (list.confirmedOnly ? QStringLiteral(" (confirmed)") : QString()) +
                 QStringLiteral(": ") + list.databaseName);
        painter.setFont(font);
        text(0, 1, QStringLiteral("Operator's locator: ") + list.homeLocator + QStringLiteral("   ") +
                       totals);
        text(0, 2,
             QStringLiteral("Date: ") + today.toString(Qt::ISODate) +
                 QStringLiteral("   Page %1 of %2").arg(page + 1).arg(pages));
        painter.setFont(bold);
        for (std::size_t c = 0; c < kHeads.size(); ++c) text(kColumns[c], 4, kHeads[c]);
        painter.drawLine(QPointF(0, line * 5), QPointF(area.width(), line * 5));
        painter.setFont(font);
        for (int i = 0; i < kAwardRowsPerPage; ++i) {
            const std::size_t at = static_cast<std::size_t>(page * kAwardRowsPerPage + i);
            if (at >= list.entries.size()) break;
            const AwardEntry& e = list.entries[at];
            const QString cells[] = {QString::fromLatin1(e.square), fromLatin1Text(e.call),
                                     fromLatin1Text(e.date), fromLatin1Text(e.locator),
                                     e.confirmed ? QStringLiteral("yes") : QString(),
                                     QString::fromStdString(e.sources)};
            for (std::size_t c = 0; c < kColumns.size(); ++c) text(kColumns[c], 6 + i, cells[c]);
        }
    }
    return painter.end();
}

}  // namespace

AwardList buildAwardList(std::span<const FieldRecord> records, const QString& databaseName,
                         bool confirmedOnly) {
    AwardList list;
    list.databaseName = databaseName;
    list.homeLocator = homeLocatorFromFileName(databaseName).trimmed();
    list.confirmedOnly = confirmedOnly;
    const int count = static_cast<int>(std::min<std::size_t>(kRecordCount, records.size()));
    for (int r = 0; r < count; ++r) {
        const std::string field = fieldLetters(r + 1);
        for (int n = 0; n < FieldRecord::kSquares; ++n) {
            const SquareEntry& e =
                records[static_cast<std::size_t>(r)].entries[static_cast<std::size_t>(n)];
            if (!e.hasContact()) continue;
            ++list.worked;
            if (e.isConfirmed()) ++list.confirmed;
            if (confirmedOnly && !e.isConfirmed()) continue;
            list.entries.push_back({field + static_cast<char>('0' + n / 10) +
                                        static_cast<char>('0' + n % 10),
                                    trimmed(e.callsignText()), trimmed(e.dateText()),
                                    trimmed(e.locatorText()), e.isConfirmed(),
                                    e.isConfirmed() ? "source unknown" : ""});
        }
    }
    return list;
}

bool addLedgerSources(AwardList& list, const QString& databasePath, Error& error) {
    const QFileInfo info(databasePath);
    QString notice;
    const auto ledger = Ledger::open(info.absolutePath(), Ledger::Mode::ReadOnly, error, notice);
    std::vector<StoredContact> contacts;
    if (!ledger || !ledger->contacts(info.fileName(), std::nullopt, contacts, error))
        return !error.isSet();
    std::map<std::string, std::vector<StoredContact>> bySquare;
    for (const StoredContact& c : contacts) {
        for (int s : creditedSquares(c.contact)) {
            const std::string square = fieldLetters(s / 100 + 1) +
                                       static_cast<char>('0' + s % 100 / 10) +
                                       static_cast<char>('0' + s % 10);
            bySquare[square].push_back(c);
        }
    }
    for (AwardEntry& e : list.entries) {
        const auto it = bySquare.find(e.square);
        if (e.confirmed && it != bySquare.end())
            e.sources = confirmingSources(it->second, true).toStdString();
    }
    return true;
}

QString awardListCsv(const AwardList& list) {
    QString out = QStringLiteral("Square,Call,Date,Locator,Confirmed,Database,Confirmed by\r\n");
    const QString database = csvField(list.databaseName);
    for (const AwardEntry& e : list.entries) {
        out += QString::fromLatin1(e.square) + QLatin1Char(',') + csvField(fromLatin1Text(e.call)) +
               QLatin1Char(',') + csvField(fromLatin1Text(e.date)) + QLatin1Char(',') +
               csvField(fromLatin1Text(e.locator)) + QLatin1Char(',') +
               (e.confirmed ? QStringLiteral("Y") : QStringLiteral("N")) + QLatin1Char(',') +
               database + QLatin1Char(',') + csvField(QString::fromStdString(e.sources)) +
               QStringLiteral("\r\n");
    }
    return out;
}

bool writeAwardList(const AwardList& list, const QString& path, const QDate& today, Error& error) {
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        return saveWholeFile(
            path, [&](QSaveFile& file) { return drawPdf(list, file, today); }, error);
    }
    return saveWholeFile(path, awardListCsv(list).toStdString(), error);
}

}  // namespace morvel
