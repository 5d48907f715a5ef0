#include "import/adif_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "database/qra_names.h"
#include "import/adif_bands.h"

namespace morvel {
namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equalsIgnoreCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (lowerAscii(text[i]) != lower[i]) return false;
    return true;
}

// The tag reading's inner steps, inlined into it: as calls they cost it 3 %.
#if defined(__GNUC__)
#define MORVEL_INLINE inline __attribute__((always_inline))
#else
#define MORVEL_INLINE inline
#endif

// Tag names are compared a word at a time, each word as its bytes lie in
// memory. Letters match in either case: their 0x20 bit is set on both sides.
using Word = std::uint64_t;
constexpr std::size_t kWordSize = sizeof(Word);
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

MORVEL_INLINE Word loadWord(const char* p) {
    Word w;
    std::memcpy(&w, p, kWordSize);
    return w;
}

// The names the import reads are at most two words long.
constexpr std::size_t kNameBytes = 2 * kWordSize;

struct WantedName {
    std::array<Word, 2> lower{};  // the name in lower case, zero past its end
    std::array<Word, 2> fold{};   // 0x20 in the bytes of its letters
    std::array<Word, 2> keep{};   // 0xFF in its bytes
};

constexpr WantedName wanted(std::string_view name) {
    WantedName n;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::size_t w = i / kWordSize;
        const auto shift =
            static_cast<int>(8 * (kLittleEndian ? i % kWordSize : kWordSize - 1 - i % kWordSize));
        n.lower[w] |= Word{static_cast<unsigned char>(name[i])} << shift;
        n.keep[w] |= Word{0xFF} << shift;
        if (name[i] >= 'a' && name[i] <= 'z') n.fold[w] |= Word{0x20} << shift;
    }
    return n;
}

// In the order of AdifField.
constexpr std::array<WantedName, kAdifFieldCount> kWanted = {
    wanted("band"),          wanted("locator"),       wanted("gridsquare"),
    wanted("call"),          wanted("qso_date"),      wanted("qsl_rcvd"),
    wanted("eqsl_qsl_rcvd"), wanted("lotw_qsl_rcvd"), wanted("vucc_grids"),
    wanted("prop_mode"),     wanted("freq"),          wanted("time_on"),
    wanted("mode"),          wanted("qslrdate"),      wanted("lotw_qslrdate"),
    wanted("eqsl_qslrdate"), wanted("sat_name"),      wanted("my_gridsquare")};

// p: kNameBytes readable bytes, the name's first.
MORVEL_INLINE bool isWanted(const char* p, AdifField f) {
    const WantedName& n = kWanted[static_cast<std::size_t>(f)];
    return ((loadWord(p) | n.fold[0]) & n.keep[0]) == n.lower[0] &&
           ((loadWord(p + kWordSize) | n.fold[1]) & n.keep[1]) == n.lower[1];
}

// The field a name of that size at p names, or -1; p as for isWanted. Most
// tags of a log are fields the import does not read: the size alone turns
// most of them away.
MORVEL_INLINE int fieldAt(const char* p, std::size_t size) {
    const auto either = [p](AdifField a, AdifField b) {
        return isWanted(p, a) ? static_cast<int>(a) : isWanted(p, b) ? static_cast<int>(b) : -1;
    };
    switch (size) {
        case 4:
            if (isWanted(p, AdifField::Freq)) return static_cast<int>(AdifField::Freq);
            if (isWanted(p, AdifField::Mode)) return static_cast<int>(AdifField::Mode);
            return either(AdifField::Band, AdifField::Call);
        case 7:
            return either(AdifField::Locator, AdifField::TimeOn);
        case 8: {
            const int f = either(AdifField::QsoDate, AdifField::QslRcvd);
            return f >= 0 ? f : either(AdifField::QslRDate, AdifField::SatName);
        }
        case 9:
            return isWanted(p, AdifField::PropMode) ? static_cast<int>(AdifField::PropMode) : -1;
        case 10:
            return either(AdifField::Gridsquare, AdifField::VuccGrids);
        case 13: {
            int f = either(AdifField::EqslQslRcvd, AdifField::LotwQslRcvd);
            if (f < 0) f = either(AdifField::LotwQslRDate, AdifField::EqslQslRDate);
            return f >= 0 || !isWanted(p, AdifField::MyGridsquare)
                       ? f
                       : static_cast<int>(AdifField::MyGridsquare);
        }
        default:
            return -1;
    }
}

// A name wherever it lies.
int fieldIndex(std::string_view name) {
    if (name.size() > kNameBytes) return -1;
    std::array<char, kNameBytes> padded{};
    std::memcpy(padded.data(), name.data(), name.size());
    return fieldAt(padded.data(), name.size());
}

constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint64_t>::max();

// Blanks are skipped, then the leading digits count; none gives 0, a number
// too large for 64 bits the largest length, which no log holds.
std::uint64_t lenientLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::uint64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (n > (kMaxLength - digit) / 10) return kMaxLength;
        n = n * 10 + digit;
    }
    return n;
}

std::size_t indexOf(std::string_view text, char c) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == c) return i;
    return std::string_view::npos;
}

constexpr std::size_t kBlock = 16;

// Bit i set when byte i of the block at p is c.
MORVEL_INLINE std::uint32_t bytesEqual(const char* p, char c) {
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(c))));
#else
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kBlock; ++i) bits |= static_cast<std::uint32_t>(p[i] == c) << i;
    return bits;
#endif
}

// The number of the `count` bytes at p when they are one or two digits, as
// a length mostly is; false for any other text.
inline bool digitsAt(const char* p, int count, std::uint64_t& number) {
    const auto d0 = static_cast<unsigned>(static_cast<unsigned char>(p[0]) - '0');
    if (count == 1) {
        number = d0;
        return d0 <= 9;
    }
    const auto d1 = static_cast<unsigned>(static_cast<unsigned char>(p[1]) - '0');
    number = d0 * 10 + d1;
    return count == 2 && d0 <= 9 && d1 <= 9;
}

// The tags are read from a window of the piece at a time.
constexpr std::size_t kWindow = 64;

// Where "<", ":" and ">" lie in the window at p: bit i for byte i.
struct Marks {
    std::uint64_t opens = 0;
    std::uint64_t colons = 0;
    std::uint64_t closes = 0;
};

MORVEL_INLINE Marks marksAt(const char* p) {
    const auto block = [p](std::size_t i, char c) {
        return std::uint64_t{bytesEqual(p + i * kBlock, c)} << (i * kBlock);
    };
    static_assert(kWindow == 4 * kBlock);
    return {block(0, '<') | block(1, '<') | block(2, '<') | block(3, '<'),
            block(0, ':') | block(1, ':') | block(2, ':') | block(3, ':'),
            block(0, '>') | block(1, '>') | block(2, '>') | block(3, '>')};
}

}  // namespace

void AdifParser::expectBytes(std::uint64_t rest) {
    size_ = rest > kUnknownSize - fed_ ? kUnknownSize : fed_ + rest;
    growing_ = false;
    if (held()) onTag(heldTag_, heldEnd_);
}

void AdifParser::awaitBytes(std::uint64_t rest) {
    size_ = rest > kUnknownSize - fed_ ? kUnknownSize : fed_ + rest;
    growing_ = true;
    if (held()) onTag(heldTag_, heldEnd_);
}

bool AdifParser::closeTag(std::string_view text, std::uint64_t end) {
    Tag tag;
    const auto colon = indexOf(text, ':');
    tag.name = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        std::string_view lengthText = text.substr(colon + 1);
        lengthText = lengthText.substr(0, indexOf(lengthText, ':'));
        tag.hasLength = true;
        tag.length = lenientLength(lengthText);
        tag.field = fieldIndex(tag.name);
    }
    tag.at = end - text.size() - 2;
    return onTag(tag, end);
}

bool AdifParser::onTag(const Tag& tag, std::uint64_t end) {
    state_ = State::Text;
    if (!tag.hasLength) {
        if (equalsIgnoreCase(tag.name, "eor")) {
            if (std::exchange(broken_, false)) {
                record_.clear();
                hasFields_ = false;
            } else if (hasFields_) {
                ++records_;
                recordEnd_ = end;
                const bool go = onRecord_(record_);
                record_.clear();
                hasFields_ = false;
                return go;
            }
        } else if (equalsIgnoreCase(tag.name, "eoh")) {
            // Everything before it was the header.
            record_.clear();
            hasFields_ = false;
            broken_ = false;
        }
        return true;
    }
    remaining_ = tag.length;
    keep_ = -1;
    if (remaining_ > (size_ > end ? size_ - end : 0) || remaining_ > kMaxValueLength) {
        if (growing_ && remaining_ <= kMaxValueLength) {
            // The rest of the value may be on its way.
            heldTag_ = tag;
            heldTag_.name = {};
            heldEnd_ = end;
            remaining_ = 0;
            state_ = State::Held;
            return true;
        }
        // The value cannot be there: the record is unreadable, and the
        // reading goes on right after this tag so that the next records are
        // still read. The rest of the record, up to its <eor>, is passed over.
        if (!broken_) {
            ++unreadable_;
            if (onBroken_) onBroken_(tag.at, tag.length);
        }
        broken_ = true;
        record_.clear();
        hasFields_ = false;
        remaining_ = 0;
        return true;
    }
    if (remaining_ > 0) state_ = State::Value;
    hasFields_ = true;
    const int index = tag.field;
    if (index >= 0 && (record_.seen_ >> index & 1U) == 0) {
        record_.seen_ |= 1U << index;
        record_.values_[static_cast<std::size_t>(index)] = {};
        keep_ = index;
    }
    return true;
}

void AdifParser::keepValue(const char* bytes, std::size_t n) {
    const auto i = static_cast<std::size_t>(keep_);
    const std::uint32_t bit = 1U << keep_;
    std::string& copy = record_.copies_[i];
    if ((record_.owned_ & bit) == 0) {
        if (n == remaining_) {
            record_.values_[i] = {bytes, std::min(n, kMaxKeptValue)};
            return;
        }
        // The value goes on in the next piece.
        record_.owned_ |= bit;
        copy.clear();
    }
    if (copy.size() < kMaxKeptValue) copy.append(bytes, std::min(n, kMaxKeptValue - copy.size()));
    record_.values_[i] = copy;
}

bool AdifParser::feed(std::string_view bytes) {
    const bool go = scan(bytes);
    // The piece is the caller's: values read in place are copied before it goes.
    for (std::size_t i = 0; i < kAdifFieldCount; ++i) {
        const std::uint32_t bit = 1U << i;
        if ((record_.seen_ & bit) == 0 || (record_.owned_ & bit) != 0) continue;
        record_.copies_[i].assign(record_.values_[i]);
        record_.values_[i] = record_.copies_[i];
        record_.owned_ |= bit;
    }
    return go;
}

// Tags of the usual forms, <NAME:LENGTH[:TYPE]> with the value in the piece
// and within the log, and <NAME> (<EOR>), are read one after the other from
// where the "<", ":" and ">" of a window of the piece lie, without a pass
// over their bytes; the window moves on as the reading does. Stops before
// the first tag of any other form and near the piece's end, with the parser
// as the general way would have left it there; false when the handler stops
// the reading.
//
// The next tag is looked for from the start of the last value rather than
// from its end, and taken when it lies beyond the value, as it nearly always
// does: the search then does not wait for the value's length to be read.
bool AdifParser::readTags(const char*& at, const char* end, std::uint64_t base, const char* piece) {
    // A value ends within the piece and within the log.
    const std::uint64_t inLog = size_ > base ? size_ - base : 0;
    const char* const valuesEnd = piece + std::min(inLog, static_cast<std::uint64_t>(end - piece));
    // A tag of the usual form takes far fewer bytes than a window.
    constexpr std::size_t kNearWindowEnd = kWindow - 24;
    // A window, and the name compared in place, lie within the piece.
    const auto roomy = [end](const char* p) {
        return static_cast<std::size_t>(end - p) >= kWindow + kNameBytes;
    };
    const char* p = at;
    if (!roomy(p)) return true;
    const char* from = p;  // the next "<" is the first from here not before p
    const char* window = p;
    Marks marks = marksAt(window);
    while (roomy(p)) {
        if (static_cast<std::size_t>(from - window) > kNearWindowEnd) {
            window = from;
            marks = marksAt(window);
        }
        const std::uint64_t opens = marks.opens & (~std::uint64_t{0} << (from - window));
        const std::uint64_t open = opens & -opens;
        const std::uint64_t afterOpen = ~(open | (open - 1));
        const std::uint64_t after = (marks.opens | marks.colons | marks.closes) & afterOpen;
        const std::uint64_t nameEnd = after & -after;
        const std::uint64_t closes = marks.closes & afterOpen;
        const std::uint64_t close = closes & -closes;
        const int openAt = std::countr_zero(open);
        const int colonAt = std::countr_zero(nameEnd);
        const int closeAt = std::countr_zero(close);
        // The name ends at a ":", no "<" comes before the ">", the tag starts
        // after the last value, and its length, up to 18 characters, is never
        // too large for a number.
        const bool usual = ((marks.colons & nameEnd) != 0) & (close != 0) &
                           ((marks.opens & afterOpen & (close - 1)) == 0) & (window + openAt >= p) &
                           (closeAt - colonAt <= 19);
        if (!usual) {
            if (open == 0 || nameEnd == 0 || close == 0) {
                // The tag may go on past the window: once more from p.
                if (window == p) break;
                from = window = p;
                marks = marksAt(window);
                continue;
            }
            if (window + openAt < p) {
                // A "<" inside the last value.
                from = p;
                continue;
            }
            if (nameEnd != close) break;
            // A tag without a length: the record's end, mostly.
            p = from = window + closeAt + 1;
            Tag tag;
            tag.name = {window + openAt + 1, static_cast<std::size_t>(closeAt - openAt - 1)};
            if (!onTag(tag, base + static_cast<std::uint64_t>(p - piece))) {
                at = p;
                return false;
            }
            continue;
        }
        std::uint64_t length = 0;
        if (!digitsAt(window + colonAt + 1, closeAt - colonAt - 1, length)) {
            // Blanks, then digits; the ">" or a type's ":" ends both.
            const char* q = window + colonAt + 1;
            while (*q == ' ') ++q;
            length = 0;
            for (; static_cast<unsigned char>(*q - '0') <= 9; ++q)
                length = length * 10 + static_cast<std::uint64_t>(*q - '0');
        }
        const char* const value = window + closeAt + 1;
        if (static_cast<std::ptrdiff_t>(length) > valuesEnd - value || length > kMaxValueLength)
            break;
        hasFields_ = true;
        const int field =
            fieldAt(window + openAt + 1, static_cast<std::size_t>(colonAt - openAt - 1));
        if (field >= 0 && (record_.seen_ >> field & 1U) == 0) {
            record_.seen_ |= 1U << field;
            record_.values_[static_cast<std::size_t>(field)] = {
                value, std::min(static_cast<std::size_t>(length), kMaxKeptValue)};
        }
        from = value;
        p = value + length;
    }
    at = p;
    return true;
}

bool AdifParser::scan(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // The offset in the log of the byte p points to is base + (p - bytes.data()).
    const std::uint64_t base = fed_;
    fed_ += bytes.size();
    const auto offset = [&](const char* at) {
        return base + static_cast<std::uint64_t>(at - bytes.data());
    };
    while (p < end) {
        switch (state_) {
            case State::Text: {
                for (;;) {
                    if (!readTags(p, end, base, bytes.data())) return false;
                    const void* open = std::memchr(p, '<', static_cast<std::size_t>(end - p));
                    if (open == nullptr) return true;
                    p = static_cast<const char*>(open);
                    ++p;
                    // Any other tag is read in place when it closes in this
                    // piece, and gathered byte by byte when it does not.
                    const char* const limit =
                        p + std::min(static_cast<std::size_t>(end - p), kMaxTagLength);
                    const char* q = p;
                    while (q < limit && *q != '>' && *q != '<') ++q;
                    if (q == limit || *q == '<') {
                        tag_.clear();
                        state_ = State::Tag;
                        break;
                    }
                    if (!closeTag({p, static_cast<std::size_t>(q - p)}, offset(q + 1)))
                        return false;
                    p = q + 1;
                    if (state_ != State::Text) break;
                }
                break;
            }
            case State::Tag: {
                while (p < end && state_ == State::Tag) {
                    const char c = *p++;
                    if (c == '>') {
                        if (!closeTag(tag_, offset(p))) return false;
                    } else if (c == '<') {
                        // The earlier "<" was text; a tag starts here.
                        tag_.clear();
                    } else if (tag_.size() >= kMaxTagLength) {
                        state_ = State::Text;
                    } else {
                        tag_.push_back(c);
                    }
                }
                break;
            }
            case State::Value: {
                const auto available = static_cast<std::uint64_t>(end - p);
                const auto n = static_cast<std::size_t>(std::min(remaining_, available));
                if (keep_ >= 0) keepValue(p, n);
                p += n;
                remaining_ -= n;
                if (remaining_ == 0) state_ = State::Text;
                break;
            }
            case State::Held:
                // The bytes from here on wait for the value's length to be judged.
                fed_ = offset(p);
                return true;
        }
    }
    return true;
}

void AdifParser::finish() {
    // A broken record was counted when its length was read.
    if (!broken_ && (hasFields_ || state_ != State::Text)) ++unreadable_;
    record_.clear();
    hasFields_ = false;
    broken_ = false;
    state_ = State::Text;
}

bool readAdif(QIODevice& device, AdifParser& parser, QString& reason) {
    if (!device.isSequential())
        parser.expectBytes(
            static_cast<std::uint64_t>(std::max<qint64>(0, device.size() - device.pos())));
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = device.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (n < 0) {
            reason = device.errorString();
            return false;
        }
        if (n == 0) break;
        if (!parser.feed({buffer.data(), static_cast<std::size_t>(n)})) return true;
    }
    parser.finish();
    return true;
}

namespace {

// upperLatin1(text) == upper, without making the upper-case text.
bool equalsInUpperCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upperLatin1Byte(text[i]) != upper[i]) return false;
    return true;
}

// A received status of that one letter, in either case.
bool isStatus(std::string_view value, char upper) {
    return value.size() == 1 && upperLatin1Byte(value[0]) == upper;
}

}  // namespace

std::optional<ImportedContact> adifContact(const AdifRecord& record, std::string_view band,
                                           bool& readable) {
    static const AdifOptions none;
    return adifContact(record, band, none, readable);
}

std::optional<ImportedContact> adifContact(const AdifRecord& record, std::string_view band,
                                           const AdifOptions& options, bool& readable) {
    std::string_view recordBand = record.value(AdifField::Band);
    if (isBlank(recordBand)) recordBand = adifBandOfFrequency(record.value(AdifField::Freq));
    return adifContactOnBand(record, recordBand, band, options, readable);
}

std::optional<ImportedContact> adifContactOnBand(const AdifRecord& record,
                                                 std::string_view recordBand, std::string_view band,
                                                 const AdifOptions& options, bool& readable) {
    readable = true;
    if (!equalsInUpperCase(recordBand, band)) return std::nullopt;
    if (!options.takesPropMode(record.value(AdifField::PropMode))) return std::nullopt;
    ImportedContact c;
    readLogLocator(record.value(AdifField::Locator), c.locator);
    if (c.locator.empty()) readLogLocator(record.value(AdifField::Gridsquare), c.locator);
    if (options.vuccGrids) {
        VuccSquares vucc;
        if (readVuccGrids(record.value(AdifField::VuccGrids), vucc)) c.locator = vucc.squares[0];
    }
    if (!namesSquare(c.locator)) return std::nullopt;
    readLogCall(record.value(AdifField::Call), c.call);
    if (isBlank(c.call)) return std::nullopt;
    const std::string_view qsl = record.value(AdifField::QslRcvd);
    const std::string_view eqsl = record.value(AdifField::EqslQslRcvd);
    const std::string_view lotw = record.value(AdifField::LotwQslRcvd);
    // The sources that confirm the contact, chosen or not: one of them
    // outweighs another's "I" (invalid).
    const unsigned sources =
        (isStatus(qsl, 'Y') || isStatus(qsl, 'V') ? kConfirmByCard : 0U) |
        (isStatus(eqsl, 'Y') ? kConfirmByEqsl : 0U) |
        (isStatus(lotw, 'Y') || isStatus(lotw, 'V') || isStatus(lotw, '1') ? kConfirmByLotw : 0U);
    if (sources == 0 && (isStatus(qsl, 'I') || isStatus(eqsl, 'I') || isStatus(lotw, 'I')))
        return std::nullopt;
    const LogDate date = readLogDate(record.value(AdifField::QsoDate), 8, c.date);
    readable = date != LogDate::Malformed;
    if (date != LogDate::Read) return std::nullopt;
    c.confirmed = (sources & options.confirmedBy) != 0;
    return c;
}

}  // namespace morvel
