#include <clocale>
#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <cstring>
#include <iostream>

#include "database/program_folders.h"
#include "download/service_client.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/shared_state.h"
#include "ui/windows.h"
#include "windows/download_window.h"
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

    // For a proxy of the user's own, or a test server: where the
    // confirmation downloads go, and whom to trust there besides the system's
    // authorities. No option takes a password.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Worked and confirmed locator squares"));
    parser.addHelpOption();
    const QCommandLineOption serviceUrl(
        QStringLiteral("service-url"),
        QStringLiteral("the confirmation service's address (https only)"), QStringLiteral("URL"));
    const QCommandLineOption authorities(
        QStringLiteral("ca-certificates"),
        QStringLiteral("trust the certificate authorities of this PEM file too"),
        QStringLiteral("FILE"));
    parser.addOptions({serviceUrl, authorities});
    parser.process(app);
    morvel::DownloadEndpoint endpoint;
    if (parser.isSet(serviceUrl)) {
        endpoint.serviceUrl = QUrl(parser.value(serviceUrl));
        if (!endpoint.serviceUrl.isValid() ||
            endpoint.serviceUrl.scheme() != QLatin1String("https")) {
            std::cerr << "morvel: --service-url: an https address\n";
            return 2;
        }
    }
    if (parser.isSet(authorities)) {
        QString reason;
        endpoint.authorities = morvel::ServiceClient::readAuthorities(parser.value(authorities), reason);
        if (endpoint.authorities.isEmpty()) {
            std::cerr << "morvel: --ca-certificates: " << reason.toStdString() << "\n";
            return 2;
        }
    }

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
    morvel::addProgramWindows(windows, endpoint);
    QObject::connect(&windows, &morvel::Windows::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    windows.show(morvel::kMainMenuWindow);
    return app.exec();
}
