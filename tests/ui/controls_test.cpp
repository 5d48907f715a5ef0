#include "ui/controls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "database/shared_state.h"
#include "tests/test_support.h"
#include "tests/support/scripted_dialogs.h"
#include "ui/twips.h"
#include "ui/windows.h"

namespace morvel {
namespace {

class FileListTest : public ::testing::Test {
protected:
    FileListTest() {
        for (const char* name : {"b.qra", "A.QRA", "c.txt"}) {
            test::writeFileBytes(dir.filePath(QString::fromLatin1(name)), "x");
        }
        list.setFolder(dir.path());
        list.setPattern(QStringLiteral("*.qra"));
        list.resize(200, 200);
        list.show();
    }
    void clickRow(int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(row)).center());
    }

    QTemporaryDir dir;
    FileList list;
};

TEST_F(FileListTest, ClicksFireOnceAndAgainOnTheSelectedName) {
    QSignalSpy clicks(&list, &FileList::click);
    EXPECT_EQ(list.names(), (QStringList{"A.QRA", "b.qra"}));
    clickRow(1);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(list.fileName(), QStringLiteral("b.qra"));
    clickRow(1);
    EXPECT_EQ(clicks.count(), 2);
    clickRow(0);
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(list.fileName(), QStringLiteral("A.QRA"));
    // The keyboard selects as well.
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 4);
    EXPECT_EQ(list.fileName(), QStringLiteral("b.qra"));
}

TEST_F(FileListTest, RefreshRereadsTheFolderWithoutFiringOrSelecting) {
    QSignalSpy clicks(&list, &FileList::click);
    list.clickName(QStringLiteral("b.qra"));
    ASSERT_EQ(clicks.count(), 1);
    test::writeFileBytes(dir.filePath(QStringLiteral("0 NEW.Qra")), "x");
    QFile::remove(dir.filePath(QStringLiteral("b.qra")));
    list.refresh();
    EXPECT_EQ(list.names(), (QStringList{"0 NEW.Qra", "A.QRA"}));
    EXPECT_EQ(list.fileName(), QString());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(list.clickName(QStringLiteral("b.qra")));
}

class FocusForm : public Form {
public:
    FocusForm(Windows& w, bool withButton) : Form(w, QStringLiteral("F")) {
        if (withButton) new QPushButton(QStringLiteral("Go"), this);
    }
    void onGotFocus() override { ++gotFocus; }
    int gotFocus = 0;
};

TEST(Form, GetsTheFocusItselfOnlyWithNoControlToTakeIt) {
    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows(state, dialogs, QString());
    bool withButton = false;
    windows.add(QStringLiteral("F"), [&](Windows& w) { return new FocusForm(w, withButton); });

    auto* bare = static_cast<FocusForm*>(windows.show(QStringLiteral("F")));
    ASSERT_TRUE(QTest::qWaitForWindowActive(bare));
    QCoreApplication::processEvents();
    EXPECT_EQ(bare->gotFocus, 1);
    windows.unload(QStringLiteral("F"));

    withButton = true;
    auto* buttoned = static_cast<FocusForm*>(windows.show(QStringLiteral("F")));
    ASSERT_TRUE(QTest::qWaitForWindowActive(buttoned));
    QCoreApplication::processEvents();
    EXPECT_EQ(buttoned->gotFocus, 0);
    windows.end();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace morvel
