#include "ui/windows.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "database/shared_state.h"
#include "tests/support/scripted_dialogs.h"

namespace morvel {
namespace {

class CountingForm : public Form {
public:
    CountingForm(Windows& windows, const QString& name, int& loads)
        : Form(windows, name), loads_(loads) {
        button = new QPushButton(QStringLiteral("Next"), this);
        connect(button, &QPushButton::clicked, this, &CountingForm::handOver);
    }
    void onLoad() override {
        ++loads_;
        caption = QStringLiteral("loaded");
    }
    // Unloads itself, then keeps working, as the menu's Create File does.
    void handOver() {
        windows().unload(formName());
        windows().show(QStringLiteral("B"));
        caption = QStringLiteral("handed over");
    }
    QPushButton* button;
    QString caption;

private:
    int& loads_;
};

class SelfUnloadingForm : public Form {
public:
    using Form::Form;
    void onLoad() override { windows().unload(formName()); }
};

void deletePending() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class WindowsTest : public ::testing::Test {
protected:
    WindowsTest() : windows(state, dialogs, QStringLiteral("/opt/morvel")) {
        windows.add(QStringLiteral("A"),
                    [this](Windows& w) { return new CountingForm(w, "A", loadsA); });
        windows.add(QStringLiteral("B"),
                    [this](Windows& w) { return new CountingForm(w, "B", loadsB); });
        windows.add(QStringLiteral("Gone"),
                    [](Windows& w) { return new SelfUnloadingForm(w, "Gone"); });
    }
    ~WindowsTest() override { deletePending(); }

    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows;
    int loadsA = 0;
    int loadsB = 0;
};

TEST_F(WindowsTest, LoadRunsFormLoadOnceAndShowReusesTheLoadedWindow) {
    Form* a = windows.load(QStringLiteral("A"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(loadsA, 1);
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(windows.show(QStringLiteral("A")), a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(loadsA, 1);
    EXPECT_EQ(windows.programFolder(), QStringLiteral("/opt/morvel"));
}

TEST_F(WindowsTest, AHandlerMayUnloadItsOwnWindowAndCarryOn) {
    QPointer<CountingForm> a = static_cast<CountingForm*>(windows.show(QStringLiteral("A")));
    QTest::mouseClick(a->button, Qt::LeftButton);
    ASSERT_FALSE(a.isNull());  // still alive until the event loop deletes it
    EXPECT_EQ(a->caption, QStringLiteral("handed over"));
    EXPECT_EQ(windows.loadedNames(), QStringList{QStringLiteral("B")});
    EXPECT_TRUE(windows.loaded(QStringLiteral("B"))->isVisible());
    deletePending();
    EXPECT_TRUE(a.isNull());
}

TEST_F(WindowsTest, ClosingTheLastVisibleWindowEndsTheProgram) {
    QSignalSpy ended(&windows, &Windows::programEnded);
    Form* a = windows.show(QStringLiteral("A"));
    Form* b = windows.show(QStringLiteral("B"));
    b->close();
    EXPECT_EQ(windows.loaded(QStringLiteral("B")), nullptr);
    EXPECT_EQ(ended.count(), 0);
    a->close();
    EXPECT_EQ(ended.count(), 1);
}

}  // namespace
}  // namespace morvel
