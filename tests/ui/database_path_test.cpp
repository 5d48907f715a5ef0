#include <sys/stat.h>

#include "app_fixture.h"

namespace morvel::test {
namespace {

const QColor kBackground(255, 224, 192);
const char* const kLog =
    "<CALL:5>Q1ABC <QSO_DATE:8>20240105 <BAND:2>2m <GRIDSQUARE:6>IO91WM <EOR>\r\n"
    "<CALL:5>Q2ABC <QSO_DATE:8>20240106 <BAND:2>2m <GRIDSQUARE:4>FN31 <EOR>\r\n";

class DatabasePathTest : public AppFixture {
protected:
    // Field IO from the map, square 85 edited and saved.
    void editSquare(QWidget* map) {
        pointAt(map, mapCentre("IO85"));
        deleteUnloaded();
        QWidget* view = windows.loaded(kSquareViewWindow);
        ASSERT_TRUE(activeAndDrawn(view, "Command1"));
        pointAt(view, fieldCentre(85));
        control<QLineEdit>(view, "Text1")->setText("G4ABC");
        control<QLineEdit>(view, "Text2")->setText("01/02/24");
        click(view, "Command3");
        click(view, "Command5");  // back to the main menu, the database selected again
    }
};

// Names in any script, from Create File to Delete File, and said as written.
// Started from a folder that holds a database of the same name: every read
// and write goes to the program's own database, the other stays as it was.
TEST_F(DatabasePathTest, PolishAndCyrillicNamesWorkEverywhereOnTheProgramsOwnDatabase) {
    for (const auto& [tag, qra] :
         {std::pair{"Łódź", "2M JO62QM ŁÓDŹ.QRA"}, std::pair{"Москва", "2M JO62QM МОСКВА.QRA"}}) {
        const QString name = QString::fromUtf8(qra);
        SCOPED_TRACE(qra);
        const QString other = makeBlankDatabase(startDir.path(), name);
        setSquare(other, "JO", 62, makeEntry("JO62QM", "W1AW", "01/02/03", false));
        const QByteArray otherBefore = readFileBytes(other);
        click(windows.show(kMainMenuWindow), "Command4");
        QWidget* create = windows.loaded(kCreateDatabaseWindow);
        control<QComboBox>(create, "Combo1")->setCurrentIndex(3);
        control<QLineEdit>(create, "Text2")->setText("jo62qm");
        control<QLineEdit>(create, "Text1")->setText(QString::fromUtf8(tag));
        click(create, "Create_File");
        click(create, "Abort_Button");
        ASSERT_TRUE(QFile::exists(dataPath(name)));
        select(name);
        EXPECT_EQ(text("Label5") + text("Label3"), "File: " + name + "Squares Worked:  0");
        writeFileBytes(dataPath("log.adi"), kLog);
        dialogs.clear();
        dialogs.files = {dataPath("log.adi")};
        click(menu(), "Command2");
        EXPECT_EQ(
            dialogs.messages,
            QStringList{"2 new squares added\nThe ledger took 2 new contacts and 0 confirmations"});
        EXPECT_TRUE(readFileBytes(dataPath("changelog.txt")).contains(qra));
        EXPECT_EQ(readFileBytes(dataPath(name.chopped(4) + " backup.qra")).size(), 916272);
        QWidget* map = openFieldMap();
        EXPECT_EQ(canvasOf(map).colourAt(mapCentre("JO62")), kBackground);
        editSquare(map);
        EXPECT_EQ(text("Label3"), "Squares Worked:  3");
        dialogs.clear();
        dialogs.files = {QStringLiteral("summary.txt")};
        click(menu(), "Command5");
        EXPECT_TRUE(readFileBytes(dataPath("summary.txt")).contains(qra));
        click(menu(), "Command1");
        QWidget* remove = windows.loaded(kDeleteDatabaseWindow);
        dialogs.clear();
        dialogs.answers = {MessageAnswer::Yes};
        clickListed(control<FileList>(remove, "File2"), name);
        EXPECT_EQ(dialogs.messages, QStringList{"Are you sure you want to delete " + name + " ?"});
        EXPECT_FALSE(QFile::exists(dataPath(name)));
        click(remove, "exit_Button");
        EXPECT_EQ(readFileBytes(other), otherBefore);
        EXPECT_EQ(QDir(startDir.path()).entryList(QDir::Files), QStringList{name});
        QFile::remove(other);
    }
}

// A FIFO named like a database is no database: not listed, nothing waits on
// it. A database of the wrong size says so once when chosen.
TEST_F(DatabasePathTest, OnlyFilesAreListedAndAShortDatabaseSaysSo) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(dataPath("X.QRA")).constData(), 0644), 0);
    const QString name = QStringLiteral("2M JO62QM SHORT.QRA");
    writeFileBytes(dataPath(name), QByteArray(1000, '\0'));
    auto* list = control<FileList>(windows.show(kMainMenuWindow), "File1");
    EXPECT_EQ(list->names(), QStringList{name});
    clickListed(list, name);
    EXPECT_EQ(
        dialogs.messages,
        QStringList{name + " is 1,000 bytes, not 916,272: its missing squares read as empty"});
    EXPECT_EQ(text("Label3"), "Squares Worked:  0");
}

}  // namespace
}  // namespace morvel::test
