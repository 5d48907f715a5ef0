#pragma once

#include "ui/form.h"

namespace morvel {

// EDI import; the import runs while the window loads.
class ImportForm2 : public Form {
    Q_OBJECT
public:
    explicit ImportForm2(Windows& windows);
    void Form_Load() override;
};

}  // namespace morvel
