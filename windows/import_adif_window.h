#pragma once

#include "windows/import_window.h"

namespace morvel {

// ADIF import; the import runs while the window loads.
class ImportAdifWindow : public ImportWindow {
    Q_OBJECT
public:
    explicit ImportAdifWindow(Windows& windows);
};

}  // namespace morvel
