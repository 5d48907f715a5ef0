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

TEST(ProgramFolders, EveryLayout) {
    for (const auto& c : test::tableRows("program_folder_layouts.txt", 6)) {
        SCOPED_TRACE(c[0]);
        QTemporaryDir tmp;
        const QDir root(tmp.path());
        for (const QString& file : QString::fromStdString(c[1]).split(','))
            touch(root.filePath(file));
        const auto at = [&](int i) { return root.filePath(QString::fromStdString(c[i])); };
        const QString data = root.filePath(QStringLiteral("home/.local/share/Morvel"));
        const ProgramFolders f = programFolders(at(2), data);
        EXPECT_EQ(f.maps, at(3));
        EXPECT_EQ(f.databases, c[4] == "DATA" ? data : at(4));
        EXPECT_EQ(f.installed ? "yes" : "no", c[5]);
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
    // The data folder made ready: the note for the user, or the file a failure names.
    QString prepare() const {
        Error error;
        QString note;
        return prepareDataFolder(folders, error, &note) ? note : "failed: " + error.file;
    }
};

TEST(ProgramFolders, FirstStartMakesTheDataFolderWithTheExampleOnce) {
    Installed in;
    ASSERT_TRUE(in.folders.installed);
    const QString note = in.prepare();
    EXPECT_TRUE(note.contains(QLatin1String(kExampleName))) << note.toStdString();
    const QFileInfo example(in.data(kExampleName));
    EXPECT_EQ(example.size(), 916272);
    EXPECT_TRUE(example.isWritable()) << "the copy of a read-only system file must be the user's";
    // The example and the marker; no part-copied file.
    EXPECT_EQ(QDir(in.folders.databases).entryList(QDir::Files | QDir::Hidden).size(), 2);
    // Deleted, it stays deleted.
    ASSERT_TRUE(QFile::remove(in.data(kExampleName)));
    EXPECT_EQ(in.prepare(), QString());
    EXPECT_FALSE(QFileInfo::exists(in.data(kExampleName)));
}

TEST(ProgramFolders, FolderWithADatabaseIsNeverTouched) {
    Installed in;
    QDir().mkpath(in.folders.databases);
    const QString mine = test::makeBlankDatabase(in.folders.databases, "2M JO62QM HOME.QRA");
    test::setSquare(mine, "JO", 62, test::makeEntry("JO62QM", "DL1ABC", "01/01/24", true));
    const QByteArray before = test::readFileBytes(mine);
    EXPECT_EQ(in.prepare(), QString());
    EXPECT_EQ(QDir(in.folders.databases).entryList(QDir::Files | QDir::Hidden),
              QStringList{"2M JO62QM HOME.QRA"});
    EXPECT_EQ(test::readFileBytes(mine), before);
}

TEST(ProgramFolders, UnmakeableDataFolderIsAnError) {
    Installed in;
    // A file where the folder should be.
    touch(QDir(in.tmp.path()).filePath(QStringLiteral("home/.local/share/Morvel")));
    EXPECT_EQ(in.prepare(), "failed: " + in.folders.databases);  // the message names it
}

}  // namespace
}  // namespace morvel
