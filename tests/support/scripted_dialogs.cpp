#include "tests/support/scripted_dialogs.h"

namespace morvel {

std::optional<QString> ScriptedDialogs::fileDialog(Kind kind, const FileDialogRequest& request) {
    Shown shown;
    shown.kind = kind;
    shown.text = request.title;
    shown.title = request.title;
    shown.request = request;
    shown_.push_back(shown);
    if (files_.empty()) return std::nullopt;
    const QString answer = files_.front();
    files_.pop_front();
    if (answer.isNull()) return std::nullopt;
    return answer;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest& request) {
    return fileDialog(Kind::OpenFile, request);
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    return fileDialog(Kind::SaveFile, request);
}

MessageAnswer ScriptedDialogs::messageBox(const QString& text, const QString& title,
                                          MessageButtons buttons, MessageAnswer defaultButton) {
    shown_.push_back(Shown{Kind::Message, text, title, buttons, defaultButton, {}});
    // A box with OK alone has one answer and leaves the queue to the questions.
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers_.empty()) return defaultButton;
    const MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& s : shown_) {
        if (s.kind == Kind::Message) texts << s.text;
    }
    return texts;
}

void ScriptedDialogs::clear() {
    files_.clear();
    answers_.clear();
    shown_.clear();
}

}  // namespace morvel
