#include "ui/windows.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "tests/support/scripted_dialogs.h"
#include "ui/shared_state.h"

namespace morvel {
namespace {

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

}  // namespace
}  // namespace morvel
