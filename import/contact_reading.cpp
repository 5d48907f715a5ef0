#include "import/contact_reading.h"

#include <QFileInfo>
#include <QtConcurrent>

#include "database/qra_names.h"
#include "import/adif_reader.h"
#include "import/edi_reader.h"
#include "import/import_files.h"
#include "import/ledger_contacts.h"

namespace morvel {

LedgerFeed::LedgerFeed(LedgerWrite& write, QString databaseFile)
    : write_(write), databaseFile_(std::move(databaseFile)) {
    batch_.reserve(kBatch);
    writing_.reserve(kBatch);
    writer_.setMaxThreadCount(1);
}

LedgerFeed::~LedgerFeed() {
    written_.waitForFinished();
}

LedgerContact* LedgerFeed::next() {
    if (failed()) return nullptr;
    if (batch_.size() == kBatch && !flush()) return nullptr;
    batch_.emplace_back();
    return &batch_.back();
}

bool LedgerFeed::flush() {
    // One batch at a time is written, in the order the log gave them.
    written_.waitForFinished();
    if (failed()) return false;
    if (batch_.empty()) return true;
    std::swap(batch_, writing_);
    batch_.clear();
    written_ = QtConcurrent::run(&writer_, [this] {
        if (!write_.record(databaseFile_, writing_, report, error_)) failed_ = true;
    });
    return true;
}

bool LedgerFeed::finish() {
    flush();
    written_.waitForFinished();
    return !failed();
}

ReadOutcome readContacts(const ImportRequest& request, QIODevice& scratchLog, SquareWriter& squares,
                         ImportResult& result, LedgerFeed* ledger) {
    ReadOutcome out;
    QString reason;
    ImportProgress progress;
    const std::string band =
        toLatin1Text(bandFromFileName(QFileInfo(request.databasePath).fileName()));
    const auto contactRead = [&] {
        if (++progress.contactsRead % kProgressInterval != 0 || !request.progress) return;
        progress.squaresWritten = squares.written();
        request.progress(progress);
    };
    const QString origin = QFileInfo(request.logPath).fileName();
    int badFields = 0;  // of ADIF records, counted in the ledger's report
    if (request.kind == ImportKind::Adif) {
        std::int64_t badDates = 0;
        const AdifOptions& options = request.adif;
        VuccSquares vucc;
        AdifParser parser([&](const AdifRecord& record) {
            bool readable = true;
            auto contact = adifContact(record, band, options, readable);
            badDates += readable ? 0 : 1;
            if (LedgerContact* c = contact && ledger ? ledger->next() : nullptr)
                *c = ledgerContactFromAdif(record, band, options.confirmedBy, origin, badFields);
            bool go = true;
            if (contact && options.vuccGrids &&
                readVuccGrids(record.value(AdifField::VuccGrids), vucc)) {
                // A rover on a line or a corner: each listed square is credited.
                for (int i = 0; go && i < vucc.count; ++i) {
                    contact->locator = vucc.squares[static_cast<std::size_t>(i)];
                    go = squares.apply(*contact, out.writeError);
                }
            } else if (contact) {
                go = squares.apply(*contact, out.writeError);
            }
            contactRead();
            return go;
        });
        if (auto* copy = dynamic_cast<ScratchCopy*>(&scratchLog)) {
            bool stopped = false;
            parser.expectBytes(static_cast<std::uint64_t>(copy->size()));
            if (!copy->readPieces(
                    [&](std::string_view piece) { return !(stopped = !parser.feed(piece)); },
                    reason))
                out.readError = reason;
            else if (!stopped)
                parser.finish();
        } else if (!readAdif(scratchLog, parser, reason)) {
            out.readError = reason;
        }
        result.unreadable = parser.unreadable() + badDates;
    } else {
        EdiHandlers handlers;
        const QString bandText = QString::fromLatin1(band);
        handlers.confirmBand = [&](const std::string& logBand) {
            return request.ask && request.ask(ediQuestion(logBand, bandText));
        };
        handlers.contact = [&](const ImportedContact& c) {
            return squares.apply(c, out.writeError);
        };
        handlers.contactLine = contactRead;
        if (ledger) {
            handlers.acceptedLine = [&](std::string_view line) {
                if (LedgerContact* c = ledger->next())
                    *c = ledgerContactFromEdi(line, band, origin);
            };
        }
        const EdiOutcome outcome = readEdi(scratchLog, handlers, reason);
        if (outcome.end == EdiEnd::Stopped && !out.writeError.isSet()) out.readError = reason;
        out.cancelled = outcome.end == EdiEnd::Cancelled;
        result.unreadable = outcome.unreadable;
    }
    // The report is the feed's to write until its last batch is in.
    if (ledger) {
        ledger->finish();
        ledger->report.badFields += badFields;
    }
    result.squaresWritten = squares.written();
    if (request.progress) {
        progress.squaresWritten = result.squaresWritten;
        request.progress(progress);
    }
    return out;
}

}  // namespace morvel
