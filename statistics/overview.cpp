#include "statistics/overview.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <array>
#include <memory>

#include "database/field_record.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "ledger/ledger.h"

namespace morvel {

namespace {

// The squares ARRL's VUCC rules ask for to begin with, per band: 50 and 144
// MHz 100, 432 MHz 50, 1296 MHz 25, 2.3 GHz 10, 3.4, 5.7 and 10 GHz 5 each
// (the SHF awards); no VUCC below 50 MHz nor on 70 MHz. Source: ARRL, "VHF/UHF
// Century Club (VUCC) Award Rules", https://www.arrl.org/vucc
struct VuccBand {
    const char* band;
    int squares;
};
constexpr std::array<VuccBand, 10> kThresholds = {{{"10m", 0},
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
    bool readable = false;
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
    read.readable = true;
    return read;
}

QString trimmedText(const std::string& text) {
    return fromLatin1Text(text).trimmed();
}

// The columns of a row, as both the table and the CSV show them.
QStringList rowFields(const OverviewRow& row) {
    const QLocale c(QLocale::English);
    const BandAward none;
    const BandAward& a = row.award ? *row.award : none;
    const bool counts = row.award && row.threshold > 0;
    const auto count = [counts](int n) { return counts ? QString::number(n) : QString(); };
    const QStringList award = {ledgerVuccText(row), count(a.eqslOnly), count(a.unknown),
                               count(a.elsewhere)};
    if (!row.stats)
        return QStringList{row.band, row.fileName, {}, {}, {}, {}, {}, {}, vuccText(row)} + award +
               QStringList{row.problem};
    const Statistics& s = *row.stats;
    const bool odx = s.odxkm > 0;
    return QStringList{row.band,
                       row.fileName,
                       QString::number(s.squaresWorked),
                       QString::number(s.squaresConfirmed),
                       QString::number(s.fieldsWorked),
                       odx ? trimmedText(s.odxcall) : QString(),
                       odx ? trimmedText(s.odxloc) : QString(),
                       odx ? QString::number(static_cast<qint64>(s.odxkm)) : QString(),
                       vuccText(row)} +
           award + QStringList{row.problem};
}

QStringList totalFields(const Overview& o) {
    return {QStringLiteral("All bands"),
            QStringLiteral("(distinct)"),
            QString::number(o.squaresWorked),
            QString::number(o.squaresConfirmed),
            QString::number(o.fieldsWorked),
            {},
            {},
            {},
            {},
            QStringLiteral("SAT ") + QString::number(o.satelliteSquares) + QStringLiteral(" / ") +
                QString::number(kSatelliteVuccThreshold),
            {},
            {},
            o.satelliteElsewhere > 0 ? QString::number(o.satelliteElsewhere) : QString(),
            o.ledgerProblem};
}

const QStringList kHeader = {QStringLiteral("Band"),        QStringLiteral("File"),
                             QStringLiteral("Worked"),      QStringLiteral("Confirmed"),
                             QStringLiteral("Fields"),      QStringLiteral("ODX call"),
                             QStringLiteral("ODX locator"), QStringLiteral("ODX km"),
                             QStringLiteral("VUCC"),        QStringLiteral("VUCC card/LoTW"),
                             QStringLiteral("eQSL only"),   QStringLiteral("Source unknown"),
                             QStringLiteral("From elsewhere"), QStringLiteral("Note")};
constexpr std::size_t kColumns = 14;

}  // namespace

int vuccThreshold(std::string_view band) {
    const std::string lower = lowerLatin1(band);
    for (const VuccBand& a : kThresholds)
        if (lower == a.band) return a.squares;
    return 0;
}

QString vuccText(const OverviewRow& row) {
    if (row.threshold == 0 || !row.stats) return kDash;
    return QString::number(row.stats->squaresConfirmed) + QStringLiteral(" / ") +
           QString::number(row.threshold);
}

QString ledgerVuccText(const OverviewRow& row) {
    if (row.threshold == 0 || !row.award) return kDash;
    return QString::number(row.award->confirmed) + QStringLiteral(" / ") +
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
    return buildOverview(folder, *QThreadPool::globalInstance());
}

Overview buildOverview(const QString& folder, QThreadPool& readers) {
    Overview o;
    const QDir dir(folder);
    o.folder = dir.absolutePath();
    const QStringList names = bandDatabaseNames(folder);
    auto worked = std::make_unique<std::bitset<kWorldSquares>>();
    auto confirmed = std::make_unique<std::bitset<kWorldSquares>>();
    // The databases are read side by side, one per core.
    const QList<std::shared_ptr<ReadRow>> read =
        QtConcurrent::blockingMapped(&readers, names, [&dir](const QString& name) {
            return std::make_shared<ReadRow>(readRow(dir, name));
        });
    // The ledger's credits are a few rows per square: read whole, at once.
    std::map<QString, SquareCredits> credits;
    Error error;
    QString notice;
    if (const auto ledger = Ledger::open(o.folder, Ledger::Mode::ReadOnly, error, notice))
        ledger->allSquareSources(credits, error);
    if (error.isSet()) o.ledgerProblem = QStringLiteral("ledger: ") + error.message();
    auto satellite = std::make_unique<SquareSet>();
    auto satelliteElsewhere = std::make_unique<SquareSet>();
    const SquareCredits none;
    for (const auto& r : read) {
        if (r->readable) {
            const auto it = credits.find(r->row.fileName);
            const SquareCredits& c = it == credits.end() ? none : it->second;
            const DatabaseSquares squares{r->worked, r->confirmed};
            r->row.award = bandAward(r->row.band.toStdString(), squares, c);
            if (r->row.band.compare(QStringLiteral("6m"), Qt::CaseInsensitive) == 0)
                r->row.ffma = ffmaAward(ffmaGrids(), squares, c);
            satelliteSquares(squares, c, *satellite, *satelliteElsewhere);
        }
        o.rows.push_back(r->row);
        *worked |= r->worked;
        *confirmed |= r->confirmed;
    }
    o.satelliteSquares = static_cast<int>(satellite->count());
    o.satelliteElsewhere = static_cast<int>((*satelliteElsewhere & ~*satellite).count());
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
    const std::array<bool, kColumns> right = {false, false, true, true, true, false, false,
                                              true,  true,  true, true, true, true,  false};
    std::array<qsizetype, kColumns> width{};
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

namespace {

QString joinedGrids(const std::vector<std::string>& grids) {
    QStringList words;
    for (const std::string& g : grids) words << QString::fromLatin1(g);
    return words.join(QLatin1Char(' '));
}

}  // namespace

QString awardsTable(const Overview& o) {
    QString out;
    for (const OverviewRow& row : o.rows) {
        out += row.band + QStringLiteral("  ") + row.fileName + QLatin1Char('\n');
        if (!row.award) {
            out += QStringLiteral("  not read: ") + row.problem + QLatin1Char('\n');
            continue;
        }
        const BandAward& a = *row.award;
        if (a.threshold == 0) {
            out += QStringLiteral("  VUCC: none on this band\n");
        } else {
            out += QStringLiteral("  VUCC: %1 / %2 confirmed by card or LoTW\n")
                       .arg(a.confirmed)
                       .arg(a.threshold);
            out += QStringLiteral("  not counted: %1 eQSL only, %2 source unknown, %3 from elsewhere\n")
                       .arg(a.eqslOnly)
                       .arg(a.unknown)
                       .arg(a.elsewhere);
        }
        if (row.ffma) {
            const FfmaAward& f = *row.ffma;
            out += QStringLiteral("  FFMA: %1 worked, %2 / %3 confirmed\n")
                       .arg(f.worked)
                       .arg(f.confirmed)
                       .arg(f.total);
            if (!f.needed.empty())
                out += QStringLiteral("  FFMA needed (%1): ").arg(f.needed.size()) +
                       joinedGrids(f.needed) + QLatin1Char('\n');
        }
    }
    out += QStringLiteral("Satellite VUCC (all bands): %1 / %2 confirmed by card or LoTW")
               .arg(o.satelliteSquares)
               .arg(kSatelliteVuccThreshold);
    if (o.satelliteElsewhere > 0)
        out += QStringLiteral(", %1 from elsewhere").arg(o.satelliteElsewhere);
    out += QLatin1Char('\n');
    if (!o.ledgerProblem.isEmpty()) out += o.ledgerProblem + QLatin1Char('\n');
    return out;
}

QString awardsCsv(const Overview& o) {
    QString out = QStringLiteral(
        "Award,Band,File,Needed for award,Confirmed,eQSL only,Source unknown,From elsewhere,"
        "Worked,Grids needed,Note\r\n");
    const auto line = [&out](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields) quoted << csvField(f);
        out += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    const auto n = [](int v) { return QString::number(v); };
    for (const OverviewRow& row : o.rows) {
        if (!row.award) {
            line({QStringLiteral("VUCC"), row.band, row.fileName, {}, {}, {}, {}, {}, {}, {},
                  row.problem});
            continue;
        }
        const BandAward& a = *row.award;
        if (a.threshold > 0)
            line({QStringLiteral("VUCC"), row.band, row.fileName, n(a.threshold), n(a.confirmed),
                  n(a.eqslOnly), n(a.unknown), n(a.elsewhere), {}, {}, row.problem});
        if (row.ffma)
            line({QStringLiteral("FFMA"), row.band, row.fileName, n(row.ffma->total),
                  n(row.ffma->confirmed), {}, {}, {}, n(row.ffma->worked),
                  joinedGrids(row.ffma->needed), {}});
    }
    line({QStringLiteral("Satellite VUCC"), QStringLiteral("all"), QStringLiteral("(distinct)"),
          n(kSatelliteVuccThreshold), n(o.satelliteSquares), {}, {}, n(o.satelliteElsewhere), {},
          {}, o.ledgerProblem});
    return out;
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
