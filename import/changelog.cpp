#include "import/changelog.h"

#include <QFile>

#include "database/file_system.h"
#include "database/qra_file.h"
#include "database/text_format.h"

namespace morvel {

std::string changelogHeader(const QString& databaseName, const QString& logPath,
                            const ChangelogStamp& stamp, std::string_view options) {
    // Names in the system's encoding, as a terminal shows them.
    const QByteArray name = QFile::encodeName(databaseName);
    const QByteArray log = QFile::encodeName(logPath);
    std::string out;
    out.append(" Changelog for ").append(name.constData(), static_cast<std::size_t>(name.size()));
    out.append(kLineEnd);
    out.append(" updated from ").append(log.constData(), static_cast<std::size_t>(log.size()));
    out.append(" on ").append(stamp.date);
    out.append(" at ").append(stamp.time);
    if (!options.empty()) out.append(" with ").append(options);
    out.append(kLineEnd);
    out.append(kLineEnd);
    return out;
}

std::string changelogSquareLine(const ImportedContact& contact, bool markQsl) {
    PrintLine line;
    line.text(contact.call).nextZone().text(contact.date).nextZone().text(contact.locator);
    if (markQsl) line.text(" QSL");
    return line.line();
}

bool Changelog::open(const QString& path, Error& error) {
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly)) {
        error = fileError(*file_);
        return false;
    }
    return true;
}

bool Changelog::openAppend(const QString& path, Error& error) {
    file_.reset();
    appended_ = std::make_unique<QFile>(path);
    if (!appended_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = fileError(*appended_);
        appended_.reset();
        return false;
    }
    return true;
}

bool Changelog::write(std::string_view bytes, Error& error) {
    if (memory_) {
        memory_->append(bytes);
        return true;
    }
    if (appended_) {
        if (appended_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size())) {
            error = fileError(*appended_);
            return false;
        }
        return syncFile(*appended_, error);
    }
    if (file_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        error = fileError(*file_);
        return false;
    }
    return true;
}

bool Changelog::commit(Error& error) {
    if (appended_) return true;
    return commitSynced(*file_, error);
}

}  // namespace morvel
