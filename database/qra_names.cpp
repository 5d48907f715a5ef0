#include "database/qra_names.h"

#include <QString>

namespace morvel {

int recordNumber(char first, char second) {
    return kFieldLetters * (static_cast<unsigned char>(first) - 'A') +
           (static_cast<unsigned char>(second) - 'A') + 1;
}

bool isValidRecordNumber(int n) {
    return n >= 1 && n <= kRecordCount;
}

std::string fieldLetters(int recordNo) {
    const int index = recordNo - 1;
    return {static_cast<char>('A' + index / kFieldLetters),
            static_cast<char>('A' + index % kFieldLetters)};
}

int slotIndex(char firstDigit, char secondDigit) {
    return 10 * (firstDigit - '0') + (secondDigit - '0');
}

const std::vector<std::string>& bandList() {
    static const std::vector<std::string> bands = {"10m",  "6m",   "4m",  "2m",  "70cm",
                                                   "23cm", "13cm", "9cm", "6cm", "3cm"};
    return bands;
}

QString bandFromFileName(const QString& fileName) {
    const qsizetype blank = fileName.indexOf(QLatin1Char(' '));
    if (blank >= 0) return fileName.left(blank);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString homeLocatorFromFileName(const QString& fileName) {
    const qsizetype at = fileName.indexOf(QLatin1String("M "));
    const qsizetype start = at < 0 ? 1 : at + 2;
    if (start >= fileName.size()) return {};
    return fileName.mid(start, 6);
}

QString buildFileName(const QString& band, const QString& locator, const QString& tag) {
    return (band + QLatin1Char(' ') + locator + QLatin1Char(' ') + tag + QStringLiteral(".qra"))
        .toUpper();
}

std::string upperLatin1(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperLatin1Byte(c);
    return out;
}

std::string lowerLatin1(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerLatin1Byte(c);
    return out;
}

std::string toLatin1Text(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text)
        out.push_back(ch.unicode() < 0x100 ? static_cast<char>(ch.unicode()) : '?');
    return out;
}

QString fromRecordText(std::string_view text) {
    QString shown = fromLatin1Text(text);
    shown.replace(QChar(0), QLatin1Char(' '));
    return shown;
}

QString fromLatin1Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace morvel
