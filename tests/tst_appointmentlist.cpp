// The appointment list: opening the book, its status bar and buttons, delete, edit of the
// selected appointment, and what the entry window's save and cancel do to the list.
#include "testsupport.h"

#include "appointments/form4.h"
#include "appointments/form5.h"
#include "common/application.h"
#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace dalil;

class TestAppointmentList : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void opensOnAnEmptyTable();
    void openingAgainKeepsThreePanels();
    void deleteRemovesTheMarkedAppointment();
    void deleteWithNoCurrentRecordChangesNothing();
    void editOpensTheSelectedAppointmentAfterScrolling();
    void saveAddsARowAndLaysTheListOutAgain();
    void addFromTheMenuBeforeTheBookIsOpened_data();
    void addFromTheMenuBeforeTheBookIsOpened();

private:
    // Rows "موعد 1".."موعد n", dated December of next year so that they pass the date check.
    void insertAppointments(int n)
    {
        folder->exec(QStringLiteral(
                         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < ?) "
                         "INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) "
                         "SELECT 'الأحد', '1', '12', ?, '10:00', 'موعد ' || x FROM c"),
                     {n, QString::number(QDate::currentDate().year() + 1)});
    }
    Form4 *openFromStartWindow()
    {
        QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
        return Forms::loaded<Form4>();
    }
    void fill(Form5 *entry, const QStringList &texts)
    {
        const QList<BoundTextBox *> boxes{entry->Text1, entry->Text2, entry->Text3,
                                          entry->Text4, entry->Text5, entry->Text6};
        // The weekday last: typed over the one the date gave it.
        for (int i : {0, 2, 3, 4, 5, 1}) {
            boxes[i]->clear();
            testing::typeText(boxes[i], texts.value(i));
        }
    }
    QStringList aValidAppointment() const
    {
        return {QStringLiteral("اجتماع"), QStringLiteral("الخميس"), QStringLiteral("10:30"),
                QStringLiteral("5"), QStringLiteral("12"), QString::number(QDate::currentDate().year() + 1)};
    }
    void verifyGridLayout(Form4 *list)
    {
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(list->DBGrid1->Columns(i).alignment(), DBGrid::Alignment::Right);
            QCOMPARE(list->DBGrid1->Columns(i).Width(), i < 5 ? 800 : 4000);
        }
    }
    int noteCount() const { return folder->value("SELECT count(*) FROM Note").toInt(); }

};

void TestAppointmentList::opensOnAnEmptyTable()
{
    Form4 *list = openFromStartWindow();
    QVERIFY(list);
    QVERIFY(list->isShown());
    QVERIFY(!Forms::loaded<Form1>()->isShown());
    QCOMPARE(list->windowTitle(), QStringLiteral("مذكرة المواعيد"));
    QCOMPARE(list->DBGrid1->Caption(), QStringLiteral("مذكرة المواعيد"));
    QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    QVERIFY(!list->Command2->isEnabled());
    QVERIFY(!list->Command4->isEnabled()); // nothing to edit either
    QVERIFY(!list->Data1->isVisible());
    verifyGridLayout(list);

    QCOMPARE(list->StatusBar1->panelCount(), 3);
    StatusPanel *count = list->StatusBar1->panel(1);
    QCOMPARE(count->text(), QStringLiteral("عدد السجلات: 0 سجل"));
    QCOMPARE(count->Width(), 1800);
    QCOMPARE(count->alignment(), StatusPanel::Alignment::Center);
    QCOMPARE(list->StatusBar1->panel(2)->style(), StatusPanel::Style::Date);
    QCOMPARE(list->StatusBar1->panel(3)->style(), StatusPanel::Style::Time);
    // Today's date and the time to the minute, as the Arabic short formats write them.
    const QDate today = QDate::currentDate();
    QCOMPARE(list->StatusBar1->panel(2)->text(),
             QStringLiteral("%1\u200F/%2\u200F/%3").arg(today.day()).arg(today.month()).arg(today.year()));
    const auto shortTime = [](const QTime &t) {
        return QStringLiteral("%1:%2 %3")
            .arg(t.hour() % 12 == 0 ? 12 : t.hour() % 12)
            .arg(t.minute(), 2, 10, QLatin1Char('0'))
            .arg(t.hour() < 12 ? QStringLiteral("ص") : QStringLiteral("م"));
    };
    const QTime now = QTime::currentTime();
    const QString time = list->StatusBar1->panel(3)->text();
    QVERIFY2(time == shortTime(now) || time == shortTime(now.addSecs(-60)), qPrintable(time));

    // From right to left: add, edit, delete, back, with their tips.
    QVERIFY(list->Command1->x() > list->Command4->x());
    QVERIFY(list->Command4->x() > list->Command2->x());
    QVERIFY(list->Command2->x() > list->Command3->x());
    QCOMPARE(list->Command1->text(), QStringLiteral("إضافة موعد"));
    QCOMPARE(list->Command4->toolTip(), QStringLiteral("تعديل موعد تم إدخاله سابقاً"));
    QCOMPARE(list->Command2->toolTip(), QStringLiteral("حذف السجل الموجود إلى جانب السهم"));
}

void TestAppointmentList::openingAgainKeepsThreePanels()
{
    Form4 *list = openFromStartWindow();
    insertAppointments(2); // written by another program: the list catches up when shown again
    QTest::mouseClick(list->Command3, Qt::LeftButton);
    QVERIFY(!list->isShown());
    QVERIFY(Forms::loaded<Form1>()->isShown());

    QAction *note = MDIForm1::instance()->findChild<QAction *>(QStringLiteral("note"));
    note->trigger();
    note->trigger(); // while the list is on screen
    QCOMPARE(Forms::loaded<Form4>(), list);
    QVERIFY(list->isShown());
    QCOMPARE(list->StatusBar1->panelCount(), 3);
    QCOMPARE(list->StatusBar1->findChildren<StatusPanel *>().size(), 3);
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 2 سجل"));
    verifyGridLayout(list);
}

void TestAppointmentList::deleteRemovesTheMarkedAppointment()
{
    insertAppointments(3);
    Form4 *list = openFromStartWindow();
    QVERIFY(list->Command2->isEnabled());
    QTableView *view = list->DBGrid1->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 5)).center());

    testing::BoxWatcher boxes;
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QCOMPARE(folder->rows("SELECT الموعد FROM Note ORDER BY rowid"),
             (QList<QVariantList>{{"موعد 1"}, {"موعد 3"}}));
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 2 سجل"));
    verifyGridLayout(list);

    // The one after it took the highlight, and goes next; the last one disables both buttons.
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QCOMPARE(folder->value("SELECT الموعد FROM Note").toString(), QStringLiteral("موعد 1"));
    QVERIFY(list->Command2->isEnabled() && list->Command4->isEnabled());
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QCOMPARE(noteCount(), 0);
    QVERIFY(!list->Command2->isEnabled());
    QVERIFY(!list->Command4->isEnabled());
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 0 سجل"));
    QVERIFY(boxes.boxes().isEmpty()); // no confirmation question
}

void TestAppointmentList::deleteWithNoCurrentRecordChangesNothing()
{
    // The empty list has nothing to edit or delete: both buttons do nothing.
    Form4 *list = openFromStartWindow();
    testing::BoxWatcher boxes;
    QTest::mouseClick(list->Command4, Qt::LeftButton);
    QVERIFY(!Forms::loaded<Form5>());
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QVERIFY(isRunning());
    QVERIFY(list->isShown());
    QCOMPARE(noteCount(), 0);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestAppointmentList::editOpensTheSelectedAppointmentAfterScrolling()
{
    insertAppointments(300);
    Form4 *list = openFromStartWindow();
    QTableView *view = list->DBGrid1->view();
    view->scrollTo(view->model()->index(200, 5), QAbstractItemView::PositionAtTop);
    const QModelIndex target = view->model()->index(205, 5);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(target).center());
    QVERIFY(list->DBGrid1->Row() < 205); // the on-screen row number no longer names it

    QTest::mouseClick(list->Command4, Qt::LeftButton);
    Form5 *entry = Forms::loaded<Form5>();
    QCOMPARE(entry->windowTitle(), QStringLiteral("تعديل موعد"));
    QCOMPARE(entry->Text1->text(), QStringLiteral("موعد 206"));
    QVERIFY(entry->Data1->Visible()); // the navigation bar is not touched
    // Each word of its caption stays whole beside its arrow, however wide the face.
    QCOMPARE(entry->Data1->Caption(), QStringLiteral("السابق") + QString(39, u' ') + QStringLiteral("التالي"));
    const QLabel *shown = entry->Data1->findChild<QLabel *>(QStringLiteral("caption"));
    QVERIFY(shown->text().startsWith(QStringLiteral("السابق ")) && shown->text().endsWith(QStringLiteral(" التالي")));
    QVERIFY(shown->fontMetrics().horizontalAdvance(shown->text()) <= shown->contentsRect().width());

    entry->Text1->clear();
    testing::typeText(entry->Text1, QStringLiteral("موعد معدل"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(folder->value("SELECT الموعد FROM Note WHERE rowid = 206").toString(), QStringLiteral("موعد معدل"));
    QCOMPARE(noteCount(), 300);
}

void TestAppointmentList::saveAddsARowAndLaysTheListOutAgain()
{
    insertAppointments(2);
    Form4 *list = openFromStartWindow();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form5 *entry = Forms::loaded<Form5>();
    QVERIFY(entry->isShown());
    QCOMPARE(entry->windowTitle(), QStringLiteral("إضافة موعد"));
    QVERIFY(!entry->Data1->Visible());
    QVERIFY(list->isShown()); // stays behind it, unchanged
    const QStringList typed = aValidAppointment();
    fill(entry, typed);

    testing::BoxWatcher boxes;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!entry->isShown());
    QCOMPARE(Forms::loaded<Form5>(), entry); // hidden, kept
    QCOMPARE(folder->rows("SELECT الموعد, اليوم, الساعة, التاريخ, الشهر, العام FROM Note WHERE rowid = 3"),
             (QList<QVariantList>{{typed[0], typed[1], typed[2], typed[3], typed[4], typed[5]}}));
    QCOMPARE(list->DBGrid1->model()->rowCount(), 3);
    QCOMPARE(list->DBGrid1->view()->currentIndex().row(), 2); // the highlight on the one just saved
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 3 سجل"));
    QCOMPARE(list->StatusBar1->panelCount(), 3);
    QVERIFY(list->Command2->isEnabled() && list->Command4->isEnabled());
    verifyGridLayout(list);
}

void TestAppointmentList::addFromTheMenuBeforeTheBookIsOpened_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("save: the list is created hidden") << true;
    QTest::newRow("cancel: the list is created and shown") << false;
}

void TestAppointmentList::addFromTheMenuBeforeTheBookIsOpened()
{
    QFETCH(bool, save);
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addnote"))->trigger();
    QVERIFY(!Forms::loaded<Form4>());
    Form5 *entry = Forms::loaded<Form5>();
    QVERIFY(entry && entry->isShown());
    QVERIFY(Forms::loaded<Form1>()->isShown()); // the start window stays as it was
    fill(entry, aValidAppointment());

    QTest::mouseClick(save ? entry->Command1 : entry->Command3, Qt::LeftButton);
    Form4 *list = Forms::loaded<Form4>();
    QVERIFY(list);
    QCOMPARE(list->isShown(), !save);
    QCOMPARE(noteCount(), save ? 1 : 0);
    // Created silently: one panel until the book is opened.
    QCOMPARE(list->StatusBar1->panelCount(), 1);
    QCOMPARE(list->StatusBar1->panel(1)->text(),
             save ? QStringLiteral("عدد السجلات: 1 سجل") : QStringLiteral("عدد السجلات: 0 سجل"));
    QCOMPARE(list->Command2->isEnabled(), save);
    QCOMPARE(list->Command4->isEnabled(), save);
    verifyGridLayout(list);
    QTRY_COMPARE(Forms::loaded<Form5>() != nullptr, save); // cancel unloads it

    openFromStartWindow();
    QCOMPARE(list->StatusBar1->panelCount(), 3);
}

TESTING_WINDOW_TEST_MAIN(TestAppointmentList)
#include "tst_appointmentlist.moc"
