#include "windows/create_database_window.h"

#include <QComboBox>
#include <QLineEdit>

#include "app_fixture.h"

namespace morvel::test {
namespace {

class CreateDatabaseTest : public AppFixture {
protected:
    QWidget* open() {
        click(startProgram(), "Command4");
        return windows.loaded(kCreateDatabaseWindow);
    }
    void create(QWidget* w, int band, const QString& locator, const QString& tag) {
        control<QComboBox>(w, "Combo1")->setCurrentIndex(band);
        control<QLineEdit>(w, "Text2")->setText(locator);
        control<QLineEdit>(w, "Text1")->setText(tag);
        dialogs.clear();
        click(w, "Create_File");
    }
    QStringList files() const { return QDir(dataDir.path()).entryList(QDir::Files); }
};

TEST_F(CreateDatabaseTest, EachRefusalGivesOneMessageAndNoFile) {
    QWidget* w = open();
    const struct {
        int band;
        const char* locator;
        const char* tag;
        const char* message;
    } cases[] = {
        {-1, "", "", "Please select a band"},  // both missing: only the band is asked for
        {-1, "IO85AB", "", "Please select a band"},
        {3, "", "", "Please enter your QRA locator"},
        {3, "IO85A", "", "Please enter your QRA locator"},
        {3, "IO85ABC", "", "Please enter your QRA locator"},
        {3, "IO85AB", "a/b", "The locator and the tag may not contain \"/\", \"\\\" or control "
                             "characters."},
        {3, "IO85AB", "tab\there", "The locator and the tag may not contain \"/\", \"\\\" or "
                                   "control characters."},
    };
    for (const auto& c : cases) {
        create(w, c.band, QString::fromLatin1(c.locator), QString::fromLatin1(c.tag));
        EXPECT_EQ(dialogs.messages(), QStringList{QString::fromLatin1(c.message)}) << c.locator;
    }
    EXPECT_TRUE(QDir(dataDir.path()).isEmpty());
}

TEST_F(CreateDatabaseTest, CreatesBlankDatabasesAndRefusesAnExistingName) {
    QWidget* w = open();
    auto* band = control<QComboBox>(w, "Combo1");
    band->setCurrentIndex(band->findText(QStringLiteral("2m")));
    QTest::keyClicks(control<QLineEdit>(w, "Text2"), QStringLiteral("io85ab"));
    click(w, "Create_File");
    const QString name = QStringLiteral("2M IO85AB .QRA");
    // Every slot blank (six-blank locator, both flags 0, ten-blank call,
    // eight-blank date), slot 100 zero bytes.
    const QByteArray slot = QByteArray(6, ' ') + QByteArray(4, '\0') + QByteArray(18, ' ');
    EXPECT_EQ(readFileBytes(dataPath(name)), (slot.repeated(100) + QByteArray(28, '\0')).repeated(324));
    EXPECT_EQ(control<FileList>(w, "File1")->names(), QStringList{name});
    EXPECT_EQ(state.filename, "2M IO85AB .QRA");

    create(w, 4, QStringLiteral("JO01CD"), QStringLiteral("Home Station"));
    create(w, 0, QStringLiteral("      "), QString());  // six blanks pass the length check
    EXPECT_EQ(files(), (QStringList{"10M        .QRA", name, "70CM JO01CD HOME STATION.QRA"}));

    setSquare(dataPath(name), "IO", 85, makeEntry("IO85AB", "G4ABC", "20240101", true));
    const QByteArray before = readFileBytes(dataPath(name));
    create(w, 3, QStringLiteral("IO85AB"), QString());
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("File already exists")});
    EXPECT_EQ(readFileBytes(dataPath(name)), before);
}

TEST_F(CreateDatabaseTest, AFailingDatabaseWriteIsReportedAndLeavesNoFile) {
    const QString sub = dataPath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(sub));
    QDir::setCurrent(sub);
    QWidget* w = open();
    QDir::setCurrent(dataDir.path());
    ASSERT_TRUE(QDir(sub).removeRecursively());  // the folder goes while the window is open
    create(w, 3, QStringLiteral("IO85AB"), QString());
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("Could not create 2M IO85AB .QRA: ")))
        << dialogs.messages()[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(sub));
}

TEST_F(CreateDatabaseTest, ExitAndClosingBringBackAFreshMainMenu) {
    makeBlankDatabase(dataDir.path(), QStringLiteral("6M JO01AB .QRA"));
    select(QStringLiteral("6M JO01AB .QRA"));
    click(menu(), "Command4");
    EXPECT_EQ(menu(), nullptr);
    click(windows.loaded(kCreateDatabaseWindow), "Abort_Button");
    EXPECT_EQ(windows.loadedNames(), QStringList{QStringLiteral("Startup")});
    EXPECT_TRUE(menu()->isVisible());
    EXPECT_EQ(text("Label7"), QString());
    EXPECT_EQ(state.filename, "");
    click(menu(), "Command4");
    windows.loaded(kCreateDatabaseWindow)->close();
    EXPECT_EQ(windows.loaded(kCreateDatabaseWindow), nullptr);
    EXPECT_TRUE(menu()->isVisible());
}

}  // namespace
}  // namespace morvel::test
