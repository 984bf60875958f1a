// The reminders of the running program, by a clock the test moves: the reminder window as the
// user sees and answers it, what was missed while the program was closed, the appointment
// list's word on appointments with no reminder, the lead time in the options menu, and the
// schedule following the user's saves and deletes.
#include "testsupport.h"

#include "appointments/form14.h"
#include "appointments/form4.h"
#include "appointments/form5.h"
#include "appointments/hijrisetting.h"
#include "appointments/reminding.h"
#include "common/dbgrid.h"
#include "common/textbox.h"
#include "data/text/dates.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace dalil;

namespace {

// The wall clock and the monotonic one, moved by the test. A month ahead of today, so that
// the appointment window takes the dates typed (it refuses months already past).
struct TestClock
{
    QDateTime now{QDate::currentDate().addMonths(1), QTime(9, 0)};
    qint64 elapsed = 0;

    void advance(int minutes)
    {
        now = now.addSecs(60 * minutes);
        elapsed += 60 * 1000 * qint64(minutes);
    }
    QDateTime at(int hour, int minute = 0, int days = 0) const { return QDateTime(now.date().addDays(days), QTime(hour, minute)); }
};

} // namespace

class TestReminding : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        clock = std::make_shared<TestClock>();
    }
    void cleanup()
    {
        testing::stopProgram();
        folder.reset();
    }

    void ringsAtItsTimeThenSnoozeAndDismiss();
    void missedWhileClosedNewestFirstAndDismissedForGood();
    void savesAndDeletesMoveTheSchedule();
    void theLeadTimeFromTheOptionsMenu();
    void theListSaysWhichAppointmentsHaveNoReminder_data();
    void theListSaysWhichAppointmentsHaveNoReminder();
    void withoutAClockNothingRings();

private:
    void start()
    {
        std::shared_ptr<TestClock> c = clock;
        QVERIFY(testing::startProgram(*folder, [c] { return c->now; }, [c] { return c->elapsed; }));
    }
    // Moves the clock on and lets the schedule look, as its timers would.
    void advance(int minutes)
    {
        clock->advance(minutes);
        Reminding::schedule()->check();
    }
    qint64 insert(const QString &text, const QDateTime &due, const QString &time = {})
    {
        folder->exec(QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) VALUES (?, ?, ?, ?, ?, ?)"),
                     {Dates::weekdayName(due.date()), QString::number(due.date().day()), QString::number(due.date().month()),
                      QString::number(due.date().year()), time.isEmpty() ? due.time().toString(QStringLiteral("HH:mm")) : time,
                      text});
        return folder->value(QStringLiteral("SELECT max(rowid) FROM Note")).toLongLong();
    }
    // The window's rows as the user reads them: group headings as "# heading".
    QStringList shownRows() const
    {
        QStringList rows;
        Form14 *window = Reminding::window();
        if (!window || !window->isVisible())
            return rows;
        for (int g = 0; g < window->ListView1->topLevelItemCount(); ++g) {
            const QTreeWidgetItem *group = window->ListView1->topLevelItem(g);
            rows << QStringLiteral("# ") + group->text(0);
            for (int i = 0; i < group->childCount(); ++i) {
                QStringList cells;
                for (int c = 0; c < window->ListView1->columnCount(); ++c)
                    cells << group->child(i)->text(c);
                rows << cells.join(u" | ");
            }
        }
        return rows;
    }
    QString row(const QString &text, const QDateTime &due) const
    {
        const QDate d = due.date();
        return QStringList{text, Dates::weekdayName(d), Dates::dateText(d),
                           HijriSetting::instance()->dateText(d),
                           QStringLiteral("%1:%2 %3")
                               .arg(due.time().hour() % 12 == 0 ? 12 : due.time().hour() % 12)
                               .arg(due.time().minute(), 2, 10, QLatin1Char('0'))
                               .arg(due.time().hour() < 12 ? QStringLiteral("ص") : QStringLiteral("م"))}
            .join(u" | ");
    }
    Form4 *openList()
    {
        QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
        return Forms::loaded<Form4>();
    }
    void selectRow(Form4 *list, int r)
    {
        QTableView *view = list->DBGrid1->view();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(r, 5)).center());
    }
    void typeInto(BoundTextBox *box, const QString &text)
    {
        box->clear();
        testing::typeText(box, text);
    }
    std::optional<QDateTime> armedFor() const { return Reminding::schedule()->armedFor(); }

    std::unique_ptr<testing::AppFolder> folder;
    std::shared_ptr<TestClock> clock;
};

void TestReminding::ringsAtItsTimeThenSnoozeAndDismiss()
{
    start();
    // The user adds the appointment through the book's windows.
    Form4 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form5 *entry = Forms::loaded<Form5>();
    const QDateTime due = clock->at(10, 30);
    typeInto(entry->Text1, QStringLiteral("اجتماع المجلس"));
    typeInto(entry->Text2, Dates::weekdayName(due.date()));
    typeInto(entry->Text3, QStringLiteral("10:30 ص"));
    typeInto(entry->Text4, QString::number(due.date().day()));
    typeInto(entry->Text5, QString::number(due.date().month()));
    typeInto(entry->Text6, QString::number(due.date().year()));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(armedFor(), std::optional(due));

    advance(89); // 10:29
    QVERIFY(shownRows().isEmpty());
    advance(1);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("اجتماع المجلس"), due)}));
    Form14 *window = Reminding::window();
    QCOMPARE(window->windowTitle(), QStringLiteral("تذكير بالمواعيد"));
    QVERIFY(window->Command1->isEnabled() && window->Command2->isEnabled());

    // Snoozed ten minutes: the window goes, and it rings again ten minutes on, not before.
    window->Combo1->setCurrentIndex(window->Combo1->findText(QStringLiteral("10 دقائق")));
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QCOMPARE(armedFor(), std::optional(due.addSecs(600)));
    advance(9);
    QVERIFY(shownRows().isEmpty());
    advance(1);
    QCOMPARE(shownRows().size(), 2);

    // The Hijri dates follow the options window; Esc puts the window away with its rows kept.
    const QString hijri = window->ListView1->topLevelItem(0)->child(0)->text(3);
    Hijri::Options moved = HijriSetting::instance()->options();
    moved.adjustment = 1;
    HijriSetting::instance()->change(moved);
    QVERIFY(window->ListView1->topLevelItem(0)->child(0)->text(3) != hijri);
    QCOMPARE(window->ListView1->topLevelItem(0)->child(0)->text(3), HijriSetting::instance()->dateText(due.date()));
    QCOMPARE(shownRows().size(), 2);
    QTest::keyClick(window->ListView1, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->listed().size(), 1);
    window->show();

    // Another copy snoozes it meanwhile: the window here lets it go at its next check, and it
    // rings again when that snooze ends.
    folder->exec(QStringLiteral("UPDATE ReminderStates SET snoozedUntil = ?"),
                 {clock->now.addSecs(300).toUTC().toString(Qt::ISODateWithMs)});
    advance(1);
    QVERIFY(!window->isVisible());
    advance(4);
    QCOMPARE(shownRows().size(), 2);

    // Dismissed, it is done with for good: not by this run, not by the next one.
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QCOMPARE(folder->rows("SELECT state FROM ReminderStates"), (QList<QVariantList>{{"dismissed"}}));
    QCOMPARE(armedFor(), std::nullopt);
    advance(24 * 60);
    QVERIFY(shownRows().isEmpty());
    testing::stopProgram();
    clock->advance(60);
    start();
    testing::runQueuedWork();
    QVERIFY(shownRows().isEmpty());
}

void TestReminding::missedWhileClosedNewestFirstAndDismissedForGood()
{
    folder->exec("INSERT INTO DalilOptions (name, value) VALUES ('reminders.seen', ?)",
                 {clock->at(8, 0).toUTC().toString(Qt::ISODateWithMs)});
    const QDateTime early = clock->at(8, 30), late = clock->at(9, 30), ahead = clock->at(11, 0);
    insert(QStringLiteral("أ مبكر"), early);
    insert(QStringLiteral("ب متأخر"), late);
    insert(QStringLiteral("ج قادم"), ahead);
    insert(QStringLiteral("د قادم أيضاً"), ahead);
    insert(QStringLiteral("لا وقت له"), late, QStringLiteral("بعد الظهر"));
    clock->advance(60); // 10:00: the program was closed since 8:00
    start();
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# مواعيد فاتتك"), row(QStringLiteral("ب متأخر"), late),
                                       row(QStringLiteral("أ مبكر"), early)}));

    // Two at once ring in the same window, above what was missed, which stays listed.
    Form14 *window = Reminding::window();
    window->ListView1->clearSelection();
    advance(60);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("ج قادم"), ahead),
                                       row(QStringLiteral("د قادم أيضاً"), ahead), QStringLiteral("# مواعيد فاتتك"),
                                       row(QStringLiteral("ب متأخر"), late), row(QStringLiteral("أ مبكر"), early)}));
    QCOMPARE(window->selected().size(), 2); // what just rang

    // Only the selection is answered: the user dismisses the missed ones and keeps the others.
    window->ListView1->clearSelection();
    window->ListView1->topLevelItem(1)->child(0)->setSelected(true);
    window->ListView1->topLevelItem(1)->child(1)->setSelected(true);
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("ج قادم"), ahead),
                                       row(QStringLiteral("د قادم أيضاً"), ahead)}));

    // The next start lists nothing missed: dismissed for good, and the rest rang while it ran.
    testing::stopProgram();
    clock->advance(5);
    start();
    testing::runQueuedWork();
    QVERIFY(shownRows().isEmpty());
    QCOMPARE(armedFor(), std::nullopt);
}

void TestReminding::savesAndDeletesMoveTheSchedule()
{
    insert(QStringLiteral("الأول"), clock->at(12, 0));
    const qint64 second = insert(QStringLiteral("الثاني"), clock->at(15, 0));
    start();
    QCOMPARE(armedFor(), std::optional(clock->at(12, 0)));

    // Another program adds one before the timer's time, then the user saves an edit: the
    // timer follows the edit at once, and the next check still reads the book again for what
    // the other program did.
    insert(QStringLiteral("من برنامج آخر"), clock->at(9, 30));
    Form4 *list = openList();
    selectRow(list, 1);
    QTest::mouseClick(list->Command4, Qt::LeftButton);
    QCOMPARE(Forms::loaded<Form5>()->Text1->text(), QStringLiteral("الثاني"));
    Form5 *entry = Forms::loaded<Form5>();
    typeInto(entry->Text3, QStringLiteral("11:00"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(armedFor(), std::optional(clock->at(11, 0)));
    advance(29);
    QVERIFY(shownRows().isEmpty());
    advance(1);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("من برنامج آخر"), clock->at(9, 30))}));
    QTest::mouseClick(Reminding::window()->Command2, Qt::LeftButton);

    // Rung, then moved on by another program before the user answers: the window's row
    // names a time the appointment no longer has, so answering it keeps nothing.
    advance(90);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("الثاني"), clock->at(11, 0))}));
    folder->exec("UPDATE Note SET الساعة = '18:00' WHERE الموعد = 'الثاني'");
    QTest::mouseClick(Reminding::window()->Command2, Qt::LeftButton);
    QVERIFY(shownRows().isEmpty());
    QCOMPARE(folder->value("SELECT count(*) FROM ReminderStates WHERE noteKey = ?", {second}).toInt(), 0);

    // Deleted from the list: nothing rings at its time, and the schedule finds the next one.
    QCOMPARE(armedFor(), std::optional(clock->at(12, 0)));
    selectRow(list, 0);
    QCOMPARE(list->DBGrid1->view()->model()->index(0, 5).data().toString(), QStringLiteral("الأول"));
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    advance(60);
    QVERIFY(shownRows().isEmpty());
    QCOMPARE(armedFor(), std::optional(clock->at(18, 0)));
    advance(6 * 60);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("الثاني"), clock->at(18, 0))}));
}

void TestReminding::theLeadTimeFromTheOptionsMenu()
{
    const QDateTime due = clock->at(12, 0, 2);
    insert(QStringLiteral("سفر"), due);
    start();
    MDIForm1 *frame = MDIForm1::instance();
    QMenu *menu = frame->reminders;
    QCOMPARE(menu->title(), QStringLiteral("التذكير"));
    QStringList captions;
    for (QAction *item : menu->actions())
        captions << item->text();
    QCOMPARE(captions, (QStringList{QStringLiteral("عند الموعد"), QStringLiteral("قبل 5 دقائق"), QStringLiteral("قبل 15 دقيقة"),
                                    QStringLiteral("قبل 30 دقيقة"), QStringLiteral("قبل ساعة"), QStringLiteral("قبل يوم")}));

    const std::pair<const char *, int> choices[] = {{"quarterhour", 15}, {"oneday", 24 * 60}, {"attime", 0}};
    for (const auto &[name, minutes] : choices) {
        frame->findChild<QAction *>(QString::fromLatin1(name))->trigger();
        QCOMPARE(folder->value("SELECT value FROM DalilOptions WHERE name = 'reminders.lead'").toInt(), minutes);
        QCOMPARE(armedFor(), std::optional(due.addSecs(-60 * minutes)));
        emit menu->aboutToShow();
        for (QAction *item : menu->actions())
            QCOMPARE(item->isChecked(), item->objectName() == QLatin1String(name));
    }
    // A day ahead it rings with the appointment's own time shown.
    frame->findChild<QAction *>(QStringLiteral("oneday"))->trigger();
    advance(2 * 24 * 60 + 3 * 60 - 24 * 60);
    QCOMPARE(shownRows(), (QStringList{QStringLiteral("# تذكير"), row(QStringLiteral("سفر"), due)}));
}

void TestReminding::theListSaysWhichAppointmentsHaveNoReminder_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("shown");
    QTest::newRow("read") << "5" << "10:30 م" << "";
    QTest::newRow("arabic digits") << "٥" << "٣:١٥ مساءً" << "";
    QTest::newRow("words") << "5" << "بعد الظهر" << "لا تذكير: الوقت غير مفهوم";
    QTest::newRow("hour alone") << "5" << "4" << "لا تذكير: الوقت غير مفهوم";
    QTest::newRow("empty time") << "5" << "" << "لا تذكير: الوقت غير مفهوم";
    QTest::newRow("no such day") << "31" << "10:00" << "لا تذكير: التاريخ غير مفهوم";
}

void TestReminding::theListSaysWhichAppointmentsHaveNoReminder()
{
    QFETCH(QString, day);
    QFETCH(QString, time);
    QFETCH(QString, shown);
    folder->exec("INSERT INTO Note (التاريخ, الشهر, العام, الساعة, الموعد) VALUES (?, '11', '2031', ?, 'موعد')", {day, time});
    folder->exec("INSERT INTO Note (التاريخ, الشهر, العام, الساعة, الموعد) VALUES ('1', '11', '2031', '9:00', 'آخر')");
    QVERIFY(testing::startProgram(*folder));
    Form4 *list = openList();
    selectRow(list, 0);
    QCOMPARE(list->Label2->isVisible() ? list->Label2->text() : QString(), shown);
    QVERIFY(list->Label2->isVisible() == !shown.isEmpty());
    selectRow(list, 1);
    QVERIFY(!list->Label2->isVisible());
}

void TestReminding::withoutAClockNothingRings()
{
    // The other tests' programs run without reminders: nothing of them is read or written.
    insert(QStringLiteral("قادم"), QDateTime::currentDateTime().addSecs(-60));
    QVERIFY(testing::startProgram(*folder));
    testing::runQueuedWork();
    QVERIFY(!Reminding::isRunning());
    QCOMPARE(folder->value("SELECT count(*) FROM DalilOptions WHERE name LIKE 'reminders.%'").toInt(), 0);
}

TESTING_WINDOW_TEST_MAIN(TestReminding)
#include "tst_reminding.moc"
