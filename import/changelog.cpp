#include "import/changelog.h"

#include "database/qra_file.h"
#include "database/text_format.h"

namespace morvel {

std::string changelogHeader(std::string_view databaseName, std::string_view logPath,
                            const ChangelogStamp& stamp) {
    std::string out;
    out.append(" Changelog for ").append(databaseName).append(kLineEnd);
    out.append(" updated from ").append(logPath).append(" on ").append(stamp.date);
    out.append(" at ").append(stamp.time).append(kLineEnd);
    out.append(kLineEnd);
    return out;
}

std::string changelogSquareLine(const ImportedContact& contact, bool markQsl) {
    PrintLine line;
    line.text(contact.call).nextZone().text(contact.date).nextZone().text(contact.locator);
    if (markQsl) line.text(" QSL");
    return line.line();
}

bool Changelog::open(const QString& path, std::string& error) {
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly)) {
        error = describeError(*file_);
        return false;
    }
    return true;
}

bool Changelog::write(std::string_view bytes, std::string& error) {
    if (file_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        error = describeError(*file_);
        return false;
    }
    return true;
}

bool Changelog::commit(std::string& error) {
    return commitSynced(*file_, error);
}

}  // namespace morvel
