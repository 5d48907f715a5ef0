#include "app/cli.h"

#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <istream>
#include <ostream>
#include <vector>

#include "database/create_database.h"
#include "database/qra_names.h"
#include "geo/locator.h"
#include "menu/statistics.h"

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

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"distance", "distance FROM TO", 2, 2, distance},
        {"create", "create BAND LOCATOR [TAG]", 2, 3, create},
        {"stats", "stats DB", 1, 1, stats},
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
