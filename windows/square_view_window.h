#pragma once

#include <QRect>
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

class DrawingSurface;

// One field of the database as a ten-by-ten grid of its squares over the
// coastlines and borders, with a read-out of the square under the pointer and
// an edit panel that writes one square at a time into the file.
class SquareViewWindow : public Form {
    Q_OBJECT
public:
    explicit SquareViewWindow(Windows& windows);

    // The first time the window itself takes the focus, the field is drawn.
    void onGotFocus() override;
    // Reads the field's record and draws it, with its totals.
    void redraw();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void onPointerMoved(QPointF logical);
    void onSurfaceClicked();
    void onSaveClicked();
    void onAbortClicked();
    void onClearClicked();
    void onNewFieldClicked();
    void onMainMenuClicked();

    // The record in memory over the whole drawing area, the background first.
    void paintField();
    // Writes the square into the file as the edited slot; reports a failure
    // and leaves the panel as it is.
    bool storeSquare(const SquareEntry& entry);
    void closePanelAndRedraw();

    DrawingSurface* surface;
    QLabel* fileLabel;       // Label12
    QLabel* squareLabel;     // Label10
    QLabel* workedLabel;     // Label8
    QLabel* confirmedLabel;  // Label9
    QPushButton* newFieldButton;
    QPushButton* mainMenuButton;
    QGroupBox* editFrame;  // Frame2
    QLineEdit* callBox;
    QLineEdit* dateBox;
    QLineEdit* locatorBox;
    OptionButton* workedOption;
    OptionButton* confirmedOption;
    QLabel* callLabel;      // Label1
    QLabel* dateLabel;      // Label3
    QLabel* locatorLabel;   // Label2
    QLabel* stateLabel;     // Label7
    QLabel* distanceLabel;  // Label13

    // The controls right of the field keep their distance from the right edge.
    std::vector<std::pair<QWidget*, QRect>> rightColumn_;
    QSize designedSize_;
    FieldOutlines outlines_;
    bool drawn_ = false;
};

}  // namespace morvel
