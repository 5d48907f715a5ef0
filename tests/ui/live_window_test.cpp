#include <QLineEdit>
#include <QUdpSocket>

#include "app_fixture.h"
#include "live/live_session.h"

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
    EXPECT_EQ(text("ListenLine"), "Listening on UDP " + source + ": 0 contacts taken");

    QUdpSocket sender;
    const quint16 port = state.live->udpPort();
    sender.writeDatagram(qsoLogged("DL1ABC", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !text("NewSquareLine").isEmpty(); }, 10000));
    EXPECT_EQ(text("NewSquareLine"), "New square JO62: DL1ABC on 2m");
    EXPECT_EQ(text("ListenLine"),
              "Listening on UDP " + source + ": 1 contacts taken");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Label3") == "Squares Worked:  1"; }, 10000));

    // The maps unload the menu; contacts still arrive, and the menu shows them on return.
    click(menu(), "View");
    sender.writeDatagram(qsoLogged("DL2XYZ", "JO62"), QHostAddress::LocalHost, port);
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.live->counts().taken == 2; }, 10000));
    click(windows.loaded(kFieldMapWindow), "Command1");
    select(name);
    EXPECT_EQ(text("ListenLine"),
              "Listening on UDP " + source + ": 2 contacts taken");
    EXPECT_FALSE(control<QLineEdit>(menu(), "ListenSource")->isEnabled());

    click(menu(), "ListenButton");
    EXPECT_FALSE(control<QLabel>(menu(), "ListenLine")->isVisible());
    EXPECT_EQ(settings.value("live/source").toString(), source);
    EXPECT_EQ(std::string(readSquare(dataPath(name), "JO", 62).callsignText()), "DL1ABC    ");
}

}  // namespace
}  // namespace morvel::test
