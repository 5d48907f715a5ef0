#include "import/adif_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "database/qra_names.h"

namespace morvel {
namespace {

constexpr std::array<std::string_view, kAdifFieldCount> kFieldNames = {
    "band",     "locator",  "gridsquare",    "call",
    "qso_date", "qsl_rcvd", "eqsl_qsl_rcvd", "lotw_qsl_rcvd"};

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equalsIgnoreCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (lowerAscii(text[i]) != lower[i]) return false;
    return true;
}

int fieldIndex(std::string_view name) {
    for (std::size_t i = 0; i < kFieldNames.size(); ++i)
        if (equalsIgnoreCase(name, kFieldNames[i])) return static_cast<int>(i);
    return -1;
}

// Blanks are skipped, then the leading digits count; none gives 0, a number
// too large for 64 bits the largest length, which no log holds.
std::uint64_t lenientLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (n > (kMax - digit) / 10) return kMax;
        n = n * 10 + digit;
    }
    return n;
}

std::size_t indexOf(std::string_view text, char c) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == c) return i;
    return std::string_view::npos;
}

}  // namespace

void AdifRecord::clear() {
    for (auto& v : values) v.clear();
    seen.fill(false);
}

void AdifParser::expectBytes(std::uint64_t rest) {
    size_ = rest > kUnknownSize - fed_ ? kUnknownSize : fed_ + rest;
}

bool AdifParser::closeTag(std::string_view tag, std::uint64_t end) {
    state_ = State::Text;
    // Tags are a few bytes long: a plain loop beats find's memchr call.
    const auto colon = indexOf(tag, ':');
    if (colon == std::string_view::npos) {
        if (equalsIgnoreCase(tag, "eor")) {
            if (std::exchange(broken_, false)) {
                record_.clear();
                hasFields_ = false;
            } else if (hasFields_) {
                ++records_;
                const bool go = onRecord_(record_);
                record_.clear();
                hasFields_ = false;
                return go;
            }
        } else if (equalsIgnoreCase(tag, "eoh")) {
            // Everything before it was the header.
            record_.clear();
            hasFields_ = false;
            broken_ = false;
        }
        return true;
    }
    std::string_view lengthText = tag.substr(colon + 1);
    lengthText = lengthText.substr(0, indexOf(lengthText, ':'));
    remaining_ = lenientLength(lengthText);
    keep_ = nullptr;
    if (remaining_ > (size_ > end ? size_ - end : 0)) {
        // The value cannot be there: the record is unreadable, and the
        // reading goes on right after this tag so that the next records are
        // still read. The rest of the record, up to its <eor>, is passed over.
        if (!broken_) ++unreadable_;
        broken_ = true;
        record_.clear();
        hasFields_ = false;
        remaining_ = 0;
        return true;
    }
    if (remaining_ > 0) state_ = State::Value;
    hasFields_ = true;
    const int index = fieldIndex(tag.substr(0, colon));
    if (index >= 0 && !record_.seen[static_cast<std::size_t>(index)]) {
        record_.seen[static_cast<std::size_t>(index)] = true;
        keep_ = &record_.values[static_cast<std::size_t>(index)];
    }
    return true;
}

bool AdifParser::feed(std::string_view bytes) {
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
                // Between fields there is mostly a blank or a line end, too
                // little to be worth a memchr call.
                const char* const near = std::min(end, p + 4);
                while (p < near && *p != '<') ++p;
                if (p == near && p < end) {
                    const void* open = std::memchr(p, '<', static_cast<std::size_t>(end - p));
                    p = open == nullptr ? end : static_cast<const char*>(open);
                }
                if (p == end) return true;
                ++p;
                tag_.clear();
                state_ = State::Tag;
                break;
            }
            case State::Tag: {
                if (tag_.empty()) {
                    // The whole tag usually lies in this piece: read it in place.
                    const char* q = p;
                    const char* const limit = std::min(end, p + kMaxTagLength);
                    while (q < limit && *q != '>' && *q != '<') ++q;
                    if (q < limit && *q == '>') {
                        const bool go =
                            closeTag({p, static_cast<std::size_t>(q - p)}, offset(q + 1));
                        p = q + 1;
                        if (!go) return false;
                        break;
                    }
                }
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
                if (keep_ != nullptr && keep_->size() < kMaxKeptValue)
                    keep_->append(p, std::min(n, kMaxKeptValue - keep_->size()));
                p += n;
                remaining_ -= n;
                if (remaining_ == 0) state_ = State::Text;
                break;
            }
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

bool readAdif(QIODevice& device, AdifParser& parser, std::string& error) {
    if (!device.isSequential())
        parser.expectBytes(
            static_cast<std::uint64_t>(std::max<qint64>(0, device.size() - device.pos())));
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = device.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (n < 0) {
            error = device.errorString().toStdString();
            return false;
        }
        if (n == 0) break;
        if (!parser.feed({buffer.data(), static_cast<std::size_t>(n)})) return true;
    }
    parser.finish();
    return true;
}

std::optional<ImportedContact> adifContact(const AdifRecord& record, std::string_view band,
                                           bool& readable) {
    readable = true;
    if (upperLatin1(record.value(AdifField::Band)) != band) return std::nullopt;
    ImportedContact c;
    c.locator = composeLocator(withoutControls(record.value(AdifField::Locator)));
    if (c.locator.empty())
        c.locator = composeLocator(withoutControls(record.value(AdifField::Gridsquare)));
    if (!namesSquare(c.locator)) return std::nullopt;
    c.call = upperLatin1(withoutControls(record.value(AdifField::Call)));
    if (isBlank(c.call)) return std::nullopt;
    for (AdifField f : {AdifField::QslRcvd, AdifField::EqslQslRcvd, AdifField::LotwQslRcvd})
        if (upperLatin1(record.value(f)) == "I") return std::nullopt;
    const LogDate date = readLogDate(record.value(AdifField::QsoDate), 8, c.date);
    readable = date != LogDate::Malformed;
    if (date != LogDate::Read) return std::nullopt;
    const std::string lotw = upperLatin1(record.value(AdifField::LotwQslRcvd));
    c.confirmed = upperLatin1(record.value(AdifField::QslRcvd)) == "Y" ||
                  upperLatin1(record.value(AdifField::EqslQslRcvd)) == "Y" || lotw == "Y" ||
                  lotw == "V" || lotw == "1";
    return c;
}

}  // namespace morvel
