#pragma once

#include <QString>
#include <QTemporaryDir>
#include <ostream>

#include "database/error.h"
#include "database/field_record.h"

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace morvel {
// Failure messages name the file and the reason.
inline std::ostream& operator<<(std::ostream& out, const Error& error) {
    return out << error.message().toStdString();
}
}  // namespace morvel

namespace morvel::test {

QString testDataPath(const QString& name);
QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// A fresh database of 324 blank records in dir; returns its path.
QString makeBlankDatabase(const QString& dir, const QString& name);
// Sets one square of a database file (field letters and slot) and writes it back.
void setSquare(const QString& path, std::string_view field, int slot, const SquareEntry& entry);
SquareEntry readSquare(const QString& path, std::string_view field, int slot);
// Worked, or confirmed alone.
SquareEntry makeEntry(std::string_view loc, std::string_view call, std::string_view date,
                      bool confirmed);

}  // namespace morvel::test
