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
        click(select(kPortable), "Command1");
        w = windows.loaded(kDeleteDatabaseWindow);
        list = control<FileList>(w, "File2");
    }
    QWidget* w = nullptr;
    FileList* list = nullptr;
};

TEST_F(DeleteDatabaseTest, KeysAskNothingEnterAsksWithNoAsDefaultAndYesDeletes) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    QTest::keyClick(list, Qt::Key_Return);  // the question takes its default
    ASSERT_EQ(dialogs.messages, QStringList{"Are you sure you want to delete 6M JO01AB .QRA ?"});
    EXPECT_EQ(dialogs.asked[0], std::pair(MessageButtons::YesNo, MessageAnswer::No));
    EXPECT_TRUE(QFile::exists(dataPath(kSix)));
    dialogs.answers.push_back(MessageAnswer::Yes);
    clickListed(list, kPortable);
    EXPECT_FALSE(QFile::exists(dataPath(kPortable)));
    EXPECT_EQ(list->names(), QStringList{kSix});
    click(w, "exit_Button");
    EXPECT_EQ(windows.loaded(kDeleteDatabaseWindow), nullptr);
    EXPECT_EQ(control<FileList>(menu(), "File1")->names(), QStringList{kSix});
    EXPECT_EQ(text("Label5") + state.databasePath, QString());
}

}  // namespace
}  // namespace morvel::test
