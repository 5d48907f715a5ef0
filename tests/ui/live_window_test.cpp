#include "app_fixture.h"

namespace morvel::test {
namespace {

const QString kHome = QStringLiteral("2M JO62QM HOME.QRA");

class LiveWindowTest : public AppFixture {
protected:
    LiveWindowTest() { makeBlankDatabase(dataDir.path(), kHome); }
};

TEST_F(LiveWindowTest, ListeningOutlivesTheMenuAndShowsContactsAndNewSquares) {
    QWidget* startMenu = windows.show(kMainMenuWindow);
    EXPECT_FALSE(control<QPushButton>(startMenu, "ListenButton")->isVisible());
    ASSERT_TRUE(listen(kHome));
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    const QString source = control<QLineEdit>(menu(), "ListenSource")->text();
    EXPECT_EQ(text("ListenLine"), "Listening for " + kHome + ": 0 contacts taken");
    EXPECT_EQ(control<QLabel>(menu(), "ListenLine")->toolTip(),
              "Listening on UDP " + source + " for " + kHome + ": 0 contacts taken");

    QUdpSocket sender;
    const quint16 port = state.live->udpPort();
    sender.writeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !text("NewSquareLine").isEmpty(); }, 10000));
    EXPECT_EQ(text("NewSquareLine"), "New square JO62: DL1ABC on 2m");
    EXPECT_EQ(text("ListenLine"), "Listening for " + kHome + ": 1 contact taken");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Label3") == "Squares Worked:  1"; }, 10000));

    // The maps unload the menu; contacts still arrive, and the menu shows them on return.
    click(menu(), "View");
    sender.writeDatagram(qsoLogged("DL2XYZ", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.live->counts().taken == 2; }, 10000));
    click(windows.loaded(kFieldMapWindow), "Command1");
    select(kHome);
    EXPECT_EQ(text("ListenLine"), "Listening for " + kHome + ": 2 contacts taken");
    EXPECT_FALSE(control<QLineEdit>(menu(), "ListenSource")->isEnabled());

    click(menu(), "ListenButton");
    EXPECT_FALSE(control<QLabel>(menu(), "ListenLine")->isVisible());
    EXPECT_EQ(settings.value("live/source").toString(), source);
    EXPECT_EQ(std::string(readSquare(dataPath(kHome), "JO", 62).callsignText()), "DL1ABC    ");
}

// A square worked or confirmed while listening is highlighted on the open
// map, then drawn in the worked or confirmed colour like every other square.
TEST_F(LiveWindowTest, SquaresTakenWhileListeningTakeTheMapsColoursAfterTheirHighlight) {
    ASSERT_TRUE(listen(kHome));
    Canvas& canvas = canvasOf(openFieldMap(2));

    const QColor highlight(255, 230, 0);
    const std::tuple<const char*, QByteArray, QColor> cases[] = {
        {"IO92", qsoLogged("G4ABC", "IO92"), QColor(249, 96, 79)},
        {"IO93",
         live::MessageWriter(live::MessageType::LoggedAdif, "WSJT-X")
             .utf8("<call:5>G4XYZ<gridsquare:4>IO93<band:2>2m<qso_date:8>20261206"
                   "<time_on:4>1900<qsl_rcvd:1>Y<eor>")
             .bytes(),
         QColor(0, 128, 0)},
    };
    QUdpSocket sender;
    for (const auto& [square, datagram, colour] : cases) {
        SCOPED_TRACE(square);
        const QPointF at = mapCentre(square);
        const QColor before = canvas.colourAt(at), taken = colour;
        sender.writeDatagram(datagram, QHostAddress::LocalHost, state.live->udpPort());
        EXPECT_TRUE(QTest::qWaitFor([&] { return canvas.colourAt(at) == highlight; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return canvas.colourAt(at) == taken; }, 10000))
            << qPrintable(canvas.colourAt(at).name());
        EXPECT_NE(before, taken);
    }
}

TEST_F(LiveWindowTest, SelectingAnotherDatabaseWhileListeningAsksWhetherToStop) {
    const QString second = QStringLiteral("70CM JO62QM HOME.QRA");
    makeBlankDatabase(dataDir.path(), second);
    // The answer, and whether listening goes on and which database is selected afterwards.
    const std::tuple<MessageAnswer, bool, QString> cases[] = {{MessageAnswer::No, true, kHome},
                                                              {MessageAnswer::Yes, false, second}};
    for (const auto& [answer, listening, selected] : cases) {
        SCOPED_TRACE(listening);
        ASSERT_TRUE(listen(kHome));
        dialogs.messages.clear();
        dialogs.answers.push_back(answer);
        select(second);
        expectOneMessage(
            "Listening goes on into 2M JO62QM HOME.QRA. Stop listening and select "
            "70CM JO62QM HOME.QRA?");
        EXPECT_EQ(state.live && state.live->listening(), listening);
        EXPECT_EQ(control<FileList>(menu(), "File1")->fileName() + '|' +
                      QFileInfo(state.databasePath).fileName(),
                  selected + '|' + selected);
        if (listening) {
            EXPECT_EQ(text("ListenLine"), "Listening for " + kHome + ": 0 contacts taken");
            click(menu(), "ListenButton");
        }
        EXPECT_FALSE(state.live && state.live->listening());
    }
}

// A full disk under a live write: the menu says why, the contact waits and
// listening goes on; once there is room again it is written and logged.
TEST_F(LiveWindowTest, AFullDiskKeepsTheContactWaitingAndSaysWhy) {
    ASSERT_TRUE(listen(kHome));
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
        // Listening, one contact waiting, none taken, no message box.
        EXPECT_EQ(std::tuple(state.live->listening(), state.live->pendingCount(),
                             state.live->counts().taken, dialogs.messages),
                  std::tuple(true, 1u, 0, QStringList()));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.live->counts().taken == 1; }, 10000));
    EXPECT_EQ(text("NewSquareLine"), "New square JO62: DL1ABC on 2m");
    EXPECT_EQ(std::tuple(state.live->pendingCount(),
                         readFileBytes(dataPath("changelog.txt")).count("DL1ABC")),
              std::tuple(0u, 1));
    EXPECT_EQ(std::string(readSquare(dataPath(kHome), "JO", 62).callsignText()), "DL1ABC    ");
}

}  // namespace
}  // namespace morvel::test
