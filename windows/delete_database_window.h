#pragma once

#include "ui/controls.h"
#include "ui/form.h"

class QLabel;

namespace morvel {

// Deletes database files after a confirmation; leaving it resets the main menu.
class DeleteDatabaseWindow : public Form {
    Q_OBJECT
public:
    explicit DeleteDatabaseWindow(Windows& windows);

    void onLoad() override;
    void closeRequested() override;

private:
    void onFileClicked();
    void onExitClicked();

    FileList* fileList;
    QLabel* helpLabel;
};

}  // namespace morvel
