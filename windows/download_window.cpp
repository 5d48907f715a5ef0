#include "windows/download_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "download/confirmation_sync.h"
#include "download/download_state.h"
#include "download/secret_store.h"
#include "statistics/overview.h"
#include "ui/dialogs.h"
#include "ui/windows.h"
#include "windows/window_names.h"

namespace morvel {

namespace {

const ConfirmationService kServices[] = {ConfirmationService::Lotw, ConfirmationService::Eqsl,
                                         ConfirmationService::Qrz};

}  // namespace

DownloadConfirmationsWindow::DownloadConfirmationsWindow(Windows& windows, QString folder,
                                                         DownloadEndpoint endpoint)
    : Form(windows, kDownloadWindow), folder_(std::move(folder)), endpoint_(std::move(endpoint)) {
    setWindowTitle(QStringLiteral("Download confirmations"));
    resize(620, 520);
    auto* form = new QFormLayout;
    serviceBox = new QComboBox(this);
    serviceBox->setObjectName(QStringLiteral("serviceBox"));
    for (const ConfirmationService s : kServices) serviceBox->addItem(serviceName(s));
    userEdit = new QLineEdit(this);
    userEdit->setObjectName(QStringLiteral("userEdit"));
    nicknameEdit = new QLineEdit(this);
    nicknameEdit->setObjectName(QStringLiteral("nicknameEdit"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    rememberBox = new QCheckBox(QStringLiteral("Keep the password in the secret store"), this);
    rememberBox->setObjectName(QStringLiteral("rememberBox"));
    storeLabel = new QLabel(this);
    storeLabel->setObjectName(QStringLiteral("storeLabel"));
    storeLabel->setWordWrap(true);
    sinceBox = new QCheckBox(QStringLiteral("The first download begins at"), this);
    sinceBox->setObjectName(QStringLiteral("sinceBox"));
    sinceEdit = new QDateEdit(QDate::currentDate().addYears(-1), this);
    sinceEdit->setObjectName(QStringLiteral("sinceEdit"));
    sinceEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    sinceEdit->setCalendarPopup(true);
    auto* since = new QHBoxLayout;
    since->addWidget(sinceBox);
    since->addWidget(sinceEdit);
    form->addRow(QStringLiteral("Service"), serviceBox);
    form->addRow(QStringLiteral("User"), userEdit);
    form->addRow(QStringLiteral("QTH nickname"), nicknameEdit);
    form->addRow(QStringLiteral("Password"), passwordEdit);
    form->addRow(QString(), rememberBox);
    form->addRow(QString(), storeLabel);
    form->addRow(QString(), since);
    databaseChoices = new QWidget(this);
    databaseChoices->setObjectName(QStringLiteral("databaseChoices"));
    databaseChoicesLayout = new QFormLayout(databaseChoices);
    databaseChoicesLayout->setContentsMargins(0, 0, 0, 0);
    form->addRow(databaseChoices);

    stageLabel = new QLabel(this);
    stageLabel->setObjectName(QStringLiteral("stageLabel"));
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    reportText = new QPlainTextEdit(this);
    reportText->setObjectName(QStringLiteral("reportText"));
    reportText->setReadOnly(true);
    downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setObjectName(QStringLiteral("downloadButton"));
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(downloadButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(stageLabel);
    layout->addWidget(progressBar);
    layout->addWidget(reportText, 1);
    layout->addLayout(buttons);

    connect(serviceBox, &QComboBox::currentIndexChanged, this,
            &DownloadConfirmationsWindow::onServiceChanged);
    connect(downloadButton, &QPushButton::clicked, this,
            &DownloadConfirmationsWindow::onDownloadClicked);
    connect(cancelButton, &QPushButton::clicked, this,
            &DownloadConfirmationsWindow::onCancelClicked);
    connect(closeButton, &QPushButton::clicked, this, &DownloadConfirmationsWindow::closeRequested);
    setRunning(false);
}

DownloadConfirmationsWindow::~DownloadConfirmationsWindow() = default;

void DownloadConfirmationsWindow::onLoad() {
    onServiceChanged();
}

void DownloadConfirmationsWindow::onServiceChanged() {
    const ConfirmationService service = kServices[serviceBox->currentIndex()];
    const bool qrz = service == ConfirmationService::Qrz;
    userEdit->setEnabled(!qrz);
    nicknameEdit->setEnabled(service == ConfirmationService::Eqsl);
    passwordEdit->setPlaceholderText(qrz ? QStringLiteral("the logbook's API key") : QString());
    DownloadState state;
    Error error;
    DownloadState::read(folder_, state, error);
    userEdit->setText(state.value(serviceKey(service) + QStringLiteral(".user")));
    nicknameEdit->setText(state.value(serviceKey(service) + QStringLiteral(".nickname")));
    showDatabaseChoices(service, state);
    passwordEdit->clear();
    storedSecret_.clear();
    const SecretStore::Answer stored =
        SecretStore().read(SecretStore::entryName(serviceKey(service), folder_, userEdit->text()));
    if (stored.ok) {
        storedSecret_ = stored.secret;
        storeLabel->setText(QStringLiteral("The password is kept in the secret store."));
    } else if (stored.missing) {
        storeLabel->setText(QString());
    } else {
        // Said so, and asked each time: never kept anywhere else.
        storeLabel->setText(stored.error +
                            QStringLiteral(": the password is asked for each download."));
        rememberBox->setChecked(false);
    }
    rememberBox->setEnabled(!stored.error.isEmpty() ? stored.missing : true);
}

// Where the folder holds several databases of a band, the user says which
// takes the band's confirmations; by default MY_GRIDSQUARE's square decides.
void DownloadConfirmationsWindow::showDatabaseChoices(ConfirmationService service,
                                                      const DownloadState& state) {
    while (databaseChoicesLayout->rowCount() > 0) databaseChoicesLayout->removeRow(0);
    const std::vector<FolderDatabase> databases = folderDatabases(folder_);
    std::map<std::string, QStringList> byBand;
    for (const FolderDatabase& db : databases) byBand[db.band] << QFileInfo(db.path).fileName();
    const BandDatabases chosen = chosenDatabases(state, service);
    for (const auto& [band, names] : byBand) {
        if (names.size() < 2) continue;
        auto* box = new QComboBox(databaseChoices);
        box->setObjectName(QStringLiteral("databaseBox") + QString::fromStdString(band));
        box->addItem(QStringLiteral("the one of the contact's MY_GRIDSQUARE"), QString());
        for (const QString& name : names) box->addItem(name, name);
        if (const auto it = chosen.find(band); it != chosen.end()) {
            const int at = box->findData(it->second, Qt::UserRole, Qt::MatchFixedString);
            if (at >= 0) box->setCurrentIndex(at);
        }
        const QString bandName = QString::fromStdString(band);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, bandName] {
            onDatabaseChosen(bandName, box->currentData().toString());
        });
        databaseChoicesLayout->addRow(bandName + QStringLiteral(" confirmations to"), box);
    }
    databaseChoices->setVisible(databaseChoicesLayout->rowCount() > 0);
}

void DownloadConfirmationsWindow::onDatabaseChosen(const QString& band, const QString& name) {
    const ConfirmationService service = kServices[serviceBox->currentIndex()];
    DownloadState state;
    Error error;
    if (DownloadState::read(folder_, state, error)) {
        state.set(databaseChoiceKey(service, band.toStdString()), name);
        if (state.write(folder_, error)) return;
    }
    dialogs().message(QStringLiteral("Could not keep the choice: ") + error.message(),
                      QStringLiteral("Download confirmations"));
}

void DownloadConfirmationsWindow::setRunning(bool running) {
    downloadButton->setEnabled(!running);
    cancelButton->setEnabled(running);
    closeButton->setEnabled(!running);
    serviceBox->setEnabled(!running);
    databaseChoices->setEnabled(!running);
}

void DownloadConfirmationsWindow::onDownloadClicked() {
    const ConfirmationService service = kServices[serviceBox->currentIndex()];
    SyncRequest request;
    request.folder = folder_;
    request.service = service;
    request.user = userEdit->text().trimmed();
    request.nickname = nicknameEdit->text().trimmed();
    request.secret = passwordEdit->text().isEmpty() ? storedSecret_ : passwordEdit->text();
    if (sinceBox->isChecked()) request.since = sinceEdit->date();
    request.serviceUrl = endpoint_.serviceUrl;
    request.authorities = endpoint_.authorities;
    if (service != ConfirmationService::Qrz && request.user.isEmpty()) {
        dialogs().message(QStringLiteral("Enter the user name of your ") + serviceName(service) +
                              QStringLiteral(" account."),
                          QStringLiteral("Download confirmations"));
        return;
    }
    if (request.secret.isEmpty()) {
        dialogs().message(QStringLiteral("Enter the password of your ") + serviceName(service) +
                              QStringLiteral(" account."),
                          QStringLiteral("Download confirmations"));
        return;
    }
    reportText->clear();
    progressBar->setRange(0, 0);
    setRunning(true);
    sync_ = std::make_unique<ConfirmationSync>(
        request, [this](const QString& path) { return windows().document(path); });
    connect(sync_.get(), &ConfirmationSync::stage, stageLabel, &QLabel::setText);
    connect(sync_.get(), &ConfirmationSync::progress, this, [this](qint64 received, qint64 total) {
        if (total <= 0) return;
        progressBar->setRange(0, 1000);
        progressBar->setValue(static_cast<int>(received * 1000 / total));
    });
    connect(sync_.get(), &ConfirmationSync::finished, this,
            &DownloadConfirmationsWindow::onFinished);
    sync_->start();
}

void DownloadConfirmationsWindow::onFinished(const SyncOutcome& outcome) {
    progressBar->setRange(0, 1);
    progressBar->setValue(outcome.ok ? 1 : 0);
    const QString stage = outcome.ok ? QStringLiteral("Done.") : outcome.message;
    const QString text = outcome.ok ? outcome.report.text() : outcome.message;
    QString kept;
    if (outcome.ok && rememberBox->isChecked() && !passwordEdit->text().isEmpty()) {
        const ConfirmationService service = kServices[serviceBox->currentIndex()];
        const SecretStore::Answer answer = SecretStore().write(
            SecretStore::entryName(serviceKey(service), folder_, userEdit->text().trimmed()),
            passwordEdit->text());
        kept = answer.ok ? QStringLiteral("\nThe password is kept in the secret store.")
                         : QStringLiteral("\nThe password could not be kept: ") + answer.error;
    }
    sync_.release()->deleteLater();
    if (!outcome.ok || outcome.report.received == 0) {
        showReport(stage, text + kept);
        return;
    }
    // The award counts read every database of the folder and its ledger: off
    // the window thread, the window still busy until they are in.
    auto* job = new QFutureWatcher<QString>(this);
    connect(job, &QFutureWatcher<QString>::finished, this, [this, job, stage, text, kept] {
        job->deleteLater();
        showReport(stage, text + QStringLiteral("\n\n") + job->result() + kept);
    });
    QThreadPool& pool = windows().jobs();
    job->setFuture(QtConcurrent::run(
        &pool, [folder = folder_, &pool] { return awardsTable(buildOverview(folder, pool)); }));
}

void DownloadConfirmationsWindow::showReport(const QString& stage, const QString& report) {
    setRunning(false);
    stageLabel->setText(stage);
    reportText->setPlainText(report);
}

void DownloadConfirmationsWindow::onCancelClicked() {
    if (sync_) sync_->cancel();
}

void DownloadConfirmationsWindow::closeRequested() {
    if (sync_) return;  // Cancel first: the download is not left half-way
    windows().unload(kDownloadWindow);
    windows().show(kMainMenuWindow);
}

}  // namespace morvel
