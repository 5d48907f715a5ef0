#pragma once

#include <QList>
#include <QSslCertificate>
#include <QUrl>
#include <memory>

#include "download/confirmation_apply.h"
#include "ui/form.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace morvel {

class ConfirmationSync;
class DownloadState;
struct SyncOutcome;

// Where the downloads go: the services' own addresses unless a proxy of the
// user's own (or a test server) is named.
struct DownloadEndpoint {
    QUrl serviceUrl;
    QList<QSslCertificate> authorities;
};

// "Download confirmations": the account of a service for the folder (user
// names beside the databases, the password in the secret store), a download
// with its progress and a Cancel that leaves everything as it was, and the
// report at the end.
class DownloadConfirmationsWindow : public Form {
    Q_OBJECT
public:
    DownloadConfirmationsWindow(Windows& windows, QString folder, DownloadEndpoint endpoint = {});
    ~DownloadConfirmationsWindow() override;

    void onLoad() override;
    void closeRequested() override;

private:
    void onServiceChanged();
    void onDownloadClicked();
    void onCancelClicked();
    void onFinished(const SyncOutcome& outcome);
    // The end of a download: the stage line, the report, the controls again.
    void showReport(const QString& stage, const QString& report);
    void setRunning(bool running);
    void showDatabaseChoices(ConfirmationService service, const DownloadState& state);
    void onDatabaseChosen(const QString& band, const QString& name);

    QString folder_;
    DownloadEndpoint endpoint_;
    std::unique_ptr<ConfirmationSync> sync_;
    QString storedSecret_;
    QComboBox* serviceBox;
    QLineEdit* userEdit;
    QLineEdit* nicknameEdit;
    QLineEdit* passwordEdit;
    QCheckBox* rememberBox;
    QCheckBox* sinceBox;
    QDateEdit* sinceEdit;
    QLabel* storeLabel;
    // A box per band of which the folder holds several databases.
    QWidget* databaseChoices;
    QFormLayout* databaseChoicesLayout;
    QLabel* stageLabel;
    QProgressBar* progressBar;
    QPlainTextEdit* reportText;
    QPushButton* downloadButton;
    QPushButton* cancelButton;
    QPushButton* closeButton;
};

}  // namespace morvel
