#pragma once

#include <QValidator>

namespace morvel {

// Lets into a square editor box only the characters its slot field can hold,
// so that nothing is ever stored as "?". Blanks pass: the boxes show the
// slot's texts with their padding. The full check is checkSquareInput.
class BoxTextValidator : public QValidator {
public:
    State validate(QString& input, int& pos) const override;

protected:
    // Blanks and ASCII digits always, ASCII letters when `letters`, and the
    // `others`; at most `maxLength` characters (0: no limit).
    BoxTextValidator(bool letters, QString others, int maxLength, QObject* parent);

private:
    bool letters_;
    QString others_;
    int maxLength_;
};

// Letters, digits, "/" and blanks, at most 10 characters.
class CallValidator : public BoxTextValidator {
public:
    explicit CallValidator(QObject* parent = nullptr);
};

// Digits, "/", "-" and blanks.
class DateValidator : public BoxTextValidator {
public:
    explicit DateValidator(QObject* parent = nullptr);
};

// Letters, digits and blanks.
class LocatorValidator : public BoxTextValidator {
public:
    explicit LocatorValidator(QObject* parent = nullptr);
};

}  // namespace morvel
