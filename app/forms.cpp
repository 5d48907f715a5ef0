#include "app/forms.h"

#include "menu/startup.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {

void addForms(Windows& windows) {
    windows.add(kStartupForm, [](Windows& w) { return new Startup(w); });
}

}  // namespace morvel
