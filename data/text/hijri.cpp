#include "hijri.h"

#include <QCalendar>
#include <QStringList>
#include <QThreadPool>
#include <QVariant>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace dalil::Hijri {

namespace {

// The first day of every month that Umm al-Qura's tables cover, as Julian days, and the day
// after the last month: read from ICU once, then every conversion is a search in it.
struct UmmAlQuraMonths
{
    static constexpr int firstYear = 1300;
    static constexpr int lastYear = 1600;

    std::vector<qint64> starts;

    bool covers(qint64 julianDay) const
    {
        return !starts.empty() && julianDay >= starts.front() && julianDay < starts.back();
    }
    bool coversYear(int year) const { return !starts.empty() && year >= firstYear && year <= lastYear; }
    static qsizetype index(int year, int month) { return qsizetype(year - firstYear) * 12 + month - 1; }
};

const UmmAlQuraMonths &ummAlQura()
{
    static const UmmAlQuraMonths months = [] {
        UmmAlQuraMonths m;
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(
            icu::TimeZone::getGMT()->clone(), icu::Locale("ar_SA@calendar=islamic-umalqura"), status));
        if (U_FAILURE(status) || !calendar)
            return m; // without ICU's tables every day is counted by the tabular calendar
        std::vector<qint64> starts;
        starts.reserve((UmmAlQuraMonths::lastYear - UmmAlQuraMonths::firstYear + 1) * 12 + 1);
        for (int year = UmmAlQuraMonths::firstYear; year <= UmmAlQuraMonths::lastYear; ++year) {
            for (int month = 0; month < 12; ++month) {
                calendar->clear();
                calendar->set(year, month, 1);
                const qint64 start = calendar->get(UCAL_JULIAN_DAY, status);
                const int length = calendar->getActualMaximum(UCAL_DAY_OF_MONTH, status);
                if (U_FAILURE(status) || length < 29 || length > 30
                    || (!starts.empty() && start != starts.back()))
                    return m;
                if (starts.empty())
                    starts.push_back(start);
                starts.push_back(start + length);
            }
        }
        m.starts = std::move(starts);
        return m;
    }();
    return months;
}

const QCalendar &tabular()
{
    static const QCalendar calendar(QCalendar::System::IslamicCivil);
    return calendar;
}

const QStringList &monthNames()
{
    static const QStringList names{QStringLiteral("محرم"),       QStringLiteral("صفر"),
                                   QStringLiteral("ربيع الأول"),  QStringLiteral("ربيع الآخر"),
                                   QStringLiteral("جمادى الأولى"), QStringLiteral("جمادى الآخرة"),
                                   QStringLiteral("رجب"),        QStringLiteral("شعبان"),
                                   QStringLiteral("رمضان"),      QStringLiteral("شوال"),
                                   QStringLiteral("ذو القعدة"),   QStringLiteral("ذو الحجة")};
    return names;
}

const QString yearMark = QStringLiteral("هـ");

} // namespace

Converter::Converter(Options options)
    : m_options(options)
{
    m_options.adjustment = std::clamp(m_options.adjustment, -Options::maxAdjustment, Options::maxAdjustment);
}

Date Converter::unadjusted(QDate date) const
{
    if (!date.isValid())
        return {};
    const qint64 day = date.toJulianDay();
    const UmmAlQuraMonths &table = ummAlQura();
    if (m_options.system == System::UmmAlQura && table.covers(day)) {
        const auto next = std::upper_bound(table.starts.begin(), table.starts.end(), day);
        const qsizetype month = next - table.starts.begin() - 1;
        return {UmmAlQuraMonths::firstYear + int(month / 12), int(month % 12) + 1, int(day - *(next - 1)) + 1, false};
    }
    const QCalendar::YearMonthDay parts = tabular().partsFromDate(date);
    if (!parts.isValid() || parts.year < 1)
        return {};
    return {parts.year, parts.month, parts.day, m_options.system != System::Tabular};
}

Date Converter::fromGregorian(QDate date) const
{
    return date.isValid() ? unadjusted(date.addDays(m_options.adjustment)) : Date();
}

qint64 Converter::monthStart(int year, int month, bool *isTabular) const
{
    *isTabular = false;
    if (month < 1 || month > 12 || year < 1)
        return 0;
    const UmmAlQuraMonths &table = ummAlQura();
    if (m_options.system == System::UmmAlQura && table.coversYear(year))
        return table.starts[size_t(UmmAlQuraMonths::index(year, month))];
    *isTabular = true;
    const QDate first = tabular().dateFromParts(year, month, 1);
    return first.isValid() ? first.toJulianDay() : 0;
}

int Converter::daysInMonth(int year, int month) const
{
    bool isTabular = false;
    if (!monthStart(year, month, &isTabular))
        return 0;
    if (!isTabular) {
        const UmmAlQuraMonths &table = ummAlQura();
        const size_t i = size_t(UmmAlQuraMonths::index(year, month));
        return int(table.starts[i + 1] - table.starts[i]);
    }
    return tabular().daysInMonth(month, year);
}

QDate Converter::toGregorian(int year, int month, int day) const
{
    bool isTabular = false;
    const qint64 start = monthStart(year, month, &isTabular);
    if (!start || day < 1 || day > daysInMonth(year, month))
        return {};
    return QDate::fromJulianDay(start + day - 1).addDays(-m_options.adjustment);
}

QDate Converter::ummAlQuraFirstDay()
{
    const UmmAlQuraMonths &table = ummAlQura();
    return table.starts.empty() ? QDate() : QDate::fromJulianDay(table.starts.front());
}

QDate Converter::ummAlQuraLastDay()
{
    const UmmAlQuraMonths &table = ummAlQura();
    return table.starts.empty() ? QDate() : QDate::fromJulianDay(table.starts.back() - 1);
}

QString monthName(int month)
{
    return monthNames().value(month - 1);
}

QString tabularMark()
{
    return QStringLiteral("(حسابي)");
}

QString dateText(const Date &date)
{
    if (!date.isValid())
        return {};
    QString text = QStringLiteral("%1 %2 %3 %4").arg(date.day).arg(monthName(date.month)).arg(date.year).arg(yearMark);
    if (date.tabular)
        text += u' ' + tabularMark();
    return text;
}

QString monthsText(QDate first, QDate last, const Converter &converter)
{
    // Each Hijri month met once, in order; the year after the last month of each year.
    QList<Date> months;
    bool anyTabular = false;
    for (QDate day = first; day.isValid() && day <= last; day = day.addDays(1)) {
        const Date h = converter.fromGregorian(day);
        if (!h.isValid())
            continue;
        anyTabular = anyTabular || h.tabular;
        if (months.isEmpty() || months.last().month != h.month || months.last().year != h.year)
            months << h;
    }
    QStringList parts;
    for (qsizetype i = 0; i < months.size(); ++i) {
        QString part = monthName(months.at(i).month);
        if (i + 1 == months.size() || months.at(i + 1).year != months.at(i).year)
            part += u' ' + QString::number(months.at(i).year);
        parts << part;
    }
    if (parts.isEmpty())
        return {};
    QString text = parts.join(QStringLiteral(" – ")) + u' ' + yearMark;
    if (anyTabular)
        text += u' ' + tabularMark();
    return text;
}

void prepare()
{
    QThreadPool::globalInstance()->start([] { ummAlQura(); });
}

} // namespace dalil::Hijri
