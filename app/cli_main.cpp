#include <QCoreApplication>
#include <QDir>
#include <iostream>

#include "app/cli.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return morvel::runCli(args, {std::cout, std::cerr, std::cin}, QDir::current());
}
