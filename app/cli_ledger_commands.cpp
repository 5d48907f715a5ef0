#include <QFileInfo>

#include "app/cli_commands.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "import/contact.h"
#include "ledger/ledger.h"
#include "statistics/overview.h"

namespace morvel::cli {
namespace {

int awards(const Invocation& call) {
    const QString folder = call.dir.absoluteFilePath(call.args.value(0, QStringLiteral(".")));
    if (!QFileInfo(folder).isDir()) {
        call.io.err << "Not a folder: " << folder << "\n";
        return kFailed;
    }
    const Overview o = buildOverview(folder);
    const QString text = call.options.isSet("csv") ? awardsCsv(o) : awardsTable(o);
    call.io.out << text.toUtf8().toStdString();
    return kOk;
}

std::string confirmationsText(const StoredContact& c) {
    std::string out;
    for (const StoredConfirmation& k : c.confirmations) {
        out += out.empty() ? "" : ", ";
        out += confirmSourceName(k.source);
        if (!k.date.empty()) out += " " + k.date;
    }
    return out;
}

int contacts(const Invocation& call) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    const QFileInfo info(path);
    std::optional<std::string> square;
    if (call.args.size() > 1) {
        const std::string locator = toLatin1Text(call.args[1]);
        if (locator.size() < 4 || !namesSquare(upperLatin1(locator.substr(0, 4)))) {
            call.io.err << "Not a locator: " << call.args[1] << "\n";
            return kFailed;
        }
        square = upperLatin1(locator.substr(0, 4));
    }
    std::vector<FieldRecord> records;
    Error error;
    if (!readDatabase(path, records, error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    QString notice;
    const auto ledger = Ledger::open(info.absolutePath(), Ledger::Mode::ReadOnly, error, notice);
    std::vector<StoredContact> list;
    if (ledger) ledger->contacts(info.fileName(), square, list, error);
    if (error.isSet()) {
        call.io.err << "Cannot read the ledger: " << error.message() << "\n";
        return kFailed;
    }
    // A confirmation the database does not hold is not shown: the .qra is
    // the record, the ledger only says who confirmed what it holds.
    const auto confirmedInDatabase = [&](const LedgerContact& c) {
        for (int s : creditedSquares(c)) {
            const auto record = static_cast<std::size_t>(s / 100);
            if (record < records.size() &&
                records[record].entries[static_cast<std::size_t>(s % 100)].isConfirmed())
                return true;
        }
        return false;
    };
    for (const StoredContact& c : list) {
        const LedgerContact& k = c.contact;
        std::string line = contactTimeText(k.time) + "  " + k.call + "  " + k.band;
        if (!k.mode.empty()) line += "  " + k.mode;
        line += "  " + k.locator;
        if (!k.vuccGrids.empty()) line += " (" + k.vuccGrids + ")";
        if (!k.propMode.empty()) line += "  " + k.propMode;
        if (!k.satName.empty()) line += " " + k.satName;
        const std::string confirmations = confirmedInDatabase(k) ? confirmationsText(c) : "";
        line += confirmations.empty() ? "  not confirmed" : "  confirmed: " + confirmations;
        call.io.out << line << "  [" << k.origin << "]\n";
    }
    if (square) {
        const int s = (recordOfLocator(*square) - 1) * 100 + slotOfLocator(*square);
        const bool held = static_cast<std::size_t>(s / 100) < records.size() &&
                          records[static_cast<std::size_t>(s / 100)]
                              .entries[static_cast<std::size_t>(s % 100)]
                              .isConfirmed();
        const QString sources = confirmingSources(list, held);
        if (!sources.isEmpty()) call.io.out << *square << " confirmed by: " << sources << "\n";
    }
    return kOk;
}

}  // namespace

std::vector<Command> ledgerCommands() {
    return {
        {"awards",
         "VUCC, Satellite VUCC and FFMA counts from the folder's ledger",
         {{"FOLDER", "the folder of the databases (default the current one)", true}},
         {{"csv", nullptr, "CSV (RFC 4180, UTF-8, a header row) instead of the text"}},
         awards},
        {"contacts",
         "the ledger's contacts of a database or one square, with confirmations",
         {{"DB", "the database, a .qra file"},
          {"LOCATOR", "only the contacts crediting this square (JO62 or JO62QM)", true}},
         {},
         contacts},
    };
}

}  // namespace morvel::cli
