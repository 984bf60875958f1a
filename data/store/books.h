// The three books of DB1.mdb as the program knows them: each book's table and its columns, in
// the table's order. Every reader and writer of a book, every window and every file format
// names a column from here, so that a column is spelt in one place.
#pragma once

#include <QString>
#include <QStringList>

namespace dalil::Books {

inline const QString phone = QStringLiteral("Phone");
inline const QString note = QStringLiteral("Note");
inline const QString cheque = QStringLiteral("Cheque");
// The stored query summing the cheque book by payee.
inline const QString chequeTotals = QStringLiteral("TotalCheque");

namespace PhoneColumns {
inline const QString name = QStringLiteral("الإسم");
inline const QString address = QStringLiteral("العنوان");
inline const QString email = QStringLiteral("البريد الإلكتروني");
inline const QString fax = QStringLiteral("فاكس");
inline const QString office = QStringLiteral("المكتب");
inline const QString mobile = QStringLiteral("الجوال");
inline const QString home = QStringLiteral("المنزل");
inline const QString notes = QStringLiteral("ملاحظات");
} // namespace PhoneColumns

namespace NoteColumns {
inline const QString weekday = QStringLiteral("اليوم");
inline const QString day = QStringLiteral("التاريخ");
inline const QString month = QStringLiteral("الشهر");
inline const QString year = QStringLiteral("العام");
inline const QString time = QStringLiteral("الساعة");
inline const QString text = QStringLiteral("الموعد");
} // namespace NoteColumns

namespace ChequeColumns {
inline const QString day = QStringLiteral("اليوم");
inline const QString month = QStringLiteral("الشهر");
inline const QString year = QStringLiteral("العام");
inline const QString payee = QStringLiteral("السيد");
// Whole numbers, each of at most 12 digits (see text/chequeamount.h); the rest are texts.
inline const QString dinars = QStringLiteral("دينار");
inline const QString fils = QStringLiteral("فلس");
inline const QString words = QStringLiteral("المبلغ");
inline const QString reason = QStringLiteral("السبب");
} // namespace ChequeColumns

// What a column holds: a text; a part of a date (a day, a month or a year, typed as digits,
// which another program may keep as numbers); or an amount, a whole number (dinars, fils).
enum class Kind { Text, DatePart, Amount };

inline Kind kindOf(const QString &book, const QString &column)
{
    if (book == note)
        return column == NoteColumns::day || column == NoteColumns::month || column == NoteColumns::year ? Kind::DatePart
                                                                                                         : Kind::Text;
    if (book == cheque) {
        if (column == ChequeColumns::day || column == ChequeColumns::month || column == ChequeColumns::year)
            return Kind::DatePart;
        if (column == ChequeColumns::dinars || column == ChequeColumns::fils)
            return Kind::Amount;
    }
    return Kind::Text;
}

// The book's columns in the table's order: phone, note or cheque; none for another name.
inline QStringList columns(const QString &book)
{
    if (book == phone)
        return {PhoneColumns::name, PhoneColumns::address, PhoneColumns::email, PhoneColumns::fax,
                PhoneColumns::office, PhoneColumns::mobile, PhoneColumns::home, PhoneColumns::notes};
    if (book == note)
        return {NoteColumns::weekday, NoteColumns::day, NoteColumns::month, NoteColumns::year, NoteColumns::time,
                NoteColumns::text};
    if (book == cheque)
        return {ChequeColumns::day, ChequeColumns::month, ChequeColumns::year, ChequeColumns::payee,
                ChequeColumns::dinars, ChequeColumns::fils, ChequeColumns::words, ChequeColumns::reason};
    return {};
}

} // namespace dalil::Books
