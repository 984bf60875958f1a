// The Hijri dates beside the Gregorian ones: the conversion against ICU's own calendars for
// every day from 1940 to 2076 in both directions, the almanac's dates, the adjustment, the
// days Umm al-Qura does not reach; the option as DB1.mdb keeps it; and the windows as the
// user sees them: the calendar's cells and header and the label after a click, the clock
// line, the list's status bar, the options window changing them all at once, a restart and
// a read-only file.
#include "testsupport.h"

#include "icuhijri.h"

#include "appointments/form10.h"
#include "appointments/form4.h"
#include "appointments/form5.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "data/store/database.h"
#include "data/store/hijrioptions.h"
#include "data/text/hijri.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

using namespace dalil;

namespace {

const char *icuName(Hijri::System system)
{
    return system == Hijri::System::UmmAlQura ? "islamic-umalqura" : "islamic-civil";
}

const QDate firstDay(1940, 1, 1);
const QDate lastDay(2076, 12, 31);

QString describe(const Hijri::Date &d)
{
    return QStringLiteral("%1/%2/%3%4").arg(d.year).arg(d.month).arg(d.day).arg(d.tabular ? " (tabular)" : "");
}

} // namespace

Q_DECLARE_METATYPE(Hijri::System)

class TestHijri : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A read-only file means nothing to root.
        QVERIFY(testing::runAsOrdinaryUser());
    }
    void cleanup()
    {
        testing::stopProgram();
        folder.reset();
    }

    void everyDayAgainstIcu_data();
    void everyDayAgainstIcu();
    void everyHijriDayAgainstIcu_data();
    void everyHijriDayAgainstIcu();
    void almanac_data();
    void almanac();
    void adjustment_data();
    void adjustment();
    void beyondUmmAlQura();
    void monthsOfAPage_data();
    void monthsOfAPage();
    void optionsInTheFile();

    void labelAndCellsAfterAClick();
    void labelFollowsTheDateBoxes();
    void listShowsTheSelectedAppointment();
    void optionsWindowChangesEveryWindowAtOnce();
    void optionsWindowCancelChangesNothing();
    void optionKeptAcrossARestart();
    void readOnlyFileKeepsTheOptionForTheRun();

private:
    void start()
    {
        if (!folder)
            folder = std::make_unique<testing::AppFolder>();
        QVERIFY(testing::startProgram(*folder));
    }
    static void menu(const QString &item)
    {
        MDIForm1::instance()->findChild<QAction *>(item)->trigger();
        testing::runQueuedWork();
    }
    // The menu's add command, and the calendar moved to the month as a user moves it: the
    // year typed into the year box, then the arrows a month at a time.
    static Form5 *entryOn(int year, int month);
    static void clickDay(Form5 *entry, int day);
    // The options window: the calendar and the adjustment chosen as a user chooses them.
    static Form10 *chooseOptions(Hijri::System system, int adjustment);
    QList<QVariantList> storedOptions() const
    {
        return folder->rows(QStringLiteral("SELECT name, value FROM DalilOptions WHERE name LIKE 'hijri.%' ORDER BY name"));
    }
    // Each day of the month page as painted beneath its Gregorian number, against ICU.
    static void checkCells(Form5 *entry, const char *calendar, int adjustment);

    std::unique_ptr<testing::AppFolder> folder;
};

void TestHijri::everyDayAgainstIcu_data()
{
    QTest::addColumn<Hijri::System>("system");
    QTest::newRow("Umm al-Qura") << Hijri::System::UmmAlQura;
    QTest::newRow("tabular") << Hijri::System::Tabular;
}

void TestHijri::everyDayAgainstIcu()
{
    // Gregorian to Hijri for every day, and each Hijri date back to its day.
    QFETCH(Hijri::System, system);
    const Hijri::Converter converter({system, 0});
    int days = 0;
    QStringList wrong;
    for (QDate day = firstDay; day <= lastDay; day = day.addDays(1), ++days) {
        const Hijri::Date ours = converter.fromGregorian(day);
        const testing::icuhijri::Day icu = testing::icuhijri::fromGregorian(day, icuName(system));
        const QDate back = converter.toGregorian(ours.year, ours.month, ours.day);
        if (Hijri::Date{icu.year, icu.month, icu.day, false} != ours || back != day)
            wrong << QStringLiteral("%1: ours %2, ICU %3/%4/%5, back to %6")
                         .arg(day.toString(Qt::ISODate), describe(ours))
                         .arg(icu.year).arg(icu.month).arg(icu.day)
                         .arg(back.toString(Qt::ISODate));
    }
    QCOMPARE(days, 50040);
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 days differ, the first: %2").arg(wrong.size()).arg(wrong.value(0))));
}

void TestHijri::everyHijriDayAgainstIcu_data()
{
    everyDayAgainstIcu_data();
}

void TestHijri::everyHijriDayAgainstIcu()
{
    // Hijri to Gregorian for every day of every month the years cover, the month lengths
    // with them, and the day after a month's last refused.
    QFETCH(Hijri::System, system);
    const Hijri::Converter converter({system, 0});
    const Hijri::Date from = converter.fromGregorian(firstDay);
    const Hijri::Date to = converter.fromGregorian(lastDay);
    QStringList wrong;
    int months = 0;
    QDate expectedNext;
    for (int year = from.year; year <= to.year; ++year) {
        for (int month = 1; month <= 12; ++month, ++months) {
            const int length = converter.daysInMonth(year, month);
            const int icuLength = testing::icuhijri::monthLength(year, month, icuName(system));
            if (length != icuLength)
                wrong << QStringLiteral("%1/%2 has %3 days, ICU says %4").arg(year).arg(month).arg(length).arg(icuLength);
            for (int day = 1; day <= length; ++day) {
                const QDate ours = converter.toGregorian(year, month, day);
                const QDate icu = testing::icuhijri::toGregorian(year, month, day, icuName(system));
                // The days follow one another across months and years, none missing.
                if (ours != icu || (expectedNext.isValid() && ours != expectedNext))
                    wrong << QStringLiteral("%1/%2/%3: ours %4, ICU %5").arg(year).arg(month).arg(day)
                                 .arg(ours.toString(Qt::ISODate), icu.toString(Qt::ISODate));
                expectedNext = ours.addDays(1);
            }
            if (converter.toGregorian(year, month, length + 1).isValid())
                wrong << QStringLiteral("%1/%2 took a day %3").arg(year).arg(month).arg(length + 1);
        }
    }
    QVERIFY(months > 140 * 12);
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 differ, the first: %2").arg(wrong.size()).arg(wrong.value(0))));
}

void TestHijri::almanac_data()
{
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 Ramadan 1445") << QDate(2024, 3, 11) << 1445 << 9 << 1 << QStringLiteral("1 رمضان 1445 هـ");
    QTest::newRow("10 Dhu al-Hijjah 1445") << QDate(2024, 6, 16) << 1445 << 12 << 10 << QStringLiteral("10 ذو الحجة 1445 هـ");
    QTest::newRow("1 Muharram 1447") << QDate(2025, 6, 26) << 1447 << 1 << 1 << QStringLiteral("1 محرم 1447 هـ");
}

void TestHijri::almanac()
{
    // The official almanac's dates, both ways, and as the windows write them.
    QFETCH(QDate, gregorian);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QString, text);
    const Hijri::Converter ummAlQura;
    QCOMPARE(ummAlQura.options().system, Hijri::System::UmmAlQura);
    const Hijri::Date hijri = ummAlQura.fromGregorian(gregorian);
    QCOMPARE(hijri, (Hijri::Date{year, month, day, false}));
    QCOMPARE(ummAlQura.toGregorian(year, month, day), gregorian);
    QCOMPARE(Hijri::dateText(hijri), text);
}

void TestHijri::adjustment_data()
{
    QTest::addColumn<Hijri::System>("system");
    QTest::addColumn<int>("adjustment");
    for (Hijri::System system : {Hijri::System::UmmAlQura, Hijri::System::Tabular}) {
        for (int days = -2; days <= 2; ++days)
            QTest::addRow("%s %+d", system == Hijri::System::UmmAlQura ? "Umm al-Qura" : "tabular", days)
                << system << days;
    }
}

void TestHijri::adjustment()
{
    // Every Hijri date moves by the adjustment, against ICU, both ways, over two years.
    QFETCH(Hijri::System, system);
    QFETCH(int, adjustment);
    const Hijri::Converter moved({system, adjustment});
    QCOMPARE(moved.options().adjustment, adjustment);
    QStringList wrong;
    for (QDate day(2024, 1, 1); day <= QDate(2025, 12, 31); day = day.addDays(1)) {
        const Hijri::Date ours = moved.fromGregorian(day);
        const QString icuText = testing::icuhijri::dateText(day, icuName(system), adjustment);
        if (Hijri::dateText(ours) != icuText || moved.toGregorian(ours.year, ours.month, ours.day) != day)
            wrong << QStringLiteral("%1: %2, ICU %3").arg(day.toString(Qt::ISODate), Hijri::dateText(ours), icuText);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 differ, the first: %2").arg(wrong.size()).arg(wrong.value(0))));
    // A month that began a day early by the local sighting: 1 Ramadan 1445 on 10 March 2024.
    QCOMPARE(moved.toGregorian(1445, 9, 1), Hijri::Converter({system, 0}).toGregorian(1445, 9, 1).addDays(-adjustment));
    // Beyond two days the adjustment stops at two.
    QCOMPARE(Hijri::Converter({system, adjustment * 3}).options().adjustment,
             adjustment == 0 ? 0 : (adjustment > 0 ? 2 : -2));
}

void TestHijri::beyondUmmAlQura()
{
    // Umm al-Qura's tables run from 1 Muharram 1300 to the end of 1600; past them the
    // tabular calendar counts, and says so.
    const QDate first = testing::icuhijri::toGregorian(1300, 1, 1, "islamic-umalqura");
    const QDate afterLast = testing::icuhijri::toGregorian(1600, 12, 1, "islamic-umalqura")
                                .addDays(testing::icuhijri::monthLength(1600, 12, "islamic-umalqura"));
    QCOMPARE(Hijri::Converter::ummAlQuraFirstDay(), first);
    QCOMPARE(Hijri::Converter::ummAlQuraLastDay(), afterLast.addDays(-1));

    const Hijri::Converter ummAlQura;
    const Hijri::Converter tabular({Hijri::System::Tabular, 0});
    for (const QDate day : {first.addDays(-1), afterLast, QDate(1753, 1, 1), QDate(9999, 12, 31)}) {
        const Hijri::Date shown = ummAlQura.fromGregorian(day);
        const Hijri::Date counted = tabular.fromGregorian(day);
        QVERIFY2(shown.tabular, qPrintable(day.toString(Qt::ISODate)));
        QCOMPARE((Hijri::Date{shown.year, shown.month, shown.day, false}), counted);
        QVERIFY(Hijri::dateText(shown).endsWith(QStringLiteral(" (حسابي)")));
        QVERIFY(!Hijri::dateText(counted).contains(QStringLiteral("حسابي")));
        QCOMPARE(ummAlQura.toGregorian(shown.year, shown.month, shown.day), day);
    }
    for (const QDate day : {first, afterLast.addDays(-1)})
        QVERIFY2(!ummAlQura.fromGregorian(day).tabular, qPrintable(day.toString(Qt::ISODate)));
    // Before the Hijra there is no Hijri date; the calendar's first day has one.
    QVERIFY(!tabular.fromGregorian(QDate(600, 1, 1)).isValid());
    QCOMPARE(Hijri::dateText(tabular.fromGregorian(QDate(600, 1, 1))), QString());
    QVERIFY(!ummAlQura.toGregorian(1445, 13, 1).isValid());
    QVERIFY(!ummAlQura.toGregorian(1445, 9, 0).isValid());
}

void TestHijri::monthsOfAPage_data()
{
    QTest::addColumn<QDate>("month");
    QTest::addColumn<QString>("text");
    QTest::newRow("March 2024") << QDate(2024, 3, 1) << QStringLiteral("شعبان – رمضان 1445 هـ");
    QTest::newRow("July 2024, across the year") << QDate(2024, 7, 1) << QStringLiteral("ذو الحجة 1445 – محرم 1446 هـ");
    QTest::newRow("April 1882, before the tables")
        << QDate(1882, 4, 1) << QStringLiteral("جمادى الأولى – جمادى الآخرة 1299 هـ (حسابي)");
}

void TestHijri::monthsOfAPage()
{
    QFETCH(QDate, month);
    QFETCH(QString, text);
    QCOMPARE(Hijri::monthsText(month, month.addMonths(1).addDays(-1), Hijri::Converter()), text);
}

void TestHijri::optionsInTheFile()
{
    folder = std::make_unique<testing::AppFolder>();
    DataError error;
    {
        const QSqlDatabase db = Database::connection(folder->databasePath(), &error);
        QVERIFY(db.isValid());
        // A new file keeps none: Umm al-Qura, as the almanac has it.
        QCOMPARE(Hijri::readOptions(db), Hijri::Options());
        for (const Hijri::Options options : {Hijri::Options{Hijri::System::Tabular, -2}, Hijri::Options{Hijri::System::UmmAlQura, 1},
                                             Hijri::Options{Hijri::System::Tabular, 0}}) {
            QSqlError sqlError;
            QVERIFY(Hijri::writeOptions(db, options, &sqlError));
            QCOMPARE(Hijri::readOptions(db), options);
        }
        QCOMPARE(storedOptions(), (QList<QVariantList>{{"hijri.adjust", 0}, {"hijri.calendar", "islamic-civil"}}));
        // What another program wrote that this one does not know falls back to the defaults.
        folder->exec(QStringLiteral("UPDATE DalilOptions SET value = 'gregorian' WHERE name = 'hijri.calendar'"));
        folder->exec(QStringLiteral("UPDATE DalilOptions SET value = '7' WHERE name = 'hijri.adjust'"));
        QCOMPARE(Hijri::readOptions(db), Hijri::Options());
    }
    Database::closeAll();

    // A file of an older layout, read-only so that it stays as it is, has no table for them.
    auto older = std::make_unique<testing::AppFolder>(false);
    QVERIFY(testing::createDatabase(older->databasePath(), testing::secondLayoutSql()));
    QVERIFY(::chmod(QFile::encodeName(older->databasePath()).constData(), 0444) == 0);
    {
        const QSqlDatabase db = Database::connection(older->databasePath(), &error);
        QVERIFY(db.isValid());
        QCOMPARE(Hijri::readOptions(db), Hijri::Options());
        QSqlError sqlError;
        QVERIFY(!Hijri::writeOptions(db, {Hijri::System::Tabular, 1}, &sqlError));
        QVERIFY(sqlError.isValid());
    }
    Database::closeAll();
}

Form5 *TestHijri::entryOn(int year, int month)
{
    menu(QStringLiteral("addnote"));
    Form5 *entry = Forms::loaded<Form5>();
    // The year box comes up over the year; the arrows stand at the ends of the bar.
    auto *yearBox = entry->MonthView1->findChild<QSpinBox *>();
    auto *bar = qobject_cast<QHBoxLayout *>(yearBox->parentWidget()->layout());
    QToolButton *yearButton = nullptr;
    for (auto *b : yearBox->parentWidget()->findChildren<QToolButton *>()) {
        if (b->text() == QString::number(entry->MonthView1->yearShown()))
            yearButton = b;
    }
    if (!yearButton || !bar)
        return nullptr;
    QTest::mouseClick(yearButton, Qt::LeftButton);
    QTest::keyClick(yearBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(yearBox, QString::number(year));
    QTest::keyClick(yearBox, Qt::Key_Return);
    auto *previous = qobject_cast<QToolButton *>(bar->itemAt(0)->widget());
    auto *next = qobject_cast<QToolButton *>(bar->itemAt(bar->count() - 1)->widget());
    for (int i = 0; i < 12 && entry->MonthView1->monthShown() != month; ++i)
        QTest::mouseClick(entry->MonthView1->monthShown() > month ? previous : next, Qt::LeftButton);
    if (entry->MonthView1->yearShown() != year || entry->MonthView1->monthShown() != month)
        return nullptr;
    return entry;
}

void TestHijri::clickDay(Form5 *entry, int day)
{
    auto *view = entry->MonthView1->findChild<QTableView *>();
    for (int row = 1; row < view->model()->rowCount(); ++row) {
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            const QModelIndex index = view->model()->index(row, column);
            // The first cell of that number from the top is of the month shown.
            if (index.data().toInt() == day) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                return;
            }
        }
    }
    QFAIL("no such day on the page");
}

void TestHijri::checkCells(Form5 *entry, const char *calendar, int adjustment)
{
    entry->MonthView1->grab(); // painted as on screen
    const QHash<QDate, QString> painted = entry->MonthView1->paintedHijriDays();
    const QDate first(entry->MonthView1->yearShown(), entry->MonthView1->monthShown(), 1);
    for (QDate day = first; day.month() == first.month(); day = day.addDays(1)) {
        QVERIFY2(painted.contains(day), qPrintable(day.toString(Qt::ISODate)));
        const int expected = testing::icuhijri::fromGregorian(day.addDays(adjustment), calendar).day;
        QCOMPARE(painted.value(day), QString::number(expected));
    }
    QCOMPARE(entry->MonthView1->hijriHeader()->text(),
             Hijri::monthsText(first, first.addMonths(1).addDays(-1), Hijri::Converter(
                 {qstrcmp(calendar, "islamic-civil") == 0 ? Hijri::System::Tabular : Hijri::System::UmmAlQura, adjustment})));
}

void TestHijri::labelAndCellsAfterAClick()
{
    start();
    Form5 *entry = entryOn(2024, 3);
    QVERIFY(entry);
    QCOMPARE(entry->Label9->text(), QString()); // no day chosen yet
    clickDay(entry, 11);
    QCOMPARE(entry->Text4->text(), QStringLiteral("11"));
    QCOMPARE(entry->Text5->text(), QStringLiteral("3"));
    QCOMPARE(entry->Text6->text(), QStringLiteral("2024"));
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 رمضان 1445 هـ"));
    QCOMPARE(entry->MonthView1->hijriHeader()->text(), QStringLiteral("شعبان – رمضان 1445 هـ"));
    // In the navigation bar, whole, beside the month, the year and the arrows, not over them.
    const QLabel *header = entry->MonthView1->hijriHeader();
    QVERIFY(header->isVisible());
    QVERIFY(header->width() >= header->sizeHint().width());
    const auto barButtons = header->parentWidget()->findChildren<QToolButton *>();
    QVERIFY(barButtons.size() >= 4);
    for (const QToolButton *button : barButtons) {
        if (button->isVisible())
            QVERIFY2(!button->geometry().intersects(header->geometry()), qPrintable(button->text()));
    }
    checkCells(entry, "islamic-umalqura", 0);
    // Another day of the page.
    clickDay(entry, 10);
    QCOMPARE(entry->Label9->text(), QStringLiteral("29 شعبان 1445 هـ"));
    // Today's Hijri date at the clock line.
    QCOMPARE(entry->Label10->text(), testing::icuhijri::dateText(QDate::currentDate(), "islamic-umalqura", 0));

    // Nothing new covers a control of the design, and every caption is whole.
    const QList<QWidget *> design{entry->Label5, entry->Label6, entry->Label7, entry->Label8, entry->Data1,
                                  entry->Label1, entry->Text1, entry->MonthView1, entry->Label3, entry->Text3,
                                  entry->Label2, entry->Text2, entry->Label4, entry->Text4, entry->Text5,
                                  entry->Text6, entry->Command1, entry->Command2, entry->Command3};
    for (QLabel *added : {entry->Label9, entry->Label10}) {
        QVERIFY(added->width() >= added->sizeHint().width());
        for (QWidget *w : design)
            QVERIFY2(!added->geometry().intersects(w->geometry()), qPrintable(added->objectName() + " covers " + w->objectName()));
    }
    QVERIFY(entry->Label9->geometry().top() >= entry->MonthView1->geometry().bottom());
}

void TestHijri::labelFollowsTheDateBoxes()
{
    start();
    menu(QStringLiteral("addnote"));
    Form5 *entry = Forms::loaded<Form5>();
    const auto type = [&](const QString &day, const QString &month, const QString &year) {
        for (auto [box, text] : {std::pair{entry->Text4, day}, std::pair{entry->Text5, month}, std::pair{entry->Text6, year}}) {
            QTest::mouseClick(box, Qt::LeftButton);
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            testing::typeText(box, text);
        }
    };
    type(QStringLiteral("16"), QStringLiteral("6"), QStringLiteral("2024"));
    QCOMPARE(entry->Label9->text(), QStringLiteral("10 ذو الحجة 1445 هـ"));
    // Arabic-Indic digits as typed on an Arabic keyboard.
    type(QStringLiteral("٢٦"), QStringLiteral("٦"), QStringLiteral("٢٠٢٥"));
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 محرم 1447 هـ"));
    // No such day, or a box emptied: no Hijri date.
    type(QStringLiteral("30"), QStringLiteral("2"), QStringLiteral("2024"));
    QCOMPARE(entry->Label9->text(), QString());
    type(QStringLiteral("11"), QStringLiteral("3"), QString());
    QCOMPARE(entry->Label9->text(), QString());
    // The clear button empties it with the boxes.
    type(QStringLiteral("11"), QStringLiteral("3"), QStringLiteral("2024"));
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 رمضان 1445 هـ"));
    QTest::mouseClick(entry->Command2, Qt::LeftButton);
    QCOMPARE(entry->Label9->text(), QString());
}

void TestHijri::listShowsTheSelectedAppointment()
{
    folder = std::make_unique<testing::AppFolder>();
    folder->exec(QStringLiteral("INSERT INTO Note VALUES ('الإثنين', '11', '3', '2024', '9', 'أول رمضان')"));
    folder->exec(QStringLiteral("INSERT INTO Note VALUES ('الأحد', '16', '6', '2024', '9', 'العيد')"));
    folder->exec(QStringLiteral("INSERT INTO Note VALUES ('الأحد', '', '6', '2024', '9', 'بلا يوم')"));
    start();
    menu(QStringLiteral("note"));
    Form4 *list = Forms::loaded<Form4>();
    QCOMPARE(list->Label1->text(), QStringLiteral("الموعد: 1 رمضان 1445 هـ"));
    QTableView *view = list->DBGrid1->view();
    const auto clickRow = [&](int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 1)).center());
    };
    clickRow(1);
    QCOMPARE(list->Label1->text(), QStringLiteral("الموعد: 10 ذو الحجة 1445 هـ"));
    clickRow(2);
    QCOMPARE(list->Label1->text(), QString());
    clickRow(0);
    QCOMPARE(list->Label1->text(), QStringLiteral("الموعد: 1 رمضان 1445 هـ"));
    // Beside the date panel, right to left: count, date, Hijri date, time; still three panels.
    QCOMPARE(list->StatusBar1->panelCount(), 3);
    const int hijri = list->Label1->geometry().center().x();
    QVERIFY(list->StatusBar1->panel(2)->geometry().center().x() > hijri);
    QVERIFY(list->StatusBar1->panel(3)->geometry().center().x() < hijri);
    QVERIFY(!list->Label1->geometry().intersects(list->StatusBar1->panel(2)->geometry()));
    QVERIFY(!list->Label1->geometry().intersects(list->StatusBar1->panel(3)->geometry()));
    QVERIFY(list->Label1->width() >= list->Label1->sizeHint().width());
    // Inside its frame, room beside the text for a last letter that reaches past its advance.
    QVERIFY(list->Label1->contentsRect().width() >= list->Label1->fontMetrics().horizontalAdvance(list->Label1->text()) + 12);
    // The selected appointment deleted: the next one is selected, and its date shown.
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QCOMPARE(list->Label1->text(), QStringLiteral("الموعد: 10 ذو الحجة 1445 هـ"));
}

Form10 *TestHijri::chooseOptions(Hijri::System system, int adjustment)
{
    menu(QStringLiteral("hijri"));
    Form10 *options = Forms::loaded<Form10>();
    if (!options || !options->isShown())
        return nullptr;
    QTest::mouseClick(system == Hijri::System::Tabular ? options->Option2 : options->Option1, Qt::LeftButton);
    // The box's item chosen with the arrow keys, as from the keyboard.
    options->Combo1->setFocus(Qt::TabFocusReason);
    const int wanted = options->Combo1->findData(adjustment);
    for (int i = 0; i < 5 && options->Combo1->currentIndex() != wanted; ++i)
        QTest::keyClick(options->Combo1, options->Combo1->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    testing::runQueuedWork();
    return options;
}

void TestHijri::optionsWindowChangesEveryWindowAtOnce()
{
    folder = std::make_unique<testing::AppFolder>();
    folder->exec(QStringLiteral("INSERT INTO Note VALUES ('الإثنين', '11', '3', '2024', '9', 'أول رمضان')"));
    start();
    menu(QStringLiteral("note"));
    Form4 *list = Forms::loaded<Form4>();
    Form5 *entry = entryOn(2024, 3);
    QVERIFY(entry);
    clickDay(entry, 11);

    Form10 *options = chooseOptions(Hijri::System::Tabular, 1);
    QVERIFY(options);
    QCOMPARE(options->windowTitle(), QStringLiteral("التقويم الهجري"));
    QVERIFY(options->Option2->isChecked() && !options->Option1->isChecked());
    QCOMPARE(options->Combo1->currentText(), QStringLiteral("+1"));
    // The sample follows the choice before it is saved; the other windows do not yet.
    QCOMPARE(options->Label4->text(), testing::icuhijri::dateText(QDate::currentDate(), "islamic-civil", 1));
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 رمضان 1445 هـ"));

    QTest::mouseClick(options->Command1, Qt::LeftButton);
    testing::runQueuedWork();
    QVERIFY(!Forms::loaded<Form10>());
    const QString shown = testing::icuhijri::dateText(QDate(2024, 3, 11), "islamic-civil", 1);
    QVERIFY(shown != QStringLiteral("1 رمضان 1445 هـ"));
    QCOMPARE(entry->Label9->text(), shown);
    QCOMPARE(list->Label1->text(), QStringLiteral("الموعد: ") + shown);
    QCOMPARE(entry->Label10->text(), testing::icuhijri::dateText(QDate::currentDate(), "islamic-civil", 1));
    checkCells(entry, "islamic-civil", 1);
    QCOMPARE(storedOptions(), (QList<QVariantList>{{"hijri.adjust", 1}, {"hijri.calendar", "islamic-civil"}}));

    // And back to the almanac, two days behind it.
    QVERIFY(chooseOptions(Hijri::System::UmmAlQura, -2));
    QTest::mouseClick(Forms::loaded<Form10>()->Command1, Qt::LeftButton);
    testing::runQueuedWork();
    QCOMPARE(entry->Label9->text(), QStringLiteral("28 شعبان 1445 هـ"));
    checkCells(entry, "islamic-umalqura", -2);
    QCOMPARE(storedOptions(), (QList<QVariantList>{{"hijri.adjust", -2}, {"hijri.calendar", "islamic-umalqura"}}));
}

void TestHijri::optionsWindowCancelChangesNothing()
{
    start();
    menu(QStringLiteral("addnote"));
    Form5 *entry = Forms::loaded<Form5>();
    testing::typeText(entry->Text4, QStringLiteral("11"));
    testing::typeText(entry->Text5, QStringLiteral("3"));
    testing::typeText(entry->Text6, QStringLiteral("2024"));
    Form10 *options = chooseOptions(Hijri::System::Tabular, 2);
    QVERIFY(options);
    QTest::mouseClick(options->Command2, Qt::LeftButton);
    testing::runQueuedWork();
    QVERIFY(!Forms::loaded<Form10>());
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 رمضان 1445 هـ"));
    QCOMPARE(storedOptions(), QList<QVariantList>());
    // Opened again, it shows the options in force, not the ones dropped; the entry window is
    // back in front when it closes.
    menu(QStringLiteral("hijri"));
    options = Forms::loaded<Form10>();
    QVERIFY(options->Option1->isChecked());
    QCOMPARE(options->Combo1->currentText(), QStringLiteral("0"));
    QCOMPARE(MDIForm1::instance()->focusWidget(), options->Option1);
    MDIForm1::instance()->area()->activeSubWindow()->close();
    testing::runQueuedWork();
    QVERIFY(!Forms::loaded<Form10>());
    QVERIFY(entry->isShown());
}

void TestHijri::optionKeptAcrossARestart()
{
    start();
    QVERIFY(chooseOptions(Hijri::System::Tabular, -1));
    QTest::mouseClick(Forms::loaded<Form10>()->Command1, Qt::LeftButton);
    testing::stopProgram();

    start();
    menu(QStringLiteral("hijri"));
    Form10 *options = Forms::loaded<Form10>();
    QVERIFY(options->Option2->isChecked());
    QCOMPARE(options->Combo1->currentText(), QStringLiteral("−1"));
    QTest::mouseClick(options->Command2, Qt::LeftButton);
    Form5 *entry = entryOn(2024, 3);
    QVERIFY(entry);
    clickDay(entry, 11);
    QCOMPARE(entry->Label9->text(), testing::icuhijri::dateText(QDate(2024, 3, 11), "islamic-civil", -1));
    testing::stopProgram();

    // The next start reads the file again, whoever wrote it last.
    folder->exec(QStringLiteral("UPDATE DalilOptions SET value = 'islamic-umalqura' WHERE name = 'hijri.calendar'"));
    folder->exec(QStringLiteral("UPDATE DalilOptions SET value = 2 WHERE name = 'hijri.adjust'"));
    start();
    entry = entryOn(2024, 3);
    QVERIFY(entry);
    clickDay(entry, 11);
    QCOMPARE(entry->Label9->text(), QStringLiteral("3 رمضان 1445 هـ"));
}

void TestHijri::readOnlyFileKeepsTheOptionForTheRun()
{
    folder = std::make_unique<testing::AppFolder>();
    QVERIFY(::chmod(QFile::encodeName(folder->databasePath()).constData(), 0444) == 0);
    start();
    Form5 *entry = entryOn(2024, 3);
    QVERIFY(entry);
    clickDay(entry, 11);
    {
        testing::BoxWatcher boxes;
        QVERIFY(chooseOptions(Hijri::System::Tabular, 0));
        QTest::mouseClick(Forms::loaded<Form10>()->Command1, Qt::LeftButton);
        testing::runQueuedWork();
        QCOMPARE(boxes.boxes().size(), 1);
        const testing::SeenBox box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("التقويم الهجري"));
        QVERIFY2(box.text.contains(QStringLiteral("للقراءة فقط")) && box.text.contains(QStringLiteral("حتى إغلاق البرنامج")),
                 qPrintable(box.text));
        QCOMPARE(box.direction, Qt::RightToLeft);
    }
    // In force for this run, everywhere, though the file could not keep it.
    QCOMPARE(entry->Label9->text(), testing::icuhijri::dateText(QDate(2024, 3, 11), "islamic-civil", 0));
    QCOMPARE(storedOptions(), QList<QVariantList>());
    menu(QStringLiteral("hijri"));
    QVERIFY(Forms::loaded<Form10>()->Option2->isChecked());
    testing::stopProgram();

    start();
    entry = entryOn(2024, 3);
    QVERIFY(entry);
    clickDay(entry, 11);
    QCOMPARE(entry->Label9->text(), QStringLiteral("1 رمضان 1445 هـ"));
}

TESTING_WINDOW_TEST_MAIN(TestHijri)

#include "tst_hijri.moc"
