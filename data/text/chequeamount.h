// What a cheque's amount may be, for the cheque window and for an import alike: dinars and fils
// each a whole number written in the digits 0 to 9 alone (no sign, no decimal point, no blank:
// nothing the database would turn into another number or refuse), of at most 12 digits, so
// that the sums of a lifetime of cheques stay exact whole numbers.
#pragma once

#include <QString>

#include <optional>

namespace dalil::ChequeAmount {

constexpr qsizetype maxDigits = 12;

enum class Fault { None, NotWhole, TooLong };

// What is wrong with a figure as typed (after its digits are read as 0 to 9); an empty text
// is no whole number.
constexpr Fault faultOf(QStringView figure)
{
    if (figure.isEmpty())
        return Fault::NotWhole;
    for (const QChar c : figure) {
        if (c < u'0' || c > u'9')
            return Fault::NotWhole;
    }
    return figure.size() > maxDigits ? Fault::TooLong : Fault::None;
}

// The figure's value when it has no fault.
inline std::optional<qint64> valueOf(QStringView figure)
{
    if (faultOf(figure) != Fault::None)
        return std::nullopt;
    return figure.toLongLong();
}

// The message that tells the user the fault, in Arabic.
inline QString message(Fault fault)
{
    switch (fault) {
    case Fault::NotWhole:
        return QStringLiteral("الرجاء إدخال قيمة المبلغ بالأرقام الصحيحة فقط، دون فاصلة عشرية أو إشارة");
    case Fault::TooLong:
        return QStringLiteral("الرجاء إدخال قيمة المبلغ بما لا يزيد على 12 رقماً للدينار و12 رقماً للفلس");
    case Fault::None:
        break;
    }
    return {};
}

} // namespace dalil::ChequeAmount
