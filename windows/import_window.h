#pragma once

#include "import/import_frame.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace morvel {

// The open-file dialog of each import.
FileDialogRequest importFileDialog(ImportKind kind);

// What both import windows share: the whole import runs while the window
// loads. The file dialog, the import into the main menu's selected database
// (the EDI question asked through the dialogs), the closing message or what
// failed, and the main menu shown again. A cancelled file dialog, or Cancel
// at the EDI question, ends it with nothing more shown.
class ImportWindow : public Form {
    Q_OBJECT
public:
    ImportWindow(Windows& windows, const QString& name, ImportKind kind);
    void onLoad() override;

private:
    ImportKind kind_;
};

}  // namespace morvel
