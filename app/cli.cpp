#include "app/cli.h"

#include <QCommandLineParser>
#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/cli_commands.h"

namespace morvel {
namespace cli {

std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << text.toLocal8Bit().toStdString();
}

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

const std::vector<Command>& commands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> list = databaseCommands();
        for (Command& c : pictureCommands()) list.push_back(std::move(c));
        for (Command& c : bandCommands()) list.push_back(std::move(c));
        for (Command& c : ledgerCommands()) list.push_back(std::move(c));
        for (Command& c : listenCommands()) list.push_back(std::move(c));
        for (Command& c : syncCommands()) list.push_back(std::move(c));
        return list;
    }();
    return all;
}

std::string optionLabel(const Option& o) {
    return std::string("--") + o.name + (o.valueName ? std::string(" ") + o.valueName : "");
}

std::string usageLine(const Command& c) {
    std::string line = std::string("usage: morvel-cli ") + c.name;
    for (const Argument& a : c.arguments)
        line += a.optional ? std::string(" [") + a.name + "]" : std::string(" ") + a.name;
    for (const Option& o : c.options) line += " [" + optionLabel(o) + "]";
    return line + "\n";
}

// A heading, then each label with its text, the texts in one column.
void printRows(std::ostream& out, const char* heading, const Rows& rows) {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    out << "\n" << heading << "\n";
    for (const auto& [label, text] : rows)
        out << "  " << label << std::string(width + 2 - label.size(), ' ') << text << "\n";
}

void printCommandHelp(const Command& c, std::ostream& out) {
    out << usageLine(c) << "\n" << c.summary << "\n";
    Rows arguments;
    for (const Argument& a : c.arguments) arguments.emplace_back(a.name, a.help);
    if (!arguments.empty()) printRows(out, "Arguments:", arguments);
    Rows options;
    for (const Option& o : c.options) options.emplace_back(optionLabel(o), o.help);
    options.emplace_back("-h, --help", "show this help");
    printRows(out, "Options:", options);
}

void printOverview(std::ostream& out) {
    out << "usage: morvel-cli COMMAND ARGUMENTS [OPTIONS]\n"
           "       morvel-cli COMMAND --help\n"
           "       morvel-cli --help | --version\n"
           "\n"
           "Worked and confirmed locator squares in .qra databases; relative paths\n"
           "are taken from the current folder.\n";
    Rows rows;
    for (const Command& c : commands()) rows.emplace_back(c.name, c.summary);
    printRows(out, "Commands:", rows);
    out << "\n"
           "Exit codes:\n"
           "  0  done\n"
           "  1  failed: refused, or a file could not be read or written\n"
           "     (the message on standard error)\n"
           "  2  usage error (the usage on standard error)\n";
}

int usageError(const Command& c, const QString& reason, CliStreams& io) {
    io.err << usageLine(c);
    if (!reason.isEmpty()) io.err << reason << "\n";
    return kUsage;
}

// The arguments in the declared number, each option at most once.
bool wellFormed(const Command& c, const QCommandLineParser& parser) {
    const QStringList given = parser.optionNames();
    for (const Option& o : c.options)
        if (given.count(QString::fromLatin1(o.name)) > 1) return false;
    const auto required = std::count_if(c.arguments.begin(), c.arguments.end(),
                                        [](const Argument& a) { return !a.optional; });
    const auto count = parser.positionalArguments().size();
    return count >= required && count <= static_cast<qsizetype>(c.arguments.size());
}

int runCommand(const Command& c, const QStringList& args, CliStreams& io, const QDir& dir) {
    QCommandLineParser parser;
    // "-x.qra" is named as itself in the message, not as five letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "show this help");
    parser.addOption(help);
    for (const Option& o : c.options) {
        parser.addOption(o.valueName ? QCommandLineOption(o.name, o.help, o.valueName)
                                     : QCommandLineOption(o.name, o.help));
    }
    if (!parser.parse(QStringList{"morvel-cli"} + args))
        return usageError(c, parser.errorText(), io);
    if (parser.isSet(help)) {
        printCommandHelp(c, io.out);
        return kOk;
    }
    if (!wellFormed(c, parser)) return usageError(c, {}, io);
    return c.run({parser.positionalArguments(), parser, io, dir});
}

}  // namespace
}  // namespace cli

int runCli(const QStringList& args, CliStreams streams, const QDir& workingDir) {
    using namespace cli;
    QCommandLineParser parser;
    // What follows the command is the command's to parse.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "list the commands");
    const QCommandLineOption version("version", "print the version");
    parser.addOptions({help, version});
    if (!parser.parse(QStringList{"morvel-cli"} + args)) {
        streams.err << parser.errorText() << "\n";
        printOverview(streams.err);
        return kUsage;
    }
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty() && parser.isSet(help)) {
        printOverview(streams.out);
        return kOk;
    }
    if (rest.isEmpty() && parser.isSet(version)) {
        streams.out << "morvel-cli " MORVEL_VERSION "\n";
        return kOk;
    }
    const auto c = std::find_if(commands().begin(), commands().end(), [&](const Command& c) {
        return !rest.isEmpty() && rest[0] == QLatin1String(c.name);
    });
    if (c == commands().end() || parser.isSet(version)) {
        if (c == commands().end() && !rest.isEmpty())
            streams.err << "Unknown command: " << rest[0] << "\n";
        printOverview(streams.err);
        return kUsage;
    }
    // "--help COMMAND" is "COMMAND --help".
    if (parser.isSet(help)) rest = {rest[0], QStringLiteral("--help")};
    return runCommand(*c, rest.mid(1), streams, workingDir);
}

}  // namespace morvel
