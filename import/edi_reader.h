#pragma once

#include <QIODevice>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "import/contact.h"

namespace morvel {

// A longer line is unreadable: skipped and counted without being kept.
inline constexpr qint64 kMaxEdiLine = 64 * 1024;

struct EdiHandlers {
    // Asked once per band line with the log's band text; false cancels.
    std::function<bool(const std::string& logBand)> confirmBand;
    // Each accepted contact; false stops the reading.
    std::function<bool(const ImportedContact&)> contact;
    // After each contact line, usable or not; may be empty.
    std::function<void()> contactLine;
    // The line of each accepted contact, before `contact`; may be empty.
    std::function<void(std::string_view line)> acceptedLine;
};

enum class EdiEnd { EndOfLog, Cancelled, Stopped };

struct EdiOutcome {
    EdiEnd end = EdiEnd::EndOfLog;
    // contact lines with fewer than ten fields or a malformed date, and
    // lines over kMaxEdiLine
    std::int64_t unreadable = 0;
};

// The band text of a band line: what follows its first "=", up to a ";".
std::string ediBandText(std::string_view line);
// The number of contact lines a count line announces ([QSORecords;87] -> 87).
std::int64_t ediRecordCount(std::string_view line);

// One contact line: nothing when it has fewer than ten fields or a malformed
// date (LogDate; readable is then false), or when it lacks a locator naming a
// square, a call or a date (readEdiDate). Every EDI contact is unconfirmed.
std::optional<ImportedContact> ediContact(std::string_view line, bool& readable);

// Reads an EDI log line by line (LF, CR LF or CR): a band line ("PBand=", any
// case) and its question, then a count line ("QSORecords;", any case) and
// that many contact lines, again until the log ends.
EdiOutcome readEdi(QIODevice& device, const EdiHandlers& handlers, QString& error);

}  // namespace morvel
