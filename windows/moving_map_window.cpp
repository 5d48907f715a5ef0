#include "windows/moving_map_window.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "database/qra_names.h"
#include "ledger/ledger.h"
#include "live/live_session.h"
#include "maps/field_map_renderer.h"
#include "maps/moving_map.h"
#include "statistics/overview.h"
#include "ui/moving_map_view.h"
#include "ui/shared_state.h"
#include "ui/windows.h"
#include "windows/window_names.h"

namespace morvel {

namespace {
constexpr int kNewSquareMs = 5000;  // as on the field map
}

MovingMapWindow::MovingMapWindow(Windows& windows, const QString& databasePath)
    : Form(windows, kMovingMapWindow), databasePath(databasePath) {
    setWindowTitle(QStringLiteral("Morvel: Moving Map - ") + QFileInfo(databasePath).fileName());
    resize(1100, 700);

    mapView = new MovingMapView(this);
    mapView->setObjectName(QStringLiteral("mapView"));
    mapView->setOutlines(windows.mapOutlines());
    bandList = new QListWidget(this);
    bandList->setObjectName(QStringLiteral("bandList"));
    neededBox = new QComboBox(this);
    neededBox->setObjectName(QStringLiteral("neededBox"));
    neededBox->addItem(QStringLiteral("no shading"));
    circleRadius = new QSpinBox(this);
    circleRadius->setObjectName(QStringLiteral("circleRadius"));
    circleRadius->setRange(0, 20000);
    circleRadius->setSingleStep(100);
    circleRadius->setSuffix(QStringLiteral(" km"));
    circleRadius->setSpecialValueText(QStringLiteral("no circle"));
    viewButton = new QPushButton(QStringLiteral("Field map view"), this);
    viewButton->setObjectName(QStringLiteral("viewButton"));
    viewButton->setToolTip(QStringLiteral("back to the view the field map shows"));
    quitButton = new QPushButton(QStringLiteral("&Quit"), this);
    quitButton->setObjectName(QStringLiteral("quitButton"));
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setTextFormat(Qt::PlainText);

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Bands"), this));
    side->addWidget(bandList, 1);
    side->addWidget(new QLabel(QStringLiteral("Shade the squares needed on"), this));
    side->addWidget(neededBox);
    side->addWidget(new QLabel(QStringLiteral("Circle around the own locator"), this));
    side->addWidget(circleRadius);
    side->addWidget(viewButton);
    side->addWidget(quitButton);
    auto* top = new QHBoxLayout;
    top->addLayout(side);
    top->addWidget(mapView, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(statusLabel);

    // Every database of the folder, the selected one shown.
    const QFileInfo selected(databasePath);
    const QDir folder = selected.absoluteDir();
    for (const QString& name : bandDatabaseNames(folder.absolutePath())) {
        const QString path = folder.absoluteFilePath(name);
        if (path == selected.absoluteFilePath()) selectedBand = bands.size();
        Band band{path, windows.document(path), nullptr};
        band.contents = band.document->contents();
        bands.push_back(std::move(band));
    }
    if (bands.empty() || bands[selectedBand].path != selected.absoluteFilePath()) {
        // A database whose name the band list does not know still shows.
        Band band{selected.absoluteFilePath(), windows.document(selected.absoluteFilePath()), nullptr};
        band.contents = band.document->contents();
        selectedBand = bands.size();
        bands.push_back(std::move(band));
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const QString name = QFileInfo(bands[i].path).fileName();
        QPixmap swatch(14, 14);
        swatch.fill(bandColour(bandFromFileName(name)));
        auto* item = new QListWidgetItem(QIcon(swatch), name, bandList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(i == selectedBand ? Qt::Checked : Qt::Unchecked);
        neededBox->addItem(name);
        // Squares any writer adds (a live contact, an import) show at once.
        connect(bands[i].document.get(), &DatabaseDocument::contentsChanged, this,
                [this, i](Contents contents) {
                    bands[i].contents = std::move(contents);
                    publishLayers();
                });
    }

    Error ledgerError;
    QString notice;
    ledger = Ledger::open(folder.absolutePath(), Ledger::Mode::ReadOnly, ledgerError, notice);
    mapView->setConfirmingSources([this](const QString& file, const std::string& square,
                                         bool confirmed) {
        if (!confirmed) return QString();
        return ledger ? squareConfirmingSources(*ledger, file, square, true)
                      : QStringLiteral("source unknown");
    });

    mapView->setCamera(MapCamera::forView(state().mapview));
    publishLayers();
    updateOptions();

    connect(bandList, &QListWidget::itemChanged, this, [this] { publishLayers(); });
    connect(neededBox, &QComboBox::currentIndexChanged, this, [this] { updateOptions(); });
    connect(circleRadius, &QSpinBox::valueChanged, this, [this] { updateOptions(); });
    connect(viewButton, &QPushButton::clicked, this,
            [this] { mapView->setCamera(MapCamera::forView(state().mapview)); });
    connect(quitButton, &QPushButton::clicked, this, &MovingMapWindow::onQuitClicked);
    connect(mapView, &MovingMapView::pointerMoved, this, &MovingMapWindow::onPointerMoved);
    connect(mapView, &MovingMapView::clicked, this, &MovingMapWindow::onClicked);

    newSquareTimer.setSingleShot(true);
    newSquareTimer.setInterval(kNewSquareMs);
    connect(&newSquareTimer, &QTimer::timeout, this, [this] {
        newSquare.clear();
        updateOptions();
    });
    if (const auto& session = state().live) {
        connect(session.get(), &live::LiveSession::contactTaken, this,
                [this, path = session->databasePath()](const live::TakenContact& c) {
                    if (!c.newSquare) return;
                    const auto it = std::find_if(bands.begin(), bands.end(),
                                                 [&](const Band& b) { return b.path == path; });
                    if (it == bands.end()) return;
                    newSquare = c.square;
                    newSquareTimer.start();
                    updateOptions();
                });
    }
    mapView->setFocus();
}

MovingMapWindow::~MovingMapWindow() = default;

void MovingMapWindow::publishLayers() {
    std::vector<MapLayer> layers;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const QString name = QFileInfo(bands[i].path).fileName();
        MapLayer layer;
        layer.databaseFile = name;
        layer.band = bandFromFileName(name).toLower();
        layer.homeLocator = toLatin1Text(homeLocatorFromFileName(name));
        if (bands[i].contents) layer.records = bands[i].contents->records;
        layer.colour = bandColour(layer.band);
        const QListWidgetItem* item = bandList->item(static_cast<int>(i));
        layer.shown = item && item->checkState() == Qt::Checked;
        layers.push_back(std::move(layer));
    }
    mapView->setLayers(std::move(layers));
}

void MovingMapWindow::updateOptions() {
    MovingMapOptions options;
    options.neededLayer = neededBox->currentIndex() - 1;
    options.circleKm = circleRadius->value();
    options.homeLocator =
        toLatin1Text(homeLocatorFromFileName(QFileInfo(bands[selectedBand].path).fileName()));
    options.highlight = toLatin1Text(newSquare);
    mapView->setOptions(options);
}

void MovingMapWindow::onPointerMoved(QPointF mapPoint) {
    statusLabel->setText(pointerStatus(mapPoint, mapView->options().homeLocator));
}

void MovingMapWindow::onClicked(QPointF mapPoint) {
    if (locatorAt(mapPoint).empty()) return;
    const FieldPick pick = pickField(mapPoint);
    SharedState& s = state();
    s.databasePath = bands[selectedBand].path;
    s.fieldname = QString::fromStdString(pick.fieldname);
    s.fieldwest = pick.fieldwest;
    s.fieldsouth = pick.fieldsouth;
    windows().show(kSquareViewWindow);
    windows().unload(kMovingMapWindow);
}

void MovingMapWindow::escapePressed() {
    onQuitClicked();
}

void MovingMapWindow::onQuitClicked() {
    windows().show(kMainMenuWindow);
    windows().unload(kMovingMapWindow);
}

}  // namespace morvel
