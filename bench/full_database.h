#pragma once

// The databases the map benchmarks draw and export, and their main.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <string>

#include "database/field_record.h"
#include "database/qra_names.h"

namespace morvel::bench {

// A database whose every square is worked, every third one confirmed, or
// (full = false) one with nothing worked.
inline QString writeDatabase(const QTemporaryDir& dir, bool full) {
    const QString path = dir.filePath(full ? "2M JO62QM FULL.QRA" : "2M JO62QM EMPTY.QRA");
    std::string bytes;
    for (int r = 1; r <= kRecordCount; ++r) {
        FieldRecord record = FieldRecord::blank();
        const std::string field = fieldLetters(r);
        for (int k = 0; full && k < FieldRecord::kSquares; ++k) {
            SquareEntry& e = record.entries[k];
            const char loc[] = {field[0],
                                field[1],
                                static_cast<char>('0' + k / 10),
                                static_cast<char>('0' + k % 10),
                                'L',
                                'L'};
            e.setLocator({loc, 6});
            e.setCallsign("G4ABC");
            e.setDate("01/02/03");
            (k % 3 == 0 ? e.confirmed : e.worked) = SquareEntry::kSet;
        }
        bytes += record.bytes();
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

// The main of a map benchmark: text and the PDF writer want a GUI application.
inline int runMapBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace morvel::bench
