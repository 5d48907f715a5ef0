#include "download/download_state.h"

#include <QDir>
#include <QFile>

#include "database/file_io.h"

namespace morvel {

bool DownloadState::read(const QString& folder, DownloadState& state, Error& error) {
    state.values_.clear();
    const QString path = QDir(folder).absoluteFilePath(kFileName);
    QFile file(path);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = {path, file.errorString()};
        return false;
    }
    // A few lines; anything longer is not this file.
    const QByteArray bytes = file.read(64 * 1024);
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (line.startsWith('#') || eq <= 0) continue;
        state.values_[QString::fromUtf8(line.left(eq)).trimmed()] =
            QString::fromUtf8(line.mid(eq + 1)).trimmed();
    }
    return true;
}

bool DownloadState::write(const QString& folder, Error& error) const {
    std::string text = "# Morvel: the last confirmation downloads applied, by service\n";
    for (const auto& [key, value] : values_) {
        QString clean = value;
        clean.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        text += (key + QLatin1Char('=') + clean).toUtf8().toStdString() + '\n';
    }
    return saveWholeFile(QDir(folder).absoluteFilePath(kFileName), text, error);
}

QString DownloadState::value(const QString& key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? QString() : it->second;
}

void DownloadState::set(const QString& key, const QString& value) {
    values_[key] = value;
}

}  // namespace morvel
