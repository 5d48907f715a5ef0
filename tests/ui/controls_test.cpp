#include "ui/controls.h"

#include <QSignalSpy>

#include "app_fixture.h"

namespace morvel::test {
namespace {

// The menu reloads a database when its name is clicked again, so every click
// and every key move must fire, and a refresh must not.
TEST(FileList, EveryClickAndKeyFiresAndARefreshDoesNot) {
    QTemporaryDir dir;
    for (const char* name : {"b.qra", "A.QRA", "c.txt"}) writeFileBytes(dir.filePath(name), "x");
    FileList list(dir.path());
    list.setPattern(QStringLiteral("*.qra"));
    list.show();
    QSignalSpy clicks(&list, &FileList::click);
    EXPECT_EQ(list.names(), (QStringList{"A.QRA", "b.qra"}));
    for (const char* name : {"b.qra", "b.qra", "A.QRA"}) clickListed(&list, name);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 4);
    EXPECT_EQ(list.fileName(), QStringLiteral("b.qra"));
    QFile::remove(dir.filePath(QStringLiteral("b.qra")));
    list.refresh();
    EXPECT_EQ(list.names() << list.fileName(), (QStringList{"A.QRA", ""}));
    EXPECT_EQ(clicks.count(), 4);
}

}  // namespace
}  // namespace morvel::test
