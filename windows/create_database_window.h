#pragma once

#include "ui/controls.h"
#include "ui/form.h"

class QComboBox;
class QLineEdit;

namespace morvel {

// Makes a new, empty database for a band and the operator's locator.
class CreateDatabaseWindow : public Form {
    Q_OBJECT
public:
    explicit CreateDatabaseWindow(Windows& windows);

    void closeRequested() override;

private:
    void onCreateClicked();
    void onExitClicked();

    QComboBox* bandList;
    QLineEdit* locatorEdit;
    QLineEdit* tagEdit;
    FileList* fileList;
};

}  // namespace morvel
