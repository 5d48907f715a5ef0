#pragma once

#include <QString>

namespace morvel {

// The desktop's secret store (the Secret Service of GNOME's keyring or
// KeePassXC, KWallet) through QtKeychain: the one place a password or API
// key is kept. There is no fallback to a file: where no store answers, the
// caller asks each time and says why.
class SecretStore {
public:
    struct Answer {
        bool ok = false;
        bool missing = false;  // the store answered: no such entry
        QString secret;
        QString error;  // why the store did not answer; never holds the secret
    };

    // The entry of one account: service and user, per database folder.
    static QString entryName(const QString& service, const QString& folder, const QString& user);

    Answer read(const QString& entry) const;
    Answer write(const QString& entry, const QString& secret) const;
    Answer remove(const QString& entry) const;
};

}  // namespace morvel
