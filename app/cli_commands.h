#pragma once

#include <QCommandLineParser>
#include <QDir>
#include <QStringList>
#include <ostream>
#include <vector>

#include "app/cli.h"

// morvel-cli's commands as runCli dispatches them; not for use elsewhere.
namespace morvel::cli {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Names and messages in the system's encoding, as the terminal shows them.
std::ostream& operator<<(std::ostream& out, const QString& text);

struct Argument {
    const char* name;
    const char* help;
    bool optional = false;
};

// An option without a value name is a flag.
struct Option {
    const char* name;
    const char* valueName;
    const char* help;
};

// One run of a command, its arguments and options checked against its declaration.
struct Invocation {
    QStringList args;
    const QCommandLineParser& options;
    CliStreams& io;
    const QDir& dir;
};

struct Command {
    const char* name;
    const char* summary;  // its line in morvel-cli --help
    std::vector<Argument> arguments;
    std::vector<Option> options;
    int (*run)(const Invocation&);
};

// distance, create, stats, import-adif, import-edi, summary
std::vector<Command> databaseCommands();
// map, field
std::vector<Command> pictureCommands();
// overview, needed, award-list
std::vector<Command> bandCommands();
// listen
std::vector<Command> listenCommands();
// awards, contacts
std::vector<Command> ledgerCommands();
// sync
std::vector<Command> syncCommands();

}  // namespace morvel::cli
