#include <QLineEdit>
#include <QUdpSocket>

#include "app_fixture.h"
#include "live/live_session.h"
#include "ui/controls.h"
#include "ui/drawing_surface.h"

namespace morvel::test {
namespace {

using LiveWindowTest = AppFixture;

QByteArray qsoLogged(const char* call, const char* grid) {
    return live::MessageWriter(live::MessageType::QsoLogged, "WSJT-X")
        .dateTime(QDate(2026, 12, 6), QTime(19, 0))
        .utf8(call)
        .utf8(grid)
        .u64(144174000)
        .bytes();
}

TEST_F(LiveWindowTest, ListeningOutlivesTheMenuAndShowsContactsAndNewSquares) {
    const QString name = QStringLiteral("2M JO62QM HOME.QRA");
    makeBlankDatabase(dataDir.path(), name);
    QWidget* startMenu = windows.show(kMainMenuWindow);
    EXPECT_FALSE(control<QPushButton>(startMenu, "ListenButton")->isVisible());
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const QString source = "127.0.0.1:" + QString::number(probe.localPort());
    probe.close();
    select(name);
    control<QLineEdit>(menu(), "ListenSource")->setText(source);
    click(menu(), "ListenButton");
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    EXPECT_EQ(text("ListenLine"), "Listening for " + name + ": 0 contacts taken");
    EXPECT_EQ(control<QLabel>(menu(), "ListenLine")->toolTip(),
              "Listening on UDP " + source + " for " + name + ": 0 contacts taken");

    QUdpSocket sender;
    const quint16 port = state.live->udpPort();
    sender.writeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !text("NewSquareLine").isEmpty(); }, 10000));
    EXPECT_EQ(text("NewSquareLine"), "New square JO62: DL1ABC on 2m");
    EXPECT_EQ(text("ListenLine"), "Listening for " + name + ": 1 contact taken");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Label3") == "Squares Worked:  1"; }, 10000));

    // The maps unload the menu; contacts still arrive, and the menu shows them on return.
    click(menu(), "View");
    sender.writeDatagram(qsoLogged("DL2XYZ", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.live->counts().taken == 2; }, 10000));
    click(windows.loaded(kFieldMapWindow), "Command1");
    select(name);
    EXPECT_EQ(text("ListenLine"), "Listening for " + name + ": 2 contacts taken");
    EXPECT_FALSE(control<QLineEdit>(menu(), "ListenSource")->isEnabled());

    click(menu(), "ListenButton");
    EXPECT_FALSE(control<QLabel>(menu(), "ListenLine")->isVisible());
    EXPECT_EQ(settings.value("live/source").toString(), source);
    EXPECT_EQ(std::string(readSquare(dataPath(name), "JO", 62).callsignText()), "DL1ABC    ");
}

// A square worked or confirmed while listening is highlighted on the open
// map, then drawn in the worked or confirmed colour like every other square.
TEST_F(LiveWindowTest, SquaresTakenWhileListeningTakeTheMapsColoursAfterTheirHighlight) {
    const QString name = QStringLiteral("2M IO91WM HOME.QRA");
    makeBlankDatabase(dataDir.path(), name);
    ASSERT_TRUE(listen(name));
    QTest::mouseClick(menu()->findChildren<OptionButton*>(QStringLiteral("Option3")).at(1),
                      Qt::LeftButton);  // Europe
    click(menu(), "View");
    QWidget* map = windows.loaded(kFieldMapWindow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return control<QWidget>(map, "Command4")->isVisible(); }));
    Canvas& canvas = map->findChild<DrawingSurface*>()->canvas();

    const QColor highlight(255, 230, 0);
    const struct {
        const char* square;
        QByteArray datagram;
        QColor colour;
    } cases[] = {
        {"IO92", qsoLogged("G4ABC", "IO92"), QColor(249, 96, 79)},
        {"IO93",
         live::MessageWriter(live::MessageType::LoggedAdif, "WSJT-X")
             .utf8("<call:5>G4XYZ<gridsquare:4>IO93<band:2>2m<qso_date:8>20261206"
                   "<time_on:4>1900<qsl_rcvd:1>Y<eor>")
             .bytes(),
         QColor(0, 128, 0)},
    };
    QUdpSocket sender;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.square);
        const QColor before = canvas.colourAt(mapCentre(c.square));
        sender.writeDatagram(c.datagram, QHostAddress::LocalHost, state.live->udpPort());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return canvas.colourAt(mapCentre(c.square)) == highlight; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return canvas.colourAt(mapCentre(c.square)) == c.colour; }, 10000))
            << qPrintable(canvas.colourAt(mapCentre(c.square)).name());
        EXPECT_NE(before, c.colour);
    }
}

struct SwitchCase {
    const char* what;
    MessageAnswer answer;
    bool listening;        // afterwards
    const char* selected;  // the database the menu shows afterwards
};

TEST_F(LiveWindowTest, SelectingAnotherDatabaseWhileListeningAsksWhetherToStop) {
    const QString first = QStringLiteral("2M JO62QM HOME.QRA");
    const QString second = QStringLiteral("70CM JO62QM HOME.QRA");
    makeBlankDatabase(dataDir.path(), first);
    makeBlankDatabase(dataDir.path(), second);
    const std::vector<SwitchCase> cases = {
        {"stays", MessageAnswer::No, true, "2M JO62QM HOME.QRA"},
        {"stops", MessageAnswer::Yes, false, "70CM JO62QM HOME.QRA"},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(listen(first));
        dialogs.messages.clear();
        dialogs.answers.push_back(c.answer);
        select(second);
        expectOneMessage(
            "Listening goes on into 2M JO62QM HOME.QRA. Stop listening and select "
            "70CM JO62QM HOME.QRA?");
        EXPECT_EQ(state.live && state.live->listening(), c.listening);
        EXPECT_EQ(control<FileList>(menu(), "File1")->fileName(), c.selected);
        EXPECT_EQ(QFileInfo(state.databasePath).fileName(), c.selected);
        if (c.listening) {
            EXPECT_EQ(text("ListenLine"), "Listening for " + first + ": 0 contacts taken");
            click(menu(), "ListenButton");
        }
        EXPECT_FALSE(state.live && state.live->listening());
    }
}

// A full disk under a live write: the menu says why, the contact waits and
// listening goes on; once there is room again it is written and logged.
TEST_F(LiveWindowTest, AFullDiskKeepsTheContactWaitingAndSaysWhy) {
    const QString name = QStringLiteral("2M JO62QM HOME.QRA");
    makeBlankDatabase(dataDir.path(), name);
    ASSERT_TRUE(listen(name));
    state.live->retryIntervalMs = 100;
    QUdpSocket sender;
    {
        const WriteLimit full(64 * 1024);  // the database is 916 KB
        sender.writeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost,
                             state.live->udpPort());
        const auto said = [&] { return control<QLabel>(menu(), "NewSquareLine")->toolTip(); };
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return said().startsWith("Not written yet, tried again: "); }, 10000))
            << said().toStdString();
        EXPECT_TRUE(said().contains("File too large")) << said().toStdString();
        EXPECT_TRUE(state.live->listening());
        EXPECT_EQ(state.live->pendingCount(), 1u);
        EXPECT_EQ(state.live->counts().taken, 0);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.live->counts().taken == 1; }, 10000));
    EXPECT_EQ(text("NewSquareLine"), "New square JO62: DL1ABC on 2m");
    EXPECT_EQ(state.live->pendingCount(), 0u);
    EXPECT_EQ(std::string(readSquare(dataPath(name), "JO", 62).callsignText()), "DL1ABC    ");
    EXPECT_EQ(readFileBytes(dataPath("changelog.txt")).count("DL1ABC"), 1);
}

}  // namespace
}  // namespace morvel::test
