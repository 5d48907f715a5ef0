#include "windows/import_adif_window.h"

#include "windows/window_names.h"

namespace morvel {

ImportAdifWindow::ImportAdifWindow(Windows& windows)
    : ImportWindow(windows, kImportAdifWindow, ImportKind::Adif) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Import ADIF records"));
}

}  // namespace morvel
