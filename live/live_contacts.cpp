#include "live/live_contacts.h"

#include <QByteArray>

#include "database/qra_names.h"
#include "import/adif_bands.h"
#include "import/ledger_contacts.h"

namespace morvel::live {
namespace {

void addField(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty()) return;
    out.append("<").append(name).append(":").append(std::to_string(value.size())).append(">");
    out.append(value);
}

std::string twoDigits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::string_view bandOfFrequencyHz(std::uint64_t hz) {
    std::string fraction = std::to_string(hz % 1'000'000);
    fraction.insert(0, 6 - fraction.size(), '0');
    return adifBandOfFrequency(std::to_string(hz / 1'000'000) + "." + fraction);
}

ContactFilter::ContactFilter(std::string databaseBand) : band_(upperLatin1(databaseBand)) {}

std::string ContactFilter::recordBand(const AdifRecord& record) const {
    const std::string band = trimmed(record.value(AdifField::Band));
    if (!band.empty()) return lowerLatin1(band);
    return std::string(adifBandOfFrequency(record.value(AdifField::Freq)));
}

std::string ContactFilter::keyOf(const AdifRecord& record, std::string_view band) {
    std::string call;
    readLogCall(record.value(AdifField::Call), call);
    std::string key = trimmed(call);
    key.append("|").append(band).append("|").append(trimmed(record.value(AdifField::QsoDate)));
    key.append("|").append(trimmed(record.value(AdifField::TimeOn)).substr(0, 4));
    return key;
}

const char* skipText(Skip skip) {
    switch (skip) {
        case Skip::NoLocator:
            return "no locator";
        case Skip::NotALocator:
            return "not a locator";
        case Skip::NoCall:
            return "no call sign";
        case Skip::NoDate:
            return "no date";
        case Skip::Invalid:
            return "marked invalid";
        case Skip::None:
            break;
    }
    return "";
}

namespace {

// Which of the import's rules passed the record over.
Skip skipOf(const AdifRecord& record) {
    std::string text;
    readLogLocator(record.value(AdifField::Locator), text);
    if (text.empty()) readLogLocator(record.value(AdifField::Gridsquare), text);
    if (isBlank(text)) return Skip::NoLocator;
    if (!namesSquare(text)) return Skip::NotALocator;
    readLogCall(record.value(AdifField::Call), text);
    if (isBlank(text)) return Skip::NoCall;
    if (isBlank(record.value(AdifField::QsoDate))) return Skip::NoDate;
    return Skip::Invalid;
}

}  // namespace

void ContactFilter::remember(const std::string& key, Via via) {
    const auto [at, added] = keys_.try_emplace(key, static_cast<std::uint8_t>(via));
    if (!added) return;
    order_.push_back(key);
    if (order_.size() > kMaxRemembered) {
        keys_.erase(order_.front());
        order_.pop_front();
    }
}

void ContactFilter::remember(const AdifRecord& record) {
    const std::string band = recordBand(record);
    if (upperLatin1(band) == band_) remember(keyOf(record, band));
}

Verdict ContactFilter::fromRecord(const AdifRecord& record, LiveContact& out, Via via) {
    out.loggedCall = trimmed(record.value(AdifField::Call));
    const std::string band = recordBand(record);
    out.band = band;
    if (band.empty()) return Verdict::NoBand;
    if (upperLatin1(band) != band_) return Verdict::OtherBand;
    bool readable = true;
    static const AdifOptions none;
    auto contact = adifContactOnBand(record, band, band_, none, readable);
    if (!readable) return Verdict::Unreadable;
    if (!contact) {
        out.skip = skipOf(record);
        return Verdict::NotTaken;
    }
    std::string key = keyOf(record, band);
    if (const auto found = keys_.find(key); found != keys_.end()) {
        // QSO Logged and Logged ADIF tell of one contact: the second of them
        // is no repeat. Anything read a further time is.
        const auto bits = static_cast<std::uint8_t>(via);
        const std::uint8_t pair =
            static_cast<std::uint8_t>(Via::QsoLogged) | static_cast<std::uint8_t>(Via::LoggedAdif);
        if ((bits & pair) != 0 && (found->second & pair) != 0 && (found->second & bits) == 0) {
            found->second |= bits;
            return Verdict::SameContact;
        }
        return Verdict::Duplicate;
    }
    remember(key, via);
    int badFields = 0;
    out.ledger = ledgerContactFromAdif(record, band_, none.confirmedBy, QString(), badFields);
    out.contact = std::move(*contact);
    out.key = std::move(key);
    return Verdict::Take;
}

std::string qsoLoggedAdif(const QsoLogged& qso) {
    std::string out;
    addField(out, "call", qso.dxCall);
    addField(out, "gridsquare", qso.dxGrid);
    addField(out, "band", bandOfFrequencyHz(qso.txFrequencyHz));
    // The contact's start where the message gives it, else its end.
    const StreamDateTime& when = qso.on.present && qso.on.date.isValid() ? qso.on : qso.off;
    if (when.date.isValid())
        addField(out, "qso_date",
                 QByteArray::number(when.date.year()).rightJustified(4, '0').toStdString() +
                     twoDigits(when.date.month()) + twoDigits(when.date.day()));
    if (when.time.isValid())
        addField(out, "time_on",
                 twoDigits(when.time.hour()) + twoDigits(when.time.minute()) +
                     twoDigits(when.time.second()));
    addField(out, "mode", qso.mode);
    if (qso.txFrequencyHz > 0) {
        std::string hz = std::to_string(qso.txFrequencyHz % 1'000'000);
        hz.insert(0, 6 - hz.size(), '0');
        addField(out, "freq", std::to_string(qso.txFrequencyHz / 1'000'000) + "." + hz);
    }
    addField(out, "my_gridsquare", qso.myGrid);
    addField(out, "prop_mode", qso.propagationMode);
    out.append("<eor>");
    return out;
}

Verdict ContactFilter::fromQsoLogged(const QsoLogged& qso, LiveContact& out) {
    const std::string adif = qsoLoggedAdif(qso);
    Verdict verdict = Verdict::NotTaken;
    if (bandOfFrequencyHz(qso.txFrequencyHz).empty()) {
        out.loggedCall = qso.dxCall;
        return Verdict::NoBand;
    }
    AdifParser parser([&](const AdifRecord& record) {
        verdict = fromRecord(record, out, Via::QsoLogged);
        return false;
    });
    parser.expectBytes(adif.size());
    parser.feed(adif);
    parser.finish();
    return verdict;
}

}  // namespace morvel::live
