// The Hijri date beside the Gregorian one: Umm al-Qura (the official almanac) or the tabular
// calendar, moved by up to two days for the local sighting of the moon, in both directions.
// Days that Umm al-Qura's tables do not cover are counted by the tabular calendar and say so.
// The choice is kept in DB1.mdb, in Dalil's own DalilOptions table (store/hijrioptions.h).
#pragma once

#include <QDate>
#include <QString>

namespace dalil::Hijri {

enum class System { UmmAlQura, Tabular };

struct Options
{
    static constexpr int maxAdjustment = 2;

    System system = System::UmmAlQura;
    // Days added to every Hijri date: +1 where the month was sighted a day earlier than the
    // almanac has it (each day then a day further into the month), -1 a day later.
    int adjustment = 0;

    bool operator==(const Options &) const = default;
};

struct Date
{
    int year = 0;
    int month = 0; // 1 Muharram .. 12 Dhu al-Hijjah
    int day = 0;
    // Counted by the tabular calendar because the chosen one does not reach this day.
    bool tabular = false;

    bool isValid() const { return day > 0; }
    bool operator==(const Date &) const = default;
};

class Converter
{
public:
    explicit Converter(Options options = {});

    Options options() const { return m_options; }

    // The Hijri date of a Gregorian day; invalid before the first year of the Hijra.
    Date fromGregorian(QDate date) const;
    // The Gregorian day of a Hijri date; invalid when the month has no such day.
    QDate toGregorian(int year, int month, int day) const;
    // Days in a Hijri month, 29 or 30 (0 for a month that does not exist).
    int daysInMonth(int year, int month) const;

    // The Gregorian days that Umm al-Qura's tables cover (1 Muharram 1300 to the end of 1600).
    static QDate ummAlQuraFirstDay();
    static QDate ummAlQuraLastDay();

private:
    Date unadjusted(QDate date) const;
    // The month's first day as a Julian day without the adjustment, or 0; tabular says
    // which calendar counted it.
    qint64 monthStart(int year, int month, bool *tabular) const;

    Options m_options;
};

// The name of a Hijri month, 1 to 12.
QString monthName(int month);
// "1 رمضان 1445 هـ", marked when the tabular calendar stood in for the chosen one; empty for
// an invalid date.
QString dateText(const Date &date);
// The Hijri months over a run of Gregorian days, for a month page's header:
// "شعبان – رمضان 1445 هـ", "ذو الحجة 1445 – محرم 1446 هـ".
QString monthsText(QDate first, QDate last, const Converter &converter);
// The mark after a date counted by the tabular calendar in place of Umm al-Qura.
QString tabularMark();

// Reads the Umm al-Qura months from ICU (a tenth of a second, once per run) on a thread of
// the pool, so that the first Hijri date the windows show waits for nothing. A date asked for
// meanwhile waits for that reading to end.
void prepare();

} // namespace dalil::Hijri
