#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvel {

// Who confirmed a contact. The numbers are stored in the ledger: never renumber.
enum class ConfirmSource : std::uint8_t { Card = 0, Lotw = 1, Eqsl = 2, Download = 3 };
inline constexpr std::size_t kConfirmSourceCount = 4;
// "card", "LoTW", "eQSL", "download"
const char* confirmSourceName(ConfirmSource source);

// One contact as the ledger keeps it. Texts are the log's bytes, trimmed;
// call, band, mode and PROP_MODE upper case.
struct LedgerContact {
    std::string call;
    std::string band;  // as the database's name gives it ("2M")
    std::string mode;
    std::int64_t time = 0;  // UTC, seconds since 1970; 00:00 of the day when the time is missing
    std::string freq;       // MHz as logged
    std::string locator;    // as logged, at most 10 characters
    std::string vuccGrids;
    std::string propMode;
    std::string satName;
    std::string myGrid;
    QString origin;  // the log's file name, the live source, "editor"
    // The confirmations by source; a date is YYYY-MM-DD, empty when unknown.
    std::array<bool, kConfirmSourceCount> confirmed{};
    std::array<std::string, kConfirmSourceCount> dates{};

    bool isConfirmedBy(ConfirmSource s) const { return confirmed[static_cast<std::size_t>(s)]; }
    void confirm(ConfirmSource s, std::string date) {
        confirmed[static_cast<std::size_t>(s)] = true;
        dates[static_cast<std::size_t>(s)] = std::move(date);
    }
};

// Seconds since 1970 of a date (YYYYMMDD) and a time (HHMM or HHMMSS, empty
// for the day's start); nothing when either is not a real one.
std::optional<std::int64_t> contactTime(std::string_view yyyymmdd, std::string_view hhmmss);
// 2024-06-01 14:05 of a time.
std::string contactTimeText(std::int64_t time);
// YYYYMMDD as YYYY-MM-DD; nothing for a day that does not exist.
std::optional<std::string> isoDay(std::string_view yyyymmdd);

}  // namespace morvel
