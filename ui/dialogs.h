#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "import/adif_options.h"

class QDialog;
class QFileDialog;
class QMessageBox;
class QPrinter;
class QWidget;

namespace morvel {

// The title of every message box that reports a check of the user's input.
inline constexpr const char* kProgramTitle = "Morvel";

enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Settings of an open-file or save-file dialog.
struct FileDialogRequest {
    // "description|pattern|description|pattern"; a pattern may list several
    // globs separated by ";" and may carry blanks around them.
    QString filter;
    int filterIndex = 1;  // 1-based choice of the filter shown first
    QString title;
    QString proposedName;  // file name offered in the name box (may be empty)
    QString directory;     // folder the dialog opens in; empty for the current directory
    // A save dialog adds the chosen filter's suffix to a name typed without one.
    bool addsSuffix = false;
};

// The modal dialogs the windows use. Windows hold a reference to one of these
// so that tests can answer the dialogs without a user.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen file's path, or nothing when the dialog was cancelled.
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;

    // A save dialog that also tells which of its filters (1-based) was chosen
    // last; by default the request's own.
    struct SaveChoice {
        QString path;
        int filterIndex = 1;
    };
    virtual std::optional<SaveChoice> saveFileChoosingFilter(const FileDialogRequest& request) {
        const std::optional<QString> path = saveFile(request);
        if (!path) return std::nullopt;
        return SaveChoice{*path, request.filterIndex};
    }

    // A message box; the answer is the button pressed. Closing the box without
    // a button gives Cancel for OK/Cancel, No for Yes/No and Ok for OK alone.
    virtual MessageAnswer messageBox(const QString& text, const QString& title,
                                     MessageButtons buttons, MessageAnswer defaultButton) = 0;

    // The ADIF import's options, shown filled with `options` after the log
    // is chosen; false for Cancel. By default (the tests' dialogs) they are
    // taken as they are.
    // `ledger`: whether the contacts also go to the folder's ledger.
    virtual bool adifImportOptions(AdifOptions& options, bool& ledger) {
        (void)options;
        (void)ledger;
        return true;
    }

    // The print dialog for a printer set up for one job (its name, the page's
    // orientation); false for Cancel.
    virtual bool printDialog(QPrinter& printer) = 0;

    // One OK button and the program's title: how input checks are reported.
    void message(const QString& text, const QString& title = QString::fromLatin1(kProgramTitle)) {
        messageBox(text, title, MessageButtons::Ok, MessageAnswer::Ok);
    }
    bool askYesNo(const QString& text, const QString& title,
                  MessageAnswer defaultButton = MessageAnswer::Yes) {
        return messageBox(text, title, MessageButtons::YesNo, defaultButton) == MessageAnswer::Yes;
    }
    bool askOkCancel(const QString& text, const QString& title) {
        return messageBox(text, title, MessageButtons::OkCancel, MessageAnswer::Ok) ==
               MessageAnswer::Ok;
    }
};

// One entry of a "description|pattern" filter text.
struct FileFilter {
    QString description;
    // Trimmed globs, never empty ("*" when none was given). "*.*" becomes "*":
    // "All Files" means every file, also one whose name has no dot.
    QStringList patterns;
};

// Splits a "description|pattern|..." text into its entries. A trailing
// description without a pattern gets "*".
std::vector<FileFilter> parseFileFilter(const QString& filter);
// The same filter in Qt's form: "description (glob glob);;description (glob)".
QStringList qtNameFilters(const QString& filter);
// The suffix ("png") of a filter entry's first glob ("*.png"); empty for "*".
QString filterSuffix(const FileFilter& entry);
// A chosen name without a suffix ("map", "map.") gets that of the chosen
// filter (1-based; "map" and PNG give "map.png"); any other stays as it is.
QString withFilterSuffix(const QString& path, const QString& filter, int filterIndex);

// Sets up Qt's file dialog as the request says; its filters take names in
// any case.
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

// The dialogs of the running program: Qt's file dialogs and message boxes,
// parented to whichever window is active.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;
    std::optional<SaveChoice> saveFileChoosingFilter(const FileDialogRequest& request) override;
    MessageAnswer messageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageAnswer defaultButton) override;
    bool adifImportOptions(AdifOptions& options, bool& ledger) override;
    bool printDialog(QPrinter& printer) override;
};

// The message box QtDialogs shows: its buttons, the default one, and Escape
// taking the answer that closing the box gives. It is at least as wide as
// its title needs in the title bar, beside the window's buttons, so that a
// short message never cuts its title off.
std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, const QString& title,
                                            MessageButtons buttons, MessageAnswer defaultButton,
                                            QWidget* parent);

// The options dialog's form, apart so that a test can fill it: check boxes
// "VuccGrids", "ByCard", "ByLotw", "ByEqsl", "Ledger", line edits "PropMode" and
// "NotPropMode", the button box "Buttons". read() is false with the reason
// when a field holds something that is not an option.
QDialog* makeAdifOptionsDialog(const AdifOptions& options, QWidget* parent, bool ledger = true);
bool readAdifOptionsDialog(const QDialog& dialog, AdifOptions& options, QString& reason,
                           bool* ledger = nullptr);

}  // namespace morvel
