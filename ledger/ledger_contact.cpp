#include "ledger/ledger_contact.h"

#include <chrono>
#include <cstdio>

#include "database/qra_names.h"

namespace morvel {

namespace {

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

}  // namespace

std::optional<std::string> isoDay(std::string_view yyyymmdd) {
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
    yyyymmdd = trimmedBlanks(yyyymmdd);
    hhmmss = trimmedBlanks(hhmmss);
    if (yyyymmdd.size() != 8 || !allDigits(yyyymmdd)) return std::nullopt;
    const std::chrono::year_month_day day{
        std::chrono::year{number(yyyymmdd.substr(0, 4))},
        std::chrono::month{static_cast<unsigned>(number(yyyymmdd.substr(4, 2)))},
        std::chrono::day{static_cast<unsigned>(number(yyyymmdd.substr(6, 2)))}};
    if (!day.ok()) return std::nullopt;
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

}  // namespace morvel
