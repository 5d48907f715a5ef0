#include "windows/delete_database_window.h"

#include <QFile>

#include "app_fixture.h"

namespace morvel::test {
namespace {

const QString kPortable = QStringLiteral("2M IO85AB PORTABLE.QRA");
const QString kSix = QStringLiteral("6M JO01AB .QRA");

class DeleteDatabaseTest : public AppFixture {
protected:
    DeleteDatabaseTest() {
        makeBlankDatabase(dataDir.path(), kPortable);
        makeBlankDatabase(dataDir.path(), kSix);
    }
    // Delete File with a database selected in the main menu.
    QWidget* open() {
        click(select(kPortable), "Command1");
        EXPECT_FALSE(menu()->isVisible());
        return windows.loaded(kDeleteDatabaseWindow);
    }
    void expectMenuReset(const QStringList& listed) {
        ASSERT_NE(menu(), nullptr);
        EXPECT_TRUE(menu()->isVisible());
        for (const char* label : {"Label5", "Label3", "Label7"}) EXPECT_EQ(text(label), QString());
        EXPECT_FALSE(control<QWidget>(menu(), "View")->isVisible());
        EXPECT_EQ(control<FileList>(menu(), "File1")->names(), listed);
        EXPECT_EQ(state.filename, "");
    }
};

TEST_F(DeleteDatabaseTest, YesDeletesNoKeepsAndExitResetsTheMainMenu) {
    QWidget* w = open();
    auto* list = control<FileList>(w, "File2");
    const QByteArray six = readFileBytes(dataPath(kSix));
    dialogs.queueAnswer(MessageAnswer::No);
    clickListed(list, kSix);
    EXPECT_EQ(readFileBytes(dataPath(kSix)), six);
    dialogs.queueAnswer(MessageAnswer::Yes);
    clickListed(list, kPortable);
    EXPECT_EQ(dialogs.messages(),
              (QStringList{"Are you sure you want to delete 6M JO01AB .QRA ?",
                           "Are you sure you want to delete 2M IO85AB PORTABLE.QRA ?"}));
    EXPECT_EQ(dialogs.shown()[1].title, QStringLiteral("File Delete"));
    EXPECT_EQ(dialogs.shown()[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.shown()[1].defaultButton, MessageAnswer::No);
    EXPECT_FALSE(QFileInfo::exists(dataPath(kPortable)));
    EXPECT_EQ(list->names(), QStringList{kSix});
    click(w, "exit_Button");
    EXPECT_EQ(windows.loaded(kDeleteDatabaseWindow), nullptr);
    expectMenuReset({kSix});
}

TEST_F(DeleteDatabaseTest, KeysMoveWithoutAskingAndEnterAsksWithNoAsDefault) {
    auto* list = control<FileList>(open(), "File2");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(dialogs.shown().empty());
    QTest::keyClick(list, Qt::Key_Return);  // the question takes its default
    ASSERT_EQ(dialogs.messages(), QStringList{"Are you sure you want to delete 6M JO01AB .QRA ?"});
    EXPECT_TRUE(QFileInfo::exists(dataPath(kSix)));
}

TEST_F(DeleteDatabaseTest, ARefusedDeletionIsReportedAndClosingActsAsExit) {
    QWidget* w = open();
    ASSERT_TRUE(QFile::remove(dataPath(kPortable)));  // gone before the click
    dialogs.queueAnswer(MessageAnswer::Yes);
    control<FileList>(w, "File2")->clickName(kPortable);
    ASSERT_EQ(dialogs.messages().size(), 2);
    EXPECT_TRUE(dialogs.messages()[1].startsWith(
        QStringLiteral("Could not delete 2M IO85AB PORTABLE.QRA: ")));
    EXPECT_EQ(control<FileList>(w, "File2")->names(), QStringList{kSix});
    w->close();
    expectMenuReset({kSix});
    EXPECT_FALSE(windows.ended());
}

}  // namespace
}  // namespace morvel::test
