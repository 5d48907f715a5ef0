#pragma once

#include <QFutureWatcher>
#include <QPointF>
#include <QRect>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "database/field_record.h"
#include "maps/field_view_renderer.h"
#include "ui/controls.h"
#include "ui/form.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvel {

class DatabaseDocument;
class DrawingSurface;
class SquareEditPanel;
struct SquareEditResult;
struct WriteOutcome;

// One field of the database as a ten-by-ten grid of its squares over the
// coastlines and borders, with a read-out of the square under the pointer and
// an edit panel that writes one square at a time into the file.
class SquareViewWindow : public Form {
    Q_OBJECT
public:
    // databasePath: the absolute path of the database the field lies in.
    SquareViewWindow(Windows& windows, const QString& databasePath);
    ~SquareViewWindow() override;

    // The first time the window itself takes the focus, the field is drawn.
    void onGotFocus() override;
    // Drops an open edit, as Abort; else back to the field map, as New Field.
    void escapePressed() override;
    // Reads the field's record and draws it, with its totals.
    void redraw();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void onPointerMoved(QPointF logical);
    void onSurfaceClicked(QPointF logical);
    void onSaveClicked();
    void onAbortClicked();
    void onClearClicked();
    void onNewFieldClicked();
    void onMainMenuClicked();
    // The field in any export format, through a save dialog.
    void onSaveAsClicked();

    // The record in memory over the whole drawing area, the background first.
    void paintField();
    // Hands the square to the database's owner as the edited slot; the panel
    // waits meanwhile. A failure is reported and leaves the panel as it is;
    // a save closes it.
    void storeSquare(const SquareEntry& entry);
    // Who confirmed the square, from the folder's ledger, read on a worker
    // (a large ledger takes a while) and kept until the database changes;
    // empty until it is read.
    QString confirmingSourcesOf(int slot);
    void onSourcesRead();
    void onStored(const WriteOutcome& outcome, const SquareEditResult& result);
    void closePanelAndRedraw();
    // The read-out of one square, or of none (the pointer off the grid).
    void showReadOut(const SquareReadOut& readOut);
    // The square's four-character name, e.g. "IO85".
    QString squareName(int slot) const;

    const QString databasePath;
    const QString fieldName;
    int recordNo = 0;
    FieldRecord record{};
    std::string homeLocator;
    std::optional<int> editedSlot;  // the square the open panel edits
    // While set, the read-out stays on the edited square.
    bool readOutFrozen = false;
    std::optional<QPointF> readOutPoint;  // where the read-out was last taken
    std::shared_ptr<DatabaseDocument> document;
    bool ledgerProblemShown = false;
    std::map<int, QString> sources;  // by slot, as the ledger last said
    QFutureWatcher<QString>* sourcesJob;
    int sourcesSlot = -1;            // the square sourcesJob reads
    std::optional<int> readOutSlot;  // the square the read-out shows

    DrawingSurface* surface;
    QLabel* fileLabel;       // Label12
    QLabel* squareLabel;     // Label10
    QLabel* workedLabel;     // Label8
    QLabel* confirmedLabel;  // Label9
    QPushButton* newFieldButton;
    QPushButton* mainMenuButton;
    QPushButton* saveAsButton;
    SquareEditPanel* editPanel;
    QLabel* callLabel;      // Label1
    QLabel* dateLabel;      // Label3
    QLabel* locatorLabel;   // Label2
    QLabel* stateLabel;     // Label7
    QLabel* distanceLabel;  // Label13
    QLabel* sourcesLabel;   // over the read-out, where the edit panel opens

    // The controls right of the field keep their distance from the right
    // edge. In a window lower than designed, those from New Field down stand
    // in a second column left of the edit panel and the read-out, so that the
    // window fits a 1024 x 600 screen.
    struct Placement {
        QWidget* control;
        QPoint designed;
        bool lower;  // New Field and below
    };
    void placeControls();
    std::vector<Placement> rightColumn_;
    QSize designedSize_;
    FieldOutlines outlines_;
    bool drawn_ = false;
};

}  // namespace morvel
