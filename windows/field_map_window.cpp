#include "windows/field_map_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <string>

#include "database/database_document.h"
#include "database/qra_names.h"
#include "import/contact.h"
#include "live/live_session.h"
#include "maps/field_map_renderer.h"
#include "maps/image_file.h"
#include "maps/outline_file.h"
#include "statistics/statistics.h"
#include "ui/busy_cursor.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/drawing_surface.h"
#include "ui/shared_state.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "windows/save_map.h"
#include "windows/window_names.h"

namespace morvel {

namespace {

constexpr int kClientWidth = 15240;  // twips
constexpr int kClientHeight = 11130;
constexpr int kNewSquareMs = 5000;  // how long a new square stays highlighted

QLabel* makeCaption(QWidget* parent, const char* name, const QString& text, const QFont& font) {
    auto* label = named(new QLabel(text, parent), name);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    setBackgroundColour(label, kWindowColour);
    setTextColour(label, kGreenTextColour);
    label->adjustSize();
    return label;
}

}  // namespace

FieldMapWindow::FieldMapWindow(Windows& windows, const QString& databasePath)
    : Form(windows, kFieldMapWindow),
      databasePath(databasePath),
      document(windows.document(databasePath)) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Field Select"));
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setBackgroundColour(this, kWindowColour);

    surface = new DrawingSurface(this);
    surface->canvas().setBackgroundColour(kWindowColour);

    fieldLabel = makeCaption(this, "Label1", QString(), sansFont(12, true));
    fileLabel = makeCaption(this, "Label3", QString(), sansFont(13.5));
    placements.push_back({fieldLabel, twipsRect(6480, 10440, 0, 0).topLeft(), true});
    placements.push_back({fileLabel, twipsRect(120, 10560, 0, 0).topLeft(), false});

    struct ButtonDesign {
        const char* name;
        const char* caption;
        int left;
        bool bold;
        void (FieldMapWindow::*handler)();
        int view;  // the view a view button shows
    };
    const ButtonDesign designs[] = {
        {"Command6", "jpg", 8520, true, &FieldMapWindow::onExportClicked, 0},
        {"Command5", "Print", 9480, false, &FieldMapWindow::onPrintClicked, 0},
        {"Command1", "&Quit", 10440, false, &FieldMapWindow::onQuitClicked, 0},
        {"Command2", "EU", 12360, false, nullptr, kViewEurope},
        {"Command3", "NA", 13320, false, nullptr, kViewNorthAmerica},
        {"Command4", "World", 14280, false, nullptr, kViewWorld},
        // In the free room of the row, between Quit and EU.
        {"SaveAs", "Save as", 11400, false, &FieldMapWindow::onSaveAsClicked, 0},
        // Left of jpg, under the field caption's row.
        {"MovingMap", "Zoom...", 7560, false, &FieldMapWindow::onMovingMapClicked, 0},
    };
    for (const ButtonDesign& d : designs) {
        auto* button = named(makeButton(this, QString::fromLatin1(d.caption),
                                        sansFont(8.25, d.bold), d.left, 10800, 886, 285),
                             d.name);
        setBackgroundColour(button, kWindowColour);
        if (d.handler) {
            connect(button, &QPushButton::clicked, this, d.handler);
        } else {
            connect(button, &QPushButton::clicked, this, [this, v = d.view] { showView(v); });
        }
        placements.push_back({button, button->pos(), true});
    }

    // Hidden until the first drawing, so that the window itself holds the
    // focus when it is first shown, and that focus draws the map.
    for (const Placement& p : placements) p.control->hide();

    connect(surface, &DrawingSurface::pointerMoved, this, &FieldMapWindow::onPointerMoved);
    connect(surface, &DrawingSurface::clicked, this, &FieldMapWindow::onClicked);
    // Squares written by any writer, in this program or another, show at once.
    connect(document.get(), &DatabaseDocument::contentsChanged, this, [this] {
        if (drawn) redrawTimer.start();
    });
    newSquareTimer.setSingleShot(true);
    newSquareTimer.setInterval(kNewSquareMs);
    connect(&newSquareTimer, &QTimer::timeout, this, [this] { highlightNewSquare(QString()); });
    redrawTimer.setSingleShot(true);
    redrawTimer.setInterval(0);
    connect(&redrawTimer, &QTimer::timeout, this, [this] {
        if (drawn) drawMap();
    });
    if (const auto& session = state().live; session && session->databasePath() == databasePath) {
        // The new square's highlight; the squares themselves come with the
        // owner's contents, once for all the contacts of one write.
        connect(session.get(), &live::LiveSession::contactTaken, this,
                [this](const live::TakenContact& c) {
                    if (c.newSquare) {
                        newSquare = c.square;
                        newSquareTimer.start();
                    }
                    redrawTimer.start();
                });
    }
    placeControls();
}

void FieldMapWindow::highlightNewSquare(const QString& square) {
    newSquare = square;
    if (!square.isEmpty()) newSquareTimer.start();
    if (drawn) drawMap();
}

// A ring around the square, wide enough to be seen in the world view, where
// a square is a few pixels.
void FieldMapWindow::paintHighlight(QPainter& painter, QSizeF size) const {
    const auto view = viewRect(state().mapview);
    const std::string sq = toLatin1Text(newSquare);
    if (!view || !namesSquare(sq)) return;
    const double west = ((sq[0] - 'A') * 20 + (sq[2] - '0') * 2) * 60.0;
    const double south = (-90 + (sq[1] - 'A') * 10 + (sq[3] - '0')) * 60.0;
    const auto at = [&](double x, double y) {
        return QPointF((x - view->left) / (view->right - view->left) * size.width(),
                       (y - view->top) / (view->bottom - view->top) * size.height());
    };
    const QRectF square = QRectF(at(west, south + 60), at(west + 120, south)).normalized();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(square, QColor(255, 230, 0));
    painter.setPen(QPen(QColor(255, 0, 255), 3));
    const double r = std::max(14.0, square.width());
    painter.drawEllipse(square.center(), r, r);
    painter.restore();
}

FieldMapWindow::~FieldMapWindow() = default;

void FieldMapWindow::onLoad() {
    applyViewScale();
}

void FieldMapWindow::onGotFocus() {
    if (drawn) return;
    // Whatever changed since the owner last read the file, before the watcher says so.
    document->refreshNow();
    drawMap();
}

void FieldMapWindow::placeControls() {
    surface->setGeometry(rect());
    const QSize grown = size() - QSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    for (const Placement& p : placements) {
        p.control->move(p.designed + QPoint(p.followsRight ? grown.width() : 0, grown.height()));
        p.control->raise();
    }
    // In a narrow window the field caption moves no further left than the file caption's end.
    const int clear = fileLabel->geometry().right() + twipsToPixels(180);
    if (fieldLabel->x() < clear) fieldLabel->move(clear, fieldLabel->y());
}

void FieldMapWindow::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    placeControls();
    // Each view fills the whole window, so a new size is a new drawing.
    if (drawn) {
        drawMap();
    } else {
        applyViewScale();
    }
}

void FieldMapWindow::applyViewScale() {
    Canvas& canvas = surface->canvas();
    if (const auto view = viewRect(state().mapview)) {
        canvas.setScale(view->left, view->top, view->right, view->bottom);
    } else {
        canvas.setScale(0, 0, canvas.size().width(), canvas.size().height());
    }
}

void FieldMapWindow::drawMap() {
    BusyCursor busy;
    // A database that cannot be read is published with no squares and its problem.
    const Error databaseError = document->contents()->problem;
    Error outlineError;
    // A missing outline file draws no outline, as it always has.
    readOutlineFile(QDir(windows().programFolder()).filePath(QLatin1String(kWorldFile)), outline,
                    outlineError);

    Canvas& canvas = surface->canvas();
    canvas.paint([&](QPainter& painter) {
        paintMap(painter, QSizeF(canvas.size()));
        if (!newSquare.isEmpty()) paintHighlight(painter, QSizeF(canvas.size()));
    });
    applyViewScale();
    fileLabel->setText(fromLatin1Text(kFileCaption) + QFileInfo(databasePath).fileName());
    fileLabel->adjustSize();
    placeControls();
    for (const Placement& p : placements) p.control->show();
    drawn = true;

    // Once per window: every view change or resize would say it again.
    if (databaseError.isSet() && !databaseErrorShown) {
        databaseErrorShown = true;
        dialogs().message(QStringLiteral("Could not read ") + databaseError.message() +
                          QStringLiteral("; the map shows no squares."));
    }
}

void FieldMapWindow::showView(int mapview) {
    state().mapview = static_cast<std::int16_t>(mapview);
    drawMap();
}

void FieldMapWindow::pickFieldAt(QPointF mapPoint) {
    const FieldPick pick = pickField(mapPoint);
    SharedState& s = state();
    s.fieldname = QString::fromStdString(pick.fieldname);
    s.fieldwest = pick.fieldwest;
    s.fieldsouth = pick.fieldsouth;
    fieldLabel->setText(fromLatin1Text(pickCaption(pick)));
    fieldLabel->adjustSize();
}

void FieldMapWindow::onPointerMoved(QPointF mapPoint) {
    if (drawn) pickFieldAt(mapPoint);
}

void FieldMapWindow::onClicked(QPointF mapPoint) {
    if (!drawn) return;
    // The field under the click, also when the pointer never moved before it.
    pickFieldAt(mapPoint);
    windows().show(kSquareViewWindow);
    windows().unload(kFieldMapWindow);
}

void FieldMapWindow::onMovingMapClicked() {
    windows().show(kMovingMapWindow);
    windows().unload(kFieldMapWindow);
}

void FieldMapWindow::escapePressed() {
    onQuitClicked();
}

void FieldMapWindow::onQuitClicked() {
    windows().show(kMainMenuWindow);
    windows().unload(kFieldMapWindow);
}

void FieldMapWindow::paintMap(QPainter& painter, QSizeF size) const {
    drawFieldMap(painter, size, document->contents()->records, outline, state().mapview);
}

void FieldMapWindow::onPrintClicked() {
    // Drawn afresh on the printer's own painter, at its resolution, in the
    // shape of the window's map, with the file caption under it; on white,
    // as paper is, in a job named after the database.
    const QSizeF area(surface->size());
    const QString name = QFileInfo(databasePath).fileName();
    QString error;
    if (!windows().printer().print(
            area,
            [&](QPainter& painter) {
                drawFieldMap(painter, area, document->contents()->records, outline, state().mapview,
                             MapPaper::White);
            },
            fromLatin1Text(kFileCaption) + name, name.left(name.indexOf(QLatin1Char('.'))),
            error) &&
        !error.isEmpty())
        dialogs().message(QStringLiteral("The map could not be printed: ") + error);
}

void FieldMapWindow::onExportClicked() {
    const QFileInfo database(databasePath);
    const QString picture = exportPictureName(database.fileName(), state().mapview);
    // The map alone, without the controls over it, at the window's size;
    // drawn and written on a worker, from the contents as they are now.
    auto* job = new QFutureWatcher<Error>(this);
    auto busy = std::make_shared<BusyCursor>();
    connect(job, &QFutureWatcher<Error>::finished, this, [this, job, busy, picture]() mutable {
        busy.reset();
        const Error error = job->result();
        job->deleteLater();
        if (error.isSet()) {
            dialogs().message(QStringLiteral("The picture ") + picture +
                                  QStringLiteral(" could not be written: ") + error.reason,
                              QLatin1String(kExportTitle));
            return;
        }
        dialogs().message(exportedMessage(picture), QLatin1String(kExportTitle));
    });
    job->setFuture(QtConcurrent::run(
        &windows().jobs(),
        [contents = document->contents(), outline = outline, view = state().mapview,
         size = surface->size(), path = database.absoluteDir().filePath(picture)] {
            QImage image(size, QImage::Format_RGB32);
            QPainter painter(&image);
            drawFieldMap(painter, QSizeF(image.size()), contents->records, outline, view);
            painter.end();
            Error error;
            if (!saveImage(image, path, error) && !error.isSet())
                error = {path, QStringLiteral("the file could not be written")};
            return error;
        }));
}

void FieldMapWindow::onSaveAsClicked() {
    const QString picture = exportPictureName(QFileInfo(databasePath).fileName(), state().mapview);
    const QSizeF area(surface->size());
    const Contents contents = document->contents();
    saveMapAs(
        this, dialogs(), windows().jobs(), QFileInfo(databasePath).absolutePath(),
        picture.chopped(4) + QStringLiteral(".png"),
        {area,
         [contents, outline = outline, view = state().mapview](QPainter& painter, QSizeF size) {
             drawFieldMap(painter, size, contents->records, outline, view);
         },
         paintedSquares(contents->records), picture.chopped(4)});
}

}  // namespace morvel
