#pragma once

#include <QLatin1String>

namespace morvel {

// The names by which a window asks the app for another one.
inline constexpr QLatin1String kMainMenuWindow{"Startup"};
inline constexpr QLatin1String kCreateDatabaseWindow{"CreateForm"};
inline constexpr QLatin1String kDeleteDatabaseWindow{"DeleteForm"};
inline constexpr QLatin1String kFieldMapWindow{"Form1"};
inline constexpr QLatin1String kSquareViewWindow{"Form2"};
inline constexpr QLatin1String kOverviewWindow{"Overview"};
inline constexpr QLatin1String kDownloadWindow{"DownloadConfirmations"};
inline constexpr QLatin1String kMovingMapWindow{"MovingMap"};

}  // namespace morvel
