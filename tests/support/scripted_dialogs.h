#pragma once

#include <QPrinter>
#include <deque>
#include <utility>

#include "ui/dialogs.h"

namespace morvel {

// Answers the dialogs from the queues and records what was shown, for tests.
// A box with OK alone takes no answer; with its queue empty a file dialog is
// cancelled and a question takes its default, so nothing waits for a user.
struct ScriptedDialogs : Dialogs {
    std::optional<QString> openFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        return take(files);
    }
    std::optional<QString> saveFile(const FileDialogRequest& request) override {
        return openFile(request);
    }
    // The filter chosen in a save dialog comes from `filterChoices`, else it
    // is the one the request shows first.
    std::optional<SaveChoice> saveFileChoosingFilter(const FileDialogRequest& request) override {
        const std::optional<QString> path = saveFile(request);
        if (!path) return std::nullopt;
        return SaveChoice{*path, take(filterChoices).value_or(request.filterIndex)};
    }
    MessageAnswer messageBox(const QString& text, const QString&, MessageButtons buttons,
                             MessageAnswer defaultButton) override {
        messages << text;
        asked.emplace_back(buttons, defaultButton);
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        return take(answers).value_or(defaultButton);
    }
    // The job's name kept; printed into `printFile` as PDF, and cancelled
    // when none is set, so that nothing reaches a real printer.
    bool printDialog(QPrinter& printer) override {
        printJobs << printer.docName();
        if (printFile.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printFile);
        return true;
    }
    template <class T>
    static std::optional<T> take(std::deque<T>& queue) {
        if (queue.empty()) return std::nullopt;
        T next = queue.front();
        queue.pop_front();
        return next;
    }
    void clear() { *this = ScriptedDialogs(); }

    std::deque<QString> files;
    std::deque<MessageAnswer> answers;
    std::deque<int> filterChoices;
    QString printFile;
    QStringList printJobs;  // the names of the jobs the print dialog was shown for
    std::vector<FileDialogRequest> requests;                      // the file dialogs, in order
    QStringList messages;                                         // the texts of the message boxes
    std::vector<std::pair<MessageButtons, MessageAnswer>> asked;  // their buttons, default
};

}  // namespace morvel
