#pragma once

#include <QLatin1String>

namespace morvel {

// The names by which a window asks the app for another one.
inline constexpr QLatin1String kStartupForm{"Startup"};
inline constexpr QLatin1String kCreateForm{"CreateForm"};
inline constexpr QLatin1String kDeleteForm{"DeleteForm"};
inline constexpr QLatin1String kFieldMapForm{"Form1"};
inline constexpr QLatin1String kSquareForm{"Form2"};
inline constexpr QLatin1String kAdifImportForm{"ImportForm"};
inline constexpr QLatin1String kEdiImportForm{"ImportForm2"};

}  // namespace morvel
