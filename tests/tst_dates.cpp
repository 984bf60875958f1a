// The program's dates: how a date box's number is read, a day's parts and weekday in the
// Gregorian and the Hijri (tabular) calendar, and the two entry windows' date checks.
#include "data/text/dates.h"

#include <QSet>
#include <QScopeGuard>
#include <QTest>

namespace Dates = dalil::Dates;

Q_DECLARE_METATYPE(QCalendar)

namespace {

const QCalendar gregorian(QCalendar::System::Gregorian);
const QCalendar hijri(QCalendar::System::IslamicCivil);

} // namespace

class TestDates : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void dayParts_data();
    void dayParts();
    void partsAndWeekdaysHoldOverTheCalendarsRange();
    void appointmentMonth_data();
    void appointmentMonth();
    void chequeDate_data();
    void chequeDate();
};

void TestDates::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");

    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("digits") << "2002" << 2002.0;
    QTest::newRow("blanks before") << "  12" << 12.0;
    QTest::newRow("blanks inside are skipped") << "1 2" << 12.0;
    QTest::newRow("tab and line break skipped") << "2\t0\n0\r2" << 2002.0;
    QTest::newRow("letters after") << "12abc" << 12.0;
    QTest::newRow("letters first") << "abc12" << 0.0;
    QTest::newRow("plus sign") << "+5" << 5.0;
    QTest::newRow("minus sign") << "-3" << -3.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("decimal part") << "2.5" << 2.5;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent with sign") << "25E-1" << 2.5;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("Arabic-Indic digits do not count") << QStringLiteral("١٢") << 0.0;
}

void TestDates::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(Dates::leadingNumber(text), number);
}

void TestDates::dayParts_data()
{
    QTest::addColumn<QCalendar>("calendar");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("weekday");

    QTest::newRow("the calendar window's own day") << gregorian << QDate(2002, 4, 11) << 11 << 4 << 2002
                                                   << QStringLiteral("الخميس");
    QTest::newRow("first day of the cheque book") << gregorian << QDate(2002, 1, 1) << 1 << 1 << 2002
                                                  << QStringLiteral("الثلاثاء");
    QTest::newRow("leap day") << gregorian << QDate(2024, 2, 29) << 29 << 2 << 2024 << QStringLiteral("الخميس");
    QTest::newRow("a Saturday") << gregorian << QDate(2026, 12, 5) << 5 << 12 << 2026 << QStringLiteral("السبت");
    QTest::newRow("a Sunday") << gregorian << QDate(2026, 12, 6) << 6 << 12 << 2026 << QStringLiteral("الأحد");
    QTest::newRow("Hijri epoch: 1 Muharram 1, a Friday") << hijri << QDate(622, 7, 19) << 1 << 1 << 1
                                                         << QStringLiteral("الجمعة");
    QTest::newRow("Hijri: the calendar window's own day") << hijri << QDate(2002, 4, 11) << 28 << 1 << 1423
                                                          << QStringLiteral("الخميس");
    QTest::newRow("Hijri: first day of the cheque book") << hijri << QDate(2002, 1, 1) << 16 << 10 << 1422
                                                         << QStringLiteral("الثلاثاء");
}

void TestDates::dayParts()
{
    QFETCH(QCalendar, calendar);
    QFETCH(QDate, date);
    QFETCH(int, day);
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QString, weekday);

    const QCalendar::YearMonthDay parts = Dates::parts(date, calendar);
    QCOMPARE(parts.day, day);
    QCOMPARE(parts.month, month);
    QCOMPARE(parts.year, year);
    QCOMPARE(Dates::weekdayName(date, calendar), weekday);
}

void TestDates::partsAndWeekdaysHoldOverTheCalendarsRange()
{
    // Over the calendar window's whole range: the parts name the day they came from, and
    // the weekday names follow one another in a seven-day round, in both calendars.
    QSet<QString> names;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Libya));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    for (const QCalendar &calendar : {gregorian, hijri}) {
        for (QDate date(1753, 1, 1); date < QDate(9999, 12, 24); date = date.addDays(997)) {
            const QCalendar::YearMonthDay parts = Dates::parts(date, calendar);
            QCOMPARE(calendar.dateFromParts(parts), date);
            // A date the program writes and one it puts together from a book's columns read alike.
            QCOMPARE(Dates::partsText(QString::number(parts.day), QString::number(parts.month), QString::number(parts.year)),
                     Dates::dateText(date, calendar));
            const QString name = Dates::weekdayName(date, calendar);
            QVERIFY(!name.isEmpty());
            QCOMPARE(Dates::weekdayName(date.addDays(7), calendar), name);
            for (int later = 1; later < 7; ++later)
                QVERIFY(Dates::weekdayName(date.addDays(later), calendar) != name);
            names << name;
        }
    }
    QCOMPARE(names.size(), 7);
    // The default is the Gregorian calendar.
    QCOMPARE(Dates::parts(QDate(2002, 4, 11)).year, 2002);
}

void TestDates::appointmentMonth_data()
{
    QTest::addColumn<QCalendar>("calendar");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("passed");

    const QDate june = QDate(2024, 6, 15);
    QTest::newRow("earlier month, this year") << gregorian << june << "5" << "2024" << true;
    QTest::newRow("this month, this year") << gregorian << june << "6" << "2024" << false;
    QTest::newRow("later month, this year") << gregorian << june << "7" << "2024" << false;
    QTest::newRow("earlier month, next year") << gregorian << june << "5" << "2025" << false;
    QTest::newRow("earlier month, a past year") << gregorian << june << "1" << "2020" << true;
    QTest::newRow("later month of a past year passes") << gregorian << june << "12" << "1999" << false;
    QTest::newRow("blanks around the numbers") << gregorian << june << " 5" << "20 24" << true;
    QTest::newRow("no number in the month") << gregorian << june << "x" << "2024" << true;
    QTest::newRow("no number in the year") << gregorian << june << "5" << "y" << true;
    QTest::newRow("January: no month before it") << gregorian << QDate(2024, 1, 31) << "1" << "2024" << false;
    // 15 June 2024 is 8 Dhu al-Hijjah 1445 in the tabular calendar.
    QTest::newRow("Hijri: earlier month, this year") << hijri << june << "11" << "1445" << true;
    QTest::newRow("Hijri: this month") << hijri << june << "12" << "1445" << false;
    QTest::newRow("Hijri: Gregorian figures are a later year") << hijri << june << "5" << "2024" << false;
}

void TestDates::appointmentMonth()
{
    QFETCH(QCalendar, calendar);
    QFETCH(QDate, today);
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(bool, passed);
    QCOMPARE(Dates::appointmentMonthPassed(month, year, today, calendar), passed);
}

void TestDates::chequeDate_data()
{
    QTest::addColumn<QCalendar>("calendar");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("refused");

    QTest::newRow("an ordinary day") << gregorian << "11" << "4" << "2002" << false;
    QTest::newRow("day 31") << gregorian << "31" << "12" << "2002" << false;
    QTest::newRow("day 32") << gregorian << "32" << "1" << "2010" << true;
    QTest::newRow("month 13") << gregorian << "1" << "13" << "2010" << true;
    QTest::newRow("31 February is not checked") << gregorian << "31" << "2" << "2010" << false;
    QTest::newRow("year 2001") << gregorian << "1" << "1" << "2001" << true;
    QTest::newRow("no upper bound for the year") << gregorian << "1" << "1" << "9999" << false;
    QTest::newRow("day and month 0 pass") << gregorian << "0" << "0" << "2002" << false;
    QTest::newRow("negative day passes") << gregorian << "-5" << "1" << "2002" << false;
    QTest::newRow("letters read as 0: the year fails") << gregorian << "a" << "b" << "c" << true;
    QTest::newRow("Hijri: day 30") << hijri << "30" << "12" << "1423" << false;
    QTest::newRow("Hijri: day 31") << hijri << "31" << "1" << "1423" << true;
    QTest::newRow("Hijri: 1422, the cheque book's first year") << hijri << "1" << "1" << "1422" << false;
    QTest::newRow("Hijri: 1421") << hijri << "1" << "1" << "1421" << true;
}

void TestDates::chequeDate()
{
    QFETCH(QCalendar, calendar);
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(bool, refused);
    QCOMPARE(Dates::chequeDateRefused(day, month, year, calendar), refused);
}

QTEST_APPLESS_MAIN(TestDates)
#include "tst_dates.moc"
