#include "exchange.h"

namespace dalil::Exchange {

QStringList columns(const QString &book)
{
    if (book == QLatin1String("Phone"))
        return {PhoneColumns::name, PhoneColumns::address, PhoneColumns::email, PhoneColumns::fax,
                PhoneColumns::office, PhoneColumns::mobile, PhoneColumns::home, PhoneColumns::notes};
    if (book == QLatin1String("Note"))
        return {NoteColumns::weekday, NoteColumns::day, NoteColumns::month, NoteColumns::year, NoteColumns::time,
                NoteColumns::text};
    if (book == QLatin1String("Cheque"))
        return {ChequeColumns::day, ChequeColumns::month, ChequeColumns::year, ChequeColumns::payee,
                ChequeColumns::dinars, ChequeColumns::fils, ChequeColumns::words, ChequeColumns::reason};
    return {};
}

} // namespace dalil::Exchange
