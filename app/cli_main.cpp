#include <QDir>
#include <QGuiApplication>
#include <iostream>

#include "app/cli.h"

int main(int argc, char** argv) {
    // Pictures need fonts, which need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return morvel::runCli(args, {std::cout, std::cerr, std::cin}, QDir::current());
}
