// The program's dates: a date's day, month, year and weekday name, the checks of the dates
// typed in the entry windows, and the clock's texts. The calendar system is a parameter,
// Gregorian unless told otherwise, so that another (the Hijri) can take its place.
#pragma once

#include <QCalendar>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace dalil::Dates {

// The number at the start of a date box's text as the checks read it: blanks anywhere are
// skipped, then a sign, digits 0 to 9, a decimal part and an exponent; 0 when there is none.
// The boxes take any characters, and the checks must read them without failing.
double leadingNumber(const QString &text);

// A whole number in a date column as an exchange or a reminder reads it: blanks around it,
// then one to four digits of any of the three kinds (0-9, Arabic-Indic, Extended
// Arabic-Indic) and nothing else; nothing otherwise.
std::optional<int> wholeNumber(QStringView text);

// The date that a day, month and year typed in three boxes name: whole numbers (wholeNumber)
// that make a day of the calendar; nothing otherwise.
std::optional<QDate> dateOf(const QString &day, const QString &month, const QString &year,
                            QCalendar calendar = QCalendar());

// The day, month and year of a date in the calendar.
QCalendar::YearMonthDay parts(QDate date, QCalendar calendar = QCalendar());

// The Arabic name of a date's weekday.
QString weekdayName(QDate date, QCalendar calendar = QCalendar());

// An appointment's month and year as typed, against today: refused when the month lies
// before today's and the year is not a later one. The day takes no part.
bool appointmentMonthPassed(const QString &month, const QString &year, QDate today,
                            QCalendar calendar = QCalendar());

// A cheque's date as typed: refused when the day is past the calendar's longest month, the
// month past its last, or the year before the cheque book's first (2002). There is no
// lower bound for day and month and no upper bound for the year.
bool chequeDateRefused(const QString &day, const QString &month, const QString &year,
                       QCalendar calendar = QCalendar());

// The clock's texts: the date in the user's short format, and the time of day in the
// user's long format (with its seconds) without its time zone.
QString dateText(QDate date, QCalendar calendar = QCalendar());
QString timeText(QTime time);
// A day, a month and a year as a book stores them, whatever each holds, written as dateText
// writes a date in Arabic: the day first, read from the right. Empty parts are left out.
QString partsText(const QString &day, const QString &month, const QString &year);

} // namespace dalil::Dates
