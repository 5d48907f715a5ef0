#include "ui/controls.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "tests/test_support.h"

namespace morvel {
namespace {

// The menu reloads a database when its name is clicked again, so every click
// and every key move must fire, and a refresh must not.
TEST(FileList, EveryClickAndKeyFiresAndARefreshDoesNot) {
    QTemporaryDir dir;
    for (const char* name : {"b.qra", "A.QRA", "c.txt"})
        test::writeFileBytes(dir.filePath(QLatin1String(name)), "x");
    FileList list;
    list.setFolder(dir.path());
    list.setPattern(QStringLiteral("*.qra"));
    list.resize(200, 200);
    list.show();
    QSignalSpy clicks(&list, &FileList::click);
    EXPECT_EQ(list.names(), (QStringList{"A.QRA", "b.qra"}));
    for (int row : {1, 1, 0}) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(row)).center());
    }
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 4);
    EXPECT_EQ(list.fileName(), QStringLiteral("b.qra"));
    QFile::remove(dir.filePath(QStringLiteral("b.qra")));
    list.refresh();
    EXPECT_EQ(list.names(), QStringList{"A.QRA"});
    EXPECT_EQ(list.fileName(), QString());
    EXPECT_EQ(clicks.count(), 4);
}

}  // namespace
}  // namespace morvel
