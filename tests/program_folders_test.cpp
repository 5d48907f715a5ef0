#include "database/program_folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/test_support.h"

namespace morvel {
namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

struct Layout {
    const char* name;
    const char* executable;  // the executable's folder
    const char* maps;        // expected
    const char* databases;   // expected; "DATA" is the user's data folder
    bool installed;
    std::vector<const char*> files;  // made under the temporary folder
};

// Every layout the program may find itself in, each in its own folder.
const Layout kLayouts[] = {
    {"portable folder (./run)", "Morvel", "Morvel", "Morvel", false,
     {"Morvel/morvel", "Morvel/mapper.pnt", "Morvel/coast.pnt"}},
    {"build folder", "build/bin", "build/bin", "build/bin", false,
     {"build/bin/morvel", "build/bin/mapper.pnt"}},
    {"installed under /usr", "usr/bin", "usr/share/morvel", "DATA", true,
     {"usr/bin/morvel", "usr/share/morvel/mapper.pnt"}},
    {"portable folder that lost its maps keeps its databases", "Morvel", "Morvel", "Morvel", false,
     {"Morvel/morvel", "Morvel/2M JO62QM HOME.QRA", "share/morvel/mapper.pnt"}},
    {"maps beside win over installed maps", "usr/bin", "usr/bin", "usr/bin", false,
     {"usr/bin/morvel", "usr/bin/mapper.pnt", "usr/share/morvel/mapper.pnt"}},
    {"no maps anywhere: portable, as before", "x", "x", "x", false, {"x/morvel"}},
    {"a share/morvel without the world map is not an install", "usr/bin", "usr/bin", "usr/bin",
     false, {"usr/bin/morvel", "usr/share/morvel/coast.pnt"}},
};

TEST(ProgramFolders, EveryLayout) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        QTemporaryDir tmp;
        const QDir root(tmp.path());
        for (const char* file : layout.files) touch(root.filePath(QLatin1String(file)));
        const QString data = root.filePath(QStringLiteral("home/.local/share/Morvel"));
        const ProgramFolders f = programFolders(root.filePath(QLatin1String(layout.executable)), data);
        EXPECT_EQ(f.maps, root.filePath(QLatin1String(layout.maps)));
        const QString databases = QLatin1String(layout.databases) == QLatin1String("DATA")
                                      ? data
                                      : root.filePath(QLatin1String(layout.databases));
        EXPECT_EQ(f.databases, databases);
        EXPECT_EQ(f.installed, layout.installed);
        // Deciding writes nothing: not even the data folder is made yet.
        EXPECT_FALSE(QFileInfo::exists(data));
    }
}

// An installed layout in a temporary folder, with the example database.
struct Installed {
    QTemporaryDir tmp;
    ProgramFolders folders;
    Installed() {
        const QDir root(tmp.path());
        touch(root.filePath(QStringLiteral("usr/share/morvel/mapper.pnt")));
        test::makeBlankDatabase(root.filePath(QStringLiteral("usr/share/morvel")),
                                QLatin1String(kExampleSource));
        QFile::setPermissions(root.filePath(QStringLiteral("usr/share/morvel/example.qra")),
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        folders = programFolders(root.filePath(QStringLiteral("usr/bin")),
                                 root.filePath(QStringLiteral("home/.local/share/Morvel")));
    }
    QString data(const char* name) const { return QDir(folders.databases).filePath(name); }
};

TEST(ProgramFolders, FirstStartMakesTheDataFolderWithTheExampleOnce) {
    Installed in;
    ASSERT_TRUE(in.folders.installed);
    Error error;
    QString note;
    ASSERT_TRUE(prepareDataFolder(in.folders, error, &note)) << error;
    EXPECT_TRUE(note.contains(QLatin1String(kExampleName))) << note.toStdString();
    const QFileInfo example(in.data(kExampleName));
    EXPECT_EQ(example.size(), 916272);
    EXPECT_TRUE(example.isWritable()) << "the copy of a read-only system file must be the user's";
    // The example and the marker; no part-copied file.
    EXPECT_EQ(QDir(in.folders.databases).entryList(QDir::Files | QDir::Hidden).size(), 2);
    // Deleted, it stays deleted.
    ASSERT_TRUE(QFile::remove(in.data(kExampleName)));
    note.clear();
    ASSERT_TRUE(prepareDataFolder(in.folders, error, &note)) << error;
    EXPECT_TRUE(note.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(in.data(kExampleName)));
}

TEST(ProgramFolders, FolderWithADatabaseIsNeverTouched) {
    Installed in;
    QDir().mkpath(in.folders.databases);
    const QString mine = test::makeBlankDatabase(in.folders.databases, "2M JO62QM HOME.QRA");
    test::setSquare(mine, "JO", 62, test::makeEntry("JO62QM", "DL1ABC", "01/01/24", true));
    const QByteArray before = test::readFileBytes(mine);
    Error error;
    QString note;
    ASSERT_TRUE(prepareDataFolder(in.folders, error, &note)) << error;
    EXPECT_TRUE(note.isEmpty());
    EXPECT_EQ(QDir(in.folders.databases).entryList(QDir::Files | QDir::Hidden),
              QStringList{"2M JO62QM HOME.QRA"});
    EXPECT_EQ(test::readFileBytes(mine), before);
}

TEST(ProgramFolders, UnmakeableDataFolderIsAnError) {
    Installed in;
    // A file where the folder should be.
    touch(QDir(in.tmp.path()).filePath(QStringLiteral("home/.local/share/Morvel")));
    Error error;
    EXPECT_FALSE(prepareDataFolder(in.folders, error));
    EXPECT_EQ(error.file, in.folders.databases) << error;  // the message names it
}

}  // namespace
}  // namespace morvel
