#pragma once

#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QTimer>
#include <memory>
#include <vector>

#include "database/field_record.h"
#include "maps/outline_file.h"
#include "ui/form.h"

class QLabel;

namespace morvel {

class DatabaseDocument;
class DrawingSurface;

// Form1, the field map: the world, Europe or North America with every
// worked square of the database painted, the world outline and the field
// grid. The pointer names the field under it; a click opens that field in
// the square view. The map is kept as an image, so uncovering the window
// costs no redraw; a new window size draws it afresh to fill the window.
class FieldMapWindow : public Form {
    Q_OBJECT
public:
    // databasePath: the absolute path of the database to show.
    FieldMapWindow(Windows& windows, const QString& databasePath);
    ~FieldMapWindow() override;

    void onLoad() override;
    // The first focus draws the map; later ones (after a message box, say)
    // leave it as it is.
    void onGotFocus() override;
    // Back to the main menu, as Quit.
    void escapePressed() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // DrawMap: the whole map from the database and "mapper.pnt", then the
    // controls shown.
    void drawMap();
    // The map of the database and outline last read, over (0, 0)-size.
    void paintMap(QPainter& painter, QSizeF size) const;
    void showView(int mapview);
    // The canvas's logical units follow the view, so that the pointer
    // arrives in map coordinates.
    void applyViewScale();
    void pickFieldAt(QPointF mapPoint);
    void onPointerMoved(QPointF mapPoint);
    void onClicked(QPointF mapPoint);
    void onQuitClicked();
    void onPrintClicked();
    void onExportClicked();
    // Any export format, through a save dialog.
    void onSaveAsClicked();
    // The moving map on this database, from the view shown.
    void onMovingMapClicked();
    void placeControls();
    // A square that a live session has just found new, drawn highlighted
    // over the map for a few seconds.
    void highlightNewSquare(const QString& square);
    void paintHighlight(QPainter& painter, QSizeF size) const;

    // A control's designed place; those that follow the right edge keep
    // their distance from it when the window is resized, all keep theirs
    // from the bottom edge.
    struct Placement {
        QWidget* control;
        QPoint designed;  // pixels
        bool followsRight;
    };

    QString databasePath;
    // The database's owner: the map draws what it last published, and is
    // drawn again whenever it publishes (a live contact, an import, another
    // program's write).
    std::shared_ptr<DatabaseDocument> document;
    std::vector<OutlinePoint> outline;
    DrawingSurface* surface;
    QLabel* fieldLabel;  // Label1
    QLabel* fileLabel;   // Label3
    std::vector<Placement> placements;
    bool drawn = false;
    bool databaseErrorShown = false;
    QString newSquare;
    QTimer newSquareTimer;
    QTimer redrawTimer;  // restarted by each live contact: one redraw per write
};

}  // namespace morvel
