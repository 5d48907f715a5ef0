#include "windows/create_database_window.h"

#include <QComboBox>
#include <QLineEdit>

#include "app_fixture.h"

namespace morvel::test {
namespace {

class CreateDatabaseTest : public AppFixture {
protected:
    CreateDatabaseTest() {
        click(windows.show(kMainMenuWindow), "Command4");
        w = windows.loaded(kCreateDatabaseWindow);
    }
    void create(int band, const char* locator, const char* tag) {
        control<QComboBox>(w, "Combo1")->setCurrentIndex(band);
        control<QLineEdit>(w, "Text2")->setText(QString::fromLatin1(locator));
        control<QLineEdit>(w, "Text1")->setText(QString::fromLatin1(tag));
        dialogs.clear();
        click(w, "Create_File");
    }
    QWidget* w = nullptr;
};

TEST_F(CreateDatabaseTest, EachRefusalGivesOneMessageAndNoFile) {
    const char* const kBadName =
        "The locator and the tag may not contain \"/\", \"\\\" or control characters.";
    const struct {
        int band;
        const char *locator, *tag, *message;
    } cases[] = {
        {-1, "", "", "Please select a band"},  // both missing: only the band is asked for
        {3, "IO85A", "", "Please enter your QRA locator"},
        {3, "IO85ABC", "", "Please enter your QRA locator"},
        {3, "IO85AB", "a/b", kBadName},
        {3, "IO/5AB", "", kBadName},
        {3, "IO85AB", "tab\there", kBadName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locator) + c.tag);
        create(c.band, c.locator, c.tag);
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(c.message)});
    }
    EXPECT_TRUE(QDir(dataDir.path()).isEmpty());
}

TEST_F(CreateDatabaseTest, CreatesABlankDatabaseAndNeverOverwritesOne) {
    create(3, "io85ab", "");
    const QString name = QStringLiteral("2M IO85AB .QRA");
    // Every slot blank (six-blank locator, both flags 0, ten-blank call,
    // eight-blank date), slot 100 zero bytes.
    const QByteArray slot = QByteArray(6, ' ') + QByteArray(4, '\0') + QByteArray(18, ' ');
    EXPECT_EQ(readFileBytes(dataPath(name)),
              (slot.repeated(100) + QByteArray(28, '\0')).repeated(324));
    EXPECT_EQ(control<FileList>(w, "File1")->names(), QStringList{name});
    create(4, "JO01CD", "Home Station");
    EXPECT_TRUE(QFile::exists(dataPath("70CM JO01CD HOME STATION.QRA")));
    setSquare(dataPath(name), "IO", 85, makeEntry("IO85AB", "G4ABC", "20240101", true));
    const QByteArray before = readFileBytes(dataPath(name));
    create(3, "IO85AB", "");
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("File already exists")});
    EXPECT_EQ(readFileBytes(dataPath(name)), before);
}

TEST_F(CreateDatabaseTest, AFailedWriteIsReportedAndLeavesNoFile) {
    {
        const WriteLimit fullDisk(1000);
        create(3, "IO85AB", "");
    }
    expectOneMessage("Could not create 2M IO85AB .QRA: ");
    EXPECT_TRUE(QDir(dataDir.path()).isEmpty());
}

}  // namespace
}  // namespace morvel::test
