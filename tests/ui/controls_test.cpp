#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/shared_state.h"
#include "ui/windows.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include "app_fixture.h"
#include "tests/support/scripted_dialogs.h"

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

TEST(Windows, AWindowMayUnloadItselfAndTheLastOneClosedEndsTheProgram) {
    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows(state, dialogs, QString());
    for (const char* name : {"A", "B", "C"})
        windows.add(QLatin1String(name), [name](Windows& w) { return new Form(w, name); });
    QSignalSpy ended(&windows, &Windows::programEnded);
    QPointer<QWidget> a = windows.show(QStringLiteral("A"));
    windows.unload(QStringLiteral("A"));  // from its own click handler, as Create File does
    windows.show(QStringLiteral("B"));
    EXPECT_FALSE(a.isNull());  // the handler still runs on it until the event loop
    EXPECT_EQ(windows.loadedNames(), QStringList{QStringLiteral("B")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(a.isNull());
    windows.show(QStringLiteral("C"))->close();
    EXPECT_EQ(ended.count(), 0);
    windows.loaded(QStringLiteral("B"))->close();
    EXPECT_EQ(ended.count(), 1);
}

TEST(FileFilter, ConvertsPipeFiltersToQtForm) {
    const struct {
        const char* filter;
        QStringList qt;
    } cases[] = {
        // The import filters: a description with its own parentheses and a
        // pattern with a leading blank; "*.*" lists names without a dot too.
        {"ADIF Files (.adi)|*.adi|All Files| *.*", {"ADIF Files (.adi) (*.adi)", "All Files (*)"}},
        {"Some|*.a;*.*", {"Some (*.a *)"}},
        {"Anything", {"Anything (*)"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.filter)), c.qt) << c.filter;
}

}  // namespace
}  // namespace morvel::test
