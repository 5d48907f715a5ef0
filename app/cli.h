#pragma once

#include <QDir>
#include <QStringList>
#include <iosfwd>

namespace morvel {

// morvel-cli: the program's operations for scripts and batch work.
// Exit status 0 on success, 1 when refused or failed, 2 on a usage error.
struct CliStreams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    // Standard error is a terminal: long imports show their progress there.
    bool terminal = false;
};

int runCli(const QStringList& args, CliStreams streams, const QDir& workingDir);

}  // namespace morvel
