#pragma once

// Synthetic logs for the import benchmarks: deterministic, with the fields a
// logging program writes, several bands and squares all over the world.

#include <QFile>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvel::bench {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint64_t state_;
};

inline std::string randomCall(Random& rng) {
    std::string call;
    call += static_cast<char>('A' + rng.below(26));
    call += static_cast<char>('A' + rng.below(26));
    call += static_cast<char>('0' + rng.below(10));
    const int suffix = 1 + rng.below(3);
    for (int i = 0; i < suffix; ++i) call += static_cast<char>('A' + rng.below(26));
    return call;
}

inline std::string randomLocator(Random& rng) {
    std::string loc;
    loc += static_cast<char>('A' + rng.below(18));
    loc += static_cast<char>('A' + rng.below(18));
    loc += static_cast<char>('0' + rng.below(10));
    loc += static_cast<char>('0' + rng.below(10));
    loc += static_cast<char>('A' + rng.below(24));
    loc += static_cast<char>('A' + rng.below(24));
    return loc;
}

inline std::string twoDigits(int n) {
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// An ADIF log written in pieces of about 1 MiB: the header, then `records`
// records, each made by record(rng, field) calling field(NAME, VALUE) once a
// field, fields separated by `separator`. Returns the size written, or -1
// when the file cannot be written.
template <typename MakeRecord>
qint64 writeAdif(const QString& path, std::string_view header, int records, std::uint64_t seed,
                 const char* separator, MakeRecord record) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return -1;
    Random rng(seed);
    std::string buffer;
    buffer.reserve(1 << 20);
    buffer += header;
    const auto field = [&](const char* name, const std::string& value) {
        buffer += '<';
        buffer += name;
        buffer += ':';
        buffer += std::to_string(value.size());
        buffer += '>';
        buffer += value;
        buffer += separator;
    };
    const auto flush = [&] {
        const bool ok = out.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                        static_cast<qint64>(buffer.size());
        buffer.clear();
        return ok;
    };
    for (int i = 0; i < records; ++i) {
        record(rng, field);
        buffer += "<EOR>\r\n";
        if (buffer.size() > (1 << 20) - 2048 && !flush()) return -1;
    }
    if (!flush()) return -1;
    out.close();
    return QFile(path).size();
}

inline std::string randomDate(Random& rng) {
    return "20" + twoDigits(rng.below(24)) + twoDigits(1 + rng.below(12)) +
           twoDigits(1 + rng.below(28));
}

// records ADIF records; spread puts every field on a line of its own.
inline qint64 writeAdifLog(const QString& path, int records, bool spread) {
    const char* const bands[] = {"2m",   "2m", "2m",  "2m",  "70cm",
                                 "70cm", "6m", "20m", "20m", "23cm"};
    const char* const freqs[] = {"144.300", "144.300", "144.300", "144.300", "432.200",
                                 "432.200", "50.150",  "14.205",  "14.205",  "1296.200"};
    const char* const modes[] = {"SSB", "CW", "FT8", "FM"};
    return writeAdif(
        path,
        "Synthetic log for the import benchmark\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:6>MORVEL <EOH>\r\n",
        records, 20240101, spread ? "\r\n" : " ", [&](Random& rng, const auto& field) {
            const int band = rng.below(10);
            field("CALL", randomCall(rng));
            field("QSO_DATE", randomDate(rng));
            field("TIME_ON", twoDigits(rng.below(24)) + twoDigits(rng.below(60)) + "00");
            field("BAND", bands[band]);
            field("FREQ", freqs[band]);
            field("MODE", modes[rng.below(4)]);
            field("RST_SENT", "59");
            field("RST_RCVD", twoDigits(50 + rng.below(10)));
            field("GRIDSQUARE", randomLocator(rng));
            field("QSL_RCVD", rng.below(10) == 0 ? "Y" : "N");
            field("LOTW_QSL_RCVD", rng.below(5) == 0 ? "Y" : "N");
            field("EQSL_QSL_RCVD", "N");
            field("MY_GRIDSQUARE", "JO62QM");
            field("COMMENT", "tnx call: <eor>");
        });
}

// Every record a 2 m contact with its confirmations, as a logging program
// exports them: card for one in ten, LoTW for one in five, eQSL for one in
// eight, with their dates.
inline qint64 writeTwoMetreLog(const QString& path, int records) {
    const char* const modes[] = {"SSB", "CW", "FT8", "FM"};
    return writeAdif(path, "Synthetic log for the ledger benchmark\r\n<ADIF_VER:5>3.1.4 <EOH>\r\n",
                     records, 20261207, " ", [&](Random& rng, const auto& field) {
                         const std::string date = randomDate(rng);
                         field("CALL", randomCall(rng));
                         field("QSO_DATE", date);
                         field("TIME_ON",
                               twoDigits(rng.below(24)) + twoDigits(rng.below(60)) + "00");
                         field("BAND", "2m");
                         field("FREQ", "144.300");
                         field("MODE", modes[rng.below(4)]);
                         field("GRIDSQUARE", randomLocator(rng));
                         const bool card = rng.below(10) == 0, lotw = rng.below(5) == 0,
                                    eqsl = rng.below(8) == 0;
                         field("QSL_RCVD", card ? "Y" : "N");
                         if (card) field("QSLRDATE", date);
                         field("LOTW_QSL_RCVD", lotw ? "Y" : "N");
                         if (lotw) field("LOTW_QSLRDATE", date);
                         field("EQSL_QSL_RCVD", eqsl ? "Y" : "N");
                         if (eqsl) field("EQSL_QSLRDATE", date);
                         field("MY_GRIDSQUARE", "JO62QM");
                     });
}

inline qint64 writeEdiLog(const QString& path, int contacts) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return -1;
    Random rng(20240202);
    std::string text =
        "[REG1TEST;1]\r\nTName=Synthetic contest\r\nTDate=20231225;20231226\r\nPCall=Q9OWN\r\n"
        "PWWLo=JO62QM\r\nPSect=SINGLE\r\nPBand=144 MHz\r\n[Remarks]\r\n[QSORecords;" +
        std::to_string(contacts) + "]\r\n";
    for (int i = 0; i < contacts; ++i) {
        text += "23122" + std::to_string(5 + rng.below(2)) + ";" + twoDigits(rng.below(24)) +
                twoDigits(rng.below(60)) + ";" + randomCall(rng) + ";1;59;" +
                std::to_string(100 + i % 900) + ";59;" + std::to_string(100 + rng.below(900)) +
                ";;" + randomLocator(rng) + ";" + std::to_string(rng.below(2000)) + ";;N;N;\r\n";
    }
    if (out.write(text.data(), static_cast<qint64>(text.size())) !=
        static_cast<qint64>(text.size()))
        return -1;
    out.close();
    return QFile(path).size();
}

}  // namespace morvel::bench
