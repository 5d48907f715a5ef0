#include "database/create_database.h"

#include <QFileInfo>

#include "database/qra_file.h"
#include "database/qra_names.h"

namespace morvel {
namespace {

// A name that could reach outside the folder, or that no file system takes.
bool hasPathCharacters(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return true;
    }
    return false;
}

}  // namespace

CreateOutcome createDatabase(const QDir& dir, const CreateRequest& request, SharedState& state) {
    CreateOutcome outcome;
    if (request.band.empty()) {
        outcome.message = kMsgSelectBand;
        return outcome;
    }
    if (request.locator.size() != 6) {
        outcome.message = kMsgEnterLocator;
        return outcome;
    }
    outcome.fileName = buildFileName(request.band, request.locator, request.tag);
    state.filename = outcome.fileName;
    if (hasPathCharacters(request.locator) || hasPathCharacters(request.tag)) {
        outcome.message = kMsgBadNameCharacters;
        return outcome;
    }
    const QString path = dir.filePath(fromLatin1Text(outcome.fileName));
    if (QFileInfo::exists(path)) {
        outcome.message = kMsgFileExists;
        return outcome;
    }
    std::string error;
    if (!writeBlankDatabase(path, error)) {
        outcome.message = "Could not create " + outcome.fileName + ": " + error;
        return outcome;
    }
    outcome.created = true;
    return outcome;
}

}  // namespace morvel
