#pragma once

#include <QDir>
#include <QString>

#include "database/error.h"

namespace morvel {

inline const QString kMsgSelectBand = QStringLiteral("Please select a band");
inline const QString kMsgEnterLocator = QStringLiteral("Please enter your QRA locator");
inline const QString kMsgFileExists = QStringLiteral("File already exists");
inline const QString kMsgBadNameCharacters =
    QStringLiteral("The locator and the tag may not contain \"/\", \"\\\" or control characters.");

struct CreateRequest {
    QString band;  // the band list's selected item; empty when none is selected
    QString locator;
    QString tag;
};

struct CreateOutcome {
    bool created = false;
    QString message;   // shown in a message box when not empty
    QString fileName;  // the name built (empty when refused before building it)
};

// The Create File button's work: checks in their fixed order, then 324 blank
// records under the built name in dir, made under the new name's lock so
// that two creators never both make it.
CreateOutcome createDatabase(const QDir& dir, const CreateRequest& request);

// Removes a database once no other program is writing it.
bool deleteDatabase(const QString& path, Error& error);

}  // namespace morvel
