#include "import/pending_contacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "database/file_io.h"
#include "database/file_system.h"
#include "database/qra_names.h"
#include "database/text_format.h"
#include "import/adif_reader.h"

namespace morvel {

QString pendingFileName(const QString& databasePath) {
    const QFileInfo info(databasePath);
    QString name = info.fileName();
    if (name.endsWith(QStringLiteral(".qra"), Qt::CaseInsensitive)) name.chop(4);
    return info.absoluteDir().filePath(name + QStringLiteral(" pending.adi"));
}

namespace {

void field(std::string& out, std::string_view name, std::string_view value) {
    out.append("<").append(name).append(":").append(std::to_string(value.size())).append(">");
    out.append(value).append(" ");
}

// dd/mm/yy as ADIF's YYYYMMDD; the century does not reach the database, which
// keeps two digits.
std::string adifDate(std::string_view ddmmyy) {
    if (ddmmyy.size() != 8) return {};
    return "20" + std::string(ddmmyy.substr(6, 2)) + std::string(ddmmyy.substr(3, 2)) +
           std::string(ddmmyy.substr(0, 2));
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

std::string pendingAdif(const std::vector<PendingContact>& contacts) {
    std::string out;
    for (const PendingContact& p : contacts) {
        field(out, "CALL", p.contact.call);
        field(out, "QSO_DATE", adifDate(p.contact.date));
        field(out, "BAND", p.band);
        field(out, "GRIDSQUARE", upper(p.contact.locator));
        if (p.contact.confirmed) field(out, "QSL_RCVD", "Y");
        out.append("<EOR>\r\n");
    }
    return out;
}

bool savePendingContacts(const QString& databasePath, const std::vector<PendingContact>& contacts,
                         Error& error) {
    const QString path = pendingFileName(databasePath);
    std::string bytes;
    QFile old(path);
    if (old.exists()) {
        if (!openRegularFile(old, QIODevice::ReadOnly, error)) return false;
        const QByteArray kept = old.readAll();
        bytes.assign(kept.constData(), static_cast<std::size_t>(kept.size()));
    } else {
        bytes = "Contacts that waited for " +
                toLatin1Text(QFileInfo(databasePath).fileName()) +
                "; Morvel takes them into it first.\r\n<ADIF_VER:5>3.1.4 <EOH>\r\n";
    }
    bytes += pendingAdif(contacts);
    return saveWholeFile(path, bytes, error);
}

bool readPendingContacts(const QString& databasePath, std::vector<ImportedContact>& contacts,
                         Error& error) {
    contacts.clear();
    const QString path = pendingFileName(databasePath);
    if (!QFileInfo::exists(path)) return true;
    QFile file(path);
    if (!openRegularFile(file, QIODevice::ReadOnly, error)) return false;
    const std::string band = toLatin1Text(bandFromFileName(QFileInfo(databasePath).fileName()));
    AdifParser parser([&](const AdifRecord& record) {
        bool readable = true;
        if (auto contact = adifContact(record, band, readable)) contacts.push_back(*contact);
        return true;
    });
    parser.expectBytes(static_cast<std::uint64_t>(file.size()));
    QString reason;
    if (!readAdif(file, parser, reason)) {
        error = {path, reason};
        return false;
    }
    return true;
}

}  // namespace morvel
