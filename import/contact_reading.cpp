#include "import/contact_reading.h"

#include <QFileInfo>
#include <QtConcurrent>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "database/qra_names.h"
#include "import/adif_reader.h"
#include "import/edi_reader.h"
#include "import/import_files.h"
#include "import/ledger_contacts.h"

namespace morvel {

namespace {

// A log this large is read in two parts, on both cores. The part read
// first is the larger: its reading starts with the copy, the other's only
// once the copy has got that far.
constexpr qint64 kTwoHalvesFrom = 32 << 20;
constexpr qint64 kFirstHalfPercent = 55;

// Each square a contact credits, in the order they are applied: the squares
// of a rover's VUCC_GRIDS (a line or a corner), else its locator's. False
// when `each` stops the reading.
template <class Each>
bool eachCredited(const AdifRecord& record, const AdifOptions& options, VuccSquares& vucc,
                  ImportedContact& contact, Each&& each) {
    if (options.vuccGrids && readVuccGrids(record.value(AdifField::VuccGrids), vucc)) {
        for (int i = 0; i < vucc.count; ++i) {
            contact.locator = vucc.squares[static_cast<std::size_t>(i)];
            if (!each(contact)) return false;
        }
        return true;
    }
    return each(contact);
}

// The second half of a large log, read on a thread of its own while the
// import reads the first. It starts right after the first <eor> past its
// offset, which may lie inside a value (a comment quoting a tag) or a broken
// record, so it is taken from the first of its own record ends (or its
// start) at which the import's own reading, arriving there, is between
// records too: from such a point on the reading depends on the bytes alone,
// and the half read apart reads as it would have in one go. The import reads
// on by itself when there is none among the first few.
//
// Of the contacts past those first records it keeps, for each square, the
// first and the first confirmed one: no other can change a square (a
// confirmed square is never touched, an unconfirmed contact only fills a
// square without a call), so applying those two in the log's order writes
// what all of them would.
class SecondHalf {
public:
    // Where the import's reading may join the half: the offset, and what the
    // half read before it.
    struct Join {
        qint64 at = 0;
        std::size_t records = 0;  // of the first records, read in full
        std::int64_t unreadable = 0;
    };

    SecondHalf(ScratchCopy& copy, qint64 from, std::string band, const AdifOptions& options)
        : copy_(copy), from_(from), band_(std::move(band)), options_(options) {
        thread_ = std::thread([this] { run(); });
    }
    ~SecondHalf() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    SecondHalf(const SecondHalf&) = delete;
    SecondHalf& operator=(const SecondHalf&) = delete;

    // The offsets where the half may be joined, in order, once known; none
    // when it is not read.
    const std::vector<Join>& joins() {
        std::unique_lock lock(mutex_);
        known_.wait(lock, [this] { return published_; });
        return joins_;
    }
    // Waits for the half to be read: false when it could not be, and the
    // import reads it itself.
    bool finish() {
        thread_.join();
        return whole_;
    }
    // After a finish() that was true, joined at join: its contacts into the
    // squares, in the log's order, until `each` returns false.
    template <class Apply>
    bool apply(const Join& join, Apply&& each) const {
        for (std::size_t r = join.records; r < first_.size(); ++r)
            for (const ImportedContact& c : first_[r])
                if (!each(c)) return false;
        for (const ImportedContact& c : credits_)
            if (!each(c)) return false;
        return true;
    }
    std::int64_t records = 0;
    std::int64_t unreadable = 0;

private:
    // The <eor> is looked for this far; a log without one that soon is read in one go.
    static constexpr qint64 kSearch = 1 << 20;
    // The half's first records, kept whole for a join at any of their ends.
    static constexpr std::size_t kFirstRecords = 16;
    // Longer texts are rare enough to be read in one go, and keep the
    // credits' memory bounded.
    static constexpr std::size_t kShortText = 15;

    void publish() {
        const std::lock_guard lock(mutex_);
        if (published_) return;
        published_ = true;
        known_.notify_all();
    }

    qint64 findStart() {
        static constexpr std::string_view kEor = "<eor>";
        std::string carry;  // the last bytes of the piece before, for a tag across two
        qint64 at = from_;
        qint64 found = -1;
        QString ignored;
        copy_.readPiecesFrom(
            from_,
            [&](std::string_view piece) {
                const std::string joined = carry + std::string(piece.substr(0, kEor.size() - 1));
                const auto search = [&](std::string_view text, qint64 textAt) {
                    for (std::size_t i = text.find('<'); i != std::string_view::npos;
                         i = text.find('<', i + 1)) {
                        if (text.size() - i < kEor.size()) return;
                        bool same = true;
                        for (std::size_t k = 1; k < kEor.size(); ++k)
                            same = same && lowerLatin1Byte(text[i + k]) == kEor[k];
                        if (same) {
                            found = textAt + static_cast<qint64>(i + kEor.size());
                            return;
                        }
                    }
                };
                search(joined, at - static_cast<qint64>(carry.size()));
                if (found < 0) search(piece, at);
                at += static_cast<qint64>(piece.size());
                carry.assign(piece.substr(piece.size() - std::min(piece.size(), kEor.size() - 1)));
                return found < 0 && at - from_ < kSearch && !stop_;
            },
            ignored);
        return found;
    }

    void run() {
        const qint64 start = findStart();
        if (start < 0 || stop_) return publish();
        joins_.push_back({start, 0, 0});
        std::vector<std::int32_t> first(kRecordCount * FieldRecord::kSquares, -1);
        std::vector<std::int32_t> confirmed(first.size(), -1);
        // At most two a square. Reserved whole, it is never copied as it
        // grows, and memory the log does not fill is never touched.
        credits_.reserve(2 * first.size());
        VuccSquares vucc;
        bool tooLong = false;
        const auto credit = [&](const ImportedContact& c) {
            if (c.call.size() > kShortText || c.date.size() > kShortText ||
                c.locator.size() > kShortText) {
                tooLong = true;
                return false;
            }
            const auto square =
                static_cast<std::size_t>((recordOfLocator(c.locator) - 1) * FieldRecord::kSquares +
                                         slotOfLocator(c.locator));
            const bool firstHere = first[square] < 0;
            const bool firstConfirmed = c.confirmed && confirmed[square] < 0;
            if (firstHere || firstConfirmed) {
                const auto index = static_cast<std::int32_t>(credits_.size());
                if (firstHere) first[square] = index;
                if (firstConfirmed) confirmed[square] = index;
                credits_.push_back(c);
            }
            return true;
        };
        AdifParser* reading = nullptr;
        AdifParser parser([&](const AdifRecord& record) {
            bool readable = true;
            auto contact = adifContact(record, band_, options_, readable);
            unreadable += readable ? 0 : 1;
            ++records;
            const bool early = first_.size() < kFirstRecords;
            std::vector<ImportedContact>* kept = early ? &first_.emplace_back() : nullptr;
            const bool go = !contact || eachCredited(record, options_, vucc, *contact,
                                                     [&](const ImportedContact& c) {
                                                         if (!kept) return credit(c);
                                                         kept->push_back(c);
                                                         return true;
                                                     });
            if (early) {
                joins_.push_back({start + static_cast<qint64>(reading->recordEnd()), first_.size(),
                                  unreadable + reading->unreadable()});
                if (first_.size() == kFirstRecords) publish();
            }
            return go;
        });
        reading = &parser;
        parser.expectBytes(static_cast<std::uint64_t>(copy_.size() - start));
        QString reason;
        bool fed = true;
        const bool read = copy_.readPiecesFrom(
            start,
            [&](std::string_view piece) {
                fed = !stop_ && parser.feed(piece);
                return fed;
            },
            reason);
        publish();
        if (!read || !fed || tooLong) return;
        parser.finish();
        unreadable += parser.unreadable();
        whole_ = true;
    }

    ScratchCopy& copy_;
    const qint64 from_;
    const std::string band_;
    const AdifOptions options_;
    std::vector<std::vector<ImportedContact>> first_;
    std::vector<ImportedContact> credits_;  // in the log's order
    std::atomic<bool> stop_{false};
    bool whole_ = false;  // read on the thread, then by finish()
    std::mutex mutex_;
    std::condition_variable known_;
    bool published_ = false;
    std::vector<Join> joins_;  // written before published_ is set
    std::thread thread_;
};

}  // namespace

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
        std::int64_t apartUnreadable = 0;  // of the second part after the join
        const AdifOptions& options = request.adif;
        VuccSquares vucc;
        AdifParser parser([&](const AdifRecord& record) {
            bool readable = true;
            auto contact = adifContact(record, band, options, readable);
            badDates += readable ? 0 : 1;
            if (LedgerContact* c = contact && ledger ? ledger->next() : nullptr)
                *c = ledgerContactFromAdif(record, band, options.confirmedBy, origin, badFields);
            const bool go = !contact || eachCredited(record, options, vucc, *contact,
                                                     [&](const ImportedContact& c) {
                                                         return squares.apply(c, out.writeError);
                                                     });
            contactRead();
            return go;
        });
        if (auto* copy = dynamic_cast<ScratchCopy*>(&scratchLog)) {
            const qint64 size = copy->size();
            const qint64 half = request.secondHalfAt >= 0 ? request.secondHalfAt
                                : size >= kTwoHalvesFrom  ? size / 100 * kFirstHalfPercent
                                                          : -1;
            // The ledger takes the contacts in the log's order, one by one.
            std::optional<SecondHalf> second;
            if (!ledger && half >= 0 && half < size) second.emplace(*copy, half, band, options);
            const std::vector<SecondHalf::Join>* joins = nullptr;
            std::size_t nextJoin = 0;
            const SecondHalf::Join* joined = nullptr;
            qint64 at = 0;
            bool stopped = false;
            parser.expectBytes(static_cast<std::uint64_t>(size));
            const auto feed = [&](std::string_view bytes) {
                stopped = !parser.feed(bytes);
                return !stopped;
            };
            const bool read = copy->readPieces(
                [&](std::string_view piece) {
                    const qint64 end = at + static_cast<qint64>(piece.size());
                    if (second && !joins && end > half) joins = &second->joins();
                    for (; second && joins && nextJoin < joins->size(); ++nextJoin) {
                        const SecondHalf::Join& join = (*joins)[nextJoin];
                        if (join.at > end) break;
                        const auto head = static_cast<std::size_t>(join.at - at);
                        if (!feed(piece.substr(0, head))) return false;
                        at = join.at;
                        piece.remove_prefix(head);
                        if (!parser.betweenRecords()) continue;
                        if (!second->finish()) {
                            second.reset();
                            break;
                        }
                        joined = &join;
                        return false;
                    }
                    if (second && joins && nextJoin == joins->size()) second.reset();
                    at = end;
                    return feed(piece);
                },
                reason);
            if (!read) {
                out.readError = reason;
            } else if (joined) {
                second->apply(*joined, [&](const ImportedContact& c) {
                    return squares.apply(c, out.writeError);
                });
                apartUnreadable = second->unreadable - joined->unreadable;
                progress.contactsRead +=
                    second->records - static_cast<std::int64_t>(joined->records);
            } else if (!stopped) {
                parser.finish();
            }
        } else if (!readAdif(scratchLog, parser, reason)) {
            out.readError = reason;
        }
        result.unreadable = parser.unreadable() + badDates + apartUnreadable;
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
