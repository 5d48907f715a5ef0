#include "database/create_database.h"

#include <QFileInfo>

#include "database/database_lock.h"
#include "database/qra_file.h"
#include "database/qra_names.h"

namespace morvel {
namespace {

// A name that could reach outside the folder, or that no file system takes.
bool hasPathCharacters(const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7F || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

}  // namespace

CreateOutcome createDatabase(const QDir& dir, const CreateRequest& request) {
    CreateOutcome outcome;
    if (request.band.isEmpty()) {
        outcome.message = kMsgSelectBand;
        return outcome;
    }
    if (request.locator.size() != 6) {
        outcome.message = kMsgEnterLocator;
        return outcome;
    }
    outcome.fileName = buildFileName(request.band, request.locator, request.tag);
    if (hasPathCharacters(request.locator) || hasPathCharacters(request.tag)) {
        outcome.message = kMsgBadNameCharacters;
        return outcome;
    }
    const QString path = dir.absoluteFilePath(outcome.fileName);
    Error error;
    DatabaseLock lock(path);
    if (!lock.acquire(error)) {
        outcome.message = error.message();
        return outcome;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        outcome.message = kMsgFileExists;
        return outcome;
    }
    if (!writeBlankDatabase(path, error)) {
        outcome.message = QStringLiteral("Could not create ") + outcome.fileName +
                          QStringLiteral(": ") + error.reason;
        return outcome;
    }
    outcome.created = true;
    return outcome;
}

bool deleteDatabase(const QString& path, Error& error) {
    DatabaseLock lock(path);
    if (!lock.acquire(error)) return false;
    QFile file(path);
    if (!file.remove()) {
        error = fileError(file);
        return false;
    }
    return true;
}

}  // namespace morvel
