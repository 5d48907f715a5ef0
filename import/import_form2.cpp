#include "import/import_form2.h"

#include "import/import_form.h"
#include "ui/controls.h"
#include "ui/window_names.h"

namespace morvel {

ImportForm2::ImportForm2(Windows& windows) : Form(windows, kEdiImportForm) {
    setWindowTitle(QStringLiteral("ImportForm2"));
    setClientSizeTwips(4680, 3195);
    setBackgroundColour(this, kWindowColour);
}

void ImportForm2::Form_Load() {
    runImportWindow(windows(), ImportKind::Edi);
}

}  // namespace morvel
