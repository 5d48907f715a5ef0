// Writes the example ADIF log of data/example: the 2 m log of an invented
// station near JO62QM over five years, with invented call signs.
//
// Usage: example_log_gen OUT.adi [SEED]
//
// The same seed gives the same bytes on every platform: the random numbers
// come from a SplitMix64 generator and every draw is integer arithmetic, so
// neither the standard library's distributions nor floating point enter.

#include <QSaveFile>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint64_t kDefaultSeed = 6262;

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; the modulo bias is far below anything the log could show.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    char letter() { return letterUpTo('Z'); }
    char letterUpTo(char last) { return static_cast<char>('A' + below(last - 'A' + 1)); }
    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
    }

private:
    std::uint64_t state_;
};

// A call sign prefix and the digits that follow it in that country.
struct Prefix {
    const char* letters;
    const char* digits;
};

// A region that stations are drawn from: the squares it covers on land (one
// listed twice holds twice the stations), its call sign prefixes, and how
// many stations of the log it holds, falling with distance from JO62.
struct Region {
    const char* squares;
    int weight;
    std::vector<Prefix> prefixes;
};

const std::vector<Prefix> kGermany = {
    {"DL", "0123456789"}, {"DK", "0123456789"}, {"DJ", "0123456789"}, {"DG", "0123456789"},
    {"DF", "0123456789"}, {"DH", "0123456789"}, {"DB", "0123456789"}, {"DO", "0123456789"},
    {"DM", "0123456789"}, {"DC", "0123456789"}};
const std::vector<Prefix> kPoland = {
    {"SP", "123456789"}, {"SQ", "123456789"}, {"SO", "123456789"}, {"SN", "123456789"}};

const std::vector<Region>& regions() {
    static const std::vector<Region> table = {
        {"JO62 JO62 JO62 JO61 JO52 JO63 JO72 JO71 JO53 JO51 JO60", 300, kGermany},
        {"JO50 JO54 JO64 JO42 JO43 JO44 JO41 JO40 JN59 JN69", 120, kGermany},
        {"JO30 JO31 JO32 JO33 JN39 JN49 JN48 JN58 JN68 JN57 JN47", 45, kGermany},
        {"JO72 JO73 JO82 JO81 JO71 JO83", 70, kPoland},
        {"JO74 JO84 JO92 JO93 JO94 JO91 JO90 KO02 KO01 KO03 KO00 JN99 KO10 KO11 KO12 KO13", 45,
         kPoland},
        {"JO70 JO70 JO60 JO80 JN79 JN69 JN89", 55, {{"OK", "12"}, {"OL", "12"}}},
        {"JO22 JO32 JO21 JO33 JO23",
         16,
         {{"PA", "0123456789"}, {"PD", "0123456789"}, {"PE", "1"}, {"PH", "0"}}},
        {"JO20 JO21 JO10", 6, {{"ON", "4567"}, {"OO", "4"}}},
        {"JO55 JO55 JO45 JO46 JO56 JO54 JO75", 25, {{"OZ", "1234567"}, {"5P", "01"}}},
        {"JO65 JO65 JO66 JO67 JO77 JO57 JO68 JO78 JO89 JO99",
         18,
         {{"SM", "01234567"}, {"SA", "0124567"}}},
        {"JO59 JO48 JO58", 4, {{"LA", "1234589"}, {"LB", "1"}}},
        {"KO24 KO25 KO14", 3, {{"LY", "12345"}}},
        {"KO26 KO16 KO36", 3, {{"YL", "23"}}},
        {"KO04", 2, {{"UA", "2"}, {"RA", "2"}}},
        {"KN29 KN19 KN28 KO20", 4, {{"UR", "5"}, {"UT", "5"}, {"US", "5"}}},
        {"JN88 JN98 JN99 KN08", 6, {{"OM", "1235"}}},
        {"JN97 JN87 KN07 KN06 JN96", 6, {{"HA", "1235678"}, {"HG", "5"}}},
        {"JN78 JN77 JN68 JN67 JN88 JN66 JN57", 10, {{"OE", "123456789"}}},
        {"JN76 JN76 JN86", 4, {{"S5", "0123579"}}},
        {"JN75 JN85 JN95", 3, {{"9A", "12345"}}},
        {"JN47 JN37 JN36 JN46", 4, {{"HB9", ""}}},
        {"JN18 JN19 JN28 JN29 JN38 JN39 JO10 JN27 JN37", 8, {{"F", "1234568"}}},
        {"IO91 IO91 JO01 JO02 IO92", 6, {{"G", "034678"}, {"M", "0"}}},
        {"JN45 JN55 JN54 JN46 JN56",
         4,
         {{"I", "1234"}, {"IK", "234"}, {"IZ", "1234"}, {"IW", "23"}}},
    };
    return table;
}

// The distant contacts: meteor scatter and tropospheric ducting at 1,000 to
// 2,000 km, and moonbounce to other continents.
struct Distant {
    Prefix prefix;
    const char* locator;
    const char* propagation;  // ADIF PROP_MODE
    int times;
};

const std::vector<Distant>& distantStations() {
    static const std::vector<Distant> table = {
        {{"GM", "4"}, "IO75TW", "TR", 2},  {{"EI", "3"}, "IO63VH", "MS", 1},
        {{"EA", "1"}, "IN83FD", "MS", 1},  {{"IT", "9"}, "JM77NM", "MS", 1},
        {{"SV", "1"}, "KM18UB", "MS", 1},  {{"LZ", "1"}, "KN12LQ", "TR", 2},
        {{"UA", "3"}, "KO85UR", "MS", 1},  {{"OH", "8"}, "KP25XA", "MS", 2},
        {{"F", "5"}, "IN88GS", "TR", 1},   {{"LA", "6"}, "JP53EK", "TR", 1},
        {{"K", "2"}, "FN20LR", "EME", 1},  {{"JA", "6"}, "PM53FO", "EME", 1},
        {{"VK", "3"}, "QF22NF", "EME", 1},
    };
    return table;
}

struct Station {
    std::string call;
    std::string locator;
    const char* propagation = "";
};

std::string makeCall(Random& random, const Prefix& prefix) {
    std::string call = prefix.letters;
    const std::string_view digits = prefix.digits;
    if (!digits.empty())
        call += digits[static_cast<std::size_t>(random.below(static_cast<int>(digits.size())))];
    // Mostly three letters after the digit, some two, a few one.
    const int r = random.below(100);
    const int letters = r < 62 ? 3 : (r < 95 ? 2 : 1);
    for (int i = 0; i < letters; ++i) call += random.letter();
    return call;
}

std::vector<Station> makeStations(Random& random, int count) {
    const auto& table = regions();
    int total = 0;
    for (const auto& r : table) total += r.weight;
    std::set<std::string> calls;
    std::vector<Station> stations;
    while (static_cast<int>(stations.size()) < count) {
        int w = random.below(total);
        std::size_t i = 0;
        while (w >= table[i].weight) w -= table[i++].weight;
        const Region& region = table[i];
        Station s;
        s.call = makeCall(random, random.pick(region.prefixes));
        if (!calls.insert(s.call).second) continue;
        // A random sub-square of one of the region's squares.
        const std::string_view squares = region.squares;
        const auto at =
            static_cast<std::size_t>(random.below(static_cast<int>(squares.size() + 1) / 5)) * 5;
        s.locator = std::string(squares.substr(at, 4));
        s.locator += random.letterUpTo('X');
        s.locator += random.letterUpTo('X');
        if (random.percent(3)) s.call += "/P";
        stations.push_back(std::move(s));
    }
    return stations;
}

// Days since 1970-01-01 of a civil date, and back.
int daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string civilText(int days) {
    days += 719468;
    const int era = (days >= 0 ? days : days - 146096) / 146097;
    const int doe = days - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp < 10 ? mp + 3 : mp - 9;
    const int y = yoe + era * 400 + (m <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
    return text;
}

struct Qso {
    int day = 0;
    int minute = 0;  // of the day, UTC
    int serial = 0;  // keeps the order of equal times fixed
    const Station* station = nullptr;
    std::string band;
};

constexpr int kFirstYear = 2020;
constexpr int kLastYear = 2024;

// Half of the contacts fall on the weekends of the big VHF contests (the
// first weekend of March, May, June, July, September and October, 14:00 to
// 14:00 UTC), the rest on ordinary evenings.
void pickTime(Random& random, Qso& q) {
    if (random.percent(50)) {
        static const int months[] = {3, 5, 6, 7, 9, 10};
        const int year = random.between(kFirstYear, kLastYear);
        const int first = daysFromCivil(year, months[random.below(6)], 1);
        const int weekday = (first + 4) % 7;  // 1970-01-01 was a Thursday; 0 is Sunday
        const int saturday = first + (6 - weekday + 7) % 7;
        q.minute = random.between(14 * 60, 24 * 60 + 14 * 60 - 1);
        q.day = saturday + q.minute / (24 * 60);
        q.minute %= 24 * 60;
    } else {
        const int first = daysFromCivil(kFirstYear, 1, 1);
        q.day = random.between(first, daysFromCivil(kLastYear, 12, 31));
        q.minute = random.between(16 * 60, 22 * 60 + 59);
    }
}

void field(std::string& out, std::string_view name, std::string_view value) {
    out += '<';
    out += name;
    out += ':';
    out += std::to_string(value.size());
    out += '>';
    out += value;
    out += ' ';
}

std::string megahertz(int kilohertz) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", kilohertz / 1000, kilohertz % 1000);
    return text;
}

int bandBase(std::string_view band) {
    if (band == "6m") return 50000;
    if (band == "70cm") return 432000;
    if (band == "23cm") return 1296000;
    return 144000;
}

void writeQso(std::string& out, Random& random, const Qso& q) {
    const Station& s = *q.station;
    const std::string_view prop = s.propagation;
    const int base = bandBase(q.band);
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d", q.minute / 60, q.minute % 60);
    std::string mode, sent, received;
    int khz = 0;
    if (prop == "MS") {
        mode = "MSK144";
        khz = base + 360;
        sent = "26";
        received = std::to_string(26 + random.below(2));
    } else if (prop == "EME") {
        mode = "JT65";
        khz = base + 120;
        sent = "-" + std::to_string(random.between(18, 25));
        received = "-" + std::to_string(random.between(18, 25));
    } else {
        const int r = random.below(100);
        if (r < 55) {
            mode = "SSB";
            khz = base + random.between(200, 330);
            sent = "5" + std::to_string(random.between(5, 9));
            received = "5" + std::to_string(random.between(5, 9));
        } else if (r < 80) {
            mode = "CW";
            khz = base + random.between(30, 110);
            sent = "5" + std::to_string(random.between(5, 9)) + "9";
            received = "5" + std::to_string(random.between(5, 9)) + "9";
        } else if (r < 88 && q.band != "6m") {
            mode = "FM";
            khz = base + (q.band == "2m" ? 1500 : 500);
            sent = "59";
            received = "59";
        } else {
            mode = "FT8";
            khz = base + (q.band == "6m" ? 313 : 174);
            sent = std::to_string(random.between(-20, 10));
            received = std::to_string(random.between(-20, 10));
        }
    }
    field(out, "CALL", s.call);
    field(out, "QSO_DATE", civilText(q.day));
    field(out, "TIME_ON", time);
    field(out, "BAND", q.band);
    field(out, "FREQ", megahertz(khz));
    field(out, "MODE", mode);
    field(out, "RST_SENT", sent);
    field(out, "RST_RCVD", received);
    field(out, "GRIDSQUARE", s.locator);
    if (!prop.empty()) field(out, "PROP_MODE", prop);
    // About a third confirmed, by card, LoTW or eQSL; the others mostly say
    // that nothing came back yet.
    const int r = random.below(100);
    if (r < 14) {
        field(out, "QSL_RCVD", "Y");
    } else if (r < 26) {
        field(out, "QSL_RCVD", "N");
        field(out, "LOTW_QSL_RCVD", "Y");
    } else if (r < 34) {
        field(out, "EQSL_QSL_RCVD", "Y");
    } else if (r < 80) {
        field(out, "QSL_RCVD", "N");
    } else if (r < 90) {
        field(out, "QSL_RCVD", "R");
    }
    field(out, "MY_GRIDSQUARE", "JO62QM");
    out += "<EOR>\n";
}

std::string makeLog(std::uint64_t seed) {
    Random random(seed);
    std::vector<Station> stations = makeStations(random, 1400);
    std::vector<Station> distant;
    for (const auto& d : distantStations()) {
        Station s{makeCall(random, d.prefix), d.locator, d.propagation};
        for (int i = 0; i < d.times; ++i) distant.push_back(s);
    }

    std::vector<Qso> log;
    const auto add = [&](const Station* station, std::string band) {
        Qso q;
        pickTime(random, q);
        q.serial = static_cast<int>(log.size());
        q.station = station;
        q.band = std::move(band);
        log.push_back(std::move(q));
    };
    // Some stations are worked in every contest, most only once or twice:
    // the smaller of two draws favours the front of the list.
    const int n = static_cast<int>(stations.size());
    for (int i = 0; i < 3200; ++i)
        add(&stations[static_cast<std::size_t>(std::min(random.below(n), random.below(n)))], "2m");
    for (const auto& s : distant) add(&s, "2m");
    static const char* const otherBands[] = {"70cm", "70cm", "70cm", "6m", "23cm"};
    for (int i = 0; i < 320; ++i)
        add(&stations[static_cast<std::size_t>(random.below(n / 2))], otherBands[random.below(5)]);

    std::sort(log.begin(), log.end(), [](const Qso& a, const Qso& b) {
        if (a.day != b.day) return a.day < b.day;
        if (a.minute != b.minute) return a.minute < b.minute;
        return a.serial < b.serial;
    });

    std::string out =
        "Example log of an invented 2 m station near JO62QM; all call signs are invented.\n"
        "Written by tools/example_log_gen, seed " +
        std::to_string(seed) + ".\n";
    field(out, "ADIF_VER", "3.1.4");
    field(out, "PROGRAMID", "example_log_gen");
    out += "<EOH>\n";
    for (const auto& q : log) writeQso(out, random, q);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: example_log_gen OUT.adi [SEED]\n");
        return 2;
    }
    std::uint64_t seed = kDefaultSeed;
    if (argc == 3) {
        char* end = nullptr;
        seed = std::strtoull(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0') {
            std::fprintf(stderr, "example_log_gen: not a seed: %s\n", argv[2]);
            return 2;
        }
    }
    const std::string log = makeLog(seed);
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(log.data(), static_cast<qint64>(log.size())) !=
            static_cast<qint64>(log.size()) ||
        !file.commit()) {
        std::fprintf(stderr, "example_log_gen: %s: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
