#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>
#include <string_view>

#include "database/qra_file.h"
#include "database/qra_names.h"

namespace morvel::test {

QString testDataPath(const QString& name) {
    return QDir(QStringLiteral(MORVEL_TEST_DATA_DIR)).filePath(name);
}

QByteArray readFileBytes(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) return f.readAll();
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
}

namespace {
std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (const char c = text[++i]; c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return out;
}
}  // namespace

std::vector<std::vector<std::string>> tableRows(const QString& name, std::size_t columns) {
    std::vector<std::vector<std::string>> rows;
    for (const QByteArray& line : readFileBytes(testDataPath(name)).split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> parts = line.split('|');
        std::vector<std::string>& row = rows.emplace_back();
        for (qsizetype i = 1; i + 1 < parts.size(); ++i)
            row.push_back(unescaped(parts[i].toStdString()));
        EXPECT_EQ(row.size(), columns) << name.toStdString() << ": " << line.toStdString();
        row.resize(columns);
    }
    EXPECT_FALSE(rows.empty()) << name.toStdString();
    return rows;
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size())
        << path.toStdString();
}

QByteArray blankDatabaseBytes() {
    const QByteArray slot = QByteArray(6, ' ') + QByteArray(4, '\0') + QByteArray(18, ' ');
    return (slot.repeated(100) + QByteArray(28, '\0')).repeated(324);
}

QString makeBlankDatabase(const QString& dir, const QString& name) {
    const QString path = QDir(dir).filePath(name);
    Error error;
    EXPECT_TRUE(writeBlankDatabase(path, error)) << error;
    return path;
}

void setSquare(const QString& path, std::string_view field, int slot, const SquareEntry& entry) {
    // In place, byte for byte, as another program would write it.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    char bytes[SquareEntry::kSize];
    entry.encode(bytes);
    const qint64 offset = (recordNumber(field[0], field[1]) - 1) * qint64(FieldRecord::kSize) +
                          slot * qint64(SquareEntry::kSize);
    ASSERT_TRUE(file.seek(offset) && file.write(bytes, sizeof bytes) == qint64(sizeof bytes));
}

SquareEntry readSquare(const QString& path, std::string_view field, int slot) {
    std::vector<FieldRecord> records;
    Error error;
    EXPECT_TRUE(readDatabase(path, records, error)) << error;
    const auto n = static_cast<std::size_t>(recordNumber(field[0], field[1]));
    return records.size() >= n ? records[n - 1].entries[slot] : SquareEntry{};
}

SquareEntry makeEntry(std::string_view locator, std::string_view call, std::string_view date,
                      bool confirmed) {
    SquareEntry e = SquareEntry::blank();
    e.setLocator(locator);
    e.setCallsign(call);
    e.setDate(date);
    e.worked = confirmed ? 0 : -1;
    e.confirmed = confirmed ? -1 : 0;
    return e;
}

LedgerContact ledgerContact(const std::string& call, const std::string& locator, const char* day) {
    LedgerContact c;
    c.call = call;
    c.band = "2M";
    c.mode = "FT8";
    c.time = *contactTime(day, "1200");
    c.locator = locator;
    return c;
}

std::vector<StoredContact> ledgerContacts(const QString& dir, const QString& database,
                                          const std::optional<std::string>& square) {
    Error error;
    QString notice;
    std::vector<StoredContact> out;
    const auto ledger = Ledger::open(dir, Ledger::Mode::ReadOnly, error, notice);
    if (ledger) {
        EXPECT_TRUE(ledger->contacts(database, square, out, error)) << error;
    }
    return out;
}

}  // namespace morvel::test
