// The digits a user may type or a file may hold: 0 to 9, the Arabic-Indic ٠ to ٩ and the
// Persian ۰ to ۹, each read as the same number. Every reader of typed figures (dates, times,
// amounts, search keys) goes through here.
#pragma once

#include <QChar>
#include <QString>

namespace dalil {

// The digit's value, 0 to 9; -1 for any other character.
constexpr int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= 0x0660 && u <= 0x0669)
        return u - 0x0660;
    if (u >= 0x06F0 && u <= 0x06F9)
        return u - 0x06F0;
    return -1;
}

// The digit written 0 to 9; any other character as it is.
constexpr QChar latinDigit(QChar c)
{
    const int value = digitValue(c);
    return value < 0 ? c : QChar(char16_t(u'0' + value));
}

// The text with every digit written 0 to 9; the rest as it is.
inline QString toLatinDigits(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        c = latinDigit(c);
    return out;
}

} // namespace dalil
