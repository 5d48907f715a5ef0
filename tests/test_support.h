#pragma once

#include <sys/resource.h>

#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "database/error.h"
#include "database/field_record.h"
#include "ledger/ledger.h"

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
// The rows of a table in tests/data, each of `columns` cells between bars
// ("|a|b|", anything after the last bar a remark), with \r, \n, \t, \0, \\ and
// \xNN for the bytes a text file cannot show; blank lines and lines starting
// with '#' are left out. A table without rows fails the test.
std::vector<std::vector<std::string>> tableRows(const QString& name, std::size_t columns);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// The bytes of a new database, laid out here by hand: each slot six blanks,
// two zero flags and eighteen blanks; slot 100 of each record 28 zero bytes.
QByteArray blankDatabaseBytes();
// Fails writes past `bytes` while it lives, as a full disk would, also for root.
struct WriteLimit {
    explicit WriteLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~WriteLimit() { setrlimit(RLIMIT_FSIZE, &old); }
    rlimit old{};
};

// A fresh database of 324 blank records in dir; returns its path.
QString makeBlankDatabase(const QString& dir, const QString& name);
// Sets one square of a database file (field letters and slot) and writes it back.
void setSquare(const QString& path, std::string_view field, int slot, const SquareEntry& entry);
SquareEntry readSquare(const QString& path, std::string_view field, int slot);
// Worked, or confirmed alone.
SquareEntry makeEntry(std::string_view loc, std::string_view call, std::string_view date,
                      bool confirmed);
// A 2 m FT8 contact at 12:00 of a day (YYYYMMDD), as a ledger takes it.
LedgerContact ledgerContact(const std::string& call, const std::string& locator, const char* day);
// The contacts the ledger of folder dir holds for a database (of one square);
// none when there is no ledger it can read.
std::vector<StoredContact> ledgerContacts(const QString& dir, const QString& database,
                                          const std::optional<std::string>& square = {});

}  // namespace morvel::test
