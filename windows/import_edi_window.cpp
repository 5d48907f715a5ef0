#include "windows/import_edi_window.h"

#include "windows/window_names.h"

namespace morvel {

ImportEdiWindow::ImportEdiWindow(Windows& windows)
    : ImportWindow(windows, kImportEdiWindow, ImportKind::Edi) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Import EDI records"));
}

}  // namespace morvel
