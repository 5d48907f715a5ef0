#pragma once

#include "ui/controls.h"
#include "ui/form.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace morvel {

// The main menu: the list of databases, the selected one's statistics and the
// buttons that open every other window.
class Startup : public Form {
    Q_OBJECT
public:
    explicit Startup(Windows& windows);

    void Form_Load() override;
    void closeRequested() override;

    void File1_Click();
    void Command4_Click();  // Create File
    void Command1_Click();  // Delete File
    void Command3_Click();  // Quit
    void Command2_Click();  // Import ADIF
    void Command6_Click();  // Import EDI
    void Command5_Click();  // Summary to Text File
    void View_Click();

    // Reads the selected database and shows its statistics and the database
    // controls; reports a file that cannot be read and leaves the menu with no
    // database selected.
    void openfile();

    // Empties the statistics lines and hides the controls that need a database.
    void clearStatistics();
    void hideDatabaseControls();
    void showDatabaseControls();

    QLabel* Label1;
    QLabel* v;
    QLabel* Label6;
    FileList* File1;
    QLabel* Label5;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label2;
    QLabel* Label7;
    QPushButton* Command4;
    QPushButton* Command1;
    QPushButton* Command3;
    QGroupBox* Frame2;
    QPushButton* View;
    OptionGroup Option3;
    QPushButton* Command2;
    QPushButton* Command6;
    QGroupBox* Frame1;
    OptionButton* Option1;
    OptionButton* Option2;
    QPushButton* Command5;

private:
    // Shows an import window, whose loading runs the import, then removes it
    // and counts the database again.
    void runImport(const QString& formName);
    void resetSelection();
};

}  // namespace morvel
