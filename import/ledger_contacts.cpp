#include "import/ledger_contacts.h"

#include "database/qra_names.h"
#include "import/adif_options.h"
#include "import/adif_reader.h"
#include "import/contact.h"

namespace morvel {

namespace {

// Control characters dropped, so that no value breaks a printed line.
std::string cleaned(std::string_view text, std::size_t most = 64) {
    text = trimmedBlanks(text).substr(0, most);
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!control(text[i])) continue;
        // Seldom: the rest byte by byte.
        out.assign(text.substr(0, i));
        for (char c : text.substr(i))
            if (!control(c)) out.push_back(c);
        return out;
    }
    out.assign(text);
    return out;
}

std::string upperCleaned(std::string_view text, std::size_t most = 64) {
    std::string out = cleaned(text, most);
    for (char& c : out) c = upperLatin1Byte(c);
    return out;
}

// A date that begins with a two-digit year, its century put before it:
// years below 50 are this century's. Other bytes make a date contactTime refuses.
std::string withCentury(std::string_view yyText) {
    const bool early = yyText.size() >= 2 && yyText[0] >= '0' && yyText[0] <= '4';
    return (early ? "20" : "19") + std::string(yyText);
}

// The contact's time; the day's start when the time is not one, 0 when the
// date is not one either.
std::int64_t timeOrDay(std::string_view date, std::string_view time) {
    if (const auto t = contactTime(date, time)) return *t;
    return contactTime(date, {}).value_or(0);
}

enum class Status { Absent, Confirms, Other, Unknown };

// A received status: the letters that confirm, the other letters ADIF
// defines, and anything else.
Status readStatus(std::string_view value, std::string_view confirming) {
    value = trimmedBlanks(value);
    if (value.empty()) return Status::Absent;
    if (value.size() != 1) return Status::Unknown;
    const char c = upperLatin1Byte(value[0]);
    if (confirming.find(c) != std::string_view::npos) return Status::Confirms;
    return std::string_view("YNRIV").find(c) != std::string_view::npos ? Status::Other
                                                                       : Status::Unknown;
}

}  // namespace

LedgerContact ledgerContactFromAdif(const AdifRecord& record, std::string_view band,
                                    unsigned sources, const QString& origin, int& badFields) {
    LedgerContact c;
    c.call = upperCleaned(record.value(AdifField::Call));
    c.band = upperCleaned(band);
    c.mode = upperCleaned(record.value(AdifField::Mode));
    c.time = timeOrDay(record.value(AdifField::QsoDate), record.value(AdifField::TimeOn));
    c.freq = cleaned(record.value(AdifField::Freq), 16);
    std::string_view locator = record.value(AdifField::Locator);
    if (trimmedBlanks(locator).empty()) locator = record.value(AdifField::Gridsquare);
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
        const std::string_view dateText = trimmedBlanks(record.value(f.date));
        const std::optional<std::string> date = isoDay(dateText);
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
    const std::string_view code = trimmedBlanks(fields[3]);
    c.mode = code.size() == 1 && code[0] >= '1' && code[0] <= '9' ? kModes[code[0] - '0']
                                                                  : upperCleaned(code, 16);
    const std::string_view yymmdd = trimmedBlanks(fields[0]);
    std::string date;
    if (yymmdd.size() == 6) date = withCentury(yymmdd);
    c.time = timeOrDay(date, fields[1]);
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
        const std::string date =
            withCentury(d.substr(6, 2)) + std::string(d.substr(3, 2)) + std::string(d.substr(0, 2));
        c.time = contactTime(date, {}).value_or(0);
    }
    c.locator = cleaned(contact.locator, 10);
    c.origin = QStringLiteral("editor");
    return c;
}

}  // namespace morvel
