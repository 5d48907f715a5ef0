#include "statistics/overview.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <array>
#include <memory>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/qra_names.h"

namespace morvel {

namespace {

struct BandAward {
    const char* band;
    int squares;
};
constexpr std::array<BandAward, 10> kThresholds = {{{"10m", 0},
                                                    {"6m", 100},
                                                    {"4m", 0},
                                                    {"2m", 100},
                                                    {"70cm", 50},
                                                    {"23cm", 25},
                                                    {"13cm", 10},
                                                    {"9cm", 5},
                                                    {"6cm", 5},
                                                    {"3cm", 5}}};

const QString kDash = QStringLiteral("\u2014");

// Position in the band list; unknown bands after every known one.
int bandRank(const QString& band) {
    const auto& bands = bandList();
    for (std::size_t i = 0; i < bands.size(); ++i)
        if (band.compare(QString::fromLatin1(bands[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return static_cast<int>(bands.size());
}

bool isBackup(const QString& name) {
    return name.endsWith(QStringLiteral(" backup.qra"), Qt::CaseInsensitive);
}

// Worked and confirmed squares of a database's bytes, square n of record r
// at (r - 1) * 100 + n.
void markSquares(const QByteArray& bytes, std::bitset<kWorldSquares>& worked,
                 std::bitset<kWorldSquares>& confirmed) {
    const auto flag = [&](qsizetype at) {
        return at + 1 < bytes.size() && bytes[at] == '\xff' && bytes[at + 1] == '\xff';
    };
    for (int r = 0; r < kRecordCount; ++r) {
        for (int n = 0; n < FieldRecord::kSquares; ++n) {
            const qsizetype at = static_cast<qsizetype>(r) * FieldRecord::kSize +
                                 static_cast<qsizetype>(n) * SquareEntry::kSize;
            if (at >= bytes.size()) return;
            const bool c = flag(at + 8);
            if (!c && !flag(at + 6)) continue;
            worked.set(static_cast<std::size_t>(r * 100 + n));
            if (c) confirmed.set(static_cast<std::size_t>(r * 100 + n));
        }
    }
}

// A row and the squares its database holds.
struct ReadRow {
    OverviewRow row;
    std::bitset<kWorldSquares> worked, confirmed;
};

ReadRow readRow(const QDir& dir, const QString& name) {
    ReadRow read;
    OverviewRow& row = read.row;
    row.fileName = name;
    row.path = dir.absoluteFilePath(name);
    const QString band = bandFromFileName(name);
    const int rank = bandRank(band);
    row.band = rank < static_cast<int>(bandList().size())
                   ? QString::fromLatin1(bandList()[static_cast<std::size_t>(rank)])
                   : band;
    row.threshold = vuccThreshold(row.band.toStdString());
    QFile file(row.path);
    Error error;
    QByteArray bytes;
    if (openDatabase(file, error)) {
        bytes = file.read(kDatabaseSize);
        if (file.error() != QFileDevice::NoError) error = fileError(file);
    }
    if (error.isSet()) {
        row.problem = error.reason;
        return read;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString reason;
    row.stats = computeStatistics(buffer, toLatin1Text(homeLocatorFromFileName(name)), reason);
    if (!row.stats) {
        row.problem = reason;
        return read;
    }
    row.stats->fileSize = file.size();
    if (file.size() < kDatabaseSize) {
        const QLocale c(QLocale::English);
        row.problem = QStringLiteral("short: ") + c.toString(file.size()) +
                      QStringLiteral(" bytes, not ") + c.toString(kDatabaseSize);
    }
    markSquares(bytes, read.worked, read.confirmed);
    return read;
}

QString trimmedText(const std::string& text) {
    return fromLatin1Text(text).trimmed();
}

// The columns of a row, as both the table and the CSV show them.
QStringList rowFields(const OverviewRow& row) {
    const QLocale c(QLocale::English);
    if (!row.stats) return {row.band, row.fileName, {}, {}, {}, {}, {}, {}, vuccText(row), row.problem};
    const Statistics& s = *row.stats;
    const bool odx = s.odxkm > 0;
    return {row.band,
            row.fileName,
            QString::number(s.squaresWorked),
            QString::number(s.squaresConfirmed),
            QString::number(s.fieldsWorked),
            odx ? trimmedText(s.odxcall) : QString(),
            odx ? trimmedText(s.odxloc) : QString(),
            odx ? QString::number(static_cast<qint64>(s.odxkm)) : QString(),
            vuccText(row),
            row.problem};
}

QStringList totalFields(const Overview& o) {
    return {QStringLiteral("All bands"), QStringLiteral("(distinct)"),
            QString::number(o.squaresWorked), QString::number(o.squaresConfirmed),
            QString::number(o.fieldsWorked), {}, {}, {}, {}, {}};
}

const QStringList kHeader = {QStringLiteral("Band"),        QStringLiteral("File"),
                             QStringLiteral("Worked"),      QStringLiteral("Confirmed"),
                             QStringLiteral("Fields"),      QStringLiteral("ODX call"),
                             QStringLiteral("ODX locator"), QStringLiteral("ODX km"),
                             QStringLiteral("VUCC"),        QStringLiteral("Note")};

}  // namespace

int vuccThreshold(std::string_view band) {
    const std::string lower = lowerLatin1(band);
    for (const BandAward& a : kThresholds)
        if (lower == a.band) return a.squares;
    return 0;
}

QString vuccText(const OverviewRow& row) {
    if (row.threshold == 0 || !row.stats) return kDash;
    return QString::number(row.stats->squaresConfirmed) + QStringLiteral(" / ") +
           QString::number(row.threshold);
}

QStringList bandDatabaseNames(const QString& folder) {
    // With System: a dangling link or a FIFO of such a name is reported, not
    // silently left out.
    QStringList names = QDir(folder).entryList({QStringLiteral("*.qra")},
                                               QDir::Files | QDir::System | QDir::Hidden,
                                               QDir::Name | QDir::IgnoreCase);
    names.erase(std::remove_if(names.begin(), names.end(), isBackup), names.end());
    return names;
}

Overview buildOverview(const QString& folder) {
    Overview o;
    const QDir dir(folder);
    o.folder = dir.absolutePath();
    const QStringList names = bandDatabaseNames(folder);
    auto worked = std::make_unique<std::bitset<kWorldSquares>>();
    auto confirmed = std::make_unique<std::bitset<kWorldSquares>>();
    // The databases are read side by side, one per core.
    const QList<std::shared_ptr<ReadRow>> read =
        QtConcurrent::blockingMapped(names, [&dir](const QString& name) {
            return std::make_shared<ReadRow>(readRow(dir, name));
        });
    for (const auto& r : read) {
        o.rows.push_back(r->row);
        *worked |= r->worked;
        *confirmed |= r->confirmed;
    }
    std::stable_sort(o.rows.begin(), o.rows.end(), [](const OverviewRow& a, const OverviewRow& b) {
        return bandRank(a.band) < bandRank(b.band);
    });
    o.squaresWorked = static_cast<int>(worked->count());
    o.squaresConfirmed = static_cast<int>(confirmed->count());
    for (int r = 0; r < kRecordCount; ++r) {
        for (int n = 0; n < FieldRecord::kSquares; ++n) {
            if (worked->test(static_cast<std::size_t>(r * 100 + n))) {
                ++o.fieldsWorked;
                break;
            }
        }
    }
    return o;
}

QString overviewTable(const Overview& o) {
    std::vector<QStringList> lines = {kHeader};
    for (const OverviewRow& row : o.rows) lines.push_back(rowFields(row));
    lines.push_back(totalFields(o));
    // Numbers right-aligned, texts left; the note takes what it needs.
    const std::array<bool, 10> right = {false, false, true, true, true, false, false, true, true, false};
    std::array<qsizetype, 10> width{};
    for (const QStringList& line : lines)
        for (qsizetype i = 0; i < line.size(); ++i)
            width[static_cast<std::size_t>(i)] =
                std::max(width[static_cast<std::size_t>(i)], line[i].size());
    QString out;
    for (const QStringList& line : lines) {
        QString text;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto w = width[static_cast<std::size_t>(i)];
            if (i > 0) text += QStringLiteral("  ");
            text += right[static_cast<std::size_t>(i)] ? line[i].rightJustified(w)
                                                       : line[i].leftJustified(w);
        }
        // The dash is one character but may be wider: trailing blanks go.
        while (text.endsWith(QLatin1Char(' '))) text.chop(1);
        out += text + QLatin1Char('\n');
    }
    return out;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString overviewCsv(const Overview& o) {
    std::vector<QStringList> lines = {kHeader};
    for (const OverviewRow& row : o.rows) lines.push_back(rowFields(row));
    lines.push_back(totalFields(o));
    QString out;
    for (const QStringList& line : lines) {
        QStringList fields;
        for (const QString& f : line) fields << csvField(f);
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out;
}

}  // namespace morvel
