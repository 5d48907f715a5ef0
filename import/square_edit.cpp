#include "import/square_edit.h"

#include <QFileInfo>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/text_format.h"
#include "import/changelog.h"
#include "import/contact.h"
#include "import/ledger_contacts.h"
#include "ledger/ledger.h"
#include "ledger/ledger_contact.h"

namespace morvel {

namespace {

ImportedContact contactOf(const SquareEntry& entry) {
    ImportedContact c;
    c.call = std::string(entry.callsignText());
    c.date = std::string(entry.dateText());
    c.locator = std::string(entry.locatorText());
    c.confirmed = entry.isConfirmed();
    return c;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace

std::string squareEditLine(const SquareEntry& entry, std::string_view square) {
    if (!entry.hasContact()) return std::string(square).append(" cleared").append(kLineEnd);
    ImportedContact c = contactOf(entry);
    c.call = trimmed(c.call);
    c.locator = trimmed(c.locator);
    std::string line = changelogSquareLine(c, c.confirmed);
    line.insert(line.size() - kLineEnd.size(), " edited");
    return line;
}

DatabaseDocument::Work squareEditWork(const SquareEdit& edit,
                                      std::shared_ptr<SquareEditResult> result) {
    return [edit, result](WriteContext& context, Error& error) {
        const QString& path = context.databasePath();
        if (!isValidRecordNumber(edit.recordNo) || edit.slot < 0 ||
            edit.slot >= FieldRecord::kSquares) {
            error = {path, QStringLiteral("square %1 of record %2 is outside the database")
                               .arg(edit.slot)
                               .arg(edit.recordNo)};
            return false;
        }
        std::vector<FieldRecord>* records = context.records(error);
        if (!records) return false;
        FieldRecord& record = (*records)[static_cast<std::size_t>(edit.recordNo - 1)];
        record.entries[static_cast<std::size_t>(edit.slot)] = edit.entry;
        if (!context.writeRecords(error)) return false;
        result->stored = record;

        std::string square = fieldLetters(edit.recordNo);
        square += static_cast<char>('0' + edit.slot / 10);
        square += static_cast<char>('0' + edit.slot % 10);
        Error cause;
        if (!context.appendChangelog(squareEditLine(edit.entry, square), cause))
            result->journalProblem = cause.message();
        if (!edit.entry.hasContact()) return true;

        const QFileInfo database(path);
        QString notice;
        const auto ledger =
            Ledger::open(database.absolutePath(), Ledger::Mode::ReadWrite, cause, notice);
        if (!notice.isEmpty()) result->ledgerProblem = notice;
        if (!ledger) {
            result->ledgerProblem = cause.message();
            return true;
        }
        const LedgerContact contact = ledgerContactFromEditor(
            contactOf(edit.entry), toLatin1Text(bandFromFileName(database.fileName())));
        LedgerReport report;
        const auto write = ledger->begin(cause);
        if (!write || !write->record(database.fileName(), {&contact, 1}, report, cause) ||
            !write->commit(cause))
            result->ledgerProblem = cause.message();
        return true;
    };
}

}  // namespace morvel
