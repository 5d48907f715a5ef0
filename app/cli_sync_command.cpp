#include <QFileInfo>
#include <algorithm>
#include <istream>

#include "app/cli_commands.h"
#include "database/database_document.h"
#include "database/qra_names.h"
#include "download/confirmation_sync.h"
#include "download/download_state.h"
#include "download/secret_store.h"
#include "statistics/overview.h"

namespace morvel::cli {
namespace {

std::optional<ConfirmationService> serviceNamed(const QString& name) {
    if (name == QLatin1String("lotw")) return ConfirmationService::Lotw;
    if (name == QLatin1String("eqsl")) return ConfirmationService::Eqsl;
    if (name == QLatin1String("qrz")) return ConfirmationService::Qrz;
    return std::nullopt;
}

int sync(const Invocation& call) {
    const QString folder = call.dir.absoluteFilePath(call.args.value(0));
    if (!QFileInfo(folder).isDir()) {
        call.io.err << "Not a folder: " << folder << "\n";
        return kFailed;
    }
    const auto service = serviceNamed(call.options.value("service"));
    if (!service) {
        call.io.err << "--service: lotw, eqsl or qrz\n";
        return kUsage;
    }
    SyncRequest request;
    request.folder = QFileInfo(folder).absoluteFilePath();
    request.service = *service;
    DownloadState state;
    Error error;
    if (!DownloadState::read(request.folder, state, error)) {
        call.io.err << "Cannot read " << error.message() << "\n";
        return kFailed;
    }
    const QString key = call.options.value("service");
    request.user = call.options.isSet("user") ? call.options.value("user")
                                              : state.value(key + QStringLiteral(".user"));
    request.nickname = call.options.isSet("nickname")
                           ? call.options.value("nickname")
                           : state.value(key + QStringLiteral(".nickname"));
    if (*service != ConfirmationService::Qrz && request.user.isEmpty()) {
        call.io.err << "No user name for " << serviceName(*service) << ": give --user\n";
        return kUsage;
    }
    // Which database takes a band's confirmations, where the folder has several
    // of the band: kept in the folder's download state for the next time.
    const std::vector<FolderDatabase> databases = folderDatabases(request.folder);
    bool chose = false;
    for (const QString& choice : call.options.values("database")) {
        const qsizetype eq = choice.indexOf(QLatin1Char('='));
        const QString band = choice.left(eq).trimmed().toUpper();
        const QString name = eq < 0 ? QString() : choice.mid(eq + 1).trimmed();
        const bool known = std::find(bandList().begin(), bandList().end(),
                                     band.toLower().toStdString()) != bandList().end();
        if (!known || eq < 0) {
            call.io.err << "--database: a band and a database of the folder, as "
                           "2m=\"2M JO62QM HOME.QRA\" (2m= for the default)\n";
            return kUsage;
        }
        if (!name.isEmpty() &&
            std::none_of(databases.begin(), databases.end(), [&](const FolderDatabase& db) {
                return db.band == band.toStdString() &&
                       QFileInfo(db.path).fileName().compare(name, Qt::CaseInsensitive) == 0;
            })) {
            call.io.err << "--database: " << name << " is no " << band
                        << " database of the folder\n";
            return kFailed;
        }
        state.set(databaseChoiceKey(*service, band.toStdString()), name);
        chose = true;
    }
    if (chose && !state.write(request.folder, error)) {
        call.io.err << "Cannot store the choice: " << error.message() << "\n";
        return kFailed;
    }
    if (call.options.isSet("since")) {
        request.since =
            QDate::fromString(call.options.value("since"), QStringLiteral("yyyy-MM-dd"));
        if (!request.since.isValid()) {
            call.io.err << "--since: a date as YYYY-MM-DD\n";
            return kUsage;
        }
    }
    if (call.options.isSet("service-url")) {
        request.serviceUrl = QUrl(call.options.value("service-url"));
        if (!request.serviceUrl.isValid() ||
            request.serviceUrl.scheme() != QLatin1String("https")) {
            call.io.err << "--service-url: an https address\n";
            return kUsage;
        }
    }
    if (call.options.isSet("ca-certificates")) {
        QString reason;
        request.authorities = ServiceClient::readAuthorities(
            call.dir.absoluteFilePath(call.options.value("ca-certificates")), reason);
        if (request.authorities.isEmpty()) {
            call.io.err << "--ca-certificates: " << reason << "\n";
            return kFailed;
        }
    }
    // The secret comes on standard input or from the desktop's secret store,
    // never on the command line, where every user of the machine could read it.
    const char* secretName = *service == ConfirmationService::Qrz ? "API key" : "password";
    const SecretStore store;
    const QString entry = SecretStore::entryName(key, request.folder, request.user);
    if (call.options.isSet("password-stdin")) {
        std::string secret;
        std::getline(call.io.in, secret);
        while (!secret.empty() && (secret.back() == '\r' || secret.back() == '\n'))
            secret.pop_back();
        request.secret = QString::fromStdString(secret);
        if (request.secret.isEmpty()) {
            call.io.err << "No " << secretName << " on standard input\n";
            return kUsage;
        }
    } else {
        const SecretStore::Answer stored = store.read(entry);
        if (!stored.ok) {
            call.io.err << "No " << secretName << " for " << serviceName(*service) << " ("
                        << stored.error << "): give it on standard input with --password-stdin\n";
            return kUsage;
        }
        request.secret = stored.secret;
    }

    DatabaseDocuments documents(request.folder);
    ConfirmationSync download(request, [&](const QString& path) { return documents.open(path); });
    download.start();
    const SyncOutcome outcome = download.wait();
    if (!outcome.ok) {
        call.io.err << outcome.message << "\n";
        return kFailed;
    }
    call.io.out << outcome.report.text() << "\n";
    if (call.options.isSet("remember")) {
        const SecretStore::Answer kept = store.write(entry, request.secret);
        if (kept.ok)
            call.io.out << "The " << secretName << " is kept in the secret store.\n";
        else
            call.io.err << "The " << secretName << " could not be kept: " << kept.error << "\n";
    }
    if (outcome.report.received > 0)
        call.io.out << "Award counts now:\n" << awardsTable(buildOverview(request.folder));
    return kOk;
}

}  // namespace

std::vector<Command> syncCommands() {
    return {
        {"sync",
         "download the confirmations of LoTW, eQSL or the QRZ logbook into the folder's databases",
         {{"FOLDER", "the folder of the databases"}},
         {{"service", "SERVICE", "lotw, eqsl or qrz"},
          {"user", "NAME", "the LoTW login or eQSL user (kept for the next time)"},
          {"nickname", "NAME", "eQSL's QTH nickname"},
          {"password-stdin", nullptr,
           "read the password (QRZ: the API key) from standard input, not the secret store"},
          {"remember", nullptr, "keep that password in the desktop's secret store for next time"},
          {"database", "BAND=FILE",
           "the database that takes the band's confirmations where the folder has several "
           "(kept for next time; BAND= goes back to MY_GRIDSQUARE's)"},
          {"since", "YYYY-MM-DD", "the first download begins at this date (default: everything)"},
          {"service-url", "URL", "the service's address (a proxy of your own, or a test server)"},
          {"ca-certificates", "FILE", "trust the certificate authorities of this PEM file too"}},
         sync},
    };
}

}  // namespace morvel::cli
