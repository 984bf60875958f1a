// The appointment entry window: the checks of a save with their messages and focus, the
// date check around today's month, the calendar, the clock line, a write the database
// refuses, and closing the window without saving.
#include "testsupport.h"

#include "appointments/form4.h"
#include "appointments/form5.h"
#include "common/application.h"
#include "common/datacontrol.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace dalil;

namespace {

const QString wrongDate = QStringLiteral("الرجاء تحديد التاريخ الصحيح");

} // namespace

class TestAppointmentEntry : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void readsRightToLeftInItsTabOrder();
    void refusedSaves_data();
    void refusedSaves();
    void dateCheck_data();
    void dateCheck();
    void calendarDayFillsTheDate_data();
    void calendarDayFillsTheDate();
    void typedDateMovesTheCalendarAndTheWeekday_data();
    void typedDateMovesTheCalendarAndTheWeekday();
    void clockLinesKeepTime();
    void refusedWriteKeepsTheTyping();
    void leavingWithoutSavingWritesNothing_data();
    void leavingWithoutSavingWritesNothing();

private:
    // The list opened from the start window, then its add button.
    Form5 *openForAdding()
    {
        QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
        QTest::mouseClick(Forms::loaded<Form4>()->Command1, Qt::LeftButton);
        return Forms::loaded<Form5>();
    }
    static QList<BoundTextBox *> boxes(Form5 *entry)
    {
        return {entry->Text1, entry->Text2, entry->Text3, entry->Text4, entry->Text5, entry->Text6};
    }
    static void fill(Form5 *entry, const QStringList &texts)
    {
        const auto all = boxes(entry);
        // The weekday last: typed over the one the date gave it.
        for (int i : {0, 2, 3, 4, 5, 1}) {
            all[i]->clear();
            testing::typeText(all[i], texts.value(i));
        }
    }
    static QStringList texts(Form5 *entry)
    {
        QStringList result;
        for (BoundTextBox *b : boxes(entry))
            result << b->text();
        return result;
    }
    static QStringList dated(const QString &month, const QString &year)
    {
        return {QStringLiteral("موعد"), QStringLiteral("الأحد"), QStringLiteral("9:00"),
                QStringLiteral("1"), month, year};
    }
    int noteCount() const { return folder->value("SELECT count(*) FROM Note").toInt(); }

};

void TestAppointmentEntry::readsRightToLeftInItsTabOrder()
{
    Form5 *entry = openForAdding();
    QCOMPARE(entry->Label1->text(), QStringLiteral("الموعد"));
    QCOMPARE(entry->Label1->font().family(), QStringLiteral("Monotype Koufi"));
    // Every caption whole, the clock line's included.
    for (const QLabel *label : entry->findChildren<QLabel *>(QRegularExpression(QStringLiteral("^Label\\d$")))) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        QVERIFY2(label->height() >= label->sizeHint().height(), qPrintable(label->objectName()));
    }
    QVERIFY(entry->Command1->x() > entry->Command2->x() && entry->Command2->x() > entry->Command3->x());
    // Day, month, year from right to left.
    QVERIFY(entry->Text4->x() > entry->Text5->x() && entry->Text5->x() > entry->Text6->x());
    QCOMPARE(entry->Text1->layoutDirection(), Qt::RightToLeft);

    QCOMPARE(entry->MonthView1->selectedDate(), QDate::currentDate()); // a new appointment starts today
    QCOMPARE(entry->MonthView1->minimumDate(), QDate(1753, 1, 1));
    QCOMPARE(entry->MonthView1->maximumDate(), QDate(9999, 12, 31));

    entry->Text1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), entry->Text1);
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, (QStringList{"Text1", "Text3", "Text2", "Text4", "Text5", "Text6"}));
    QVERIFY(entry->MonthView1->isAncestorOf(QApplication::focusWidget()));
}

void TestAppointmentEntry::refusedSaves_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("clearFirst");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QString year = QString::number(QDate::currentDate().year() + 1);
    const QString appointment = QStringLiteral("الرجاء إدخال الموعد");
    const QString weekday = QStringLiteral("الرجاء تحديد وقت الموعد");
    const QString date = QStringLiteral("الرجاء تحديد تاريخ الموعد");
    QTest::newRow("every box empty") << QStringList() << false << appointment << "Text1";
    QTest::newRow("cleared, then saved") << dated("5", year) << true << appointment << "Text1";
    QTest::newRow("no weekday yet")
        << QStringList{"موعد", "", "9:00", "1", "5", year} << false << weekday << "Text2";
    QTest::newRow("no time") << QStringList{"موعد", "الأحد", "", "1", "5", year} << false << date << "Text3";
    QTest::newRow("no day") << QStringList{"موعد", "الأحد", "9:00", "", "5", year} << false << date << "Text3";
    QTest::newRow("no month") << QStringList{"موعد", "الأحد", "9:00", "1", "", year} << false << date << "Text3";
    QTest::newRow("no year") << QStringList{"موعد", "الأحد", "9:00", "1", "5", ""} << false << date << "Text3";
    QTest::newRow("month before this one, this year")
        << dated("0", QString::number(QDate::currentDate().year())) << false << wrongDate << "Text4";
}

void TestAppointmentEntry::refusedSaves()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, clearFirst);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    Form5 *entry = openForAdding();
    fill(entry, typed);
    if (clearFirst)
        QTest::mouseClick(entry->Command2, Qt::LeftButton);
    const QStringList before = texts(entry);

    testing::BoxWatcher watcher;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(watcher.boxes().size(), 1);
    const testing::SeenBox box = watcher.boxes().first();
    QCOMPARE(box.title, QStringLiteral("خطأ في المدخلات"));
    QCOMPARE(box.text, message);
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons.size(), 1);
    QCOMPARE(entry->focusWidget()->objectName(), focus);
    QVERIFY(entry->isShown());
    QCOMPARE(texts(entry), before);
    QCOMPARE(noteCount(), 0);
}

void TestAppointmentEntry::dateCheck_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("accepted");

    const QDate today = QDate::currentDate();
    const int m = today.month();
    const QString y = QString::number(today.year());
    const QString lastYear = QString::number(today.year() - 1);
    const QString nextYear = QString::number(today.year() + 1);
    const QString thisMonth = QString::number(m);
    QTest::newRow("this month, this year") << thisMonth << y << true;
    QTest::newRow("this month, last year") << thisMonth << lastYear << true;
    QTest::newRow("December, this year") << "12" << y << true;
    QTest::newRow("January, next year") << "1" << nextYear << true;
    QTest::newRow("January, this year") << "1" << y << (m == 1);
    QTest::newRow("January, last year") << "1" << lastYear << (m == 1);
    if (m > 1) {
        const QString previous = QString::number(m - 1);
        QTest::newRow("last month, this year") << previous << y << false;
        QTest::newRow("last month, last year") << previous << lastYear << false;
        QTest::newRow("last month, next year") << previous << nextYear << true;
        // Typed in Arabic-Indic digits, the month is still read, and refused.
        QString arabicIndic;
        for (const QChar digit : previous)
            arabicIndic += QChar(u'\u0660' + (digit.unicode() - u'0'));
        QTest::newRow("last month in Arabic-Indic digits, this year") << arabicIndic << y << false;
    }
    if (m < 12)
        QTest::newRow("next month, last year") << QString::number(m + 1) << lastYear << true;
    // Other characters: the leading digits give the number, or there is none and it is 0.
    QTest::newRow("letters for the month, this year") << "ab" << y << false;
    QTest::newRow("letters for the month, next year") << "ab" << nextYear << true;
    QTest::newRow("a blank for the month, next year") << " " << nextYear << true;
    QTest::newRow("letters for the year, this month") << thisMonth << "abcd" << true;
    QTest::newRow("letters for the year, January") << "1" << "abcd" << (m == 1);
    QTest::newRow("9 then a letter, this year") << "9x" << y << (m <= 9);
    QTest::newRow("a blank then 9, this year") << " 9" << y << (m <= 9);
    QTest::newRow("year digits then a letter") << thisMonth << QString(y.left(3) + u'x') << true;
}

void TestAppointmentEntry::dateCheck()
{
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(bool, accepted);

    Form5 *entry = openForAdding();
    fill(entry, dated(month, year));
    testing::BoxWatcher watcher;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    if (accepted) {
        QVERIFY(watcher.boxes().isEmpty());
        QVERIFY(!entry->isShown());
        QCOMPARE(folder->value("SELECT الشهر || '/' || العام FROM Note").toString(), month + u'/' + year);
    } else {
        QCOMPARE(watcher.boxes().size(), 1);
        QCOMPARE(watcher.boxes().first().text, wrongDate);
        QCOMPARE(entry->focusWidget(), entry->Text4);
        QVERIFY(entry->isShown());
        QCOMPARE(noteCount(), 0);
    }
}

void TestAppointmentEntry::calendarDayFillsTheDate_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("weekday");
    QTest::newRow("Thursday 11 April 2002") << 11 << QStringLiteral("الخميس");
    QTest::newRow("Saturday 13 April 2002") << 13 << QStringLiteral("السبت");
    QTest::newRow("Sunday 14 April 2002") << 14 << QStringLiteral("الأحد");
    QTest::newRow("Monday 1 April 2002") << 1 << QStringLiteral("الإثنين");
}

void TestAppointmentEntry::calendarDayFillsTheDate()
{
    QFETCH(int, day);
    QFETCH(QString, weekday);

    Form5 *entry = openForAdding();
    entry->MonthView1->setCurrentPage(2002, 4);
    entry->Command1->setFocus();
    auto *view = entry->MonthView1->findChild<QTableView *>();
    QVERIFY(view);
    // The first cell with this number, reading from the top, belongs to the month shown.
    QModelIndex cell;
    for (int row = 1; row < view->model()->rowCount() && !cell.isValid(); ++row) {
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            const QModelIndex index = view->model()->index(row, column);
            if (index.data().toInt() == day) {
                cell = index;
                break;
            }
        }
    }
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());

    QCOMPARE(entry->MonthView1->selectedDate(), QDate(2002, 4, day));
    QCOMPARE(entry->Text4->text(), QString::number(day));
    QCOMPARE(entry->Text5->text(), QStringLiteral("4"));
    QCOMPARE(entry->Text6->text(), QStringLiteral("2002"));
    QCOMPARE(entry->Text2->text(), weekday);
    QCOMPARE(entry->Text1->text(), QString()); // the appointment is still to be typed
    QCOMPARE(entry->focusWidget(), entry->Text1);
    QCOMPARE(entry->Data1->Recordset()->pendingState(), RecordSource::Pending::New);
}

void TestAppointmentEntry::typedDateMovesTheCalendarAndTheWeekday_data()
{
    QTest::addColumn<QStringList>("date"); // day, month, year as typed
    QTest::addColumn<QDate>("calendar");   // invalid: the calendar stays on today
    QTest::addColumn<QString>("weekday");
    QTest::newRow("10/4/2024 is a Wednesday") << QStringList{"10", "4", "2024"} << QDate(2024, 4, 10)
                                              << QStringLiteral("الأربعاء");
    QTest::newRow("Arabic-Indic digits") << QStringList{"١٠", "٤", "٢٠٢٤"} << QDate(2024, 4, 10)
                                         << QStringLiteral("الأربعاء");
    QTest::newRow("29 February of a leap year") << QStringList{"29", "2", "2028"} << QDate(2028, 2, 29)
                                                << QStringLiteral("الثلاثاء");
    QTest::newRow("no such day: nothing moves") << QStringList{"31", "2", "2028"} << QDate() << QString();
    QTest::newRow("before the calendar's first day") << QStringList{"1", "1", "1700"} << QDate()
                                                     << QStringLiteral("الجمعة");
}

void TestAppointmentEntry::typedDateMovesTheCalendarAndTheWeekday()
{
    QFETCH(QStringList, date);
    QFETCH(QDate, calendar);
    QFETCH(QString, weekday);
    Form5 *entry = openForAdding();
    for (int i = 0; i < 3; ++i) {
        BoundTextBox *box = QList<BoundTextBox *>{entry->Text4, entry->Text5, entry->Text6}[i];
        box->setFocus();
        testing::typeText(box, date[i]);
    }
    QCOMPARE(entry->MonthView1->selectedDate(), calendar.isValid() ? calendar : QDate::currentDate());
    QCOMPARE(entry->Text2->text(), weekday);
}

// The clock lines as the user reads them: the short date with right-to-left marks, the time
// on a twelve-hour clock with its seconds and ص or م.
static QString clockDate(const QDate &date)
{
    return QStringLiteral("%1\u200F/%2\u200F/%3").arg(date.day()).arg(date.month()).arg(date.year());
}

static QString clockTime(const QTime &time)
{
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2:%3 %4")
        .arg(hour)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("ص") : QStringLiteral("م"));
}

// The clock lines read against the clock: some second from just before to now.
static bool showsTheTime(Form5 *entry, const QDateTime &before)
{
    const QDateTime after = QDateTime::currentDateTime();
    for (QDateTime t = before.addSecs(-1); t <= after.addSecs(1); t = t.addSecs(1)) {
        if (entry->Label6->text() == clockDate(t.date()) && entry->Label8->text() == clockTime(t.time()))
            return true;
    }
    return false;
}

void TestAppointmentEntry::clockLinesKeepTime()
{
    QCOMPARE(clockTime(QTime(0, 5, 9)), QStringLiteral("12:05:09 ص"));
    QCOMPARE(clockTime(QTime(15, 4, 5)), QStringLiteral("3:04:05 م"));
    const QDateTime opened = QDateTime::currentDateTime();
    Form5 *entry = openForAdding();
    QVERIFY2(showsTheTime(entry, opened), qPrintable(entry->Label6->text() + u' ' + entry->Label8->text()));
    QCOMPARE(entry->Timer1->interval(), 1000);

    // The timer writes both lines again, every second.
    entry->Label6->clear();
    entry->Label8->clear();
    const QDateTime cleared = QDateTime::currentDateTime();
    QTRY_VERIFY(!entry->Label8->text().isEmpty());
    QVERIFY2(showsTheTime(entry, cleared), qPrintable(entry->Label6->text() + u' ' + entry->Label8->text()));
    const QString first = entry->Label8->text();
    QTRY_VERIFY(entry->Label8->text() != first);
    QVERIFY2(showsTheTime(entry, cleared), qPrintable(entry->Label6->text() + u' ' + entry->Label8->text()));
}

void TestAppointmentEntry::refusedWriteKeepsTheTyping()
{
    folder->exec("CREATE TRIGGER refuse BEFORE INSERT ON Note BEGIN SELECT RAISE(ABORT, 'no'); END");
    Form5 *entry = openForAdding();
    const QStringList typed = dated("12", QString::number(QDate::currentDate().year() + 1));
    fill(entry, typed);

    testing::BoxWatcher watcher;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.boxes().first().icon, QMessageBox::Critical);
    QVERIFY(watcher.boxes().first().text.contains(folder->path().section(u'/', -1)));
    QVERIFY(entry->isShown());
    QCOMPARE(texts(entry), typed);
    QCOMPARE(noteCount(), 0);
    Form4 *list = Forms::loaded<Form4>();
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 0 سجل"));
    QVERIFY(!list->Command2->isEnabled());

    // Once the database takes it, the same typing is saved.
    folder->exec("DROP TRIGGER refuse");
    watcher.clear();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY(watcher.boxes().isEmpty());
    QCOMPARE(folder->value("SELECT الموعد FROM Note").toString(), typed[0]);
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));
}

void TestAppointmentEntry::leavingWithoutSavingWritesNothing_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("new appointment, cancel") << false << false;
    QTest::newRow("new appointment, close box") << false << true;
    QTest::newRow("changed appointment, cancel") << true << false;
    QTest::newRow("changed appointment, close box") << true << true;
}

void TestAppointmentEntry::leavingWithoutSavingWritesNothing()
{
    QFETCH(bool, editing);
    QFETCH(bool, closeBox);

    folder->exec("INSERT INTO Note (الموعد, الشهر, العام) VALUES ('قديم', '12', '2999')");
    const auto stored = folder->rows("SELECT * FROM Note");
    QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
    Form4 *list = Forms::loaded<Form4>();
    QTest::mouseClick(editing ? list->Command4 : list->Command1, Qt::LeftButton);
    Form5 *entry = Forms::loaded<Form5>();
    QCOMPARE(entry->Text1->text(), editing ? QStringLiteral("قديم") : QString());
    testing::typeText(entry->Text1, QStringLiteral(" جديد"));
    QVERIFY(entry->Data1->Recordset()->pendingState() != RecordSource::Pending::None);

    QPointer<Form5> watched = entry;
    if (closeBox) {
        entry->parentWidget()->close();
    } else {
        QTest::mouseClick(entry->Command3, Qt::LeftButton);
        QVERIFY(list->isShown());
        QVERIFY(list->Command2->isEnabled() && list->Command4->isEnabled());
    }
    QVERIFY(!Forms::loaded<Form5>());
    QTRY_VERIFY(watched.isNull());
    QCOMPARE(folder->rows("SELECT * FROM Note"), stored);
    // Opened again, it is created afresh from its design.
    QTest::mouseClick(list->Command4, Qt::LeftButton);
    QCOMPARE(Forms::loaded<Form5>()->windowTitle(), QStringLiteral("تعديل موعد"));
    QCOMPARE(Forms::loaded<Form5>()->Text1->text(), QStringLiteral("قديم"));
}

TESTING_WINDOW_TEST_MAIN(TestAppointmentEntry)
#include "tst_appointmententry.moc"
