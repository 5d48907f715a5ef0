#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <istream>
#include <string>
#include <utility>

#include "database/database_lock.h"
#include "database/database_document.h"
#include "app/cli_commands.h"
#include "database/create_database.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "geo/locator.h"
#include "import/import_frame.h"
#include "statistics/statistics.h"
#include "statistics/summary.h"

namespace morvel::cli {
namespace {

int distance(const Invocation& call) {
    const std::string from = toLatin1Text(call.args[0]);
    const std::string to = toLatin1Text(call.args[1]);
    for (const auto& loc : {from, to}) {
        if (!isValidLocator(loc)) {
            call.io.err << "Not a locator: " << loc << "\n";
            return kFailed;
        }
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(LocatorDistance(from, to)));
    call.io.out << buffer << "\n";
    return kOk;
}

int create(const Invocation& call) {
    CreateRequest request;
    for (const auto& b : bandList())
        if (fromLatin1Text(b).compare(call.args[0], Qt::CaseInsensitive) == 0)
            request.band = fromLatin1Text(b);
    if (request.band.isEmpty()) {
        call.io.err << kMsgSelectBand << "\nBands:";
        for (const auto& b : bandList()) call.io.err << " " << b;
        call.io.err << "\n";
        return kFailed;
    }
    request.locator = call.args[1];
    request.tag = call.args.value(2);
    const CreateOutcome outcome = createDatabase(call.dir, request);
    if (!outcome.created) {
        call.io.err << outcome.message << "\n";
        return kFailed;
    }
    call.io.out << outcome.fileName << "\n";
    return kOk;
}

int stats(const Invocation& call) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    const QString name = QFileInfo(path).fileName();
    Error error;
    const QString folder = QFileInfo(path).absolutePath();
    if (!recoverInterruptedImport(path, folder, folder, error)) {
        call.io.err << "An earlier import could not be completed: " << error.message() << "\n";
        return kFailed;
    }
    const auto s = computeStatistics(path, toLatin1Text(homeLocatorFromFileName(name)), error);
    if (!s) {
        call.io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    if (const QString warning = databaseSizeWarning(name, s->fileSize); !warning.isEmpty())
        call.io.err << warning << "\n";
    const StatisticsCaptions c = statisticsCaptions(*s, name.toLocal8Bit().toStdString());
    call.io.out << c.fileLine << "\n"
                << c.squaresWorkedLine << "\n"
                << c.squaresConfirmedLine << "\n"
                << c.fieldsWorkedLine << "\n"
                << c.odxLine << "\n";
    return kOk;
}

// A question goes to standard output; --yes answers it there, otherwise a
// line of standard input starting with y does.
std::function<bool(const QString&)> asker(const Invocation& call, bool& progressShown) {
    return [&call, &progressShown, yes = call.options.isSet("yes")](const QString& question) {
        if (std::exchange(progressShown, false)) call.io.err << "\n";
        call.io.out << question << "\n";
        if (yes) return true;
        call.io.out << "OK? [y/N] " << std::flush;
        std::string answer;
        std::getline(call.io.in, answer);
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    };
}

// import-adif's options; false with the reason on standard error.
bool readAdifOptions(const Invocation& call, AdifOptions& options) {
    QString bad;
    options.vuccGrids = call.options.isSet("vucc-grids");
    if (call.options.isSet("confirmed-by") &&
        !parseConfirmedBy(call.options.value("confirmed-by"), options.confirmedBy, bad)) {
        call.io.err << "Not a confirmation source: " << bad << " (card, lotw, eqsl)\n";
        return false;
    }
    for (const auto& [name, modes] : {std::pair{"prop-mode", &options.propModes},
                                      std::pair{"not-prop-mode", &options.notPropModes}}) {
        if (call.options.isSet(name) && !parsePropModes(call.options.value(name), *modes, bad)) {
            call.io.err << "Not an ADIF PROP_MODE: " << bad << " (";
            for (const std::string& m : knownPropModes())
                call.io.err << (&m == &knownPropModes().front() ? "" : ", ") << m;
            call.io.err << ")\n";
            return false;
        }
    }
    return true;
}

// The folder of the database holds the scratch copy, the change log and the backup.
int importLog(ImportKind kind, const Invocation& call) {
    const QFileInfo database(call.dir.absoluteFilePath(call.args[0]));
    ImportRequest request;
    if (kind == ImportKind::Adif && !readAdifOptions(call, request.adif)) return kFailed;
    request.kind = kind;
    request.ledger = !call.options.isSet("no-ledger");
    request.databasePath = database.absoluteFilePath();
    request.logPath = call.dir.absoluteFilePath(call.args[1]);
    request.workDir = database.absolutePath();
    request.backupDir = database.absolutePath();
    bool progressShown = false;
    request.ask = asker(call, progressShown);
    // On a terminal only: scripts read standard error as it is.
    if (call.io.terminal) {
        request.progress = [&](const ImportProgress& p) {
            call.io.err << "\r" << p.contactsRead << " contacts read, " << p.squaresWritten
                        << " new squares" << std::flush;
            progressShown = true;
        };
    }
    // Through the database's owner, as the window imports.
    DatabaseDocument document(request.databasePath, request.workDir);
    request.lockHeld = true;
    ImportResult result;
    const WriteOutcome outcome = document.run(
        [&](WriteContext& context, Error&) {
            result = runImport(request);
            if (result.squaresWritten > 0) context.markWritten();
            return true;
        },
        DatabaseLock::kWaitMs);
    if (!outcome.ok) {
        result.end = ImportResult::End::Failed;
        result.error = outcome.error.message();
    }
    if (progressShown) call.io.err << "\n";
    if (!outcome.takenOver.isEmpty()) call.io.err << outcome.takenOver << "\n";
    switch (result.end) {
        case ImportResult::End::Failed:
            call.io.err << result.error << "\n";
            return kFailed;
        case ImportResult::End::Cancelled:
            call.io.out << "No changes made\n";
            return kOk;
        case ImportResult::End::Finished:
            break;
    }
    call.io.out << result.closingMessage() << "\n";
    if (!result.ledgerText.isEmpty()) call.io.out << result.ledgerText << "\n";
    if (!result.error.isEmpty()) {
        call.io.err << result.error << "\n";
        return kFailed;
    }
    return kOk;
}

int summary(const Invocation& call) {
    const QString path = call.dir.absoluteFilePath(call.args[0]);
    const QString name = QFileInfo(path).fileName();
    const SummaryMode mode =
        call.options.isSet("confirmed") ? SummaryMode::Confirmed : SummaryMode::Worked;
    Error error;
    if (!writeSummary(path, call.dir.absoluteFilePath(call.args[1]), name,
                      toLatin1Text(homeLocatorFromFileName(name)), mode, error)) {
        call.io.err << "The summary could not be written: " << error.message() << "\n";
        return kFailed;
    }
    return kOk;
}

}  // namespace

std::vector<Command> databaseCommands() {
    const Argument database = {"DB", "the database, a .qra file"};
    return {
        {"distance",
         "km between two locators, one decimal",
         {{"FROM", "a locator, as JO62QM (JO62 stands for its middle, JO62MM)"},
          {"TO", "another locator"}},
         {},
         distance},
        {"create",
         "a new empty database in the current folder; prints its name",
         {{"BAND", "10m, 6m, 4m, 2m, 70cm, 23cm, 13cm, 9cm, 6cm or 3cm"},
          {"LOCATOR", "the home locator, as JO62QM"},
          {"TAG", "a word to tell databases of one band and locator apart", true}},
         {},
         create},
        {"stats", "the five statistics lines of the main menu", {database}, {}, stats},
        {"import-adif",
         "import an ADIF log into a database",
         {database, {"LOG", "the ADIF log"}},
         {{"yes", nullptr, "answer yes to importing into a database of an unusual size"},
          {"vucc-grids", nullptr, "a contact whose VUCC_GRIDS lists 2 or 4 squares credits each"},
          {"confirmed-by", "card,lotw,eqsl",
           "the received statuses that confirm a square (default all three)"},
          {"prop-mode", "MODE[,MODE]", "only contacts with these ADIF PROP_MODE values"},
          {"not-prop-mode", "MODE[,MODE]", "leave out contacts with these PROP_MODE values"},
          {"no-ledger", nullptr, "squares only: the contacts stay out of the folder's ledger"}},
         [](const Invocation& call) { return importLog(ImportKind::Adif, call); }},
        {"import-edi",
         "import an EDI log into a database",
         {database, {"LOG", "the EDI log"}},
         {{"yes", nullptr, "answer yes to the log's band and to a database of an unusual size"},
          {"no-ledger", nullptr, "squares only: the contacts stay out of the folder's ledger"}},
         [](const Invocation& call) { return importLog(ImportKind::Edi, call); }},
        {"summary",
         "write the text summary of a database to OUT",
         {database, {"OUT", "the text file to write"}},
         {{"confirmed", nullptr, "only the confirmed squares (default: all worked, * confirmed)"}},
         summary},
    };
}

}  // namespace morvel::cli
