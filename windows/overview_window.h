#pragma once

#include <QString>

#include "statistics/overview.h"
#include "ui/form.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace morvel {

// Every band at a glance: the folder's databases with their totals and VUCC
// progress, the squares the chosen one still needs near home, the map of the
// ticked databases together and the chosen one's award list.
class OverviewWindow : public Form {
    Q_OBJECT
public:
    OverviewWindow(Windows& windows, QString folder);

    void onLoad() override;
    void closeRequested() override;

private:
    void refresh();
    void showNeeded();
    void onMapClicked();
    void onAwardListClicked();
    void onBackClicked();
    // The database of the selected row (the first readable one at the start);
    // empty when none.
    QString chosenPath() const;

    const QString folder_;
    Overview overview_;
    QTableWidget* table;
    QListWidget* neededList;
    QSpinBox* within;
    QCheckBox* unconfirmed;
    QComboBox* mapView;
    QCheckBox* awardConfirmed;
};

}  // namespace morvel
