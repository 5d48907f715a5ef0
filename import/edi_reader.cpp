#include "import/edi_reader.h"

#include <algorithm>
#include <array>
#include <utility>
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

// One line without its line end (LF, CR LF or a lone CR), read from the
// device in chunks: a line is gathered in a buffer of fixed size, and a line
// longer than kMaxEdiLine is passed over to its end and reported as too long.
class LineReader {
public:
    explicit LineReader(QIODevice& device) : device_(device) { line_.reserve(kMaxEdiLine); }

    LineRead next(std::string_view& line, QString& error) {
        line_.clear();
        bool started = false;
        bool tooLong = false;
        for (;;) {
            if (at_ == size_ && !fill(error)) {
                if (!error.isEmpty() || !started) return LineRead::End;
                break;
            }
            // The LF of a CR LF whose CR ended the line before.
            if (std::exchange(afterCr_, false) && chunk_[at_] == '\n') {
                ++at_;
                continue;
            }
            started = true;
            const char* const from = chunk_.data() + at_;
            const char* const to = chunk_.data() + size_;
            const char* const stop =
                std::find_if(from, to, [](char c) { return c == '\n' || c == '\r'; });
            const auto n = static_cast<std::size_t>(stop - from);
            if (!tooLong && line_.size() + n <= static_cast<std::size_t>(kMaxEdiLine)) {
                line_.append(from, n);
            } else {
                tooLong = true;
                line_.clear();
            }
            at_ += n;
            if (stop != to) {
                afterCr_ = *stop == '\r';
                ++at_;
                break;
            }
        }
        if (tooLong) return LineRead::TooLong;
        line = line_;
        return LineRead::Line;
    }

private:
    // False at the end of the device or on a failed read (error set).
    bool fill(QString& error) {
        at_ = 0;
        const qint64 n = device_.read(chunk_.data(), static_cast<qint64>(chunk_.size()));
        if (n < 0) error = device_.errorString();
        size_ = n > 0 ? static_cast<std::size_t>(n) : 0;
        return size_ > 0;
    }

    QIODevice& device_;
    std::vector<char> chunk_ = std::vector<char>(64 * 1024);
    std::size_t at_ = 0;
    std::size_t size_ = 0;
    bool afterCr_ = false;
    std::string line_;
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
    readLogLocator(fields[9], c.locator);
    if (!namesSquare(c.locator)) return std::nullopt;
    readLogCall(fields[2], c.call);
    if (isBlank(c.call)) return std::nullopt;
    const LogDate date = readEdiDate(fields[0], c.date);
    readable = date != LogDate::Malformed;
    if (date != LogDate::Read) return std::nullopt;
    return c;
}

EdiOutcome readEdi(QIODevice& device, const EdiHandlers& handlers, QString& error) {
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
        outcome.end = error.isEmpty() ? EdiEnd::EndOfLog : EdiEnd::Stopped;
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
                if (contact && handlers.acceptedLine) handlers.acceptedLine(line);
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
