#include "ui/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTreeView>
#include <memory>

namespace morvel {

std::vector<FileFilter> parseFileFilter(const QString& filter) {
    std::vector<FileFilter> result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        FileFilter entry;
        entry.description = parts[i].trimmed();
        if (i + 1 < parts.size()) {
            for (const QString& glob : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString trimmed = glob.trimmed();
                if (trimmed == QLatin1String("*.*"))
                    entry.patterns << QStringLiteral("*");
                else if (!trimmed.isEmpty())
                    entry.patterns << trimmed;
            }
        }
        if (entry.patterns.isEmpty()) entry.patterns << QStringLiteral("*");
        if (entry.description.isEmpty() && i + 1 >= parts.size()) continue;
        result.push_back(entry);
    }
    return result;
}

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    for (const FileFilter& entry : parseFileFilter(filter)) {
        const QString globs = entry.patterns.join(QLatin1Char(' '));
        // Qt reads the globs from the last parentheses, so a description that
        // has its own "(.adi)" still works.
        result << (entry.description.isEmpty()
                       ? globs
                       : entry.description + QStringLiteral(" (") + globs + QLatin1Char(')'));
    }
    return result;
}

QString filterSuffix(const FileFilter& entry) {
    const QString& glob = entry.patterns.front();
    if (!glob.startsWith(QStringLiteral("*.")) || glob.size() < 3) return {};
    const QString suffix = glob.mid(2);
    // A glob such as "*.ad?" names no one suffix.
    for (const QChar c : suffix)
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[')) return {};
    return suffix;
}

QString withFilterSuffix(const QString& path, const QString& filter, int filterIndex) {
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || (name.contains(QLatin1Char('.')) && !name.endsWith(QLatin1Char('.'))))
        return path;
    const std::vector<FileFilter> entries = parseFileFilter(filter);
    if (filterIndex < 1 || filterIndex > static_cast<int>(entries.size())) return path;
    const QString suffix = filterSuffix(entries[static_cast<std::size_t>(filterIndex - 1)]);
    if (suffix.isEmpty()) return path;
    return (name.endsWith(QLatin1Char('.')) ? path.chopped(1) : path) + QLatin1Char('.') + suffix;
}

void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(request.directory.isEmpty() ? QDir::currentPath() : request.directory);
    const QStringList filters = qtNameFilters(request.filter);
    // A log written as LOG.ADI or Log.Adif is listed as log.adi is.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                              ? request.filterIndex - 1
                              : 0;
        dialog.selectNameFilter(filters[index]);
        if (save && request.addsSuffix) {
            // The dialog adds the suffix itself, so that its question about
            // replacing a file asks about the file that will be written.
            const std::vector<FileFilter> entries = parseFileFilter(request.filter);
            const auto suffixOf = [entries](const QString& chosen, const QStringList& all) {
                const qsizetype at = all.indexOf(chosen);
                return at < 0 ? QString() : filterSuffix(entries[static_cast<std::size_t>(at)]);
            };
            dialog.setDefaultSuffix(suffixOf(filters[index], filters));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, filters, suffixOf](const QString& chosen) {
                                 dialog.setDefaultSuffix(suffixOf(chosen, filters));
                             });
        }
    }
    if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
    // Qt's own dialog opens too narrow for its size, type and date columns.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(800, 480)));
    if (auto* details = dialog.findChild<QTreeView*>()) {
        for (int column = 1; column < details->header()->count(); ++column)
            details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

namespace {

std::optional<Dialogs::SaveChoice> runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow());
    prepareFileDialog(dialog, request, save);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    const qsizetype filter = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    return Dialogs::SaveChoice{chosen.front(),
                               filter < 0 ? request.filterIndex : static_cast<int>(filter) + 1};
}

QMessageBox::StandardButton toQt(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::Ok:
            return QMessageBox::Ok;
        case MessageAnswer::Cancel:
            return QMessageBox::Cancel;
        case MessageAnswer::Yes:
            return QMessageBox::Yes;
        case MessageAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

}  // namespace

bool QtDialogs::printDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request) {
    const auto chosen = runFileDialog(request, false);
    return chosen ? std::optional(chosen->path) : std::nullopt;
}

std::optional<QString> QtDialogs::saveFile(const FileDialogRequest& request) {
    const auto chosen = runFileDialog(request, true);
    return chosen ? std::optional(chosen->path) : std::nullopt;
}

std::optional<Dialogs::SaveChoice> QtDialogs::saveFileChoosingFilter(
    const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

namespace {

// What closing a box without a button answers.
MessageAnswer closedAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::OkCancel:
            return MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

// The title bar's text is bold in most window managers, and besides it stand
// the icon and the minimise, maximise and close buttons.
constexpr int kTitleBarButtonsWidth = 160;

int titleBarWidth(const QString& title, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) * 11 / 10 + kTitleBarButtonsWidth;
}

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, const QString& title,
                                            MessageButtons buttons, MessageAnswer defaultButton,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setText(text);
    switch (buttons) {
        case MessageButtons::Ok:
            box->setStandardButtons(QMessageBox::Ok);
            defaultButton = MessageAnswer::Ok;
            break;
        case MessageButtons::YesNo:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            if (defaultButton != MessageAnswer::No) defaultButton = MessageAnswer::Yes;
            break;
        case MessageButtons::OkCancel:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            if (defaultButton != MessageAnswer::Cancel) defaultButton = MessageAnswer::Ok;
            break;
    }
    box->setDefaultButton(toQt(defaultButton));
    box->setEscapeButton(toQt(closedAnswer(buttons)));
    // A message box sizes itself to its text and buttons, whatever minimum
    // width it is given; a row as wide as the title widens it.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(titleBarWidth(title, box->font()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

MessageAnswer QtDialogs::messageBox(const QString& text, const QString& title,
                                    MessageButtons buttons, MessageAnswer defaultButton) {
    const std::unique_ptr<QMessageBox> box =
        makeMessageBox(text, title, buttons, defaultButton, QApplication::activeWindow());
    switch (box->exec()) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return closedAnswer(buttons);
    }
}

namespace {

QString modesText(const std::vector<std::string>& modes) {
    QStringList words;
    for (const std::string& m : modes) words << QString::fromStdString(m);
    return words.join(QLatin1Char(','));
}

}  // namespace

QDialog* makeAdifOptionsDialog(const AdifOptions& options, QWidget* parent, bool ledger) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("AdifOptions"));
    dialog->setWindowTitle(QStringLiteral("Morvel: ADIF import options"));
    auto* form = new QFormLayout(dialog);
    auto* vucc = new QCheckBox(QStringLiteral("Credit each square of VUCC_GRIDS (2 or 4)"), dialog);
    vucc->setObjectName(QStringLiteral("VuccGrids"));
    vucc->setChecked(options.vuccGrids);
    form->addRow(QStringLiteral("Rovers:"), vucc);
    auto* sources = new QHBoxLayout;
    const struct {
        const char *name, *caption;
        unsigned bit;
    } boxes[] = {{"ByCard", "Card (QSL_RCVD)", kConfirmByCard},
                 {"ByLotw", "LoTW", kConfirmByLotw},
                 {"ByEqsl", "eQSL", kConfirmByEqsl}};
    for (const auto& b : boxes) {
        auto* box = new QCheckBox(QString::fromLatin1(b.caption), dialog);
        box->setObjectName(QString::fromLatin1(b.name));
        box->setChecked((options.confirmedBy & b.bit) != 0);
        sources->addWidget(box);
    }
    form->addRow(QStringLiteral("Confirmed by:"), sources);
    const auto modeEdit = [&](const char* name, const std::vector<std::string>& modes) {
        auto* edit = new QLineEdit(modesText(modes), dialog);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setPlaceholderText(QStringLiteral("e.g. EME or SAT,EME; empty: all"));
        return edit;
    };
    form->addRow(QStringLiteral("Only PROP_MODE:"), modeEdit("PropMode", options.propModes));
    form->addRow(QStringLiteral("Leave out PROP_MODE:"),
                 modeEdit("NotPropMode", options.notPropModes));
    auto* keep = new QCheckBox(QStringLiteral("Keep the contacts in the ledger"), dialog);
    keep->setObjectName(QStringLiteral("Ledger"));
    keep->setChecked(ledger);
    keep->setToolTip(QStringLiteral("Off: the log counts as squares only"));
    form->addRow(QStringLiteral("Awards:"), keep);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("Buttons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    form->addRow(buttons);
    return dialog;
}

bool readAdifOptionsDialog(const QDialog& dialog, AdifOptions& options, QString& reason,
                           bool* ledger) {
    AdifOptions read;
    const auto box = [&](const char* name) {
        const auto* b = dialog.findChild<QCheckBox*>(QString::fromLatin1(name));
        return b && b->isChecked();
    };
    read.vuccGrids = box("VuccGrids");
    read.confirmedBy = (box("ByCard") ? kConfirmByCard : 0U) |
                       (box("ByLotw") ? kConfirmByLotw : 0U) |
                       (box("ByEqsl") ? kConfirmByEqsl : 0U);
    if (read.confirmedBy == 0) {
        reason = QStringLiteral("Choose at least one source that confirms a square");
        return false;
    }
    for (const auto& [name, modes] :
         {std::pair{"PropMode", &read.propModes}, std::pair{"NotPropMode", &read.notPropModes}}) {
        const auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
        const QString text = edit ? edit->text().trimmed() : QString();
        QString bad;
        if (!text.isEmpty() && !parsePropModes(text, *modes, bad)) {
            reason = QStringLiteral("Not an ADIF PROP_MODE: ") + bad;
            return false;
        }
    }
    options = read;
    if (ledger) *ledger = box("Ledger");
    return true;
}

bool QtDialogs::adifImportOptions(AdifOptions& options, bool& ledger) {
    std::unique_ptr<QDialog> dialog(
        makeAdifOptionsDialog(options, QApplication::activeWindow(), ledger));
    while (dialog->exec() == QDialog::Accepted) {
        QString reason;
        if (readAdifOptionsDialog(*dialog, options, reason, &ledger)) return true;
        messageBox(reason, QString::fromLatin1(kProgramTitle), MessageButtons::Ok,
                   MessageAnswer::Ok);
    }
    return false;
}

}  // namespace morvel
