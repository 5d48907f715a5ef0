#pragma once

#include "import/import_frame.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace morvel {

class Windows;

// The open-file dialog of each import.
FileDialogRequest importFileDialog(ImportKind kind);

// The whole import as an import window's loading runs it: the file dialog,
// the import into the main menu's selected database (the EDI question asked
// through the dialogs), the closing message or what failed, and the main menu
// shown again. A cancelled file dialog, or Cancel at the EDI question, ends
// it with nothing more shown.
void runImportWindow(Windows& windows, ImportKind kind);

// ADIF import; the import runs while the window loads.
class ImportForm : public Form {
    Q_OBJECT
public:
    explicit ImportForm(Windows& windows);
    void Form_Load() override;
};

}  // namespace morvel
