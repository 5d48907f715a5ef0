#pragma once

#include <QIODevice>
#include <QString>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "database/error.h"
#include "database/field_record.h"
#include "geo/locator.h"

namespace morvel {

struct Statistics {
    int squaresWorked = 0;  // a confirmed square counts as worked too
    int squaresConfirmed = 0;
    int fieldsWorked = 0;
    float odxkm = 0;      // best distance in whole km
    std::string odxcall;  // all ten characters of the best square's call sign
    std::string odxloc;   // all six characters of its locator
    qint64 fileSize = 0;  // of the file read, when read from a file
};

// The five lines the main menu shows for a database.
// The caption before the database's name.
inline constexpr std::string_view kFileCaption = "File: ";

struct StatisticsCaptions {
    std::string fileLine;  // kFileCaption + name
    std::string squaresWorkedLine;
    std::string squaresConfirmedLine;
    std::string fieldsWorkedLine;
    std::string odxLine;
};

// Counts a whole database read from the device, measuring every worked or
// confirmed square from homeloc. Only a strictly greater whole-km distance
// replaces the best, so the first in file order wins a tie and 0 km never wins.
std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            QString& error);
// The same with another measure of distance (tests drive the rounding with it).
using DistanceFunction = float (*)(std::string_view from, std::string_view to);
std::optional<Statistics> computeStatistics(QIODevice& device, std::string_view homeloc,
                                            DistanceFunction distance, QString& error);
std::optional<Statistics> computeStatistics(const QString& path, std::string_view homeloc,
                                            Error& error);
// The same of records already read (a database's published contents).
Statistics computeStatistics(std::span<const FieldRecord> records, std::string_view homeloc);

StatisticsCaptions statisticsCaptions(const Statistics& stats, std::string_view fileName);

}  // namespace morvel
