#include "database/delete_form.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app_fixture.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

const QString kPortable = QStringLiteral("2M IO85AB PORTABLE.QRA");
const QString kSix = QStringLiteral("6M JO01AB .QRA");

class DeleteFormTest : public AppFixture {
protected:
    DeleteFormTest() {
        makeBlankDatabase(dataDir.path(), kPortable);
        makeBlankDatabase(dataDir.path(), kSix);
    }
    // The main menu with a database selected, then Delete File.
    DeleteForm* openDelete() {
        Startup* m = startProgram();
        m->File1->clickName(kPortable);
        EXPECT_TRUE(m->View->isVisible());
        QTest::mouseClick(m->Command1, Qt::LeftButton);
        return windows.loadedAs<DeleteForm>(kDeleteForm);
    }
    void expectMenuReset() {
        Startup* m = menu();
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->isVisible());
        for (QLabel* l : std::initializer_list<QLabel*>{m->Label3, m->Label4, m->Label2, m->Label5,
                                                        m->Label7}) {
            EXPECT_EQ(l->text(), QString());
        }
        for (QWidget* w :
             std::initializer_list<QWidget*>{m->View, m->Command6, m->Command5, m->Command2,
                                             m->Frame1, m->Frame2, m->Option1, m->Option2}) {
            EXPECT_FALSE(w->isVisible());
        }
        EXPECT_TRUE(m->Command4->isVisible());
        EXPECT_EQ(m->File1->fileName(), QString());
        EXPECT_EQ(state.filename, "");
    }
};

TEST_F(DeleteFormTest, OpensWithItsTexts) {
    DeleteForm* f = openDelete();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Morvel by Tovrin: Delete a QRA file"));
    EXPECT_EQ(f->Label3->text(), QStringLiteral("Existing QRA Files"));
    EXPECT_EQ(f->Label6->text(),
              QStringLiteral("Delete a .qra file - click on the filename you wish to delete in "
                             "the file list on the left.\r\nYou will be asked to confirm before "
                             "the file is deleted."));
    EXPECT_EQ(f->exit_Button->text(), QStringLiteral("Exit"));
    EXPECT_EQ(f->File2->names(), (QStringList{kPortable, kSix}));
    EXPECT_EQ(f->File2->font().pointSizeF(), 12);
    EXPECT_EQ(f->Label6->font().pointSizeF(), 9.75);
    EXPECT_EQ(f->palette().color(QPalette::Window), QColor(255, 224, 192));
    // The main menu waits, hidden, with its selection.
    ASSERT_NE(menu(), nullptr);
    EXPECT_FALSE(menu()->isVisible());
}

TEST_F(DeleteFormTest, YesDeletesTheFileAndExitResetsTheMainMenu) {
    DeleteForm* f = openDelete();
    dialogs.queueAnswer(MessageAnswer::Yes);
    clickListed(f->File2, kPortable);

    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Are you sure you want to delete 2M IO85AB PORTABLE.QRA ?"));
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("File Delete"));
    EXPECT_EQ(dialogs.shown()[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(QFileInfo::exists(dataPath(kPortable)));
    EXPECT_EQ(f->File2->names(), QStringList{kSix});

    QTest::mouseClick(f->exit_Button, Qt::LeftButton);
    EXPECT_EQ(windows.loaded(kDeleteForm), nullptr);
    expectMenuReset();
    EXPECT_EQ(menu()->File1->names(), QStringList{kSix});
}

TEST_F(DeleteFormTest, NoLeavesTheFileAndTheList) {
    DeleteForm* f = openDelete();
    const QByteArray before = readFileBytes(dataPath(kSix));
    dialogs.queueAnswer(MessageAnswer::No);
    clickListed(f->File2, kSix);
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Are you sure you want to delete 6M JO01AB .QRA ?")});
    EXPECT_EQ(readFileBytes(dataPath(kSix)), before);
    EXPECT_EQ(f->File2->names(), (QStringList{kPortable, kSix}));
}

TEST_F(DeleteFormTest, ExitWithoutDeletingStillResetsTheMainMenu) {
    DeleteForm* f = openDelete();
    f->exit_Button_Click();
    expectMenuReset();
    EXPECT_EQ(menu()->File1->names(), (QStringList{kPortable, kSix}));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DeleteFormTest, ARefusedDeletionIsReportedAndTheWindowStaysUsable) {
    DeleteForm* f = openDelete();
    // Gone before the click: the system refuses the deletion.
    ASSERT_TRUE(QFile::remove(dataPath(kPortable)));
    dialogs.queueAnswer(MessageAnswer::Yes);
    f->File2->clickName(kPortable);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    const ScriptedDialogs::Shown& report = dialogs.shown()[1];
    EXPECT_TRUE(report.text.startsWith(QStringLiteral("Could not delete 2M IO85AB PORTABLE.QRA: ")))
        << qPrintable(report.text);
    EXPECT_GT(report.text.size(),
              QStringLiteral("Could not delete 2M IO85AB PORTABLE.QRA: ").size());
    EXPECT_EQ(report.title, QStringLiteral("Morvel"));
    EXPECT_EQ(report.buttons, MessageButtons::Ok);
    EXPECT_EQ(f->File2->names(), QStringList{kSix});

    dialogs.queueAnswer(MessageAnswer::Yes);
    clickListed(f->File2, kSix);
    EXPECT_FALSE(QFileInfo::exists(dataPath(kSix)));
    EXPECT_TRUE(f->File2->names().isEmpty());
}

TEST_F(DeleteFormTest, ClosingTheWindowActsAsExit) {
    DeleteForm* f = openDelete();
    f->close();
    EXPECT_EQ(windows.loaded(kDeleteForm), nullptr);
    expectMenuReset();
    EXPECT_FALSE(windows.ended());
}

}  // namespace
}  // namespace morvel::test
