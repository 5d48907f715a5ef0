#include "import/edi_reader.h"

#include <array>
#include <vector>

#include "database/qra_names.h"

namespace morvel {
namespace {

bool containsIgnoreCase(std::string_view text, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > text.size()) return false;
    for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < lowerNeedle.size()) {
            char c = text[i + j];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (c != lowerNeedle[j]) break;
            ++j;
        }
        if (j == lowerNeedle.size()) return true;
    }
    return false;
}

enum class LineRead { Line, TooLong, End };

// One line without its LF or CR LF, read into a buffer of fixed size: a
// line longer than kMaxEdiLine is skipped to its end and reported as too long.
class LineReader {
public:
    explicit LineReader(QIODevice& device) : device_(device) {}

    LineRead next(std::string_view& line, std::string& error) {
        qint64 n = read(error);
        if (n <= 0) return LineRead::End;
        bool ended = buffer_[static_cast<std::size_t>(n - 1)] == '\n';
        if (!ended && !device_.atEnd()) {
            while (n > 0 && !ended) {
                n = read(error);
                ended = n > 0 && buffer_[static_cast<std::size_t>(n - 1)] == '\n';
            }
            if (!error.empty()) return LineRead::End;
            return LineRead::TooLong;
        }
        if (ended) --n;
        if (n > 0 && buffer_[static_cast<std::size_t>(n - 1)] == '\r') --n;
        if (n > kMaxEdiLine) return LineRead::TooLong;
        line = {buffer_.data(), static_cast<std::size_t>(n)};
        return LineRead::Line;
    }

private:
    // Bytes read, up to and with a line end; 0 at the end of the device.
    qint64 read(std::string& error) {
        if (device_.atEnd()) return 0;
        const qint64 n = device_.readLine(buffer_.data(), static_cast<qint64>(buffer_.size()));
        // Only a failed read returns nothing before the end.
        if (n <= 0 && !device_.atEnd()) error = device_.errorString().toStdString();
        return n < 0 ? 0 : n;
    }

    QIODevice& device_;
    std::vector<char> buffer_ = std::vector<char>(kMaxEdiLine + 3);
};

}  // namespace

std::string ediBandText(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    const std::string_view rest = line.substr(eq + 1);
    return std::string(rest.substr(0, rest.find(';')));
}

std::int64_t ediRecordCount(std::string_view line) {
    const auto semi = line.find(';');
    if (semi == std::string_view::npos) return 0;
    std::size_t i = semi + 1;
    while (i < line.size() && line[i] == ' ') ++i;
    std::int64_t n = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        if (n > 1'000'000'000'000) break;
        n = n * 10 + (line[i] - '0');
    }
    return n;
}

std::optional<ImportedContact> ediContact(std::string_view line, bool& readable) {
    std::array<std::string_view, 10> fields;
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < fields.size()) {
        const auto semi = line.find(';', start);
        fields[count++] = line.substr(start, semi == std::string_view::npos ? semi : semi - start);
        if (semi == std::string_view::npos) break;
        start = semi + 1;
    }
    readable = count == fields.size();
    if (!readable) return std::nullopt;
    ImportedContact c;
    c.locator = composeLocator(withoutControls(fields[9]));
    if (!namesSquare(c.locator)) return std::nullopt;
    c.call = upperLatin1(withoutControls(fields[2]));
    if (isBlank(c.call)) return std::nullopt;
    const std::string date = withoutControls(fields[0]);
    if (isBlank(date)) return std::nullopt;
    c.date.append(midText(date, 5, 2)).append("/").append(midText(date, 3, 2));
    c.date.append("/").append(midText(date, 1, 2));
    return c;
}

EdiOutcome readEdi(QIODevice& device, const EdiHandlers& handlers, std::string& error) {
    EdiOutcome outcome;
    LineReader reader(device);
    std::string_view line;
    // False at the end of the log; a line too long to read counts as
    // unreadable and reads as an empty one.
    const auto next = [&]() {
        line = {};
        const LineRead r = reader.next(line, error);
        if (r == LineRead::TooLong) ++outcome.unreadable;
        return r != LineRead::End;
    };
    const auto endOfLog = [&]() {
        outcome.end = error.empty() ? EdiEnd::EndOfLog : EdiEnd::Stopped;
        return outcome;
    };
    for (;;) {
        do {
            if (!next()) return endOfLog();
        } while (!containsIgnoreCase(line, "pband="));
        if (!handlers.confirmBand(ediBandText(line))) {
            outcome.end = EdiEnd::Cancelled;
            return outcome;
        }
        do {
            if (!next()) return endOfLog();
        } while (!containsIgnoreCase(line, "qsorecords;"));
        const std::int64_t n = ediRecordCount(line);
        for (std::int64_t i = 0; i < n; ++i) {
            const std::int64_t before = outcome.unreadable;
            if (!next()) return endOfLog();
            if (outcome.unreadable == before) {
                bool readable = false;
                const auto contact = ediContact(line, readable);
                if (!readable) ++outcome.unreadable;
                if (contact && !handlers.contact(*contact)) {
                    outcome.end = EdiEnd::Stopped;
                    return outcome;
                }
            }
            if (handlers.contactLine) handlers.contactLine();
        }
    }
}

}  // namespace morvel
