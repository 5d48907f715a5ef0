#pragma once

#include "ui/controls.h"
#include "ui/form.h"

class QLabel;
class QPushButton;

namespace morvel {

// Deletes database files after a confirmation; leaving it resets the main menu.
class DeleteForm : public Form {
    Q_OBJECT
public:
    explicit DeleteForm(Windows& windows);

    void Form_Load() override;
    void closeRequested() override;

    void File2_Click();
    void exit_Button_Click();

    QLabel* Label3;
    FileList* File2;
    QLabel* Label6;
    QPushButton* exit_Button;
};

}  // namespace morvel
