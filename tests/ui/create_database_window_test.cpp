#include <QComboBox>

#include "app_fixture.h"

namespace morvel::test {
namespace {

class CreateDatabaseTest : public AppFixture {
protected:
    CreateDatabaseTest() { click(windows.show(kMainMenuWindow), "Command4"); }
    QWidget* w() const { return windows.loaded(kCreateDatabaseWindow); }
    void create(int band, const char* locator, const char* tag) {
        control<QComboBox>(w(), "Combo1")->setCurrentIndex(band);
        control<QLineEdit>(w(), "Text2")->setText(QString::fromLatin1(locator));
        control<QLineEdit>(w(), "Text1")->setText(QString::fromLatin1(tag));
        dialogs.clear();
        click(w(), "Create_File");
    }
};

TEST_F(CreateDatabaseTest, EachRefusalGivesOneMessageAndNoFile) {
    const char* const kBadName =
        "The locator and the tag may not contain \"/\", \"\\\" or control characters.";
    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        {-1, "", "", "Please select a band"},  // both missing: only the band is asked for
        {3, "IO85ABC", "", "Please enter your QRA locator"},
        {3, "IO/5AB", "", kBadName},
        {3, "IO85AB", "tab\there", kBadName},
    };
    for (const auto& [band, locator, tag, message] : cases) {
        SCOPED_TRACE(std::string(locator) + tag);
        create(band, locator, tag);
        EXPECT_EQ(dialogs.messages, QStringList{message});
    }
    EXPECT_TRUE(QDir(dataDir.path()).isEmpty());
}

TEST_F(CreateDatabaseTest, CreatesABlankDatabaseAndNeverOverwritesOne) {
    create(3, "io85ab", "");
    const QString name = QStringLiteral("2M IO85AB .QRA");
    EXPECT_EQ(readFileBytes(dataPath(name)), blankDatabaseBytes());
    EXPECT_EQ(control<FileList>(w(), "File1")->names(), QStringList{name});
    setSquare(dataPath(name), "IO", 85, makeEntry("IO85AB", "G4ABC", "20240101", true));
    const QByteArray before = readFileBytes(dataPath(name));
    create(3, "IO85AB", "");
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("File already exists")});
    EXPECT_EQ(readFileBytes(dataPath(name)), before);
}

}  // namespace
}  // namespace morvel::test
