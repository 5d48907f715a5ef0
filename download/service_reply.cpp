#include "download/service_reply.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace morvel {

namespace {

constexpr std::size_t kMaxTagLength = 1024;
// No field of a confirmation is longer; a longer length is a lie.
constexpr std::uint64_t kMaxValueLength = 1024 * 1024;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool contains(std::string_view haystackLowered, std::string_view needle) {
    return haystackLowered.find(lowered(needle)) != std::string_view::npos;
}

std::optional<std::uint64_t> number(std::string_view s) {
    std::uint64_t n = 0;
    if (s.empty() || s.size() > 18) return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return n;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

struct Tag {
    std::string_view name;
    std::string_view value;
    std::size_t at = 0;   // offset of its "<"
    std::size_t end = 0;  // offset past its ">" and its value
};

// Walks the ADIF tags of a reply, each value skipped by its length, so a
// "<" inside a value is never taken for a tag. Text between tags, and a
// "<" that does not open an ADIF tag (HTML), is passed over.
class TagWalk {
public:
    explicit TagWalk(std::string_view bytes) : bytes_(bytes) {}

    bool next(Tag& tag) {
        while (at_ < bytes_.size()) {
            const std::size_t open = bytes_.find('<', at_);
            if (open == std::string_view::npos) break;
            const std::size_t limit = std::min(bytes_.size(), open + 1 + kMaxTagLength);
            std::size_t close = std::string_view::npos;
            for (std::size_t i = open + 1; i < limit; ++i) {
                if (bytes_[i] == '>') {
                    close = i;
                    break;
                }
                if (bytes_[i] == '<') break;
            }
            at_ = open + 1;
            if (close == std::string_view::npos) continue;
            const std::string_view inner = bytes_.substr(open + 1, close - open - 1);
            const std::size_t colon = inner.find(':');
            tag = {inner.substr(0, colon), {}, open};
            if (colon == std::string_view::npos) {
                at_ = close + 1;
                tag.end = at_;
                return true;
            }
            std::string_view length = inner.substr(colon + 1);
            length = length.substr(0, length.find(':'));
            const auto n = number(length);
            if (!n) continue;  // markup such as <a href="https://...">, not a field
            const std::uint64_t rest = bytes_.size() - (close + 1);
            if (*n > kMaxValueLength || *n > rest) {
                broken_ = true;
                at_ = bytes_.size();
                return false;
            }
            tag.value = bytes_.substr(close + 1, static_cast<std::size_t>(*n));
            at_ = close + 1 + static_cast<std::size_t>(*n);
            tag.end = at_;
            return true;
        }
        at_ = bytes_.size();
        return false;
    }
    bool broken() const { return broken_; }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool broken_ = false;
};

// Counts the records of ADIF bytes: an <eor> after at least one field.
struct RecordCount {
    std::int64_t records = 0;
    bool broken = false;
    bool header = false;
};

RecordCount countRecords(std::string_view adif) {
    RecordCount count;
    TagWalk walk(adif);
    Tag tag;
    bool fields = false;
    while (walk.next(tag)) {
        if (sameName(tag.name, "eoh")) {
            count.header = true;
            count.records = 0;
            fields = false;
        } else if (sameName(tag.name, "eor")) {
            if (fields) ++count.records;
            fields = false;
        } else {
            fields = true;
        }
    }
    count.broken = walk.broken();
    return count;
}

// The records QRZ marks as not confirmed (APP_QRZLOG_STATUS other than "C")
// left out; a record without the field is taken as the confirmed fetch it
// came in. The header and the other records are kept byte for byte.
std::string confirmedQrzRecords(std::string_view adif, std::int64_t& leftOut) {
    std::string kept;
    kept.reserve(adif.size());
    TagWalk walk(adif);
    Tag tag;
    std::size_t recordStart = 0;
    bool confirmed = true;
    while (walk.next(tag)) {
        if (sameName(tag.name, "eoh")) {
            recordStart = tag.end;
            kept.append(adif.substr(0, recordStart));
            confirmed = true;
        } else if (sameName(tag.name, "eor")) {
            const std::size_t end = tag.end;
            if (confirmed) {
                kept.append(adif.substr(recordStart, end - recordStart));
            } else {
                ++leftOut;
            }
            recordStart = end;
            confirmed = true;
        } else if (sameName(tag.name, "app_qrzlog_status")) {
            confirmed = sameName(trimmed(tag.value), "C");
        }
    }
    return kept;
}

ServiceReply unusable(QString reason) {
    ServiceReply r;
    r.reason = std::move(reason);
    return r;
}

const QString kNothingChanged = QStringLiteral("; nothing changed");

QString cutShort(std::int64_t got, std::int64_t announced) {
    return QStringLiteral("the reply ended after %1 of %2 records").arg(got).arg(announced) +
           kNothingChanged;
}

QString tooMany(std::int64_t got, std::int64_t announced) {
    return QStringLiteral("the reply holds %1 records where it announced %2")
               .arg(got)
               .arg(announced) +
           kNothingChanged;
}

const QString kBrokenLength =
    QStringLiteral("a field's length runs past the end of the reply") + kNothingChanged;

// YYYY-MM-DD, optionally followed by " HH:MM:SS": all the next query may carry.
bool isLotwStamp(std::string_view s) {
    const auto digits = [&](std::size_t from, std::size_t n) {
        return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(from),
                           s.begin() + static_cast<std::ptrdiff_t>(from + n),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (s.size() != 10 && s.size() != 19) return false;
    if (!digits(0, 4) || s[4] != '-' || !digits(5, 2) || s[7] != '-' || !digits(8, 2)) return false;
    return s.size() == 10 || (s[10] == ' ' && digits(11, 2) && s[13] == ':' && digits(14, 2) &&
                              s[16] == ':' && digits(17, 2));
}

std::string decodeEntities(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 8) {
            out += s[i];
            continue;
        }
        const std::string_view name = s.substr(i + 1, semi - i - 1);
        char c = 0;
        if (name == "lt")
            c = '<';
        else if (name == "gt")
            c = '>';
        else if (name == "amp")
            c = '&';
        else if (name == "quot")
            c = '"';
        else if (name == "apos")
            c = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const auto n = number(name.substr(1));
            if (n && *n > 0 && *n < 128) c = static_cast<char>(*n);
        }
        if (c == 0) {
            out += s[i];
            continue;
        }
        out += c;
        i = semi;
    }
    return out;
}

// The form fields of a reply: NAME=value joined by "&", where a "&" that is
// not followed by a NAME= belongs to the value.
std::optional<std::string_view> formField(std::string_view form, std::string_view name) {
    std::size_t start = 0;
    while (start <= form.size()) {
        std::size_t end = start;
        for (;;) {
            end = form.find('&', end);
            if (end == std::string_view::npos) break;
            std::size_t k = end + 1;
            while (k < form.size() && ((form[k] >= 'A' && form[k] <= 'Z') || form[k] == '_')) ++k;
            if (k > end + 1 && k < form.size() && form[k] == '=') break;
            ++end;
        }
        const std::string_view field = form.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::size_t eq = field.find('=');
        if (eq != std::string_view::npos && sameName(trimmed(field.substr(0, eq)), name))
            return field.substr(eq + 1);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace

QString replyExcerpt(std::string_view bytes, std::size_t limit) {
    QString out;
    bool inMarkup = false;
    bool space = false;
    for (const char c : bytes) {
        if (out.size() >= static_cast<qsizetype>(limit)) break;
        if (c == '<') {
            inMarkup = true;
            space = true;
            continue;
        }
        if (inMarkup) {
            inMarkup = c != '>';
            continue;
        }
        if (c < ' ' || c > '~' || c == ' ') {
            space = true;
            continue;
        }
        if (space && !out.isEmpty()) out += QLatin1Char(' ');
        space = false;
        out += QLatin1Char(c);
    }
    return out;
}

ServiceReply readLotwReply(std::string_view bytes) {
    TagWalk walk(bytes);
    Tag tag;
    bool header = true;
    bool eof = false;
    bool fields = false;
    std::optional<std::uint64_t> announced;
    bool announcedBad = false;
    std::string lastQsl;
    std::int64_t records = 0;
    std::size_t end = bytes.size();
    while (walk.next(tag)) {
        if (header) {
            if (sameName(tag.name, "eoh")) {
                header = false;
            } else if (sameName(tag.name, "APP_LoTW_NUMREC")) {
                announced = number(trimmed(tag.value));
                announcedBad = !announced;
            } else if (sameName(tag.name, "APP_LoTW_LASTQSL")) {
                lastQsl = std::string(trimmed(tag.value));
            }
            continue;
        }
        if (sameName(tag.name, "APP_LoTW_EOF")) {
            eof = true;
            end = tag.at;
            break;
        }
        if (sameName(tag.name, "eor")) {
            if (fields) ++records;
            fields = false;
        } else {
            fields = true;
        }
    }
    if (walk.broken()) return unusable(kBrokenLength);
    if (header) {
        ServiceReply r;
        const std::string text = lowered(bytes.substr(0, 64 * 1024));
        if (contains(text, "password incorrect") || contains(text, "password is incorrect")) {
            r.kind = ServiceReply::Kind::Refused;
            r.reason = QStringLiteral("the user name or password is incorrect");
        } else if (contains(text, "page request limit")) {
            r.kind = ServiceReply::Kind::RateLimited;
            r.reason = QStringLiteral("LoTW's page request limit was reached");
        } else {
            r.reason = QStringLiteral("the reply is not an ADIF report");
            if (const QString shown = replyExcerpt(bytes); !shown.isEmpty())
                r.reason += QStringLiteral(" (\"") + shown + QStringLiteral("\")");
            r.reason += kNothingChanged;
        }
        return r;
    }
    if (announcedBad || !announced)
        return unusable(QStringLiteral("the reply does not say how many records it holds") +
                        kNothingChanged);
    const auto expected = static_cast<std::int64_t>(*announced);
    if (records > expected) return unusable(tooMany(records, expected));
    if (records < expected || !eof) return unusable(cutShort(records, expected));
    if (!lastQsl.empty() && !isLotwStamp(lastQsl))
        return unusable(QStringLiteral("the reply's last confirmation date is not a date") +
                        kNothingChanged);
    ServiceReply r;
    r.kind = records == 0 ? ServiceReply::Kind::NothingNew : ServiceReply::Kind::Confirmations;
    r.records = records;
    r.lastQsl = std::move(lastQsl);
    r.adif = std::string(bytes.substr(0, end));
    return r;
}

ServiceReply readEqslPage(std::string_view bytes) {
    const std::string text = lowered(bytes.substr(0, 1024 * 1024));
    ServiceReply r;
    if (const std::size_t at = text.find("downloadedfiles/"); at != std::string::npos) {
        std::size_t start = at;
        while (start > 0 && text[start - 1] != '"' && text[start - 1] != '\'' &&
               text[start - 1] != '=' && static_cast<unsigned char>(text[start - 1]) > ' ')
            --start;
        std::size_t end = at + 16;
        while (end < text.size() &&
               ((text[end] >= 'a' && text[end] <= 'z') || (text[end] >= '0' && text[end] <= '9') ||
                text[end] == '.' || text[end] == '_' || text[end] == '-'))
            ++end;
        const std::string_view name = std::string_view(text).substr(at + 16, end - at - 16);
        const std::string_view before = std::string_view(text).substr(start, at - start);
        const bool plainPath =
            std::all_of(before.begin(), before.end(), [](char c) { return c == '.' || c == '/'; });
        if (name.size() < 5 || name.front() == '.' ||
            name.find("..") != std::string_view::npos || name.substr(name.size() - 4) != ".adi" ||
            !plainPath ||
            (end < text.size() && text[end] != '"' && text[end] != '\'' && text[end] != '>' &&
             static_cast<unsigned char>(text[end]) > ' ')) {
            r.reason = QStringLiteral("the page links a file that is not an ADIF download") +
                       kNothingChanged;
            return r;
        }
        r.kind = ServiceReply::Kind::Link;
        r.link = std::string(bytes.substr(start, end - start));
        return r;
    }
    if (const std::size_t at = text.find("error:"); at != std::string::npos) {
        std::size_t end = at + 6;
        while (end < text.size() && text[end] != '<' && text[end] != '\n' && end - at < 200) ++end;
        r.kind = ServiceReply::Kind::Refused;
        r.reason = QStringLiteral("eQSL says: ") + replyExcerpt(bytes.substr(at + 6, end - at - 6));
        return r;
    }
    if (contains(text, "you have no log entries") || contains(text, "no new") ||
        contains(text, "nothing new")) {
        r.kind = ServiceReply::Kind::NothingNew;
        return r;
    }
    r.reason = QStringLiteral(
        "the page holds neither a download, an error nor a notice that "
        "nothing is new");
    if (const QString shown = replyExcerpt(bytes); !shown.isEmpty())
        r.reason += QStringLiteral(" (\"") + shown + QStringLiteral("\")");
    r.reason += kNothingChanged;
    return r;
}

ServiceReply readEqslFile(std::string_view bytes) {
    const RecordCount count = countRecords(bytes);
    if (count.broken) return unusable(kBrokenLength);
    if (!count.header)
        return unusable(QStringLiteral("the downloaded file is not ADIF") + kNothingChanged);
    ServiceReply r;
    r.kind =
        count.records == 0 ? ServiceReply::Kind::NothingNew : ServiceReply::Kind::Confirmations;
    r.records = count.records;
    r.adif = std::string(bytes);
    return r;
}

ServiceReply readQrzReply(std::string_view bytes) {
    const auto result = formField(bytes, "RESULT");
    const auto reason = formField(bytes, "REASON");
    const QString why = reason ? replyExcerpt(decodeEntities(*reason), 200) : QString();
    if (!result)
        return unusable(QStringLiteral("the reply is not a logbook answer") + kNothingChanged);
    const std::string_view outcome = trimmed(*result);
    if (sameName(outcome, "AUTH")) {
        ServiceReply r;
        r.kind = ServiceReply::Kind::Refused;
        r.reason = QStringLiteral("the API key was refused") +
                   (why.isEmpty() ? QString() : QStringLiteral(": ") + why);
        return r;
    }
    if (!sameName(outcome, "OK"))
        return unusable(QStringLiteral("the logbook refused the request") +
                        (why.isEmpty() ? QString() : QStringLiteral(": ") + why) + kNothingChanged);
    const auto countField = formField(bytes, "COUNT");
    const auto announced = countField ? number(trimmed(*countField)) : std::nullopt;
    if (!announced)
        return unusable(QStringLiteral("the reply does not say how many records it holds") +
                        kNothingChanged);
    const auto adifField = formField(bytes, "ADIF");
    std::string adif = adifField ? decodeEntities(*adifField) : std::string();
    const RecordCount count = countRecords(adif);
    if (count.broken) return unusable(kBrokenLength);
    const auto expected = static_cast<std::int64_t>(*announced);
    if (count.records < expected) return unusable(cutShort(count.records, expected));
    if (count.records > expected) return unusable(tooMany(count.records, expected));
    ServiceReply r;
    r.adif = confirmedQrzRecords(adif, r.notConfirmed);
    r.records = expected - r.notConfirmed;
    r.kind = r.records == 0 ? ServiceReply::Kind::NothingNew : ServiceReply::Kind::Confirmations;
    return r;
}

}  // namespace morvel
