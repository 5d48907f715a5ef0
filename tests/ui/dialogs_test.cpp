#include "ui/dialogs.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

struct FilterCase {
    const char* filter;
    QStringList qt;
};

TEST(FileFilter, ConvertsPipeFiltersToQtForm) {
    const FilterCase cases[] = {
        {"txt files|*.txt", {"txt files (*.txt)"}},
        // The import filters: a description with its own parentheses and a
        // pattern with a leading blank.
        {"ADIF Files (.adi)|*.adi|All Files| *.*",
         {"ADIF Files (.adi) (*.adi)", "All Files (*.*)"}},
        {"EDI Files (.edi)|*.edi|All Files| *.*", {"EDI Files (.edi) (*.edi)", "All Files (*.*)"}},
        {"Logs|*.adi;*.adif", {"Logs (*.adi *.adif)"}},
        {"Anything", {"Anything (*)"}},
        {"", {}},
    };
    for (const FilterCase& c : cases) {
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.filter)), c.qt) << c.filter;
    }
}

TEST(FileFilter, KeepsDescriptionAndPatternsApart) {
    const std::vector<FileFilter> parsed =
        parseFileFilter(QStringLiteral("ADIF Files (.adi)|*.adi|All Files| *.*"));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].description, QStringLiteral("ADIF Files (.adi)"));
    EXPECT_EQ(parsed[0].patterns, QStringList{QStringLiteral("*.adi")});
    EXPECT_EQ(parsed[1].description, QStringLiteral("All Files"));
    EXPECT_EQ(parsed[1].patterns, QStringList{QStringLiteral("*.*")});
}

TEST(ScriptedDialogs, AnswersQuestionsFromTheQueueAndRecordsEveryBox) {
    ScriptedDialogs dialogs;
    dialogs.queueAnswer(MessageAnswer::No);
    dialogs.queueAnswer(MessageAnswer::Cancel);
    dialogs.message(QStringLiteral("first"));
    // The OK-only box above took no answer, so the question gets No.
    EXPECT_FALSE(dialogs.askYesNo(QStringLiteral("delete?"), QStringLiteral("File Delete")));
    EXPECT_FALSE(dialogs.askOkCancel(QStringLiteral("import?"), QStringLiteral("Morvel")));
    // Queue empty: the default button.
    EXPECT_TRUE(dialogs.askYesNo(QStringLiteral("again?"), QStringLiteral("File Delete")));
    EXPECT_EQ(dialogs.messages(), (QStringList{"first", "delete?", "import?", "again?"}));
    ASSERT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Morvel"));
    EXPECT_EQ(dialogs.shown()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown()[1].title, QStringLiteral("File Delete"));
    EXPECT_EQ(dialogs.shown()[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.shown()[2].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.unusedAnswers(), 0u);
}

TEST(ScriptedDialogs, FileDialogsTakeQueuedNamesAndCancelWhenEmpty) {
    ScriptedDialogs dialogs;
    dialogs.queueFile(QStringLiteral("/tmp/log.adi"));
    dialogs.queueFile(std::nullopt);
    dialogs.queueFile(QStringLiteral("out.txt"));
    FileDialogRequest request;
    request.filter = QStringLiteral("ADIF Files (.adi)|*.adi|All Files| *.*");
    request.title = QStringLiteral("Select ADIF file to import");
    EXPECT_EQ(dialogs.openFile(request), QStringLiteral("/tmp/log.adi"));
    EXPECT_EQ(dialogs.openFile(request), std::nullopt);
    request.proposedName = QStringLiteral("2M JO62QM HOME.txt");
    EXPECT_EQ(dialogs.saveFile(request), QStringLiteral("out.txt"));
    EXPECT_EQ(dialogs.saveFile(request), std::nullopt);
    ASSERT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(dialogs.shown()[0].kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(dialogs.shown()[0].request.title, QStringLiteral("Select ADIF file to import"));
    EXPECT_EQ(dialogs.shown()[2].kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown()[2].request.proposedName, QStringLiteral("2M JO62QM HOME.txt"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

}  // namespace
}  // namespace morvel
