#include <QFileDialog>
#include <QListView>
#include <QSignalSpy>

#include "app_fixture.h"
#include "ui/dialogs.h"
#include "windows/import_runner.h"

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
    const std::pair<const char*, QStringList> cases[] = {
        // The import filters: a description with its own parentheses and a
        // pattern with a leading blank; "*.*" lists names without a dot too.
        {"ADIF Files (.adi)|*.adi;*.adif|All Files| *.*",
         {"ADIF Files (.adi) (*.adi *.adif)", "All Files (*)"}},
        {"Some|*.a;*.*", {"Some (*.a *)"}},
        {"Anything", {"Anything (*)"}},
        {"", {}},
    };
    for (const auto& [filter, qt] : cases)
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(filter)), qt) << filter;
}

TEST(FileFilter, ANameWithoutASuffixGetsTheChosenFiltersSuffix) {
    const QString filter = QStringLiteral("PNG picture|*.png|JPEG picture|*.jpg;*.jpeg|All| *.*");
    // The name chosen, the filter chosen and the name saved.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"/d/map", 1, "/d/map.png"},
        {"/d/map", 2, "/d/map.jpg"},
        {"/d/map.", 1, "/d/map.png"},
        {"/d/map.svg", 1, "/d/map.svg"},
        {"/d/map.gif", 2, "/d/map.gif"},
        {"/d.x/map", 1, "/d.x/map.png"},
        {"/d/2M JO62QM HOME World", 1, "/d/2M JO62QM HOME World.png"},
        {"/d/map", 3, "/d/map"},  // all files: no suffix to add
        {"/d/map", 4, "/d/map"},
        {"/d/map", 0, "/d/map"},
    };
    for (const auto& [chosen, index, saved] : cases)
        EXPECT_EQ(withFilterSuffix(QString::fromUtf8(chosen), filter, index), saved)
            << chosen << " " << index;
}

// The names Qt's file dialog lists in its folder under the first filter,
// once as many as expected have shown and a while more has passed.
QStringList listedNames(const FileDialogRequest& request, qsizetype expected) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    prepareFileDialog(dialog, request, false);
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!view) return {"no list"};
    const auto names = [view] {
        QStringList listed;
        const QModelIndex root = view->rootIndex();
        for (int i = 0; i < view->model()->rowCount(root); ++i)
            listed << view->model()->index(i, 0, root).data().toString();
        listed.sort(Qt::CaseInsensitive);
        return listed;
    };
    static_cast<void>(QTest::qWaitFor([&] { return names().size() >= expected; }, 5000));
    QTest::qWait(200);
    return names();
}

// Logs are found whatever the case of their suffix, and only logs.
TEST(FileFilter, TheImportDialogsTakeTheirSuffixesInAnyCase) {
    QTemporaryDir dir;
    for (const char* name : {"a.adi", "B.ADIF", "c.Adi", "d.aDiF", "e.edi", "F.EDI", "g.Edi",
                             "h.txt", "i.adi.txt", "j.qra"})
        writeFileBytes(dir.filePath(name), "x");
    const std::pair<ImportKind, QStringList> cases[] = {
        {ImportKind::Adif, {"a.adi", "B.ADIF", "c.Adi", "d.aDiF"}},
        {ImportKind::Edi, {"e.edi", "F.EDI", "g.Edi"}},
    };
    for (const auto& [kind, listed] : cases) {
        FileDialogRequest request = importFileDialog(kind);
        request.directory = dir.path();
        EXPECT_EQ(listedNames(request, listed.size()), listed);
    }
}

}  // namespace
}  // namespace morvel::test
