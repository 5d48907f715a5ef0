#pragma once

#include <deque>

#include "ui/dialogs.h"

namespace morvel {

// Answers the dialogs from queues and records everything shown, for tests.
// Questions (Yes/No, OK/Cancel) take the next queued answer, a box with OK
// alone takes none. With its queue empty a file dialog is cancelled and a
// question takes its default button, so that nothing ever waits for a user.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;  // message text; for file dialogs the title
        QString title;
        MessageButtons buttons = MessageButtons::Ok;
        MessageAnswer defaultButton = MessageAnswer::Ok;
        FileDialogRequest request;  // file dialogs only
        bool message = true;
    };

    void queueFile(const QString& name) { files_.push_back(name); }
    void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }

    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;
    MessageAnswer messageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageAnswer defaultButton) override;

    const std::vector<Shown>& shown() const { return shown_; }
    QStringList messages() const;  // the texts of the message boxes, in order
    void clear();

private:
    std::deque<QString> files_;
    std::deque<MessageAnswer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace morvel
