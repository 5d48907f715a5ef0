#pragma once

#include "windows/import_window.h"

namespace morvel {

// EDI import; the import runs while the window loads.
class ImportEdiWindow : public ImportWindow {
    Q_OBJECT
public:
    explicit ImportEdiWindow(Windows& windows);
};

}  // namespace morvel
