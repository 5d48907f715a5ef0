#include "app/cli.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QRegularExpression>
#include <cstdio>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "database/create_database.h"
#include "database/qra_file.h"
#include "database/qra_names.h"
#include "geo/locator.h"
#include "import/import_frame.h"
#include "maps/field_map_renderer.h"
#include "maps/field_view_renderer.h"
#include "maps/image_file.h"
#include "menu/statistics.h"
#include "menu/summary.h"

namespace morvel {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Names and messages in the system's encoding, as the terminal shows them.
std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << text.toLocal8Bit().toStdString();
}

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
    for (const auto& b : bandList())
        if (fromLatin1Text(b).compare(a[0], Qt::CaseInsensitive) == 0)
            request.band = fromLatin1Text(b);
    if (request.band.isEmpty()) {
        io.err << kMsgSelectBand << "\nBands:";
        for (const auto& b : bandList()) io.err << " " << b;
        io.err << "\n";
        return kFailed;
    }
    request.locator = a[1];
    request.tag = a.size() > 2 ? a[2] : QString();
    const CreateOutcome outcome = createDatabase(dir, request);
    if (!outcome.created) {
        io.err << outcome.message << "\n";
        return kFailed;
    }
    io.out << outcome.fileName << "\n";
    return kOk;
}

int stats(const QStringList& a, CliStreams& io, const QDir& dir) {
    const QString path = dir.absoluteFilePath(a[0]);
    const QString name = QFileInfo(path).fileName();
    Error error;
    const QString folder = QFileInfo(path).absolutePath();
    if (!recoverInterruptedImport(path, folder, folder, error)) {
        io.err << "An earlier import could not be completed: " << error.message() << "\n";
        return kFailed;
    }
    const auto s = computeStatistics(path, toLatin1Text(homeLocatorFromFileName(name)), error);
    if (!s) {
        io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    if (const QString warning = databaseSizeWarning(name, s->fileSize); !warning.isEmpty())
        io.err << warning << "\n";
    const StatisticsCaptions c = statisticsCaptions(*s, name.toLocal8Bit().toStdString());
    io.out << c.label5 << "\n"
           << c.label3 << "\n"
           << c.label4 << "\n"
           << c.label2 << "\n"
           << c.label7 << "\n";
    return kOk;
}

// The folder of the database holds the scratch copy, the change log and the backup.
int runImportCommand(ImportKind kind, const QStringList& a, CliStreams& io, const QDir& dir) {
    const QFileInfo database(dir.absoluteFilePath(a[0]));
    ImportRequest request;
    request.kind = kind;
    request.databasePath = database.absoluteFilePath();
    request.logPath = dir.absoluteFilePath(a[1]);
    request.workDir = database.absolutePath();
    request.backupDir = database.absolutePath();
    const bool yes = a.size() > 2;
    bool progressShown = false;
    request.ask = [&](const QString& question) {
        if (std::exchange(progressShown, false)) io.err << "\n";
        io.out << question << "\n";
        if (yes) return true;
        io.out << "OK? [y/N] " << std::flush;
        std::string answer;
        std::getline(io.in, answer);
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    };
    // On a terminal only: scripts read standard error as it is.
    if (io.terminal) {
        request.progress = [&](const ImportProgress& p) {
            io.err << "\r" << p.contactsRead << " contacts read, " << p.squaresWritten
                   << " new squares" << std::flush;
            progressShown = true;
        };
    }
    const ImportResult result = runImport(request);
    if (progressShown) io.err << "\n";
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
    if (!result.error.isEmpty()) {
        io.err << result.error << "\n";
        return kFailed;
    }
    return kOk;
}

int importAdif(const QStringList& a, CliStreams& io, const QDir& dir) {
    if (a.size() > 2 && a[2] != QLatin1String("--yes")) {
        io.err << "usage: morvel-cli import-adif DB LOG [--yes]\n";
        return kUsage;
    }
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
    const QString path = dir.absoluteFilePath(a[0]);
    const QString name = QFileInfo(path).fileName();
    const SummaryMode mode = a.size() > 2 ? SummaryMode::Confirmed : SummaryMode::Worked;
    Error error;
    if (!writeSummary(path, dir.absoluteFilePath(a[1]), name,
                      toLatin1Text(homeLocatorFromFileName(name)), mode, error)) {
        io.err << "The summary could not be written: " << error.message() << "\n";
        return kFailed;
    }
    return kOk;
}

// Options after the fixed arguments: those named in withValue take the next
// argument, the flags none. Anything else is a usage error.
bool parseOptions(const QStringList& a, int fixed, const QStringList& withValue,
                  const QStringList& flags, QMap<QString, QString>& options) {
    for (int k = fixed; k < a.size(); ++k) {
        if (flags.contains(a[k]) && !options.contains(a[k])) {
            options.insert(a[k], {});
        } else if (withValue.contains(a[k]) && !options.contains(a[k]) && k + 1 < a.size()) {
            options.insert(a[k], a[k + 1]);
            ++k;
        } else {
            return false;
        }
    }
    return true;
}

// "WIDTHxHEIGHT", each 1 to 16384 pixels.
bool parseSize(const QMap<QString, QString>& options, QSize& size, CliStreams& io) {
    if (!options.contains("--size")) return true;
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const auto m = pattern.match(options["--size"]);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (w < 1 || h < 1 || w > 16384 || h > 16384) {
        io.err << "Not a picture size: " << options["--size"]
               << " (WIDTHxHEIGHT, 1 to 16384 pixels each)\n";
        return false;
    }
    size = QSize(w, h);
    return true;
}

// The outline files lie beside the program.
QDir mapFolder() {
    return QDir(QCoreApplication::applicationDirPath());
}

int writePicture(const QImage& image, const QString& path, CliStreams& io) {
    Error error;
    if (!saveImage(image, path, error)) {
        io.err << "The picture could not be written: " << error.message() << "\n";
        return kFailed;
    }
    io.out << QFileInfo(path).absoluteFilePath() << "\n";
    return kOk;
}

int map(const QStringList& a, CliStreams& io, const QDir& dir) {
    QMap<QString, QString> options;
    if (!parseOptions(a, 2, {"--view", "--size"}, {}, options)) {
        io.err << "usage: morvel-cli map DB OUT [--view world|europe|na] [--size WxH]\n";
        return kUsage;
    }
    int view = kViewWorld;
    if (options.contains("--view")) {
        const QString v = options["--view"].toLower();
        view = v == "world"    ? kViewWorld
               : v == "europe" ? kViewEurope
               : v == "na"     ? kViewNorthAmerica
                               : 0;
        if (view == 0) {
            io.err << "Not a view: " << options["--view"] << " (world, europe or na)\n";
            return kFailed;
        }
    }
    QSize size(1016, 742);
    if (!parseSize(options, size, io)) return kFailed;
    std::string database;
    Error error;
    if (!readMapDatabase(dir.absoluteFilePath(a[0]), database, error)) {
        io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    std::vector<OutlinePoint> outline;
    readOutlineFile(mapFolder().filePath(kWorldFile), outline, error);  // missing: no outline
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawFieldMap(painter, size, database, outline, view);
    painter.end();
    return writePicture(image, dir.absoluteFilePath(a[1]), io);
}

int field(const QStringList& a, CliStreams& io, const QDir& dir) {
    QMap<QString, QString> options;
    if (!parseOptions(a, 3, {"--size"}, {"--states"}, options)) {
        io.err << "usage: morvel-cli field DB FIELD OUT [--states] [--size WxH]\n";
        return kUsage;
    }
    const std::string name = upperLatin1(toLatin1Text(a[1]));
    if (name.size() != 2 || name[0] < 'A' || name[0] > 'R' || name[1] < 'A' || name[1] > 'R') {
        io.err << "Not a field: " << a[1] << " (AA to RR)\n";
        return kFailed;
    }
    QSize size(1501, 602);
    if (!parseSize(options, size, io)) return kFailed;
    Error error;
    FieldRecord record;
    if (!readRecord(dir.absoluteFilePath(a[0]), recordNumber(name[0], name[1]), record, error)) {
        io.err << "Cannot read the database: " << error.message() << "\n";
        return kFailed;
    }
    const int view = options.contains("--states") ? kViewNorthAmerica : kViewWorld;
    FieldOutlines outlines;
    loadFieldOutlines(mapFolder(), view, outlines);
    const FieldPick pick = fieldByIndex(name[0] - 'A', name[1] - 'A');
    QImage image(size, QImage::Format_RGB32);
    // 96 dots per inch, as on a screen, for the 16-point square numbers.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(QColor(255, 224, 192));
    QPainter painter(&image);
    drawFieldView(painter, size, record, fieldOrigin(pick.fieldwest, pick.fieldsouth), outlines,
                  view);
    painter.end();
    return writePicture(image, dir.absoluteFilePath(a[2]), io);
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"distance", "distance FROM TO", 2, 2, distance},
        {"create", "create BAND LOCATOR [TAG]", 2, 3, create},
        {"stats", "stats DB", 1, 1, stats},
        {"import-adif", "import-adif DB LOG [--yes]", 2, 3, importAdif},
        {"import-edi", "import-edi DB LOG [--yes]", 2, 3, importEdi},
        {"summary", "summary DB OUT [--confirmed]", 2, 3, summary},
        {"map", "map DB OUT [--view world|europe|na] [--size WxH]", 2, 6, map},
        {"field", "field DB FIELD OUT [--states] [--size WxH]", 3, 6, field},
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
    if (args.size() == 1 && args[0] == QLatin1String("--version")) {
        streams.out << "morvel-cli " MORVEL_VERSION "\n";
        return kOk;
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
