#include "database/square_input.h"

#include <QRegularExpression>
#include <utility>

#include "database/field_record.h"

namespace morvel {
namespace {

// Character classes are spelled out as ASCII: QChar::isLetter and "\d" would
// let through letters and digits the single-byte file cannot hold.
bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

std::string padded(const QString& ascii, std::size_t width) {
    std::string out = ascii.toStdString();
    out.resize(width, ' ');
    return out;
}

std::optional<QString> checkCall(const QString& text, std::string& stored) {
    const QString call = text.trimmed();
    if (call.isEmpty()) return QStringLiteral("No Callsign - save aborted");
    for (const QChar c : call) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'/')
            return QStringLiteral(
                "The call may hold only letters, digits and \"/\" - save aborted");
    }
    if (static_cast<std::size_t>(call.size()) > SquareEntry::kCallsignSize)
        return QStringLiteral("The call may have at most 10 characters - save aborted");
    stored = padded(call.toUpper(), SquareEntry::kCallsignSize);
    return std::nullopt;
}

bool isLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int month, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<QString> checkDate(const QString& text, std::string& stored) {
    const QString date = text.trimmed();
    if (date.isEmpty()) return QStringLiteral("No Date worked - save aborted");
    struct Form {
        QRegularExpression pattern;
        int dayAt, monthAt, yearAt;
    };
    static const Form forms[] = {
        {QRegularExpression(QStringLiteral("^([0-9]{1,2})/([0-9]{1,2})/([0-9]{2}|[0-9]{4})$")), 1,
         2, 3},
        {QRegularExpression(QStringLiteral("^([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})$")), 3, 2, 1},
        {QRegularExpression(QStringLiteral("^([0-9]{4})([0-9]{2})([0-9]{2})$")), 3, 2, 1}};
    int day = 0, month = 0, year = 0;
    for (const Form& form : forms) {
        const auto m = form.pattern.match(date);
        if (!m.hasMatch()) continue;
        day = m.capturedView(form.dayAt).toInt();
        month = m.capturedView(form.monthAt).toInt();
        year = m.capturedView(form.yearAt).toInt();
        if (m.capturedLength(form.yearAt) == 2) year += 2000;
    }
    // A text in none of the forms leaves the year 0, which fails here too.
    if (year < 1900 || year > 2099 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(month, year))
        return QStringLiteral(
                   "%1 is not a date; write it as dd/mm/yy, dd/mm/yyyy, yyyy-mm-dd or yyyymmdd "
                   "- save aborted")
            .arg(date);
    stored = QString::asprintf("%02d/%02d/%02d", day, month, year % 100).toStdString();
    return std::nullopt;
}

std::optional<QString> checkLocator(const QString& text, std::string_view square,
                                    std::string& stored) {
    const QString locator = text.trimmed();
    if (locator.size() < 4) return QStringLiteral("Invalid QRA - save aborted");
    const QString squareName =
        QString::fromLatin1(square.data(), static_cast<qsizetype>(square.size())).toUpper();
    static const QRegularExpression shape(
        QStringLiteral("^[A-Ra-r]{2}[0-9]{2}([A-Xa-x]{2}([0-9]{2})?)?$"));
    if (!shape.match(locator).hasMatch())
        return QStringLiteral(
                   "%1 is not a locator; type %2, or %2 and two letters A-X - save aborted")
            .arg(locator, squareName);
    if (locator.left(4).toUpper() != squareName)
        return QStringLiteral("%1 is not in square %2 - save aborted")
            .arg(locator.toUpper(), squareName);
    stored =
        padded(locator.left(4).toUpper() + locator.mid(4, 2).toLower(), SquareEntry::kLocatorSize);
    return std::nullopt;
}

}  // namespace

std::optional<QString> checkSquareInput(const SquareInput& input, std::string_view square,
                                        SquareTexts& stored) {
    SquareTexts texts;
    if (auto refusal = checkCall(input.call, texts.call)) return refusal;
    if (auto refusal = checkDate(input.date, texts.date)) return refusal;
    if (auto refusal = checkLocator(input.locator, square, texts.locator)) return refusal;
    stored = std::move(texts);
    return std::nullopt;
}

}  // namespace morvel
