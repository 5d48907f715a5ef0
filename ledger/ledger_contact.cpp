#include "ledger/ledger_contact.h"

#include <chrono>
#include <cstdio>

#include "database/qra_names.h"
#include "import/adif_options.h"
#include "import/adif_reader.h"
#include "import/contact.h"

namespace morvel {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Control characters dropped, so that no value breaks a printed line.
std::string cleaned(std::string_view text, std::size_t most = 64) {
    text = trimmed(text);
    std::string out;
    for (char c : text.substr(0, most))
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out.push_back(c);
    return out;
}

std::string upperCleaned(std::string_view text, std::size_t most = 64) {
    std::string out = cleaned(text, most);
    for (char& c : out) c = upperLatin1Byte(c);
    return out;
}

bool allDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int number(std::string_view digits) {
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

// YYYYMMDD as YYYY-MM-DD; nothing for a day that does not exist.
std::optional<std::string> isoDate(std::string_view yyyymmdd) {
    if (yyyymmdd.size() != 8 || !allDigits(yyyymmdd)) return std::nullopt;
    const std::chrono::year_month_day day{
        std::chrono::year{number(yyyymmdd.substr(0, 4))},
        std::chrono::month{static_cast<unsigned>(number(yyyymmdd.substr(4, 2)))},
        std::chrono::day{static_cast<unsigned>(number(yyyymmdd.substr(6, 2)))}};
    if (!day.ok()) return std::nullopt;
    std::string out(yyyymmdd.substr(0, 4));
    out += '-';
    out += yyyymmdd.substr(4, 2);
    out += '-';
    out += yyyymmdd.substr(6, 2);
    return out;
}

enum class Status { Absent, Confirms, Other, Unknown };

// A received status: the letters that confirm, the other letters ADIF
// defines, and anything else.
Status readStatus(std::string_view value, std::string_view confirming) {
    value = trimmed(value);
    if (value.empty()) return Status::Absent;
    if (value.size() != 1) return Status::Unknown;
    const char c = upperLatin1Byte(value[0]);
    if (confirming.find(c) != std::string_view::npos) return Status::Confirms;
    return std::string_view("YNRIV").find(c) != std::string_view::npos ? Status::Other
                                                                       : Status::Unknown;
}

}  // namespace

const char* confirmSourceName(ConfirmSource source) {
    switch (source) {
        case ConfirmSource::Card:
            return "card";
        case ConfirmSource::Lotw:
            return "LoTW";
        case ConfirmSource::Eqsl:
            return "eQSL";
        case ConfirmSource::Download:
            return "download";
    }
    return "?";
}

std::optional<std::int64_t> contactTime(std::string_view yyyymmdd, std::string_view hhmmss) {
    yyyymmdd = trimmed(yyyymmdd);
    hhmmss = trimmed(hhmmss);
    if (!isoDate(yyyymmdd)) return std::nullopt;
    const std::chrono::year_month_day day{
        std::chrono::year{number(yyyymmdd.substr(0, 4))},
        std::chrono::month{static_cast<unsigned>(number(yyyymmdd.substr(4, 2)))},
        std::chrono::day{static_cast<unsigned>(number(yyyymmdd.substr(6, 2)))}};
    std::int64_t seconds = 0;
    if (!hhmmss.empty()) {
        if ((hhmmss.size() != 4 && hhmmss.size() != 6) || !allDigits(hhmmss)) return std::nullopt;
        const int h = number(hhmmss.substr(0, 2));
        const int m = number(hhmmss.substr(2, 2));
        const int s = hhmmss.size() == 6 ? number(hhmmss.substr(4, 2)) : 0;
        if (h > 23 || m > 59 || s > 59) return std::nullopt;
        seconds = h * 3600 + m * 60 + s;
    }
    const auto days = std::chrono::sys_days(day).time_since_epoch().count();
    return static_cast<std::int64_t>(days) * 86400 + seconds;
}

std::string contactTimeText(std::int64_t time) {
    const std::int64_t dayNumber = time >= 0 ? time / 86400 : (time - 86399) / 86400;
    const std::int64_t inDay = time - dayNumber * 86400;
    const std::chrono::year_month_day day{
        std::chrono::sys_days{std::chrono::days{static_cast<int>(dayNumber)}}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                  static_cast<int>(inDay / 3600), static_cast<int>(inDay % 3600 / 60));
    return text;
}

LedgerContact ledgerContactFromAdif(const AdifRecord& record, std::string_view band,
                                    unsigned sources, const QString& origin, int& badFields) {
    LedgerContact c;
    c.call = upperCleaned(record.value(AdifField::Call));
    c.band = upperCleaned(band);
    c.mode = upperCleaned(record.value(AdifField::Mode));
    c.time = contactTime(record.value(AdifField::QsoDate), record.value(AdifField::TimeOn))
                 .value_or(contactTime(record.value(AdifField::QsoDate), {}).value_or(0));
    c.freq = cleaned(record.value(AdifField::Freq), 16);
    std::string_view locator = record.value(AdifField::Locator);
    if (trimmed(locator).empty()) locator = record.value(AdifField::Gridsquare);
    c.locator = cleaned(locator, 10);
    c.vuccGrids = upperCleaned(record.value(AdifField::VuccGrids));
    c.propMode = upperCleaned(record.value(AdifField::PropMode), 16);
    c.satName = cleaned(record.value(AdifField::SatName));
    c.myGrid = cleaned(record.value(AdifField::MyGridsquare), 10);
    c.origin = origin;
    const struct {
        AdifField status, date;
        const char* confirming;
        unsigned bit;
        ConfirmSource source;
    } fields[] = {
        {AdifField::QslRcvd, AdifField::QslRDate, "Y", kConfirmByCard, ConfirmSource::Card},
        {AdifField::LotwQslRcvd, AdifField::LotwQslRDate, "YV1", kConfirmByLotw,
         ConfirmSource::Lotw},
        {AdifField::EqslQslRcvd, AdifField::EqslQslRDate, "Y", kConfirmByEqsl,
         ConfirmSource::Eqsl}};
    for (const auto& f : fields) {
        const Status status = readStatus(record.value(f.status), f.confirming);
        const std::string_view dateText = trimmed(record.value(f.date));
        const std::optional<std::string> date = isoDate(dateText);
        const bool badDate = !dateText.empty() && !date;
        badFields += (status == Status::Unknown ? 1 : 0) + (badDate ? 1 : 0);
        if (status == Status::Confirms && !badDate && (sources & f.bit) != 0)
            c.confirm(f.source, date.value_or(std::string()));
    }
    return c;
}

LedgerContact ledgerContactFromEdi(std::string_view line, std::string_view band,
                                   const QString& origin) {
    // date;time;call;mode;sent RST;sent number;received RST;received number;exchange;locator
    std::array<std::string_view, 10> fields{};
    std::size_t count = 0;
    for (std::size_t start = 0; count < fields.size();) {
        const auto semi = line.find(';', start);
        fields[count++] = line.substr(start, semi == std::string_view::npos ? semi : semi - start);
        if (semi == std::string_view::npos) break;
        start = semi + 1;
    }
    LedgerContact c;
    c.call = upperCleaned(fields[2]);
    c.band = upperCleaned(band);
    // The EDI mode codes.
    static constexpr const char* kModes[] = {"",   "SSB", "CW",   "SSB",  "CW",
                                             "AM", "FM",  "RTTY", "SSTV", "ATV"};
    const std::string_view code = trimmed(fields[3]);
    c.mode = code.size() == 1 && code[0] >= '1' && code[0] <= '9' ? kModes[code[0] - '0']
                                                                  : upperCleaned(code, 16);
    const std::string_view yymmdd = trimmed(fields[0]);
    std::string date;
    if (yymmdd.size() == 6 && allDigits(yymmdd))
        date = std::string(number(yymmdd.substr(0, 2)) < 50 ? "20" : "19") + std::string(yymmdd);
    c.time = contactTime(date, fields[1]).value_or(contactTime(date, {}).value_or(0));
    c.locator = cleaned(fields[9], 10);
    c.origin = origin;
    return c;
}

LedgerContact ledgerContactFromEditor(const ImportedContact& contact, std::string_view band) {
    LedgerContact c;
    c.call = upperCleaned(contact.call);
    c.band = upperCleaned(band);
    const std::string_view d = contact.date;  // dd/mm/yy
    if (d.size() == 8) {
        const std::string yy(d.substr(6, 2));
        const std::string date = std::string(allDigits(yy) && number(yy) < 50 ? "20" : "19") + yy +
                                 std::string(d.substr(3, 2)) + std::string(d.substr(0, 2));
        c.time = contactTime(date, {}).value_or(0);
    }
    c.locator = cleaned(contact.locator, 10);
    c.origin = QStringLiteral("editor");
    return c;
}

}  // namespace morvel
