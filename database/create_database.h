#pragma once

#include <QDir>
#include <string>

#include "database/shared_state.h"

namespace morvel {

inline constexpr const char* kMsgSelectBand = "Please select a band";
inline constexpr const char* kMsgEnterLocator = "Please enter your QRA locator";
inline constexpr const char* kMsgFileExists = "File already exists";
inline constexpr const char* kMsgBadNameCharacters =
    "The locator and the tag may not contain \"/\", \"\\\" or control characters.";

struct CreateRequest {
    std::string band;     // the band list's selected item; empty when none is selected
    std::string locator;  // single-byte text as typed
    std::string tag;
};

struct CreateOutcome {
    bool created = false;
    std::string message;   // shown in a message box when not empty
    std::string fileName;  // the name built (empty when refused before building it)
};

// The Create File button's work: checks in their fixed order, then 324 blank
// records under the built name in dir. state.filename takes the built name as
// soon as it is built, even when a later check refuses it.
CreateOutcome createDatabase(const QDir& dir, const CreateRequest& request, SharedState& state);

}  // namespace morvel
