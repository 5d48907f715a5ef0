#pragma once

#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "database/database_document.h"
#include "ui/form.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace morvel {

class Ledger;
class MovingMapView;

// The map you can move in: it opens on the field map's view of the selected
// database, zooms and pans, shows any of the folder's databases at once
// (a band list with a check box and a colour each), shades the squares
// still needed on one of them and draws a circle around the own locator.
// The pointer's locator, distance and bearing are in the status line, the
// contacts of the square under it in its tool tip; a click opens the
// square view on that field.
class MovingMapWindow : public Form {
    Q_OBJECT
public:
    MovingMapWindow(Windows& windows, const QString& databasePath);
    ~MovingMapWindow() override;

    void escapePressed() override;

private:
    struct Band {
        QString path;
        std::shared_ptr<DatabaseDocument> document;
        Contents contents;  // what the map draws, as the owner last published it
    };
    void publishLayers();
    void updateOptions();
    void onPointerMoved(QPointF mapPoint);
    void onClicked(QPointF mapPoint);
    void onQuitClicked();

    QString databasePath;
    std::vector<Band> bands;
    std::size_t selectedBand = 0;
    std::unique_ptr<Ledger> ledger;
    MovingMapView* mapView;
    QListWidget* bandList;
    QComboBox* neededBox;
    QSpinBox* circleRadius;
    QPushButton* viewButton;
    QPushButton* quitButton;
    QLabel* statusLabel;
    QString newSquare;
    QTimer newSquareTimer;
};

}  // namespace morvel
