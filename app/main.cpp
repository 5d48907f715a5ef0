#include <clocale>
#include <QApplication>
#include <QSettings>
#include <cstring>
#include <iostream>

#include "database/program_folders.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/shared_state.h"
#include "ui/windows.h"
#include "windows/program_windows.h"
#include "windows/window_names.h"

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "Morvel " MORVEL_VERSION "\n";
        return 0;
    }
    QApplication app(argc, argv);
    // Files the program writes keep a decimal point whatever the user's
    // language; the windows format their numbers through QLocale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("Morvel"));
    QApplication::setApplicationName(QStringLiteral("Morvel"));
    // Windows hide and reappear as they hand over; the program ends on Quit.
    QApplication::setQuitOnLastWindowClosed(false);
    morvel::applyButtonStyle(app);

    morvel::SharedState state;
    morvel::QtDialogs dialogs;
    // Portable (maps and databases beside the program) or installed (maps in
    // <prefix>/share/morvel, databases in ~/.local/share/Morvel).
    const morvel::ProgramFolders folders =
        morvel::programFolders(QCoreApplication::applicationDirPath(), morvel::userDataFolder());
    morvel::Error error;
    QString note;
    if (!morvel::prepareDataFolder(folders, error, &note)) {
        std::cerr << "morvel: " << error.message().toStdString() << "\n";
        return 1;
    }
    if (!note.isEmpty()) std::cerr << note.toStdString() << "\n";
    morvel::Windows windows(state, dialogs, folders.maps, folders.databases);
    QSettings settings;
    windows.setSettings(&settings);
    morvel::addProgramWindows(windows);
    QObject::connect(&windows, &morvel::Windows::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    windows.show(morvel::kMainMenuWindow);
    return app.exec();
}
