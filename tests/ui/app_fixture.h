#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <functional>

#include "database/database_document.h"
#include "database/qra_names.h"
#include "import/square_edit.h"
#include "live/live_session.h"
#include "live/wsjtx_message.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/test_support.h"
#include "ui/controls.h"
#include "ui/drawing_surface.h"
#include "ui/shared_state.h"
#include "ui/windows.h"
#include "windows/program_windows.h"
#include "windows/window_names.h"

namespace morvel::test {

// A contact as WSJT-X reports it logged on 2 m.
inline QByteArray qsoLogged(const QString& call, const QString& grid) {
    return live::MessageWriter(live::MessageType::QsoLogged, "WSJT-X")
        .dateTime(QDate(2026, 12, 6), QTime(19, 0))
        .utf8(call.toStdString())
        .utf8(grid.toStdString())
        .u64(144174000)
        .bytes();
}

// Deletes the windows that were unloaded, as the event loop would.
inline void deleteUnloaded() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The centre of a square on the field map (e.g. "IO85"), in map coordinates.
inline QPointF mapCentre(const char* l) {
    return {1200.0 * (l[0] - 'A') + 120 * (l[2] - '0') + 60,
            600.0 * (l[1] - 'A') - 5400 + 60 * (l[3] - '0') + 30};
}
// The centre of a square (slot 0..99) in the square view.
inline QPointF fieldCentre(int slot) {
    return {120.0 * (slot / 10) + 60, 60.0 * (9 - slot % 10) + 30};
}

// A control of a window by its design name; fails the test when missing.
template <class Control>
Control* control(QWidget* window, const char* name) {
    auto* found = window ? window->findChild<Control*>(QLatin1String(name)) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Clicks a name of a file list with the mouse, as the operator would.
inline void clickListed(FileList* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found[0]).center());
}

// Moves the pointer to a point of a window's drawing, twice (a move to where
// it is reports nothing), and clicks there unless told to only move.
inline void pointAt(QWidget* window, QPointF at, bool press = true) {
    auto* surface = window->findChild<DrawingSurface*>();
    const QPoint pixel = surface->canvas().toPixel(at).toPoint();
    QTest::mouseMove(surface, pixel + QPoint(1, 1));
    QTest::mouseMove(surface, pixel);
    if (press) QTest::mouseClick(surface, Qt::LeftButton, {}, pixel);
}

inline Canvas& canvasOf(QWidget* window) {
    return window->findChild<DrawingSurface*>()->canvas();
}

// Makes a window the active one and waits until it is drawn: its control
// `drawn` shown.
inline bool activeAndDrawn(QWidget* window, const char* drawn) {
    QApplication::setActiveWindow(window);
    return QTest::qWaitFor([&] { return control<QWidget>(window, drawn)->isVisible(); });
}

// Waits for the work a window runs on a worker (the overview's reading, a
// save through the database's owner) to end: its busy cursor goes.
inline bool waitWhileBusy(int ms = 30000) {
    return QTest::qWaitFor([] { return QApplication::overrideCursor() == nullptr; }, ms);
}

// Clicks a button, then waits for any long work it started (an import, a
// summary: the window's controls disabled meanwhile) to end.
inline void click(QWidget* window, const char* button) {
    auto* b = control<QPushButton>(window, button);
    ASSERT_TRUE(b && b->isVisible()) << button;
    const QPointer<QPushButton> pressed(b);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pressed || pressed->isEnabled(); }, 30000))
        << button << " still busy";
    EXPECT_TRUE(waitWhileBusy()) << button << " still busy";
    deleteUnloaded();
}

// The whole program's windows over a scratch folder of databases and a
// separate program folder (the maps), started from a third folder as the
// current directory, so that every file is checked to land where it belongs.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() : windows(state, dialogs, programDir.path(), dataDir.path()) {
        windows.setSettings(&settings);
        QDir::setCurrent(startDir.path());
        addProgramWindows(windows);
    }
    ~AppFixture() override {
        windows.end();
        deleteUnloaded();
        QDir::setCurrent(previousDir);
    }

    QWidget* menu() const { return windows.loaded(kMainMenuWindow); }
    QWidget* select(const QString& name) {  // the main menu with a database selected
        EXPECT_TRUE(control<FileList>(windows.show(kMainMenuWindow), "File1")->clickName(name));
        return menu();
    }
    // Selects the database and listens on a free port of the loopback; false
    // with the program's messages when listening did not begin.
    ::testing::AssertionResult listen(const QString& name) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, 0))
            return ::testing::AssertionFailure() << "no free port";
        const QString source = "127.0.0.1:" + QString::number(probe.localPort());
        probe.close();
        select(name);
        control<QLineEdit>(menu(), "ListenSource")->setText(source);
        click(menu(), "ListenButton");
        if (state.live && state.live->listening()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << dialogs.messages.join('\n').toStdString();
    }
    // Runs morvel-cli in the databases' folder, as another program; its
    // messages when it fails.
    ::testing::AssertionResult runCli(const QStringList& arguments) {
        QProcess cli;
        cli.setWorkingDirectory(dataDir.path());
        cli.start(QStringLiteral(MORVEL_CLI), arguments);
        if (cli.waitForFinished(30000) && cli.exitCode() == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << cli.readAllStandardError().toStdString();
    }
    // Map option `view` of the main menu: 1 World, 2 Europe, 3 USA.
    void chooseMapView(int view) {
        QTest::mouseClick(
            menu()->findChildren<OptionButton*>(QStringLiteral("Option3")).at(view - 1),
            Qt::LeftButton);
    }
    // The field map from the main menu (on map option `view`, if any), drawn.
    QWidget* openFieldMap(int view = 0) {
        if (view) chooseMapView(view);
        click(menu(), "View");
        QWidget* map = windows.loaded(kFieldMapWindow);
        EXPECT_TRUE(map && activeAndDrawn(map, "Command4"));
        return map;
    }
    // A square saved through the database's owner, as the square view saves it.
    void ownerSave(const QString& path, const char* field, int slot, const SquareEntry& entry) {
        windows.document(path)->submit(
            squareEditWork({recordNumber(field[0], field[1]), slot, entry},
                           std::make_shared<SquareEditResult>()),
            0);
    }
    QString text(const char* label) const { return control<QLabel>(menu(), label)->text(); }
    QString dataPath(const QString& name) const { return dataDir.filePath(name); }
    QString programPath(const QString& name) const { return programDir.filePath(name); }
    // Exactly one message box since the last clear, starting with `start`.
    void expectOneMessage(const QString& start) {
        const QStringList& m = dialogs.messages;
        EXPECT_TRUE(m.size() == 1 && m[0].startsWith(start)) << m.join('\n').toStdString();
    }

    QString previousDir = QDir::currentPath();
    QTemporaryDir dataDir, programDir, startDir, configDir;  // never the user's own settings
    QSettings settings{configDir.filePath("morvel.ini"), QSettings::IniFormat};
    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows;
};

}  // namespace morvel::test
