// The appointment book in iCalendar files (RFC 5545), read and written one appointment at a
// time through libical, so that a calendar of any size streams.
//
// Writing: one VEVENT per appointment, with a UID (the appointment's own, Exchange::uidField,
// or without one a digest of it, Exchange::DigestUids), DTSTAMP, SUMMARY (the appointment's
// text), and
//  - when ClockTime::read reads the time: DTSTART at that date and time in the writer's zone,
//    written in UTC ("…Z", which every program reads), and a DURATION of one hour;
//  - otherwise an all-day event: DTSTART;VALUE=DATE and a DURATION of one day, the time's
//    text, if any, in DESCRIPTION so that other programs show it.
// The date is read from the day, month and year columns: each a whole number (Western,
// Arabic-Indic or Extended Arabic-Indic digits, blanks around it), together a Gregorian date
// in the years 1 to 3000 (libical writes no later year). An appointment whose date does not
// read so cannot be placed in a calendar: the writer leaves it out, counts it (skipped()) and
// says so in notices().
//
// Reading goes line by line (CRLF or LF, folded lines joined, a BOM at the start passed over),
// keeps the file's VTIMEZONEs as they come, and hands each VEVENT on its own to libical. It
// stops at the first problem, naming its line: not a calendar, a BEGIN without its END (or an
// END without its BEGIN), a line that is not iCalendar's name;parameters:value, text that is
// not UTF-8, a line longer than Exchange::longestLine, an event libical cannot read (an empty
// value or a property libical does not know is no fault), a DTSTART missing or not a date.
// Reading gives, for each event: the date and time of its start in the reader's zone (a time
// with TZID through the file's VTIMEZONE of that name, else the Olson zone of that name, else
// as local time with a notice; UTC "Z"; floating as local) as التاريخ, الشهر, العام in
// Western digits without leading zeros ("7", "12", "2026"), the weekday's name from
// Dates::weekdayName, the time as ClockTime::text ("3:30 م"), and SUMMARY as الموعد (the
// DESCRIPTION when the SUMMARY is empty or missing), and its UID as the record's
// (Exchange::uidField). An all-day event has no time (an empty الساعة). Recurring events (RRULE, RDATE, EXDATE) give one appointment per occurrence whose
// start falls in [from, to] in the reader's zone, each with the event's UID followed by '-'
// and its start ("…-20270111T090000", "…-20270111" for a day); an event that does not recur
// is read wherever it lies. Other components (to-dos, journals) are passed over and counted in the
// notices.
//
// Exact round trip. What the reader derives from the standard properties may differ from what
// the book held: a weekday that is not the date's, "05" as a day, "الساعة ٣ م" for 15:00, a
// text iCalendar cannot carry. The writer then adds, to that event only, the stored text of
// each column that differs:
//    X-DALIL-WEEKDAY  اليوم        X-DALIL-DAY   التاريخ     X-DALIL-MONTH  الشهر
//    X-DALIL-YEAR     العام        X-DALIL-TIME  الساعة      X-DALIL-TEXT   الموعد
// and the reader takes them in place of what it derives (in an event that does not recur; the
// writer writes no other), so that writing then reading gives back every column exactly.
// Other programs ignore X- properties and keep them.
//
// Escape of the X-DALIL- values. iCalendar text carries neither NUL, CR, the other C0
// controls (TAB and LF apart) nor DEL, nor an unpaired UTF-16 surrogate, and libical drops the
// blanks at either end of a value. In an X-DALIL- value every C0 control (TAB and LF
// included), DEL, a space at either end, '%', '\', ';' and ',' are written '%' with two hex
// digits of their code ("%00", "%0D", "%7F", "%20", "%25"), an unpaired surrogate '%u' with
// four ("%uD800"); an empty text is a lone '%' (libical refuses an empty property
// value). The value then needs none of iCalendar's own escapes, and any parser keeps it
// as it is. The SUMMARY and DESCRIPTION that other programs show carry the text with the
// characters iCalendar cannot carry left out.
#pragma once

#include "exchange.h"

#include <QDate>
#include <QIODevice>
#include <QTimeZone>

#include <memory>

namespace dalil::ICalendar {

// The names of the X- properties, by column.
namespace Properties {
inline constexpr char weekday[] = "X-DALIL-WEEKDAY";
inline constexpr char day[] = "X-DALIL-DAY";
inline constexpr char month[] = "X-DALIL-MONTH";
inline constexpr char year[] = "X-DALIL-YEAR";
inline constexpr char time[] = "X-DALIL-TIME";
inline constexpr char text[] = "X-DALIL-TEXT";
} // namespace Properties

// The escape of the X-DALIL- values described above, both ways. unescaped() gives nothing
// for a text that is not such an escape (a '%' without its digits).
QString escaped(const QString &text);
std::optional<QString> unescaped(const QString &text);

// A writer of appointments that says what it could not write.
class Writer : public Exchange::RecordWriter
{
public:
    // The appointments left out because their date does not read.
    virtual int skipped() const = 0;
    // For the user, in Arabic, one line each: what was left out, and why.
    virtual QStringList notices() const = 0;
};

// Reads the appointments of an iCalendar file; recurring events expand within [from, to].
// With details, an event's description, place and length are kept as lines of its text;
// without, the text is its title alone (the sync, which leaves those to the server).
std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in, QDate from, QDate to, const QTimeZone &zone,
                                               bool details = true);

// Writes appointments as an iCalendar file; their dates and times are in zone.
std::unique_ptr<Writer> writer(QIODevice *out, const QTimeZone &zone);

} // namespace dalil::ICalendar
