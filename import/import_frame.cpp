#include "import/import_frame.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTime>
#include <vector>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/text_format.h"
#include "import/adif_reader.h"
#include "import/edi_reader.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace morvel {
namespace {

constexpr qint64 kCopyChunk = 1 << 20;

bool copyFile(const QString& from, const QString& to, std::string& error) {
    const QFileInfo source(from);
    if (source.exists() && source.canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return true;  // the log is the scratch copy already
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = describeError(in);
        return false;
    }
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = describeError(out);
        return false;
    }
#ifdef Q_OS_LINUX
    // In the kernel, without passing the bytes through this process.
    qint64 copied = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr,
                                            static_cast<std::size_t>(1) << 30, 0);
        if (n == 0) return true;
        if (n < 0) break;  // not supported here: copy by hand from where it stopped
        copied += n;
    }
    if (!in.seek(copied) || !out.seek(copied)) {
        error = describeError(in);
        return false;
    }
#endif
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        const qint64 n = in.read(buffer.data(), kCopyChunk);
        if (n < 0) {
            error = describeError(in);
            return false;
        }
        if (n == 0) break;
        if (out.write(buffer.data(), n) != n) {
            error = describeError(out);
            return false;
        }
    }
    return true;
}

// The backup is committed only when whole, and pushed to the disk before the
// database is opened for writing.
bool writeBackup(const QString& database, const QString& backup, std::string& error) {
    QFile in(database);
    if (!in.open(QIODevice::ReadOnly)) {
        error = describeError(in);
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        error = describeError(in);
        return false;
    }
    QSaveFile out(backup);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
        error = describeError(out);
        out.cancelWriting();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fsync(out.handle()) != 0) {
        error = (backup + QStringLiteral(": cannot be written to the disk")).toStdString();
        out.cancelWriting();
        return false;
    }
#endif
    if (!out.commit()) {
        error = describeError(out);
        return false;
    }
    return true;
}

std::string logPathText(const QString& logPath) {
    const QByteArray bytes =
        QFile::encodeName(QDir::toNativeSeparators(QFileInfo(logPath).absoluteFilePath()));
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The square update over the database, kept whole in memory so that a
// contact costs a disk write only when it changes a square.
class SquareWriter {
public:
    SquareWriter(QraFile& db, Changelog& changelog, bool markQsl)
        : db_(db), changelog_(changelog), markQsl_(markQsl) {}

    bool load(std::string& error) {
        for (int r = 1; r <= kRecordCount; ++r)
            if (!db_.read(r, records_[static_cast<std::size_t>(r - 1)], error)) return false;
        return true;
    }

    bool apply(const ImportedContact& contact, std::string& error) {
        const int r = recordOfLocator(contact.locator);
        FieldRecord& record = records_[static_cast<std::size_t>(r - 1)];
        SquareEntry& slot =
            record.entries[static_cast<std::size_t>(slotOfLocator(contact.locator))];
        const SquareEntry before = slot;
        if (!applyContact(slot, contact)) return true;
        if (!db_.write(r, record, error)) {
            slot = before;
            return false;
        }
        ++written_;
        return changelog_.write(changelogSquareLine(contact, markQsl_ && slot.isConfirmed()),
                                error);
    }

    std::int64_t written() const { return written_; }

private:
    QraFile& db_;
    Changelog& changelog_;
    bool markQsl_;
    std::vector<FieldRecord> records_ = std::vector<FieldRecord>(kRecordCount);
    std::int64_t written_ = 0;
};

ImportResult failed(ImportResult result, const std::string& what, const std::string& error) {
    result.end = ImportResult::End::Failed;
    result.error = what + ": " + error;
    return result;
}

}  // namespace

std::string ImportResult::closingMessage() const {
    std::string text = std::to_string(squaresWritten) + " new squares added";
    if (unreadable > 0) {
        const bool one = unreadable == 1;
        const char* what = kind == ImportKind::Adif ? (one ? " record" : " records")
                                                    : (one ? " line" : " lines");
        text += "\n" + std::to_string(unreadable) + " unreadable" + what +
                (one ? " was skipped" : " were skipped");
    }
    return text;
}

ChangelogStamp currentStamp() {
    const QLocale locale;
    return {toLatin1Text(locale.toString(QDate::currentDate(), QLocale::ShortFormat)),
            toLatin1Text(locale.toString(QTime::currentTime(), QLocale::ShortFormat))};
}

QString scratchFileName(ImportKind kind) {
    return kind == ImportKind::Adif ? QStringLiteral("adi.tmp") : QStringLiteral("edi.tmp");
}

std::string backupFileName(std::string_view databaseName) {
    const std::size_t keep = databaseName.size() > 4 ? databaseName.size() - 4 : 0;
    return std::string(databaseName.substr(0, keep)) + " backup.qra";
}

std::string ediQuestion(std::string_view logBand, std::string_view band) {
    return "About to import " + std::string(logBand) + " records to QRA file for " +
           std::string(band);
}

ImportResult runImport(const ImportRequest& request) {
    ImportResult result;
    result.kind = request.kind;
    const QDir workDir(request.workDir);
    const QString scratch = workDir.filePath(scratchFileName(request.kind));
    std::string error;

    if (!copyFile(request.logPath, scratch, error))
        return failed(result, "The log could not be copied to " + toLatin1Text(scratch), error);
    const QString backup =
        QDir(request.backupDir).filePath(fromLatin1Text(backupFileName(request.filename)));
    if (!writeBackup(request.databasePath, backup, error))
        return failed(result, "The database could not be backed up", error);
    auto db = QraFile::open(request.databasePath, QraFile::Mode::ReadWrite, error);
    if (!db) return failed(result, "The database could not be opened", error);
    // ADIF is read in large raw chunks; EDI line by line through the buffer.
    QFile log(scratch);
    QIODevice::OpenMode logMode = QIODevice::ReadOnly;
    if (request.kind == ImportKind::Adif) logMode |= QIODevice::Unbuffered;
    if (!log.open(logMode)) return failed(result, "The log could not be read", describeError(log));
    Changelog changelog;
    if (!changelog.open(workDir.filePath(kChangelogFileName), error))
        return failed(result, "The change log could not be created", error);
    SquareWriter squares(*db, changelog, request.kind == ImportKind::Adif);
    if (!squares.load(error)) return failed(result, "The database could not be read", error);
    const ChangelogStamp stamp = request.clock ? request.clock() : currentStamp();
    if (!changelog.write(changelogHeader(request.filename, logPathText(request.logPath), stamp),
                         error))
        return failed(result, "The change log could not be written", error);

    std::string stopError;
    bool cancelled = false;
    if (request.kind == ImportKind::Adif) {
        AdifParser parser([&](const AdifRecord& record) {
            const auto contact = adifContact(record, request.band);
            return !contact || squares.apply(*contact, stopError);
        });
        if (!readAdif(log, parser, error)) stopError = error;
        result.unreadable = parser.unreadable();
    } else {
        EdiHandlers handlers;
        handlers.confirmBand = [&](const std::string& logBand) {
            return request.ask && request.ask(ediQuestion(logBand, request.band));
        };
        handlers.contact = [&](const ImportedContact& c) { return squares.apply(c, stopError); };
        const EdiOutcome outcome = readEdi(log, handlers, error);
        if (outcome.end == EdiEnd::Stopped && stopError.empty()) stopError = error;
        cancelled = outcome.end == EdiEnd::Cancelled;
        result.unreadable = outcome.unreadable;
    }
    result.squaresWritten = squares.written();

    if (result.squaresWritten == 0) {
        std::string line(kNoChangesMade);
        if (request.kind == ImportKind::Edi) line += kLineEnd;
        if (!changelog.write(line, error) && stopError.empty()) stopError = error;
    }
    if (!db->flush(error) && stopError.empty()) stopError = error;
    if (!changelog.close(error) && stopError.empty()) stopError = error;
    if (!stopError.empty()) result.error = "The import stopped: " + stopError;
    // A Cancel after squares were written still ends with the count.
    if (cancelled && result.squaresWritten == 0) result.end = ImportResult::End::Cancelled;
    return result;
}

}  // namespace morvel
