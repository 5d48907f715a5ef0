#include <QApplication>

#include "database/shared_state.h"
#include "ui/dialogs.h"
#include "ui/windows.h"
#include "windows/program_windows.h"
#include "windows/window_names.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvel"));
    // Windows hide and reappear as they hand over; the program ends on Quit.
    QApplication::setQuitOnLastWindowClosed(false);

    morvel::SharedState state;
    morvel::QtDialogs dialogs;
    morvel::Windows windows(state, dialogs, QCoreApplication::applicationDirPath());
    morvel::addProgramWindows(windows);
    QObject::connect(&windows, &morvel::Windows::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    windows.show(morvel::kMainMenuWindow);
    return app.exec();
}
