#pragma once

#include <deque>

#include "ui/dialogs.h"

namespace morvel {

// Answers the dialogs from queues and records everything shown, for tests.
// Questions (Yes/No, OK/Cancel) take the next queued answer; a box with OK
// alone takes none. With its queue empty a file dialog is cancelled and a
// question takes its default button, so that nothing ever waits for a user.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile };
    struct Shown {
        Kind kind = Kind::Message;
        QString text;  // message text; for file dialogs the title
        QString title;
        MessageButtons buttons = MessageButtons::Ok;
        MessageAnswer defaultButton = MessageAnswer::Ok;
        FileDialogRequest request;  // file dialogs only
    };

    // A chosen file name, or nothing for a cancelled dialog.
    void queueFile(const std::optional<QString>& answer) {
        files_.push_back(answer ? (answer->isNull() ? QStringLiteral("") : *answer) : QString());
    }
    void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }

    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;
    MessageAnswer messageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageAnswer defaultButton) override;

    const std::vector<Shown>& shown() const { return shown_; }
    // The texts of the message boxes shown, in order.
    QStringList messages() const;
    // Answers queued but never asked for.
    std::size_t unusedAnswers() const { return files_.size() + answers_.size(); }
    void clear();

private:
    std::optional<QString> fileDialog(Kind kind, const FileDialogRequest& request);

    std::deque<QString> files_;  // a null string stands for a cancel
    std::deque<MessageAnswer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace morvel
