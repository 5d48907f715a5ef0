#include "ui/square_validators.h"

#include <utility>

#include "database/field_record.h"

namespace morvel {

BoxTextValidator::BoxTextValidator(bool letters, QString others, int maxLength, QObject* parent)
    : QValidator(parent), letters_(letters), others_(std::move(others)), maxLength_(maxLength) {}

QValidator::State BoxTextValidator::validate(QString& input, int&) const {
    if (maxLength_ > 0 && input.size() > maxLength_) return Invalid;
    for (const QChar c : input) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        const bool digit = c >= u'0' && c <= u'9';
        if (!(c == u' ' || digit || (letters_ && letter) || others_.contains(c))) return Invalid;
    }
    return Acceptable;
}

CallValidator::CallValidator(QObject* parent)
    : BoxTextValidator(true, QStringLiteral("/"), static_cast<int>(SquareEntry::kCallsignSize),
                       parent) {}

DateValidator::DateValidator(QObject* parent)
    : BoxTextValidator(false, QStringLiteral("/-"), 0, parent) {}

LocatorValidator::LocatorValidator(QObject* parent)
    : BoxTextValidator(true, QString(), 0, parent) {}

}  // namespace morvel
