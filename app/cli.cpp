#include "app/cli.h"

#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "database/create_database.h"
#include "database/qra_names.h"
#include "geo/locator.h"
#include "import/import_frame.h"
#include "menu/statistics.h"
#include "menu/summary.h"

namespace morvel {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Command {
    const char* name;
    const char* usage;
    int minArgs;
    int maxArgs;
    std::function<int(const QStringList&, CliStreams&, const QDir&)> run;
};

int distance(const QStringList& a, CliStreams& io, const QDir&) {
    const std::string from = toLatin1Text(a[0]);
    const std::string to = toLatin1Text(a[1]);
    for (const auto& loc : {from, to}) {
        if (!isValidLocator(loc)) {
            io.err << "Not a locator: " << loc << "\n";
            return kFailed;
        }
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(LocatorDistance(from, to)));
    io.out << buffer << "\n";
    return kOk;
}

int create(const QStringList& a, CliStreams& io, const QDir& dir) {
    CreateRequest request;
    const std::string band = toLatin1Text(a[0]);
    for (const auto& b : bandList())
        if (upperLatin1(b) == upperLatin1(band)) request.band = b;
    if (request.band.empty()) {
        io.err << kMsgSelectBand << "\nBands:";
        for (const auto& b : bandList()) io.err << " " << b;
        io.err << "\n";
        return kFailed;
    }
    request.locator = toLatin1Text(a[1]);
    request.tag = a.size() > 2 ? toLatin1Text(a[2]) : std::string();
    SharedState state;
    const CreateOutcome outcome = createDatabase(dir, request, state);
    if (!outcome.created) {
        io.err << outcome.message << "\n";
        return kFailed;
    }
    io.out << outcome.fileName << "\n";
    return kOk;
}

int stats(const QStringList& a, CliStreams& io, const QDir& dir) {
    const QString path = dir.filePath(a[0]);
    const std::string name = toLatin1Text(QFileInfo(path).fileName());
    std::string error;
    const auto s = computeStatistics(path, homeLocatorFromFileName(name), error);
    if (!s) {
        io.err << "Cannot read the database: " << error << "\n";
        return kFailed;
    }
    const StatisticsCaptions c = statisticsCaptions(*s, name);
    io.out << c.label5 << "\n"
           << c.label3 << "\n"
           << c.label4 << "\n"
           << c.label2 << "\n"
           << c.label7 << "\n";
    return kOk;
}

// The folder of the database holds the scratch copy, the change log and the backup.
int runImportCommand(ImportKind kind, const QStringList& a, CliStreams& io, const QDir& dir) {
    const QFileInfo database(dir.filePath(a[0]));
    ImportRequest request;
    request.kind = kind;
    request.databasePath = database.absoluteFilePath();
    request.filename = toLatin1Text(database.fileName());
    request.band = bandFromFileName(request.filename);
    request.logPath = QFileInfo(dir.filePath(a[1])).absoluteFilePath();
    request.workDir = database.absolutePath();
    request.backupDir = database.absolutePath();
    const bool yes = a.size() > 2;
    request.ask = [&](const std::string& question) {
        io.out << question << "\n";
        if (yes) return true;
        io.out << "OK? [y/N] " << std::flush;
        std::string answer;
        std::getline(io.in, answer);
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    };
    const ImportResult result = runImport(request);
    switch (result.end) {
        case ImportResult::End::Failed:
            io.err << result.error << "\n";
            return kFailed;
        case ImportResult::End::Cancelled:
            io.out << "No changes made\n";
            return kOk;
        case ImportResult::End::Finished:
            break;
    }
    io.out << result.closingMessage() << "\n";
    if (!result.error.empty()) {
        io.err << result.error << "\n";
        return kFailed;
    }
    return kOk;
}

int importAdif(const QStringList& a, CliStreams& io, const QDir& dir) {
    return runImportCommand(ImportKind::Adif, a, io, dir);
}

int importEdi(const QStringList& a, CliStreams& io, const QDir& dir) {
    if (a.size() > 2 && a[2] != QLatin1String("--yes")) {
        io.err << "usage: morvel-cli import-edi DB LOG [--yes]\n";
        return kUsage;
    }
    return runImportCommand(ImportKind::Edi, a, io, dir);
}

int summary(const QStringList& a, CliStreams& io, const QDir& dir) {
    if (a.size() > 2 && a[2] != QLatin1String("--confirmed")) {
        io.err << "usage: morvel-cli summary DB OUT [--confirmed]\n";
        return kUsage;
    }
    const QString path = dir.filePath(a[0]);
    const std::string name = toLatin1Text(QFileInfo(path).fileName());
    const SummaryMode mode = a.size() > 2 ? SummaryMode::Confirmed : SummaryMode::Worked;
    std::string error;
    if (!writeSummary(path, dir.filePath(a[1]), name, homeLocatorFromFileName(name), mode, error)) {
        io.err << "The summary could not be written: " << error << "\n";
        return kFailed;
    }
    return kOk;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"distance", "distance FROM TO", 2, 2, distance},
        {"create", "create BAND LOCATOR [TAG]", 2, 3, create},
        {"stats", "stats DB", 1, 1, stats},
        {"import-adif", "import-adif DB LOG", 2, 2, importAdif},
        {"import-edi", "import-edi DB LOG [--yes]", 2, 3, importEdi},
        {"summary", "summary DB OUT [--confirmed]", 2, 3, summary},
    };
    return table;
}

void printUsage(std::ostream& err) {
    err << "usage: morvel-cli COMMAND [ARGS]\n";
    for (const auto& c : commands()) err << "  morvel-cli " << c.usage << "\n";
}

}  // namespace

int runCli(const QStringList& args, CliStreams streams, const QDir& workingDir) {
    if (args.isEmpty()) {
        printUsage(streams.err);
        return kUsage;
    }
    for (const auto& c : commands()) {
        if (args[0] != QLatin1String(c.name)) continue;
        const QStringList rest = args.mid(1);
        if (rest.size() < c.minArgs || rest.size() > c.maxArgs) {
            streams.err << "usage: morvel-cli " << c.usage << "\n";
            return kUsage;
        }
        return c.run(rest, streams, workingDir);
    }
    streams.err << "Unknown command: " << args[0].toStdString() << "\n";
    printUsage(streams.err);
    return kUsage;
}

}  // namespace morvel
