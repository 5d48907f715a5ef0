#include <QDate>
#include <QFileInfo>
#include <cstdio>

#include "database/qra_file.h"
#include "app/cli_commands.h"
#include "database/qra_names.h"
#include "maps/field_map_renderer.h"
#include "statistics/award_list.h"
#include "statistics/needed_squares.h"
#include "statistics/overview.h"

namespace morvel::cli {
namespace {

int overview(const Invocation& call) {
    const QString folder = call.dir.absoluteFilePath(call.args.value(0, QStringLiteral(".")));
    if (!QFileInfo(folder).isDir()) {
        call.io.err << "Not a folder: " << folder << "\n";
        return kFailed;
    }
    const Overview o = buildOverview(folder);
    const QString text = call.options.isSet("csv") ? overviewCsv(o) : overviewTable(o);
    call.io.out << text.toUtf8().toStdString();
    return kOk;
}

int needed(const Invocation& call) {
    double within = 20000;
    if (call.options.isSet("within")) {
        bool ok = false;
        within = call.options.value("within").toDouble(&ok);
        if (!ok || within < 0) {
            call.io.err << "Not a distance in km: " << call.options.value("within") << "\n";
            return kFailed;
        }
    }
    const NeededMode mode =
        call.options.isSet("unconfirmed") ? NeededMode::Unconfirmed : NeededMode::NotWorked;
    std::vector<NeededSquare> squares;
    Error error;
    if (!readNeededSquares(call.dir.absoluteFilePath(call.args[0]), within, mode, squares, error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    for (const NeededSquare& s : squares) {
        char line[64];
        std::snprintf(line, sizeof line, "%s %8.1f km %4.0f deg\n", s.square.c_str(),
                      static_cast<double>(s.km), static_cast<double>(s.bearing));
        call.io.out << line;
    }
    return kOk;
}

int awardList(const Invocation& call) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    std::vector<FieldRecord> records;
    Error error;
    if (!readDatabase(path, records, error)) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    AwardList list =
        buildAwardList(records, QFileInfo(path).fileName(), call.options.isSet("confirmed"));
    if (!addLedgerSources(list, path, error))
        call.io.err << "The ledger could not be read: " << error.message() << "\n";
    error = {};
    const QString out = call.dir.absoluteFilePath(call.args[1]);
    if (!writeAwardList(list, out, QDate::currentDate(), error)) {
        call.io.err << "The award list could not be written: " << error.message() << "\n";
        return kFailed;
    }
    call.io.out << QFileInfo(out).absoluteFilePath() << "\n";
    return kOk;
}

}  // namespace

std::vector<Command> bandCommands() {
    const Argument database = {"DB", "the database, a .qra file"};
    return {
        {"overview",
         "every database of a folder: squares, fields, ODX and VUCC progress",
         {{"FOLDER", "the folder of the databases (default the current one)", true}},
         {{"csv", nullptr, "CSV (RFC 4180, UTF-8, a header row) instead of the table"}},
         overview},
        {"needed",
         "the squares not yet worked near the database's locator, nearest first",
         {database},
         {{"within", "KM", "only squares this near (default 20000)"},
          {"unconfirmed", nullptr, "the squares worked but not confirmed instead"}},
         needed},
        {"award-list",
         "the worked squares field by field for an award checker, as CSV or PDF",
         {database, {"OUT", "the file to write, PDF when it ends in .pdf, else CSV"}},
         {{"confirmed", nullptr, "only the confirmed squares"}},
         awardList},
    };
}

}  // namespace morvel::cli
