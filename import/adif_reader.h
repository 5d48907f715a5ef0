#pragma once

#include <QIODevice>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "import/adif_options.h"
#include "import/contact.h"

namespace morvel {

// The fields the import reads, each looked up by its exact name in any case.
enum class AdifField {
    Band,
    Locator,
    Gridsquare,
    Call,
    QsoDate,
    QslRcvd,
    EqslQslRcvd,
    LotwQslRcvd,
    VuccGrids,
    PropMode,
    Freq,   // the band of a record without BAND
    TimeOn,  // read by the live sources and the ledger, to tell one contact from another
    // Read by the ledger only.
    Mode,
    QslRDate,
    LotwQslRDate,
    EqslQslRDate,
    SatName,
    MyGridsquare
};
inline constexpr std::size_t kAdifFieldCount = 18;

// The values of one record's fields as the log spells them; the first
// occurrence of a field counts. An absent field reads as empty. A value is
// read in place from the piece being fed while it lies whole in it, and
// copied only when the piece ends before the record does, so a value lives
// no longer than the handler call that is given the record.
class AdifRecord {
public:
    AdifRecord() = default;
    AdifRecord(const AdifRecord&) = delete;
    AdifRecord& operator=(const AdifRecord&) = delete;

    std::string_view value(AdifField f) const {
        const auto i = static_cast<std::size_t>(f);
        return (seen_ >> i & 1U) != 0 ? values_[i] : std::string_view();
    }

private:
    friend class AdifParser;
    void clear() { seen_ = owned_ = 0; }

    std::array<std::string_view, kAdifFieldCount> values_;
    // Where a value lives once it is copied out of the piece.
    std::array<std::string, kAdifFieldCount> copies_;
    std::uint32_t seen_ = 0;
    std::uint32_t owned_ = 0;  // the value is in copies_
};

// Reads ADIF as the format defines it, from raw bytes fed in pieces of any
// size: a tag is <NAME:LENGTH[:TYPE]> and its value is the next LENGTH bytes,
// whatever they hold; the header ends at <eoh>, each record at <eor>. Memory
// stays bounded whatever the size of the log or of its values.
//
// A length beyond the rest of the log (expectBytes), beyond kMaxValueLength
// or too large for a number is broken: its record counts as unreadable and is
// passed over to its <eor>, and the reading goes on right after the tag, so
// that one broken length loses one record. The length is judged against the
// log's size, known before the reading, rather than by holding the bytes it
// would swallow. A log that is still growing is read with awaitBytes instead:
// a value running past its end then holds the reading until the caller knows
// more.
class AdifParser {
public:
    // Returns false to stop the reading.
    using RecordHandler = std::function<bool(const AdifRecord&)>;
    // A broken length: the offset in the log of its tag's "<", and the length.
    using BrokenHandler = std::function<void(std::uint64_t at, std::uint64_t length)>;

    // Values longer than this keep only their first bytes.
    static constexpr std::size_t kMaxKeptValue = 64 * 1024;
    // A longer length is broken whatever the log holds: no field is that
    // long, and a reader following a growing log would otherwise wait for
    // bytes that never come.
    static constexpr std::uint64_t kMaxValueLength = 16 * 1024 * 1024;
    // A "<" not closed within this many bytes is text, not a tag.
    static constexpr std::size_t kMaxTagLength = 1024;

    explicit AdifParser(RecordHandler onRecord) : onRecord_(std::move(onRecord)) {}

    void setBrokenHandler(BrokenHandler onBroken) { onBroken_ = std::move(onBroken); }

    // The log holds this many bytes after those fed so far. Unless told, a
    // length that fits in a number is taken as it is, and one that runs past
    // the log's end makes only the last record unreadable. A held value is
    // judged now.
    void expectBytes(std::uint64_t rest);
    // The log holds this many bytes after those fed so far for now, and may
    // grow. A value that runs past them holds the reading at the byte after
    // its tag: feed takes no more bytes (fed() tells how far it got) until
    // told again, here with more bytes, or by expectBytes that these are all.
    void awaitBytes(std::uint64_t rest);
    bool held() const { return state_ == State::Held; }
    // Between records: nothing of a record read, no tag or value under way.
    // What the reading does from here on depends on the bytes alone.
    bool betweenRecords() const { return state_ == State::Text && !hasFields_ && !broken_; }

    // False once the handler has stopped the reading.
    bool feed(std::string_view bytes);
    // End of the log: a record left open (fields but no <eor>) or a tag that
    // never closes counts as unreadable.
    void finish();

    std::int64_t records() const { return records_; }
    std::int64_t unreadable() const { return unreadable_; }
    // The bytes taken so far.
    std::uint64_t fed() const { return fed_; }
    // Within the record handler: the offset of the byte after the record's <eor>.
    std::uint64_t recordEnd() const { return recordEnd_; }

private:
    enum class State { Text, Tag, Value, Held };
    static constexpr std::uint64_t kUnknownSize = UINT64_MAX;
    // A tag read apart: the name before its first ":", the field it names
    // (or -1), and, after the ":" when there is one, the length; the offset
    // of its "<" where known.
    struct Tag {
        std::string_view name;
        int field = -1;
        bool hasLength = false;
        std::uint64_t length = 0;
        std::uint64_t at = 0;
    };

    bool scan(std::string_view bytes);
    bool readTags(const char*& at, const char* end, std::uint64_t base, const char* piece);
    // The text between a tag's "<" and ">", read apart.
    bool closeTag(std::string_view tag, std::uint64_t end);
    // end: the offset in the log of the byte after the tag's ">".
    bool onTag(const Tag& tag, std::uint64_t end);
    void keepValue(const char* bytes, std::size_t n);

    RecordHandler onRecord_;
    State state_ = State::Text;
    std::string tag_;
    AdifRecord record_;
    bool hasFields_ = false;
    int keep_ = -1;                // field whose value is being collected, or none
    std::uint64_t remaining_ = 0;  // bytes of the current value still to come
    std::uint64_t fed_ = 0;        // bytes fed so far
    std::uint64_t size_ = kUnknownSize;
    bool broken_ = false;   // the record had a broken length: passed over to its <eor>
    bool growing_ = false;  // awaitBytes: a value past the end holds the reading
    Tag heldTag_;           // the tag whose value is waited for, its name dropped
    std::uint64_t heldEnd_ = 0;
    std::uint64_t recordEnd_ = 0;
    BrokenHandler onBroken_;
    std::int64_t records_ = 0;
    std::int64_t unreadable_ = 0;
};

// Feeds the whole device to the parser in chunks and finishes it. False with
// an error text when the device cannot be read.
bool readAdif(QIODevice& device, AdifParser& parser, QString& reason);

// The rules of what to take from one record for a database of the given band
// (upper case): the band (BAND, or the band of FREQ when BAND is empty) must
// match, the locator (LOCATOR, or GRIDSQUARE when LOCATOR is empty) must name
// a square, the call and the date must be there, and a received status of I
// leaves the record out unless another source confirms it. A record that
// passes all but a malformed date (LogDate) is unreadable: readable is then
// false.
std::optional<ImportedContact> adifContact(const AdifRecord& record, std::string_view band,
                                           bool& readable);
// The same under the import options: the PROP_MODE filters leave a contact
// out, the confirmation sources decide confirmed, and with vuccGrids a valid
// VUCC_GRIDS stands in for a missing locator (the contact then carries the
// first listed square; adifCreditedSquares names all of them).
std::optional<ImportedContact> adifContact(const AdifRecord& record, std::string_view band,
                                           const AdifOptions& options, bool& readable);
// The same rules with the record's band given apart (upper or lower case):
// the live sources take it from FREQ when BAND is empty.
std::optional<ImportedContact> adifContactOnBand(const AdifRecord& record,
                                                 std::string_view recordBand, std::string_view band,
                                                 const AdifOptions& options, bool& readable);

}  // namespace morvel
