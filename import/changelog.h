#pragma once

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "database/error.h"
#include "import/contact.h"

namespace morvel {

// The date and time written into the change log's second line, already in
// the platform's short forms.
struct ChangelogStamp {
    std::string date;
    std::string time;
};

// The change log's lines, as bytes with their CR LF. Import options in force
// (`options`, as AdifOptions::describe gives them) end the second line after
// " with "; without any the header is as it always was.
std::string changelogHeader(const QString& databaseName, const QString& logPath,
                            const ChangelogStamp& stamp, std::string_view options = {});
// call, date and locator in 14-column print zones, " QSL" when marked.
std::string changelogSquareLine(const ImportedContact& contact, bool markQsl);

inline constexpr std::string_view kNoChangesMade = "No changes made";

// "changelog.txt", created anew for each import and written as the import
// goes into a new file beside it, which replaces the old log only when
// commit() has synced it: a crash or a full disk never leaves half a journal.
class Changelog {
public:
    bool open(const QString& path, Error& error);
    // A live session's: the change log already in place (its header committed)
    // is written on, and every write is synced before it returns.
    bool openAppend(const QString& path, Error& error);
    // Lines gathered in memory, to be written where and when the caller says.
    void openMemory() { memory_.emplace(); }
    const std::string& memory() const { return *memory_; }
    bool write(std::string_view bytes, Error& error);
    bool commit(Error& error);

private:
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QFile> appended_;
    std::optional<std::string> memory_;
};

}  // namespace morvel
