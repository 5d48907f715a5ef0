#include "live/live_contacts.h"

#include <QByteArray>
#include <array>
#include <cmath>

#include "database/qra_names.h"

namespace morvel::live {
namespace {

struct BandEdges {
    std::uint64_t lowHz;
    std::uint64_t highHz;
    std::string_view band;
};

// The IARU band edges, the widest of the three regions' where they differ.
constexpr std::array<BandEdges, 10> kBands = {{
    {28'000'000, 29'700'000, "10m"},
    {50'000'000, 54'000'000, "6m"},
    {69'900'000, 70'500'000, "4m"},
    {144'000'000, 148'000'000, "2m"},
    {420'000'000, 450'000'000, "70cm"},
    {1'240'000'000, 1'300'000'000, "23cm"},
    {2'300'000'000, 2'450'000'000, "13cm"},
    {3'300'000'000, 3'500'000'000, "9cm"},
    {5'650'000'000, 5'925'000'000, "6cm"},
    {10'000'000'000, 10'500'000'000, "3cm"},
}};

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
    for (const BandEdges& b : kBands)
        if (hz >= b.lowHz && hz <= b.highHz) return b.band;
    return {};
}

std::string_view bandOfFrequencyText(std::string_view mhz) {
    bool ok = false;
    const double v =
        QByteArray(mhz.data(), static_cast<qsizetype>(mhz.size())).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0 || v > 1e6) return {};
    return bandOfFrequencyHz(static_cast<std::uint64_t>(std::llround(v * 1e6)));
}

ContactFilter::ContactFilter(std::string databaseBand) : band_(upperLatin1(databaseBand)) {}

std::string ContactFilter::recordBand(const AdifRecord& record) const {
    const std::string band = trimmed(record.value(AdifField::Band));
    if (!band.empty()) return lowerLatin1(band);
    return std::string(bandOfFrequencyText(record.value(AdifField::Freq)));
}

std::string ContactFilter::keyOf(const AdifRecord& record, std::string_view band) {
    std::string call;
    readLogCall(record.value(AdifField::Call), call);
    std::string key = trimmed(call);
    key.append("|").append(band).append("|").append(trimmed(record.value(AdifField::QsoDate)));
    key.append("|").append(trimmed(record.value(AdifField::TimeOn)).substr(0, 4));
    return key;
}

void ContactFilter::remember(const std::string& key) {
    if (!keys_.insert(key).second) return;
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

Verdict ContactFilter::fromRecord(const AdifRecord& record, LiveContact& out) {
    const std::string band = recordBand(record);
    if (band.empty()) return Verdict::NoBand;
    if (upperLatin1(band) != band_) return Verdict::OtherBand;
    bool readable = true;
    static const AdifOptions none;
    auto contact = adifContactOnBand(record, band, band_, none, readable);
    if (!readable) return Verdict::Unreadable;
    if (!contact) return Verdict::NotTaken;
    std::string key = keyOf(record, band);
    if (seen(key)) return Verdict::Duplicate;
    remember(key);
    out.contact = std::move(*contact);
    out.band = band;
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
    out.append("<eor>");
    return out;
}

Verdict ContactFilter::fromQsoLogged(const QsoLogged& qso, LiveContact& out) {
    const std::string adif = qsoLoggedAdif(qso);
    Verdict verdict = Verdict::NotTaken;
    if (bandOfFrequencyHz(qso.txFrequencyHz).empty()) return Verdict::NoBand;
    AdifParser parser([&](const AdifRecord& record) {
        verdict = fromRecord(record, out);
        return false;
    });
    parser.expectBytes(adif.size());
    parser.feed(adif);
    parser.finish();
    return verdict;
}

}  // namespace morvel::live
