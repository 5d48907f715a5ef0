#include "database/create_form.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app_fixture.h"
#include "tests/test_support.h"

namespace morvel::test {
namespace {

// A new database as it must lie on disk: every slot blank (six-blank locator,
// both flags 0, ten-blank call, eight-blank date), slot 100 zero bytes.
QByteArray blankDatabaseBytes() {
    const QByteArray slot = QByteArray(6, ' ') + QByteArray(4, '\0') + QByteArray(18, ' ');
    const QByteArray record = slot.repeated(100) + QByteArray(28, '\0');
    return record.repeated(324);
}

class CreateFormTest : public AppFixture {
protected:
    CreateForm* openCreate() {
        Startup* m = startProgram();
        QTest::mouseClick(m->Command4, Qt::LeftButton);
        return windows.loadedAs<CreateForm>(kCreateForm);
    }
    void fill(CreateForm* f, int band, const QString& locator, const QString& tag) {
        f->Combo1->setCurrentIndex(band);
        f->Text2->setText(locator);
        f->Text1->setText(tag);
    }
    QStringList filesOnDisk() const {
        return QDir(dataDir.path()).entryList(QDir::Files, QDir::Name);
    }
};

TEST_F(CreateFormTest, OpensWithItsControlsAsDesigned) {
    CreateForm* f = openCreate();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Morvel by Tovrin: Create New QRA Database"));
    QStringList bands;
    for (int i = 0; i < f->Combo1->count(); ++i) bands << f->Combo1->itemText(i);
    EXPECT_EQ(bands,
              (QStringList{"10m", "6m", "4m", "2m", "70cm", "23cm", "13cm", "9cm", "6cm", "3cm"}));
    EXPECT_EQ(f->Combo1->currentIndex(), -1);
    EXPECT_EQ(f->Text1->text(), QString());
    EXPECT_EQ(f->Text2->text(), QString());
    EXPECT_EQ(f->Label1->text(), QStringLiteral("Band"));
    EXPECT_EQ(f->Label5->text(), QStringLiteral(" QRA"));
    EXPECT_EQ(f->Label2->text(), QStringLiteral("Tag"));
    EXPECT_EQ(f->Label3->text(), QStringLiteral("Existing QRA Files"));
    EXPECT_TRUE(f->Label4->text().startsWith(
        QStringLiteral("Create a new .qra file by selecting a band from list box. Next")));
    EXPECT_TRUE(f->Label4->text().endsWith(QStringLiteral("with the suffix .qra")));
    EXPECT_EQ(f->Create_File->text(), QStringLiteral("Create File"));
    EXPECT_EQ(f->Abort_Button->text(), QStringLiteral("Exit"));
    EXPECT_EQ(f->Label4->font().pointSizeF(), 9.75);
    EXPECT_TRUE(f->Create_File->font().bold());
    EXPECT_EQ(f->File1->font().pointSizeF(), 12);
    EXPECT_EQ(f->palette().color(QPalette::Window), QColor(255, 224, 192));
    EXPECT_EQ(f->Create_File->palette().color(QPalette::Button), QColor(255, 224, 192));
}

TEST_F(CreateFormTest, ChecksComeInOrderWithOneMessageEach) {
    CreateForm* f = openCreate();
    struct Case {
        int band;
        const char* locator;
        const char* message;
    };
    const Case cases[] = {
        {-1, "", "Please select a band"},  // both missing: only the band is asked for
        {-1, "IO85AB", "Please select a band"},
        {3, "", "Please enter your QRA locator"},
        {3, "IO85A", "Please enter your QRA locator"},
        {3, "IO85ABC", "Please enter your QRA locator"},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        fill(f, c.band, QString::fromLatin1(c.locator), QString());
        f->Create_File_Click();
        ASSERT_EQ(dialogs.shown().size(), 1u) << c.locator;
        EXPECT_EQ(dialogs.shown()[0].text, QString::fromLatin1(c.message)) << c.locator;
        EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Morvel"));
        EXPECT_EQ(dialogs.shown()[0].buttons, MessageButtons::Ok);
    }
    EXPECT_TRUE(filesOnDisk().isEmpty());
}

TEST_F(CreateFormTest, CreatesABlankDatabaseThatAppearsInTheList) {
    CreateForm* f = openCreate();
    // Typed and clicked as the operator would.
    f->Combo1->setCurrentIndex(f->Combo1->findText(QStringLiteral("2m")));
    QTest::keyClicks(f->Text2, QStringLiteral("io85ab"));
    QTest::mouseClick(f->Create_File, Qt::LeftButton);

    EXPECT_TRUE(dialogs.shown().empty());
    const QString name = QStringLiteral("2M IO85AB .QRA");
    EXPECT_EQ(f->File1->names(), QStringList{name});
    EXPECT_EQ(QFileInfo(dataPath(name)).size(), 916272);
    EXPECT_EQ(readFileBytes(dataPath(name)), blankDatabaseBytes());
    EXPECT_EQ(state.filename, "2M IO85AB .QRA");
    // The window stays for further files.
    EXPECT_TRUE(f->isVisible());

    fill(f, 4, QStringLiteral("JO01CD"), QStringLiteral("Home Station"));
    f->Create_File_Click();
    EXPECT_EQ(f->File1->names(), (QStringList{name, "70CM JO01CD HOME STATION.QRA"}));
}

TEST_F(CreateFormTest, SixBlanksPassTheLengthCheck) {
    CreateForm* f = openCreate();
    fill(f, 0, QStringLiteral("      "), QString());
    f->Create_File_Click();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(filesOnDisk(), QStringList{QStringLiteral("10M        .QRA")});
}

TEST_F(CreateFormTest, AnExistingFileIsRefusedAndLeftUntouched) {
    CreateForm* f = openCreate();
    fill(f, 3, QStringLiteral("IO85AB"), QStringLiteral("portable"));
    f->Create_File_Click();
    const QString path = dataPath(QStringLiteral("2M IO85AB PORTABLE.QRA"));
    setSquare(path, "IO", 85, makeEntry("IO85AB", "G4ABC", "20240101", true));
    const QByteArray before = readFileBytes(path);

    f->Create_File_Click();
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("File already exists")});
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(state.filename, "2M IO85AB PORTABLE.QRA");
}

TEST_F(CreateFormTest, PathCharactersAreRefusedInTheWindow) {
    CreateForm* f = openCreate();
    for (const char* tag : {"a/b", "..\\x", "tab\there"}) {
        dialogs.clear();
        fill(f, 3, QStringLiteral("IO85AB"), QString::fromLatin1(tag));
        f->Create_File_Click();
        ASSERT_EQ(dialogs.shown().size(), 1u) << tag;
        EXPECT_EQ(dialogs.shown()[0].text,
                  QStringLiteral("The locator and the tag may not contain \"/\", \"\\\" or "
                                 "control characters."));
        EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Morvel"));
    }
    EXPECT_TRUE(filesOnDisk().isEmpty());
    EXPECT_TRUE(QDir(dataDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(CreateFormTest, AFailedCreationIsReportedAndLeavesNoFile) {
    const QString sub = dataPath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(sub));
    QDir::setCurrent(sub);
    CreateForm* f = openCreate();
    // The folder disappears while the window is open.
    QDir::setCurrent(dataDir.path());
    ASSERT_TRUE(QDir(sub).removeRecursively());
    fill(f, 3, QStringLiteral("IO85AB"), QString());
    f->Create_File_Click();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(
        dialogs.shown()[0].text.startsWith(QStringLiteral("Could not create 2M IO85AB .QRA")))
        << qPrintable(dialogs.shown()[0].text);
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Morvel"));
    EXPECT_FALSE(QFileInfo::exists(sub));
    EXPECT_TRUE(f->isVisible());
}

TEST_F(CreateFormTest, ExitBringsBackAFreshMainMenu) {
    makeBlankDatabase(dataDir.path(), QStringLiteral("6M JO01AB .QRA"));
    Startup* first = startProgram();
    first->File1->clickName(QStringLiteral("6M JO01AB .QRA"));
    QTest::mouseClick(first->Command4, Qt::LeftButton);
    auto* f = windows.loadedAs<CreateForm>(kCreateForm);
    fill(f, 3, QStringLiteral("IO85AB"), QString());
    f->Create_File_Click();
    QTest::mouseClick(f->Abort_Button, Qt::LeftButton);

    EXPECT_EQ(windows.loaded(kCreateForm), nullptr);
    Startup* m = menu();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->Label7->text(), QString());
    EXPECT_EQ(m->Label5->text(), QString());
    EXPECT_FALSE(m->View->isVisible());
    EXPECT_EQ(state.filename, "");
    EXPECT_EQ(m->File1->names(), (QStringList{"2M IO85AB .QRA", "6M JO01AB .QRA"}));
    deleteUnloaded();
    EXPECT_EQ(windows.loadedNames(), QStringList{QStringLiteral("Startup")});
}

TEST_F(CreateFormTest, ClosingTheWindowActsAsExit) {
    CreateForm* f = openCreate();
    f->close();
    EXPECT_EQ(windows.loaded(kCreateForm), nullptr);
    ASSERT_NE(menu(), nullptr);
    EXPECT_TRUE(menu()->isVisible());
    EXPECT_FALSE(windows.ended());
}

}  // namespace
}  // namespace morvel::test
