#pragma once

#include <QGroupBox>

#include "database/field_record.h"
#include "database/square_input.h"

class QLineEdit;

namespace morvel {

class OptionButton;

// The square view's edit panel: call, date and locator boxes that take only
// what the file can hold, Worked or Confirmed, and Save, Clear and Abort.
// Enter in a box is Save.
class SquareEditPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SquareEditPanel(QWidget* parent);

    // The panel for one square: its stored texts, or the square's name in the
    // locator box with the caret after it, and the option that keeps its
    // state (Worked for an empty square).
    void load(const SquareEntry& entry, const QString& squareName);
    SquareInput input() const;
    // The flags the options say, on an entry.
    void applyFlags(SquareEntry& entry) const;

signals:
    void saveRequested();
    void clearRequested();
    void abortRequested();

private:
    QLineEdit* callBox;
    QLineEdit* dateBox;
    QLineEdit* locatorBox;
    OptionButton* workedOption;
    OptionButton* confirmedOption;
};

}  // namespace morvel
