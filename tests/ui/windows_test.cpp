#include "ui/windows.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "database/shared_state.h"
#include "tests/support/scripted_dialogs.h"

namespace morvel {
namespace {

// Unloads itself, shows "B" and carries on, as the menu's Create File does
// from a click; it must stay alive until the event loop deletes it.
class HandingOverForm : public Form {
public:
    using Form::Form;
    void handOver() {
        windows().unload(formName());
        windows().show(QStringLiteral("B"));
        handedOver = formName();
    }
    QString handedOver;
};

TEST(Windows, AWindowMayUnloadItselfAndTheLastOneClosedEndsTheProgram) {
    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows(state, dialogs, QString());
    for (const char* name : {"A", "B", "C"}) {
        windows.add(QLatin1String(name),
                    [name](Windows& w) { return new HandingOverForm(w, QLatin1String(name)); });
    }
    QSignalSpy ended(&windows, &Windows::programEnded);
    QPointer<HandingOverForm> a = static_cast<HandingOverForm*>(windows.show(QStringLiteral("A")));
    a->handOver();
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a->handedOver, QStringLiteral("A"));
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
