#pragma once

#include <QFutureWatcher>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"
#include "statistics/needed_squares.h"
#include "statistics/overview.h"
#include "ui/form.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QSpinBox;
class QPushButton;
class QTableWidget;

namespace morvel {

class BusyCursor;

// Every band at a glance: the folder's databases with their totals and VUCC
// progress, the squares the chosen one still needs near home, the map of the
// ticked databases together and the chosen one's award list. Every file is
// read and written on a worker thread: the window goes on answering, its
// control that started the work disabled and the cursor busy until the
// result comes back.
class OverviewWindow : public Form {
    Q_OBJECT
public:
    OverviewWindow(Windows& windows, QString folder);
    ~OverviewWindow() override;

    void onLoad() override;
    void closeRequested() override;

private:
    struct Needed {
        std::vector<NeededSquare> squares;
        Error error;
    };
    struct Databases {
        std::vector<std::vector<FieldRecord>> records;
        Error error;
    };
    void refresh();
    void onOverviewRead();
    void showNeeded();
    void onNeededRead();
    void onMapRead();
    void onAwardListWritten();
    // The busy cursor stays while any of the jobs runs.
    void updateBusy();
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
    QPushButton* mapButton;
    QPushButton* awardButton;
    QFutureWatcher<Overview>* overviewJob;
    QFutureWatcher<Needed>* neededJob;
    QFutureWatcher<Databases>* mapJob;
    QFutureWatcher<QStringList>* awardJob;  // the messages to show
    bool neededOpen = false;                // a needed list is being read
    bool neededAgain = false;               // the choice changed while the list was read
    int working = 0;                        // jobs started whose results have not come back
    int mapViewChosen = 0;
    std::unique_ptr<BusyCursor> busy;
};

}  // namespace morvel
