#pragma once

#include <QString>
#include <map>

#include "database/error.h"

namespace morvel {

// What a folder remembers of its downloads, beside its databases: account
// names and where each service's last applied download ended. Never a
// password or key: those live in the desktop's secret store.
class DownloadState {
public:
    static inline const QString kFileName = QStringLiteral("confirmation downloads.txt");

    // A missing file is an empty state; an unreadable one is an error.
    static bool read(const QString& folder, DownloadState& state, Error& error);
    // All or nothing.
    bool write(const QString& folder, Error& error) const;

    // Keys such as "lotw.user", "lotw.lastqsl", "eqsl.nickname".
    QString value(const QString& key) const;
    void set(const QString& key, const QString& value);

private:
    std::map<QString, QString> values_;
};

}  // namespace morvel
