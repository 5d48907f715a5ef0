#include "windows/import_runner.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include "import/import_job.h"
#include "ui/busy_cursor.h"
#include "ui/windows.h"
#include "ui/work_progress.h"

namespace morvel {

namespace {
const QString kLogFolderKey = QStringLiteral("import/logFolder");
const QString kVuccKey = QStringLiteral("import/adif/vuccGrids");
const QString kConfirmedByKey = QStringLiteral("import/adif/confirmedBy");
const QString kPropModeKey = QStringLiteral("import/adif/propMode");
const QString kNotPropModeKey = QStringLiteral("import/adif/notPropMode");
const QString kLedgerKey = QStringLiteral("import/ledger");

// The options chosen last; anything unreadable there counts as the default.
AdifOptions rememberedOptions(const QSettings* settings) {
    AdifOptions o;
    if (!settings) return o;
    QString bad;
    o.vuccGrids = settings->value(kVuccKey, false).toBool();
    if (!parseConfirmedBy(settings->value(kConfirmedByKey).toString(), o.confirmedBy, bad))
        o.confirmedBy = kConfirmByAll;
    if (!parsePropModes(settings->value(kPropModeKey).toString(), o.propModes, bad))
        o.propModes.clear();
    if (!parsePropModes(settings->value(kNotPropModeKey).toString(), o.notPropModes, bad))
        o.notPropModes.clear();
    return o;
}

void rememberOptions(QSettings* settings, const AdifOptions& o) {
    if (!settings) return;
    const auto modes = [](const std::vector<std::string>& list) {
        QStringList words;
        for (const std::string& m : list) words << QString::fromStdString(m);
        return words.join(QLatin1Char(','));
    };
    settings->setValue(kVuccKey, o.vuccGrids);
    settings->setValue(kConfirmedByKey, confirmedByText(o.confirmedBy));
    settings->setValue(kPropModeKey, modes(o.propModes));
    settings->setValue(kNotPropModeKey, modes(o.notPropModes));
}
}  // namespace

FileDialogRequest importFileDialog(ImportKind kind) {
    const bool adif = kind == ImportKind::Adif;
    FileDialogRequest r;
    r.filter = adif ? QStringLiteral("ADIF Files (.adi)|*.adi;*.adif|All Files| *.*")
                    : QStringLiteral("EDI Files (.edi)|*.edi|All Files| *.*");
    r.filterIndex = 1;
    r.title = adif ? QStringLiteral("Select ADIF file to import")
                   : QStringLiteral("Select EDI file to import");
    return r;
}

ImportRunner::ImportRunner(Windows& windows, QWidget* window)
    : QObject(window), windows_(windows), window_(window) {}

ImportRunner::~ImportRunner() = default;

bool ImportRunner::start(ImportKind kind, const QString& databasePath) {
    if (job_) return false;
    // Logs usually wait in one folder: the dialog opens where the last one was
    // chosen, the databases' folder the first time.
    FileDialogRequest dialog = importFileDialog(kind);
    QSettings* settings = windows_.settings();
    dialog.directory = windows_.databaseFolder();
    if (settings) {
        const QString last = settings->value(kLogFolderKey).toString();
        if (!last.isEmpty() && QFileInfo(last).isDir()) dialog.directory = last;
    }
    const std::optional<QString> chosen = windows_.dialogs().openFile(dialog);
    if (!chosen || chosen->isEmpty()) return false;
    if (settings) settings->setValue(kLogFolderKey, QFileInfo(*chosen).absolutePath());

    ImportRequest request;
    if (kind == ImportKind::Adif) {
        request.adif = rememberedOptions(settings);
        request.ledger = !settings || settings->value(kLedgerKey, true).toBool();
        if (!windows_.dialogs().adifImportOptions(request.adif, request.ledger)) return false;
        rememberOptions(settings, request.adif);
        if (settings) settings->setValue(kLedgerKey, request.ledger);
    }
    request.kind = kind;
    request.logPath = QFileInfo(*chosen).absoluteFilePath();
    request.databasePath = databasePath;
    request.workDir = windows_.databaseFolder();
    request.backupDir = QFileInfo(databasePath).absolutePath();
    job_ = std::make_unique<ImportJob>(windows_.document(databasePath), std::move(request),
                                       [this](const QString& q) { return ask(q); });
    progress_ = std::make_unique<WorkProgress>(
        window_, QStringLiteral("Importing ") + QFileInfo(*chosen).fileName());
    busy_ = std::make_unique<BusyCursor>();
    connect(job_.get(), &ImportJob::progressed, this, &ImportRunner::onProgressed);
    connect(job_.get(), &ImportJob::finished, this, &ImportRunner::onFinished);
    job_->start();
    return true;
}

bool ImportRunner::ask(const QString& question) {
    // The question waits for the operator: the ordinary pointer over it.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const bool ok = windows_.dialogs().askOkCancel(question, QString::fromLatin1(kProgramTitle));
    QApplication::restoreOverrideCursor();
    return ok;
}

void ImportRunner::onProgressed(const ImportProgress& p) {
    const QLocale locale;
    progress_->update(QStringLiteral("Contacts read: ") + locale.toString(p.contactsRead) +
                      QStringLiteral("\nNew squares so far: ") + locale.toString(p.squaresWritten));
}

void ImportRunner::onFinished(const ImportResult& result) {
    progress_.reset();
    busy_.reset();
    // The job is done with; it goes once this signal has returned.
    job_.release()->deleteLater();
    Dialogs& dialogs = windows_.dialogs();
    if (result.end == ImportResult::End::Failed) {
        dialogs.message(result.error);
    } else if (result.end == ImportResult::End::Finished) {
        // The ledger's line follows the closing message, which stays as it was.
        QString report = result.closingMessage();
        for (const QString& more : {result.ledgerText, result.lockNote})
            if (!more.isEmpty()) report += QLatin1Char('\n') + more;
        dialogs.message(report);
        if (!result.error.isEmpty()) dialogs.message(result.error);
    }
    emit finished();
}

}  // namespace morvel
