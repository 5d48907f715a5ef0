#include "download/confirmation_apply.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "database/database_document.h"
#include "database/file_io.h"
#include "database/qra_names.h"
#include "import/adif_bands.h"
#include "import/adif_reader.h"
#include "import/contact.h"
#include "import/live_import.h"
#include "ledger/ledger.h"

namespace morvel {

namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
}

std::string upper(std::string_view s) {
    return upperLatin1(trimmed(s));
}

// YYYYMMDD or YYYY-MM-DD as YYYY-MM-DD; empty when it is neither.
std::string isoDate(std::string_view text) {
    std::string digits;
    for (const char c : trimmed(text))
        if (c != '-') digits += c;
    if (digits.size() != 8 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    if (!contactTime(digits, {})) return {};
    return digits.substr(0, 4) + '-' + digits.substr(4, 2) + '-' + digits.substr(6, 2);
}

// One confirmation as read from the reply.
struct Confirmation {
    std::string call, band, mode, date, time, grid, vuccGrids, myGrid, propMode, satName, freq,
        confirmedOn;
};

Confirmation readConfirmation(const AdifRecord& r, ConfirmationService service) {
    Confirmation c;
    c.call = upper(r.value(AdifField::Call));
    c.band = upper(r.value(AdifField::Band));
    c.freq = trimmed(r.value(AdifField::Freq));
    if (c.band.empty()) c.band = upper(adifBandOfFrequency(c.freq));
    c.mode = upper(r.value(AdifField::Mode));
    c.date = trimmed(r.value(AdifField::QsoDate));
    c.time = trimmed(r.value(AdifField::TimeOn));
    c.grid = trimmed(r.value(AdifField::Gridsquare));
    c.vuccGrids = trimmed(r.value(AdifField::VuccGrids));
    c.myGrid = upper(r.value(AdifField::MyGridsquare));
    c.propMode = upper(r.value(AdifField::PropMode));
    c.satName = trimmed(r.value(AdifField::SatName));
    const AdifField own = service == ConfirmationService::Lotw   ? AdifField::LotwQslRDate
                          : service == ConfirmationService::Eqsl ? AdifField::EqslQslRDate
                                                                 : AdifField::QslRDate;
    c.confirmedOn = isoDate(r.value(own));
    if (c.confirmedOn.empty()) c.confirmedOn = isoDate(r.value(AdifField::QslRDate));
    return c;
}

// The squares a confirmation credits: its GRIDSQUARE, and each of VUCC_GRIDS.
std::vector<std::string> creditedSquares(const Confirmation& c) {
    std::vector<std::string> squares;
    const auto add = [&](std::string_view text) {
        std::string locator;
        readLogLocator(text, locator);
        if (!namesSquare(locator)) return;
        const std::string square = locator.substr(0, 4);
        const bool known = std::any_of(squares.begin(), squares.end(), [&](const std::string& s) {
            return s.substr(0, 4) == square;
        });
        if (!known) squares.push_back(locator);
    };
    add(c.grid);
    std::string_view rest = c.vuccGrids;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        add(trimmed(rest.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return squares;
}

// The confirmations bound for one database.
struct DatabaseBatch {
    std::vector<ImportedContact> squares;
    std::vector<std::size_t> squareOf;  // index into confirmations, per square
    std::vector<LedgerContact> ledger;
    std::vector<Confirmation> confirmations;
};

bool isSameContact(const StoredContact& stored, const LedgerContact& c) {
    return stored.contact.call == c.call && stored.contact.mode == c.mode &&
           std::llabs(stored.contact.time - c.time) <= kSameContactSeconds;
}

QString csvField(const std::string& text) {
    QString out = fromLatin1Text(text);
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

}  // namespace

QString serviceName(ConfirmationService service) {
    switch (service) {
        case ConfirmationService::Lotw:
            return QStringLiteral("LoTW");
        case ConfirmationService::Eqsl:
            return QStringLiteral("eQSL");
        case ConfirmationService::Qrz:
            return QStringLiteral("QRZ logbook");
    }
    return {};
}

ConfirmSource serviceSource(ConfirmationService service) {
    switch (service) {
        case ConfirmationService::Lotw:
            return ConfirmSource::Lotw;
        case ConfirmationService::Eqsl:
            return ConfirmSource::Eqsl;
        case ConfirmationService::Qrz:
            return ConfirmSource::Download;
    }
    return ConfirmSource::Download;
}

std::int64_t SyncReport::newlyConfirmedTotal() const {
    std::int64_t total = 0;
    for (const auto& [band, n] : newlyConfirmed) total += n;
    return total;
}

QString SyncReport::text() const {
    const auto count = [](std::int64_t n, const char* one, const char* many) {
        return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
    };
    QString out = QStringLiteral("Received ") + count(received, "confirmation", "confirmations") +
                  QStringLiteral(": ") + count(newlyConfirmedTotal(), "square", "squares") +
                  QStringLiteral(" newly confirmed");
    if (!newlyConfirmed.empty()) {
        QStringList bands;
        for (const auto& [band, n] : newlyConfirmed)
            bands << fromLatin1Text(band) + QLatin1Char(' ') + QString::number(n);
        out += QStringLiteral(" (") + bands.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    out += QStringLiteral(", ") + QString::number(alreadyConfirmed) +
           QStringLiteral(" already confirmed, ") + QString::number(unmatched.size()) +
           QStringLiteral(" unmatched");
    if (notConfirmed > 0)
        out += QStringLiteral(", ") + count(notConfirmed, "record", "records") +
               QStringLiteral(" not confirmed left out");
    for (const UnmatchedConfirmation& u : unmatched)
        out += QStringLiteral("\n  unmatched: ") + fromLatin1Text(u.call) + QLatin1Char(' ') +
               fromLatin1Text(u.date) + QLatin1Char(' ') + fromLatin1Text(u.band) +
               QLatin1Char(' ') + fromLatin1Text(u.grid) + QStringLiteral(" (") + u.reason +
               QLatin1Char(')');
    if (!ledgerText.isEmpty()) out += QLatin1Char('\n') + ledgerText;
    return out;
}

std::vector<FolderDatabase> folderDatabases(const QString& folder) {
    std::vector<FolderDatabase> out;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.qra")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        if (name.endsWith(QStringLiteral(" backup.qra"), Qt::CaseInsensitive)) continue;
        FolderDatabase db;
        db.path = dir.absoluteFilePath(name);
        db.band = upper(toLatin1Text(bandFromFileName(name)));
        db.ownSquare = upper(toLatin1Text(homeLocatorFromFileName(name).left(4)));
        out.push_back(std::move(db));
    }
    return out;
}

const FolderDatabase* databaseFor(const std::vector<FolderDatabase>& databases,
                                  std::string_view band, std::string_view myGrid,
                                  const BandDatabases& chosen) {
    if (const auto it = chosen.find(std::string(band)); it != chosen.end()) {
        for (const FolderDatabase& db : databases)
            if (db.band == band &&
                QFileInfo(db.path).fileName().compare(it->second, Qt::CaseInsensitive) == 0)
                return &db;
    }
    const FolderDatabase* only = nullptr;
    int ofBand = 0;
    const std::string mySquare = upper(myGrid.substr(0, 4));
    for (const FolderDatabase& db : databases) {
        if (db.band != band) continue;
        if (mySquare.size() == 4 && db.ownSquare == mySquare) return &db;
        only = &db;
        ++ofBand;
    }
    return ofBand == 1 ? only : nullptr;
}

bool applyConfirmations(const QString& folder, ConfirmationService service, std::string_view adif,
                        const DocumentOf& documentOf, const ChangelogStamp& stamp,
                        SyncReport& report, Error& error, const BandDatabases& chosen) {
    const std::vector<FolderDatabase> databases = folderDatabases(folder);
    std::map<QString, DatabaseBatch> batches;
    const auto unmatched = [&](const Confirmation& c, QString reason) {
        report.unmatched.push_back({c.call, isoDate(c.date), c.band, c.grid, std::move(reason)});
    };
    AdifParser parser([&](const AdifRecord& r) {
        const Confirmation c = readConfirmation(r, service);
        ++report.received;
        std::string ddmmyy;
        if (c.call.empty() || readLogDate(c.date, 8, ddmmyy) != LogDate::Read) {
            unmatched(c, QStringLiteral("no call or date"));
            return true;
        }
        const std::vector<std::string> squares = creditedSquares(c);
        if (squares.empty()) {
            unmatched(c, c.grid.empty() && c.vuccGrids.empty() ? QStringLiteral("no locator")
                                                               : QStringLiteral("not a locator"));
            return true;
        }
        const FolderDatabase* db = databaseFor(databases, c.band, c.myGrid, chosen);
        if (!db) {
            const bool any = std::any_of(databases.begin(), databases.end(),
                                         [&](const FolderDatabase& d) { return d.band == c.band; });
            unmatched(c, any ? QStringLiteral("more than one database of the band, none of "
                                              "MY_GRIDSQUARE's square")
                             : QStringLiteral("no database of the band"));
            return true;
        }
        DatabaseBatch& batch = batches[db->path];
        for (const std::string& locator : squares) {
            batch.squares.push_back({c.call, ddmmyy, locator, true});
            batch.squareOf.push_back(batch.confirmations.size());
        }
        LedgerContact lc;
        lc.call = c.call;
        lc.band = db->band;
        lc.mode = c.mode;
        lc.time = contactTime(c.date, c.time).value_or(contactTime(c.date, {}).value_or(0));
        lc.freq = c.freq;
        lc.locator = c.grid.substr(0, 10);
        lc.vuccGrids = c.vuccGrids;
        lc.propMode = c.propMode;
        lc.satName = c.satName;
        lc.myGrid = c.myGrid;
        lc.origin = serviceName(service);
        lc.confirm(serviceSource(service), c.confirmedOn);
        batch.ledger.push_back(std::move(lc));
        batch.confirmations.push_back(c);
        return true;
    });
    parser.expectBytes(adif.size());
    parser.feed(adif);
    parser.finish();

    Error ledgerError;
    QString notice;
    std::unique_ptr<Ledger> ledger =
        Ledger::open(folder, Ledger::Mode::ReadWrite, ledgerError, notice);
    QStringList ledgerNotes;
    if (!notice.isEmpty()) ledgerNotes << notice;
    if (ledgerError.isSet())
        ledgerNotes << QStringLiteral("The ledger took nothing: ") + ledgerError.message();
    LedgerReport ledgerReport;

    bool ok = true;
    for (auto& entry : batches) {
        // Named, not bound: older compilers refuse bindings captured by the lambdas below.
        const QString& path = entry.first;
        auto& batch = entry.second;
        const QString databaseFile = QFileInfo(path).fileName();
        // A confirmation that no contact of the ledger stands behind is told,
        // and still recorded: the service holds the contact, the log lacked it.
        if (ledger) {
            for (std::size_t i = 0; i < batch.ledger.size(); ++i) {
                std::vector<StoredContact> stored;
                Error lookup;
                const std::string square =
                    creditedSquares(batch.confirmations[i]).front().substr(0, 4);
                if (!ledger->contacts(databaseFile, upper(square), stored, lookup)) continue;
                if (std::none_of(stored.begin(), stored.end(), [&](const StoredContact& s) {
                        return isSameContact(s, batch.ledger[i]);
                    }))
                    unmatched(batch.confirmations[i], QStringLiteral("not in the ledger"));
            }
        }
        LiveImport journal(path, folder, folder);
        if (!journal.check(error)) {
            ok = false;
            break;
        }
        const std::shared_ptr<DatabaseDocument> document = documentOf(path);
        std::vector<LiveImport::Outcome> outcomes;
        const WriteOutcome outcome = document->run(
            [&](WriteContext& context, Error& workError) {
                std::unique_ptr<LedgerWrite> write;
                if (ledger) {
                    Error e;
                    write = ledger->begin(e);
                    if (write && !write->record(databaseFile, batch.ledger, ledgerReport, e)) {
                        write.reset();
                        ledgerNotes << QStringLiteral("The ledger took nothing: ") + e.message();
                    }
                }
                if (!journal.apply(context, serviceName(service) + QStringLiteral(" download"),
                                   stamp, batch.squares, outcomes, workError))
                    return false;
                // After the database: a kill before this commit loses only rows.
                if (write) {
                    Error e;
                    if (!write->commit(e))
                        ledgerNotes << QStringLiteral("The ledger took nothing: ") + e.message();
                }
                return true;
            },
            10'000);
        if (journal.begun()) document->leaveLiveJournal();
        if (!outcome.ok) {
            error = outcome.error;
            ok = false;
            break;
        }
        const std::string band = batch.ledger.empty() ? std::string() : batch.ledger.front().band;
        for (const LiveImport::Outcome& o : outcomes) {
            if (o.written)
                ++report.newlyConfirmed[band];
            else
                ++report.alreadyConfirmed;
        }
    }
    if (ledgerReport.contactsAdded + ledgerReport.contactsKnown > 0)
        ledgerNotes.prepend(ledgerReport.text());
    report.ledgerText = ledgerNotes.join(QLatin1Char('\n'));

    if (!report.unmatched.empty()) {
        const QString path = QDir(folder).absoluteFilePath(kUnmatchedFileName);
        std::string lines;
        if (!QFileInfo::exists(path)) lines = "service,downloaded,call,date,band,grid,reason\n";
        for (const UnmatchedConfirmation& u : report.unmatched) {
            const QString line = QStringList{csvField(toLatin1Text(serviceName(service))),
                                             csvField(stamp.date),
                                             csvField(u.call),
                                             csvField(u.date),
                                             csvField(u.band),
                                             csvField(u.grid),
                                             csvField(toLatin1Text(u.reason))}
                                     .join(QLatin1Char(','));
            lines += toLatin1Text(line) + '\n';
        }
        Error e;
        if (!appendSynced(path, lines, e) && ok) {
            error = e;
            ok = false;
        }
    }
    return ok;
}

}  // namespace morvel
