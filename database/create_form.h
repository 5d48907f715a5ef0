#pragma once

#include "ui/controls.h"
#include "ui/form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvel {

// Makes a new, empty database for a band and the operator's locator.
class CreateForm : public Form {
    Q_OBJECT
public:
    explicit CreateForm(Windows& windows);

    void closeRequested() override;

    void Create_File_Click();
    void Abort_Button_Click();

    QLabel* Label1;
    QComboBox* Combo1;
    QLabel* Label5;
    QLineEdit* Text2;
    QLabel* Label2;
    QLineEdit* Text1;
    QLabel* Label3;
    FileList* File1;
    QLabel* Label4;
    QPushButton* Create_File;
    QPushButton* Abort_Button;
};

}  // namespace morvel
