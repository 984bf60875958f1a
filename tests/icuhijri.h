// ICU's own Hijri calendars, asked directly, to check the program's dates against: a day's
// Hijri date, a Hijri date's day and a month's length, and the texts a user reads.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>

namespace testing::icuhijri {

struct Day
{
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const Day &) const = default;
};

// "islamic-umalqura" or "islamic-civil".
inline icu::Calendar &calendar(const char *name)
{
    static std::unique_ptr<icu::Calendar> ummAlQura, civil;
    std::unique_ptr<icu::Calendar> &slot = qstrcmp(name, "islamic-civil") == 0 ? civil : ummAlQura;
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray locale = QByteArray("ar_SA@calendar=") + name;
        slot.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), icu::Locale(locale.constData()), status));
        if (U_FAILURE(status))
            qFatal("ICU has no %s calendar", name);
    }
    return *slot;
}

// Noon of the day, in ICU's milliseconds since 1970.
inline UDate noon(QDate date)
{
    return (double(date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) + 0.5) * 86400000.0;
}

inline Day fromGregorian(QDate date, const char *name)
{
    icu::Calendar &c = calendar(name);
    UErrorCode status = U_ZERO_ERROR;
    c.setTime(noon(date), status);
    Day d{c.get(UCAL_YEAR, status), c.get(UCAL_MONTH, status) + 1, c.get(UCAL_DATE, status)};
    return U_FAILURE(status) ? Day() : d;
}

inline QDate toGregorian(int year, int month, int day, const char *name)
{
    icu::Calendar &c = calendar(name);
    UErrorCode status = U_ZERO_ERROR;
    c.clear();
    c.set(year, month - 1, day);
    const UDate at = c.getTime(status);
    if (U_FAILURE(status))
        return {};
    return QDate(1970, 1, 1).addDays(qint64(std::floor(at / 86400000.0)));
}

inline int monthLength(int year, int month, const char *name)
{
    icu::Calendar &c = calendar(name);
    UErrorCode status = U_ZERO_ERROR;
    c.clear();
    c.set(year, month - 1, 1);
    const int length = c.getActualMaximum(UCAL_DAY_OF_MONTH, status);
    return U_FAILURE(status) ? 0 : length;
}

// The names as the almanac writes them.
inline QString monthName(int month)
{
    static const QStringList names{
        QStringLiteral("محرم"), QStringLiteral("صفر"), QStringLiteral("ربيع الأول"), QStringLiteral("ربيع الآخر"),
        QStringLiteral("جمادى الأولى"), QStringLiteral("جمادى الآخرة"), QStringLiteral("رجب"), QStringLiteral("شعبان"),
        QStringLiteral("رمضان"), QStringLiteral("شوال"), QStringLiteral("ذو القعدة"), QStringLiteral("ذو الحجة")};
    return names.value(month - 1);
}

// What the windows show for a Gregorian day, the adjustment added: "1 رمضان 1445 هـ". Umm
// al-Qura's tables cover 1300 to 1600; other years are counted by the tabular calendar and
// marked. Before the Hijra there is nothing to show.
inline QString dateText(QDate date, const char *name, int adjustment)
{
    if (!date.isValid())
        return {};
    const QDate moved = date.addDays(adjustment);
    Day d = fromGregorian(moved, name);
    const bool beyond = qstrcmp(name, "islamic-umalqura") == 0 && (d.year < 1300 || d.year > 1600);
    if (beyond)
        d = fromGregorian(moved, "islamic-civil");
    if (d.year < 1)
        return {};
    return QStringLiteral("%1 %2 %3 هـ%4").arg(d.day).arg(monthName(d.month)).arg(d.year)
        .arg(beyond ? QStringLiteral(" (حسابي)") : QString());
}

} // namespace testing::icuhijri
