#include "dates.h"

#include "digits.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace dalil::Dates {

namespace {

// The first day the cheque book takes.
const QDate firstChequeDay(2002, 1, 1);

} // namespace

double leadingNumber(const QString &text)
{
    QString compact;
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact += c;
    }
    const auto isDigit = [&](qsizetype i) { return i < compact.size() && compact[i] >= u'0' && compact[i] <= u'9'; };
    qsizetype i = 0;
    if (i < compact.size() && (compact[i] == u'+' || compact[i] == u'-'))
        ++i;
    const qsizetype digitsFrom = i;
    while (isDigit(i))
        ++i;
    if (i < compact.size() && compact[i] == u'.') {
        ++i;
        while (isDigit(i))
            ++i;
    }
    if (i == digitsFrom || (i == digitsFrom + 1 && compact[digitsFrom] == u'.'))
        return 0;
    qsizetype end = i;
    if (i < compact.size() && (compact[i] == u'e' || compact[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < compact.size() && (compact[j] == u'+' || compact[j] == u'-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            end = j;
        }
    }
    return compact.left(end).toDouble();
}

QCalendar::YearMonthDay parts(QDate date, QCalendar calendar)
{
    return calendar.partsFromDate(date);
}

QString weekdayName(QDate date, QCalendar calendar)
{
    // By Qt's numbering, Monday first.
    static const QStringList names{QStringLiteral("الإثنين"), QStringLiteral("الثلاثاء"),
                                   QStringLiteral("الأربعاء"), QStringLiteral("الخميس"),
                                   QStringLiteral("الجمعة"),  QStringLiteral("السبت"),
                                   QStringLiteral("الأحد")};
    return names.value(calendar.dayOfWeek(date) - 1);
}

bool appointmentMonthPassed(const QString &month, const QString &year, QDate today, QCalendar calendar)
{
    const QCalendar::YearMonthDay now = parts(today, calendar);
    return leadingNumber(month) < now.month && leadingNumber(year) <= now.year;
}

bool chequeDateRefused(const QString &day, const QString &month, const QString &year, QCalendar calendar)
{
    return leadingNumber(day) > calendar.maximumDaysInMonth()
           || leadingNumber(month) > calendar.maximumMonthsInYear()
           || leadingNumber(year) < parts(firstChequeDay, calendar).year;
}

QString dateText(QDate date, QCalendar calendar)
{
    return QLocale().toString(date, QLocale::ShortFormat, calendar);
}

QString partsText(const QString &day, const QString &month, const QString &year)
{
    // The right-to-left mark after each part keeps the parts in reading order: without
    // it a run of digits and slashes would read left to right, the year last.
    QStringList parts{day, month, year};
    parts.removeAll(QString());
    return parts.join(QStringLiteral("\u200F/"));
}

QString timeText(QTime time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    return QLocale().toString(time, format.trimmed());
}

std::optional<int> wholeNumber(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    int n = 0;
    for (const QChar c : text) {
        const int digit = digitValue(c);
        if (digit < 0)
            return std::nullopt;
        n = n * 10 + digit;
    }
    return n;
}

std::optional<QDate> dateOf(const QString &day, const QString &month, const QString &year, QCalendar calendar)
{
    const std::optional<int> d = wholeNumber(day);
    const std::optional<int> m = wholeNumber(month);
    const std::optional<int> y = wholeNumber(year);
    if (!d || !m || !y)
        return std::nullopt;
    const QDate date(*y, *m, *d, calendar);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

} // namespace dalil::Dates
