// The appointment book's calendars: the free-text time read as a time of day; calendar files
// of other programs read as a reader of them expects; broken files refused at their line;
// recurring events expanded in a range; and every appointment, hostile texts included, back
// exactly after writing and reading, in a file libical and Python's icalendar both accept.
#include "data/exchange/icalendar.h"
#include "data/store/recordwrites.h"
#include "data/text/clocktime.h"
#include "data/text/dates.h"
#include "testdata.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <libical/ical.h>

namespace ClockTime = dalil::ClockTime;
namespace ICalendar = dalil::ICalendar;
namespace Exchange = dalil::Exchange;
namespace Columns = dalil::Exchange::NoteColumns;
using Values = dalil::Records::Values;
using Records = QList<Values>;

Q_DECLARE_METATYPE(std::optional<QTime>)

namespace {

const QTimeZone riyadh("Asia/Riyadh");

// An appointment as the book holds it, column by column; an empty text is no value.
Values note(const QString &weekday, const QString &day, const QString &month, const QString &year,
            const QString &time, const QString &text)
{
    Values v;
    const QStringList values{weekday, day, month, year, time, text};
    const QStringList columns = Exchange::columns(QStringLiteral("Note"));
    for (qsizetype i = 0; i < columns.size(); ++i)
        v.insert(columns[i], dalil::Records::valueForText(values[i]));
    return v;
}

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(":/icalendar/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no fixture %s", qPrintable(name));
    return file.readAll();
}

struct ReadResult
{
    Records records;
    Exchange::Problem problem;
    QStringList notices;
    qint64 position = 0;
};

ReadResult readAll(const QByteArray &bytes, QDate from = {}, QDate to = {}, const QTimeZone &zone = riyadh)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto reader = ICalendar::reader(&buffer, from, to, zone);
    ReadResult result;
    Values record;
    while (reader->next(record))
        result.records += record;
    result.problem = reader->problem();
    result.notices = reader->notices();
    result.position = reader->position();
    return result;
}

QByteArray writeAll(const Records &records, const QTimeZone &zone, int *skipped = nullptr,
                    QStringList *notices = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto writer = ICalendar::writer(&buffer, zone);
    for (const Values &record : records) {
        if (!writer->write(record))
            qFatal("a buffer refused a write");
    }
    if (!writer->finish())
        qFatal("a buffer refused the end");
    if (skipped)
        *skipped = writer->skipped();
    if (notices)
        *notices = writer->notices();
    return buffer.data();
}

QString describe(const Values &v)
{
    QStringList parts;
    for (const QString &column : Exchange::columns(QStringLiteral("Note")))
        parts += v.value(column).isNull() ? QStringLiteral("-") : v.value(column).toString().left(60);
    return parts.join(QStringLiteral(" | "));
}

// The appointments every round trip carries: plain, inconsistent and hostile.
Records awkwardNotes()
{
    Records notes{
        note("الثلاثاء", "8", "12", "2026", "3:30 م", "موعد عادي"),
        note("الجمعة", "8", "12", "2026", "3:30 م", "يوم لا يوافق التاريخ"),
        note("الثلاثاء", "08", "12", "2026", "10:15 ص", "يوم بصفر"),
        note("", "٨", "١٢", "٢٠٢٦", "", "أرقام عربية ودون يوم ولا ساعة"),
        note("الثلاثاء", "8", "12", "2026", "الساعة ٣ م", "ساعة تُقرأ 15:00 وتُحفظ غير ذلك"),
        note("الثلاثاء", "8", "12", "2026", "بعد الظهر", "ساعة لا تُقرأ"),
        note("الثلاثاء", "8", "12", "2026", "11:05:30", "ثوانٍ"),
        note("الثلاثاء", "8", "12", "2026", "12 ص", ""),
        note("الأحد", "29", "3", "2026", "1:30", "ساعة تغيب في لندن"),
        note("الأحد", "8", "3", "2026", "2:30 ص", "ساعة تغيب في نيويورك"),
        note("الخميس", "31", "12", "2026", "11:59 م", "آخر دقيقة من السنة"),
        note(" الثلاثاء ", " 8 ", "12 ", " 2026", " 3:30 م ", "  مسافات على الطرفين  "),
        note("x", "1", "1", "1", "12:00 م", "the first year"),
        note("x", "31", "12", "3000", "11:00 م", "the last year, late"),
    };
    for (const auto &[name, text] : testing::hostileTexts()) {
        notes += note("الثلاثاء", "8", "12", "2026", "3:30 م", text);
        notes += note(text, "9", "12", "2026", text, QString::fromUtf8(name));
    }
    notes += note("الأربعاء", "9", "12", "2026", "9:00 ص", QStringLiteral("a\r\nb\\c;d,e:f%g%u12%%"));
    return notes;
}

Records unexportable()
{
    return {
        note("الثلاثاء", "31", "2", "2026", "3:30 م", "اليوم ٣١ من شباط"),
        note("الثلاثاء", "8", "12", "", "3:30 م", "بلا عام"),
        note("الثلاثاء", "الثامن", "12", "2026", "3:30 م", "اليوم بالكلمات"),
        note("الثلاثاء", "8", "12", "0", "3:30 م", "العام صفر"),
        note("الثلاثاء", "8", "12", "3001", "3:30 م", "after libical's last year"),
        note("", "", "", "", "", ""),
    };
}

// The Python that reads the file with icalendar: event count, summaries and any errors.
QString pythonWithIcalendar()
{
    QStringList candidates;
    for (const QString &name : {QStringLiteral("python3")}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            candidates += found;
    }
    candidates += QStringLiteral("/usr/bin/python3");
    for (const QString &python : candidates) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import icalendar")});
        if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return python;
    }
    return {};
}

} // namespace

class TestICalendar : public QObject
{
    Q_OBJECT

private slots:
    void clockTime_data();
    void clockTime();
    void clockTextReadsBack();
    void fixtures_data();
    void fixtures();
    void recurrence_data();
    void recurrence();
    void brokenFiles_data();
    void brokenFiles();
    void roundTrip_data();
    void roundTrip();
    void exportParsesElsewhere();
    void escapeBothWays();
    void fullDisk();
};

void TestICalendar::clockTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QTime>>("time");

    const auto at = [](int h, int m, int s = 0) { return std::optional<QTime>(QTime(h, m, s)); };
    const std::optional<QTime> none;
    QTest::newRow("afternoon, Western digits") << "3:30 م" << at(15, 30);
    QTest::newRow("afternoon, Arabic-Indic digits") << "٣:٣٠ م" << at(15, 30);
    QTest::newRow("Persian digits and Arabic decimal separator") << "۳٫۳۰ م" << at(15, 30);
    QTest::newRow("dot as separator") << "7.45 م" << at(19, 45);
    QTest::newRow("morning") << "10:15 ص" << at(10, 15);
    QTest::newRow("24-hour") << "15:45" << at(15, 45);
    QTest::newRow("24-hour before noon") << "3:30" << at(3, 30);
    QTest::newRow("24-hour midnight") << "00:00" << at(0, 0);
    QTest::newRow("hour with evening letter") << "3 م" << at(15, 0);
    QTest::newRow("letter touching the hour") << "9ص" << at(9, 0);
    QTest::newRow("the word for hour, evening with tanween") << "الساعة 4 مساءً" << at(16, 0);
    QTest::newRow("evening without tanween") << "4 مساء" << at(16, 0);
    QTest::newRow("morning word before the hour") << "صباحاً ٨:١٥" << at(8, 15);
    QTest::newRow("morning with tatweel") << "8 صبـــاحا" << at(8, 0);
    QTest::newRow("seconds") << "11:05:30" << at(11, 5, 30);
    QTest::newRow("seconds with letter") << "11:05:30 م" << at(23, 5, 30);
    QTest::newRow("noon") << "12 م" << at(12, 0);
    QTest::newRow("midnight") << "12 ص" << at(0, 0);
    QTest::newRow("half past midnight") << "12:30 ص" << at(0, 30);
    QTest::newRow("AM") << "9:00 AM" << at(9, 0);
    QTest::newRow("pm small") << "9:00pm" << at(21, 0);
    QTest::newRow("p.m.") << "9 p.m." << at(21, 0);
    QTest::newRow("around noon, afternoon hour") << "2 ظهرا" << at(14, 0);
    QTest::newRow("around noon, noon") << "12 ظهراً" << at(12, 0);
    QTest::newRow("at night, evening hour") << "10 ليلا" << at(22, 0);
    QTest::newRow("at night, small hours") << "2 ليلاً" << at(2, 0);
    QTest::newRow("after noon as words") << "4 بعد الظهر" << at(16, 0);
    QTest::newRow("evening with a 24-hour hour") << "15:00 م" << at(15, 0);
    QTest::newRow("hour alone past noon") << "الساعة 17" << at(17, 0);
    QTest::newRow("direction marks and blanks") << "\u200F 3 : 30 \u200Fم" << at(15, 30);

    QTest::newRow("empty") << "" << none;
    QTest::newRow("only blanks") << "   " << none;
    QTest::newRow("after noon without an hour") << "بعد الظهر" << none;
    QTest::newRow("morning without an hour") << "صباحاً" << none;
    QTest::newRow("hour 25") << "25:00" << none;
    QTest::newRow("minute 75") << "3:75" << none;
    QTest::newRow("second 60") << "3:30:60" << none;
    QTest::newRow("one-digit minutes") << "3:5" << none;
    QTest::newRow("three-digit hour") << "015:00" << none;
    QTest::newRow("hour 13 in the morning") << "13 ص" << none;
    QTest::newRow("hour 0 in the evening") << "0 م" << none;
    QTest::newRow("an hour alone could be either") << "الساعة 4" << none;
    QTest::newRow("words after the time") << "3:30 مع أحمد" << none;
    QTest::newRow("words on both sides") << "م 3:30 م" << none;
    QTest::newRow("two times") << "3:30 4:30" << none;
    QTest::newRow("trailing separator") << "3:30:" << none;
    QTest::newRow("morning at night") << "8 ليلا" << at(20, 0);
    QTest::newRow("dawn hour at noon") << "8 ظهرا" << none;
    QTest::newRow("a date") << "2026/12/08" << none;
}

void TestICalendar::clockTime()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QTime>, time);
    const auto read = ClockTime::read(text);
    QCOMPARE(read.has_value(), time.has_value());
    if (time)
        QCOMPARE(*read, *time);
}

void TestICalendar::clockTextReadsBack()
{
    // The written form, for every minute of the day and some seconds, reads back as the same time.
    const QStringList samples{ClockTime::text(QTime(0, 0)), ClockTime::text(QTime(12, 0)),
                              ClockTime::text(QTime(15, 30)), ClockTime::text(QTime(11, 5, 30))};
    QCOMPARE(samples, (QStringList{"12:00 ص", "12:00 م", "3:30 م", "11:05:30 ص"}));
    for (int second = 0; second < 24 * 3600; second += 59) {
        const QTime time = QTime(0, 0).addSecs(second);
        QCOMPARE(ClockTime::read(ClockTime::text(time)), std::optional<QTime>(time));
    }
    QVERIFY(ClockTime::text(QTime()).isEmpty());
}

void TestICalendar::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Records>("expected");
    QTest::addColumn<int>("notices");

    // Read from each file by hand; the times in Riyadh (UTC+3 the year round).
    QTest::newRow("Europe/London by its VTIMEZONE, summer time")
        << "alarm_etar_future.ics"
        << Records{note("السبت", "5", "10", "2024", "3:00 م", "event with alarms android")} << 1; // the alarms
    QTest::newRow("UTC, 45 minutes") << "alarm_google_future.ics"
                         << Records{note("الجمعة", "4", "10", "2024", "9:15 م", "event with alarms")} << 2;
    QTest::newRow("Europe/London by a long VTIMEZONE")
        << "alarm_thunderbird_future.ics"
        << Records{note("الأربعاء", "23", "10", "2024", "5:00 م", "event with alarms")} << 1;
    QTest::newRow("a VTIMEZONE of its own name, two hours")
        << "america_new_york.ics"
        << Records{note("الجمعة", "29", "8", "2014", "3:00 م", "an event with a custom tz name")} << 1;
    QTest::newRow("Olson name, unknown zone, UTC crossing midnight, lower case")
        << "zones.ics"
        << Records{note("الثلاثاء", "20", "1", "2026", "4:00 ص", "Tokyo by its Olson name"),
                   note("الثلاثاء", "20", "1", "2026", "10:00 ص", "a zone nobody knows"),
                   note("الأربعاء", "21", "1", "2026", "1:30 ص", "late in UTC, early next day in Riyadh"),
                   note("الخميس", "22", "1", "2026", "", "lower-case names")}
        << 1;
    QTest::newRow("BOM, no events") << "bom_calendar.ics" << Records{} << 0;
    QTest::newRow("Unicode in the calendar's name, no events") << "calendar_with_unicode.ics" << Records{} << 0;
    QTest::newRow("Arabic, all day, floating, folded, a to-do, recurring")
        << "arabic_recurring.ics"
        << Records{
               note("الإثنين", "26", "1", "2026", "9:30 ص", "اجتماع الفريق الأسبوعي, في المكتب"),
               note("الأربعاء", "21", "1", "2026", "6:00 م", "اجتماع الفريق الأسبوعي, في المكتب"),
               note("الأحد", "1", "3", "2026", "", "يوم التأسيس"),
               note("الخميس", "31", "12", "2026", "11:00 م", "سهرة رأس السنة 🎆"),
               note("الإثنين", "19", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الثلاثاء", "20", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الأربعاء", "21", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الخميس", "22", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الجمعة", "23", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("السبت", "24", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الأحد", "25", "1", "2026", "8:00 ص", "Daily since 2000"),
               note("الإثنين", "26", "1", "2026", "8:00 ص", "Daily since 2000"),
           }
        << 1;
    // The moved occurrences each once, at their new time, wherever the file puts the event that
    // moves them; a cancelled one not at all; what an event says beyond its summary kept in its
    // text; alarms, the cancelled occurrence, an end not kept and the events with more, told.
    const auto withUid = [](Values v, const QString &uid) {
        v.insert(Exchange::uidField, uid);
        return v;
    };
    QTest::newRow("moved and cancelled occurrences, description, location, several days")
        << "moved_and_described.ics"
        << Records{withUid(note("الأربعاء", "21", "1", "2026", "12:00 م", "Standup moved, written before its series"),
                           "moved-first@probe-20260121T090000"),
                   withUid(note("الإثنين", "19", "1", "2026", "9:00 ص", "Daily standup"), "f1@probe-20260119T090000"),
                   withUid(note("الأربعاء", "21", "1", "2026", "9:00 ص", "Daily standup"), "f1@probe-20260121T090000"),
                   withUid(note("الثلاثاء", "20", "1", "2026", "12:00 م", "Daily standup moved"),
                           "f1@probe-20260120T090000"),
                   note("الثلاثاء", "20", "1", "2026", "9:00 ص", "Standup"),
                   withUid(note("الخميس", "22", "1", "2026", "",
                                "زيارة الطبيب\nالوصف: إحضار التحاليل\nوالأشعة\nالمكان: مستشفى مبارك, الطابق 3"),
                           "doctor@probe"),
                   note("الجمعة", "23", "1", "2026", "", "رحلة\nالمدة: 3 أيام"),
                   note("السبت", "24", "1", "2026", "10:00 ص", "Two hours")}
        << 4;
}

void TestICalendar::fixtures()
{
    QFETCH(QString, file);
    QFETCH(Records, expected);
    QFETCH(int, notices);

    const QByteArray bytes = fixture(file);
    ReadResult read = readAll(bytes, QDate(2026, 1, 19), QDate(2026, 1, 26));
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    // Each event's UID is checked where the table names it.
    for (qsizetype i = 0; i < read.records.size(); ++i) {
        if (!expected.value(i).contains(Exchange::uidField))
            read.records[i].remove(Exchange::uidField);
    }
    QStringList got;
    for (const Values &v : read.records)
        got += describe(v);
    QStringList want;
    for (const Values &v : expected)
        want += describe(v);
    QCOMPARE(got, want);
    QCOMPARE(read.records, expected);
    QCOMPARE(read.notices.size(), notices);
    QCOMPARE(read.position, bytes.size());
}

void TestICalendar::recurrence_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("weekly");
    QTest::addColumn<int>("daily");

    // The weekly meeting: ten Mondays from 5 January 2026, the 19th left out, one Wednesday
    // (the 21st) added. The daily one at 05:00 UTC since 2000, without end.
    QTest::newRow("January") << QDate(2026, 1, 1) << QDate(2026, 1, 31) << 4 << 31;
    QTest::newRow("the whole rule") << QDate(2026, 1, 1) << QDate(2026, 12, 31) << 10 << 365;
    QTest::newRow("one day, the left-out Monday") << QDate(2026, 1, 19) << QDate(2026, 1, 19) << 0 << 1;
    QTest::newRow("one day, the added Wednesday") << QDate(2026, 1, 21) << QDate(2026, 1, 21) << 1 << 1;
    QTest::newRow("after the count") << QDate(2026, 3, 10) << QDate(2026, 12, 31) << 0 << 297;
    QTest::newRow("decades later") << QDate(2090, 2, 1) << QDate(2090, 2, 28) << 0 << 28;
    QTest::newRow("before it all") << QDate(1999, 1, 1) << QDate(1999, 12, 31) << 0 << 0;
}

void TestICalendar::recurrence()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, weekly);
    QFETCH(int, daily);

    const ReadResult read = readAll(fixture("arabic_recurring.ics"), from, to);
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    QMap<QString, int> count;
    QSet<QDate> days;
    for (const Values &v : read.records) {
        ++count[v.value(Columns::text).toString()];
        const QDate date(v.value(Columns::year).toInt(), v.value(Columns::month).toInt(), v.value(Columns::day).toInt());
        QCOMPARE(v.value(Columns::weekday).toString(), dalil::Dates::weekdayName(date));
        if (v.value(Columns::text).toString().startsWith(QLatin1String("Daily"))) {
            QVERIFY2(date >= from && date <= to, qPrintable(date.toString()));
            QVERIFY2(!days.contains(date), "an occurrence given twice");
            days.insert(date);
        }
    }
    QCOMPARE(count.value("اجتماع الفريق الأسبوعي, في المكتب"), weekly);
    QCOMPARE(count.value("Daily since 2000"), daily);
    // Events that do not recur come wherever they lie.
    QCOMPARE(count.value("يوم التأسيس"), 1);
    QCOMPARE(count.value("سهرة رأس السنة 🎆"), 1);
}

void TestICalendar::brokenFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("says");

    const QByteArray head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    QTest::newRow("parameter without a name") << fixture("broken_ical.ics") << qint64(4) << "لا يُقرأ";
    QTest::newRow("not a calendar") << fixture("not_a_calendar.ics") << qint64(1) << "ليس تقويماً";
    QTest::newRow("empty file") << QByteArray() << qint64(0) << "ليس تقويماً";
    QTest::newRow("BEGIN without END") << fixture("begin_without_end.ics") << qint64(3) << "BEGIN:VEVENT دون END:VEVENT";
    QTest::newRow("END of the wrong component") << fixture("end_without_begin.ics") << qint64(9) << "END:VEVENT";
    QTest::newRow("invalid UTF-8") << fixture("invalid_utf8.ics") << qint64(6) << "UTF-8";
    QTest::newRow("invalid UTF-8 in a folded line, after folded lines")
        << head + "X-A:a\r\n b\r\n c\r\nX-SPLIT:\xd8\r\n \xa7\r\nX-B:ok\r\n b\r\n \xff\r\nEND:VCALENDAR\r\n"
        << qint64(8) << "UTF-8";
    QTest::newRow("no DTSTART") << fixture("missing_dtstart.ics") << qint64(3) << "DTSTART";
    QTest::newRow("a thirteenth month") << fixture("bad_dtstart.ics") << qint64(6) << "DTSTART";
    QTest::newRow("a rule libical cannot read") << fixture("bad_rule.ics") << qint64(3) << "RRULE";
    QTest::newRow("a line past the longest")
        << head + "X-LONG:" + QByteArray(Exchange::longestLine, 'a') + "\r\nEND:VCALENDAR\r\n" << qint64(3) << "أطول";
    QByteArray folded = head + "X-FOLDED:a\r\n";
    for (int i = 0; i < 9; ++i)
        folded += ' ' + QByteArray(1024 * 1024, 'b') + "\r\n";
    QTest::newRow("a folded line past the longest") << folded + "END:VCALENDAR\r\n" << qint64(3) << "أطول";
}

void TestICalendar::brokenFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, line);
    QFETCH(QString, says);

    const ReadResult read = readAll(bytes);
    QVERIFY(read.records.isEmpty());
    QVERIFY(read.problem.isProblem());
    QCOMPARE(read.problem.line, line);
    if (line > 0)
        QVERIFY2(read.problem.message.startsWith(QStringLiteral("السطر %1: ").arg(line)),
                 qPrintable(read.problem.message));
    QVERIFY2(read.problem.message.contains(says), qPrintable(read.problem.message));
}

void TestICalendar::roundTrip_data()
{
    QTest::addColumn<QTimeZone>("zone");
    QTest::newRow("Riyadh") << riyadh;
    QTest::newRow("London, with summer time") << QTimeZone("Europe/London");
    QTest::newRow("New York, with summer time") << QTimeZone("America/New_York");
    QTest::newRow("Kiritimati, fourteen hours ahead") << QTimeZone("Pacific/Kiritimati");
}

void TestICalendar::roundTrip()
{
    QFETCH(QTimeZone, zone);
    QVERIFY(zone.isValid());

    const Records notes = awkwardNotes();
    const Records unwritable = unexportable();
    int skipped = -1;
    QStringList notices;
    const QByteArray file = writeAll(unwritable + notes + unwritable, zone, &skipped, &notices);
    // What could not be written is counted and told, one line each, naming the appointment.
    QCOMPARE(skipped, 2 * unwritable.size());
    QCOMPARE(notices.size(), skipped);
    for (qsizetype i = 0; i < notices.size(); ++i) {
        const Values &left = unwritable[i % unwritable.size()];
        QVERIFY2(notices[i].contains(left.value(Columns::text).toString()), qPrintable(notices[i]));
    }

    // A range that holds nothing: the events do not recur, and come all the same.
    const ReadResult read = readAll(file, QDate(1990, 1, 1), QDate(1990, 1, 1), zone);
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    QCOMPARE(read.records.size(), notes.size());
    for (qsizetype i = 0; i < notes.size(); ++i) {
        for (const QString &column : Exchange::columns(QStringLiteral("Note"))) {
            const QVariant want = notes[i].value(column);
            const QVariant got = read.records[i].value(column);
            QVERIFY2(got.isNull() == want.isNull() && got.toString() == want.toString(),
                     qPrintable(QStringLiteral("record %1 (%2), %3: %4 instead of %5")
                                    .arg(i)
                                    .arg(notes[i].value(Columns::text).toString().left(30), column,
                                         got.toString().left(60), want.toString().left(60))));
        }
    }

    const ReadResult empty = readAll(writeAll({}, zone));
    QVERIFY(!empty.problem.isProblem() && empty.records.isEmpty());

    // The X-DALIL- properties only where the standard ones do not say it all: an appointment
    // whose texts are those the reader derives carries none.
    const QByteArray plain = writeAll({note("الثلاثاء", "8", "12", "2026", "3:30 م", "موعد عادي")}, zone);
    QVERIFY2(!plain.contains("X-DALIL"), plain.constData());
    QVERIFY2(plain.contains("DURATION:PT1H\r\n"), plain.constData());
    const QByteArray allDay = writeAll({note("الثلاثاء", "8", "12", "2026", "بعد الظهر", "موعد")}, zone);
    QVERIFY2(allDay.contains("DTSTART;VALUE=DATE:20261208\r\nDURATION:P1D\r\n"), allDay.constData());
    QVERIFY2(allDay.contains("DESCRIPTION:بعد الظهر\r\n"), allDay.constData());
    QVERIFY2(allDay.contains("X-DALIL-TIME:بعد الظهر\r\n"), allDay.constData());
    QVERIFY2(!allDay.contains("X-DALIL-TEXT"), allDay.constData());
}

void TestICalendar::exportParsesElsewhere()
{
    const Records notes = awkwardNotes();
    const QByteArray file = writeAll(notes, riyadh);

    // The lines as RFC 5545 has them: CRLF, at most 75 octets, no controls.
    const QList<QByteArray> lines = file.split('\n');
    QVERIFY(file.endsWith("END:VCALENDAR\r\n"));
    for (const QByteArray &line : lines.first(lines.size() - 1)) {
        QVERIFY2(line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() - 1 <= 75, line.constData());
        for (const char c : line.first(line.size() - 1))
            QVERIFY2(uchar(c) >= 0x20 || c == '\t', line.constData());
    }

    // libical: the whole calendar, without a parse error, within the standard's restrictions.
    icalcomponent *calendar = icalparser_parse_string(file.constData());
    QVERIFY(calendar);
    QCOMPARE(icalcomponent_isa(calendar), ICAL_VCALENDAR_COMPONENT);
    int events = 0;
    for (icalcomponent *e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        ++events;
        for (icalproperty *p = icalcomponent_get_first_property(e, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_XLICERROR_PROPERTY)) {
            const QString error = QString::fromUtf8(icalproperty_get_xlicerror(p));
            // An empty SUMMARY is valid iCalendar; libical notes it all the same.
            QVERIFY2(error.startsWith(QLatin1String("No value for SUMMARY")), qPrintable(error));
        }
    }
    QCOMPARE(events, notes.size());
    const bool restricted = icalrestriction_check(calendar);
    icalcomponent_free(calendar);
    QVERIFY(restricted);

    // Python's icalendar: the events, their summaries, no errors.
    const QString python = pythonWithIcalendar();
    if (python.isEmpty())
        QSKIP("python3 with icalendar is not installed");
    QTemporaryDir dir;
    QFile out(dir.filePath("export.ics"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QStringLiteral(R"(
import json, sys, icalendar
calendar = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
events = [{'summary': str(e.get('SUMMARY', '')), 'uid': str(e.get('UID')),
           'errors': [str(x) for x in e.errors]} for e in calendar.walk('VEVENT')]
print(json.dumps({'events': events, 'errors': [str(x) for x in calendar.errors]}))
)"),
                           out.fileName()});
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    const QJsonObject result = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    QCOMPARE(result.value("errors").toArray().size(), 0);
    const QJsonArray parsed = result.value("events").toArray();
    QCOMPARE(parsed.size(), notes.size());
    QSet<QString> uids;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const QJsonObject event = parsed[i].toObject();
        QVERIFY2(event.value("errors").toArray().isEmpty(), QJsonDocument(event).toJson().constData());
        // What other programs show: the text without the characters iCalendar cannot carry.
        QString shown = notes[i].value(Columns::text).toString();
        shown.removeIf([](QChar c) { return (c < u' ' && c != u'\t' && c != u'\n') || c == QChar(0x7f); });
        QCOMPARE(event.value("summary").toString(), shown);
        uids.insert(event.value("uid").toString());
    }
    QCOMPARE(uids.size(), notes.size());
}

void TestICalendar::escapeBothWays()
{
    for (const auto &[name, text] : testing::hostileTexts()) {
        const QString escaped = ICalendar::escaped(text);
        QCOMPARE(ICalendar::unescaped(escaped), std::optional<QString>(text));
        for (const QChar c : escaped)
            QVERIFY2(c >= u' ' && c != QChar(0x7f) && c != u'\\' && c != u';' && c != u',', name);
        QVERIFY(!escaped.startsWith(u' ') && !escaped.endsWith(u' '));
    }
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    QCOMPARE(ICalendar::escaped(lone), QStringLiteral("a%uD800b"));
    QCOMPARE(ICalendar::unescaped(ICalendar::escaped(lone)), std::optional<QString>(lone));
    QCOMPARE(ICalendar::escaped(QString()), QStringLiteral("%"));
    QCOMPARE(ICalendar::unescaped(QStringLiteral("%")), std::optional<QString>(QString()));
    QCOMPARE(ICalendar::escaped(QStringLiteral("100% ")), QStringLiteral("100%25%20"));
    QCOMPARE(ICalendar::unescaped(QStringLiteral("%2")), std::nullopt);
    QCOMPARE(ICalendar::unescaped(QStringLiteral("%zz")), std::nullopt);
}

void TestICalendar::fullDisk()
{
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly))
        QSKIP("no /dev/full here");
    const auto writer = ICalendar::writer(&full, riyadh);
    bool written = true;
    for (int i = 0; i < 2000 && written; ++i)
        written = writer->write(note("الثلاثاء", "8", "12", "2026", "3:30 م", QString(200, u'x')));
    QVERIFY(!written || !writer->finish());
    QVERIFY(!writer->write(note("الثلاثاء", "8", "12", "2026", "3:30 م", "after")));
}

QTEST_GUILESS_MAIN(TestICalendar)
#include "tst_icalendar.moc"
