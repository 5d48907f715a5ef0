#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QListWidgetItem>
#include <QTemporaryDir>
#include <QTest>

#include "app/forms.h"
#include "database/shared_state.h"
#include "menu/startup.h"
#include "ui/dialogs.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel::test {

// Deletes the windows that were unloaded, as the event loop would.
inline void deleteUnloaded() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Clicks a name of a file list with the mouse, as the operator would.
inline void clickListed(FileList* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
}

// The whole program's windows over a scratch folder of databases, which is
// the current directory, and a separate program folder.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() : windows(state, dialogs, programDir.path()) {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dataDir.path());
        addForms(windows);
    }
    ~AppFixture() override {
        windows.end();
        deleteUnloaded();
        QDir::setCurrent(previousDir_);
    }

    Startup* menu() const { return windows.loadedAs<Startup>(kStartupForm); }
    Startup* startProgram() { return qobject_cast<Startup*>(windows.show(kStartupForm)); }
    QString dataPath(const QString& name) const { return QDir(dataDir.path()).filePath(name); }

    QTemporaryDir dataDir;
    QTemporaryDir programDir;
    SharedState state;
    ScriptedDialogs dialogs;
    Windows windows;

private:
    QString previousDir_;
};

}  // namespace morvel::test
