#include "windows/program_windows.h"

#include "ui/shared_state.h"
#include "ui/windows.h"
#include "windows/create_database_window.h"
#include "windows/delete_database_window.h"
#include "windows/download_window.h"
#include "windows/field_map_window.h"
#include "windows/main_menu_window.h"
#include "windows/moving_map_window.h"
#include "windows/overview_window.h"
#include "windows/square_view_window.h"
#include "windows/window_names.h"

namespace morvel {

void addProgramWindows(Windows& windows) {
    addProgramWindows(windows, DownloadEndpoint{});
}

void addProgramWindows(Windows& windows, const DownloadEndpoint& endpoint) {
    windows.add(kMainMenuWindow, [](Windows& w) { return new MainMenuWindow(w); });
    windows.add(kCreateDatabaseWindow, [](Windows& w) { return new CreateDatabaseWindow(w); });
    windows.add(kDeleteDatabaseWindow, [](Windows& w) { return new DeleteDatabaseWindow(w); });
    // The map windows work on the database selected when they open.
    windows.add(kFieldMapWindow,
                [](Windows& w) { return new FieldMapWindow(w, w.state().databasePath); });
    windows.add(kMovingMapWindow,
                [](Windows& w) { return new MovingMapWindow(w, w.state().databasePath); });
    windows.add(kSquareViewWindow,
                [](Windows& w) { return new SquareViewWindow(w, w.state().databasePath); });
    windows.add(kOverviewWindow,
                [](Windows& w) { return new OverviewWindow(w, w.databaseFolder()); });
    windows.add(kDownloadWindow, [endpoint](Windows& w) {
        return new DownloadConfirmationsWindow(w, w.databaseFolder(), endpoint);
    });
}

}  // namespace morvel
