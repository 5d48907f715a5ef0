#include "tests/support/scripted_dialogs.h"

namespace morvel {

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest& request) {
    shown_.push_back({request.title, request.title, {}, {}, request, false});
    if (files_.empty()) return std::nullopt;
    const QString answer = files_.front();
    files_.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    return openFile(request);
}

MessageAnswer ScriptedDialogs::messageBox(const QString& text, const QString& title,
                                          MessageButtons buttons, MessageAnswer defaultButton) {
    shown_.push_back({text, title, buttons, defaultButton, {}, true});
    if (buttons == MessageButtons::Ok || answers_.empty()) {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : defaultButton;
    }
    const MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& s : shown_) {
        if (s.message) texts << s.text;
    }
    return texts;
}

void ScriptedDialogs::clear() {
    files_.clear();
    answers_.clear();
    shown_.clear();
}

}  // namespace morvel
