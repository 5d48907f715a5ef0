#pragma once

#include <QString>

class QFileDevice;

namespace morvel {

// What went wrong, for a message box or standard error: the file it concerns
// (empty when none) and the reason in words. Paths stay QString all the way,
// so names in any script arrive as they were written.
struct Error {
    QString file;
    QString reason;

    bool isSet() const { return !reason.isEmpty(); }
    // "FILE: reason", or the reason alone when no file is named.
    QString message() const;
};

// The reason Qt gives for a file's last failure, with the system's own where
// Qt has none ("Unknown error").
Error fileError(const QFileDevice& file);
Error errnoError(const QString& path, int errorNumber);

}  // namespace morvel
