#include "app/forms.h"

#include "database/create_form.h"
#include "database/delete_form.h"
#include "import/import_form.h"
#include "import/import_form2.h"
#include "menu/startup.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {

void addForms(Windows& windows) {
    windows.add(kStartupForm, [](Windows& w) { return new Startup(w); });
    windows.add(kCreateForm, [](Windows& w) { return new CreateForm(w); });
    windows.add(kDeleteForm, [](Windows& w) { return new DeleteForm(w); });
    windows.add(kAdifImportForm, [](Windows& w) { return new ImportForm(w); });
    windows.add(kEdiImportForm, [](Windows& w) { return new ImportForm2(w); });
}

}  // namespace morvel
