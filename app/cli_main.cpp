#include <unistd.h>

#include <QDir>
#include <QGuiApplication>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/cli.h"

int main(int argc, char** argv) {
    // The picture commands draw text, which wants a GUI application (on the
    // offscreen platform: no display is needed); the others keep to the core.
    const bool pictures =
        argc > 1 && (std::strcmp(argv[1], "map") == 0 || std::strcmp(argv[1], "field") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (pictures) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return morvel::runCli(args, {std::cout, std::cerr, std::cin, ::isatty(STDERR_FILENO) == 1},
                          QDir::current());
}
