// Nothing lost by a slip: every delete keeps the record, Ctrl+Z in a list puts the last one
// back exactly, the deleted records window restores the chosen ones or forgets them all, and
// records deleted long ago are let go.
#include "testsupport.h"

#include "appointments/form4.h"
#include "chequebook/form6.h"
#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "data/store/deletedrecords.h"
#include "data/text/clock.h"
#include "phonebook/form2.h"
#include "shell/form1.h"
#include "shell/form11.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimeZone>
#include <QTest>
#include <QToolButton>

using namespace dalil;

namespace {

struct BookCase
{
    QString table;
    QString insert;        // three records, the second of them odd (empty texts, nulls, marks)
    int startButton = 1;   // Form1's button that opens the book
    QString list;
    QString deleteButton;
};

const QList<BookCase> &bookCases()
{
    static const QList<BookCase> cases{
        {QStringLiteral("Phone"),
         QStringLiteral("INSERT INTO Phone (الإسم, العنوان, المكتب, الجوال, المنزل, ملاحظات) VALUES "
                        "('أحمد', 'عمّان', '065', NULL, '', 'x'), "
                        "('بُشرى\u200f الخطيب', '', NULL, '0791', '٠٦٥', NULL), "
                        "('جمال', NULL, NULL, '0792', NULL, 'y')"),
         1, QStringLiteral("Form2"), QStringLiteral("Command3")},
        {QStringLiteral("Note"),
         QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) VALUES "
                        "('الأحد', '1', '1', '2027', '10', 'اجتماع'), "
                        "('الاثنين', '2', '1', '2027', '', 'طبيب الأسنان ☺'), "
                        "('الثلاثاء', '3', '1', '2027', NULL, NULL)"),
         2, QStringLiteral("Form4"), QStringLiteral("Command2")},
        {QStringLiteral("Cheque"),
         QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ, السبب) VALUES "
                        "('1', '2', '2027', 'علي', 5, 0, '', 'أجرة'), "
                        "('2', '2', '2027', 'بكر', 999999999999, 999, 'فقط', NULL), "
                        "('3', '2', '2027', 'علي', 7, 250, NULL, '')"),
         3, QStringLiteral("Form6"), QStringLiteral("Command3")},
    };
    return cases;
}

// Every record of a table with its identity, each value with its type, as the file holds it;
// a phone or an appointment with its UID last.
QList<QVariantList> stored(const testing::AppFolder &folder, const QString &table)
{
    QList<QVariantList> rows;
    const QStringList columns = [&] {
        QStringList names;
        for (const QVariantList &row : folder.rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            names << row.value(1).toString();
        return names;
    }();
    QStringList read{QStringLiteral("rowid")};
    for (const QString &column : columns)
        read << QStringLiteral("\"%1\"").arg(column) << QStringLiteral("typeof(\"%1\")").arg(column);
    if (table != u"Cheque")
        read << QStringLiteral("(SELECT uid FROM RecordUids WHERE book = '%1' AND recordKey = %1.rowid)").arg(table);
    return folder.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(read.join(u','), table));
}

QList<QVariantList> sums(const testing::AppFolder &folder)
{
    return folder.rows(QStringLiteral("SELECT * FROM ChequePayeeSums ORDER BY payee"))
           + folder.rows(QStringLiteral("SELECT * FROM ChequeGrandSums"));
}

Form *window(const QString &name)
{
    return Forms::find(name);
}

DBGrid *grid(const QString &list)
{
    return window(list)->findChild<DBGrid *>(QStringLiteral("DBGrid1"));
}

void clickRow(const QString &list, int row)
{
    QTableView *view = grid(list)->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 1)).center());
}

// A panel of the list's status bar; empty where the bar has none.
QString panel(const QString &list, int n)
{
    StatusPanel *p = window(list)->findChild<StatusBar *>(QStringLiteral("StatusBar1"))->panel(n);
    return p ? p->text() : QString();
}

} // namespace

Q_DECLARE_METATYPE(BookCase)

class TestDeleted : public testing::ProgramFixture
{
    Q_OBJECT

public:
    TestDeleted() : testing::ProgramFixture(Frame::Active) {}

private slots:
    void undoPutsTheLastDeleteBack_data();
    void undoPutsTheLastDeleteBack();
    void theWindowRestoresTheChosenOnesAndForgets();
    void theWindowReadsAPageAtATime();
    void oldDeletesAreLetGo();
    void theProgramClockStampsAndAgesDeletes();
};

void TestDeleted::undoPutsTheLastDeleteBack_data()
{
    QTest::addColumn<BookCase>("book");
    for (const BookCase &book : bookCases())
        QTest::newRow(qPrintable(book.table)) << book;
}

void TestDeleted::undoPutsTheLastDeleteBack()
{
    QFETCH(BookCase, book);
    folder->exec(book.insert);
    const QList<QVariantList> before = stored(*folder, book.table);
    const QList<QVariantList> sumsBefore = sums(*folder);
    QTest::mouseClick(Forms::loaded<Form1>()->findChild<QToolButton *>(QStringLiteral("Command%1").arg(book.startButton)),
                      Qt::LeftButton);
    const QString countBefore = panel(book.list, 1);
    const QString totalBefore = panel(book.list, 3);

    // The second record goes, then the first: Ctrl+Z brings them back the other way round.
    auto *del = window(book.list)->findChild<QPushButton *>(book.deleteButton);
    for (int row : {1, 0}) {
        clickRow(book.list, row);
        QTest::mouseClick(del, Qt::LeftButton);
    }
    QCOMPARE(stored(*folder, book.table).size(), 1);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Deleted%1").arg(book.table)).toInt(), 2);

    QTableView *view = grid(book.list)->view();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(stored(*folder, book.table).size(), 2);
    auto *data = window(book.list)->findChild<DataControl *>(QStringLiteral("Data1"));
    QCOMPARE(data->Recordset()->currentKey().value_or(-1), before.at(0).at(0).toLongLong());
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);

    // Every column back exactly, under its own identity; the sums, count and panels as before.
    QCOMPARE(stored(*folder, book.table), before);
    QCOMPARE(sums(*folder), sumsBefore);
    QCOMPARE(data->Recordset()->currentKey().value_or(-1), before.at(1).at(0).toLongLong());
    QCOMPARE(view->currentIndex().row(), 1);
    QCOMPARE(panel(book.list, 1), countBefore);
    if (book.table == u"Cheque")
        QCOMPARE(panel(book.list, 3), totalBefore);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Deleted%1").arg(book.table)).toInt(), 0);

    // Nothing left to put back: nothing happens, and nothing is said.
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(stored(*folder, book.table), before);

    // A delete by another program is kept as well, and comes back the same way.
    folder->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(book.table), {before.at(2).at(0)});
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(stored(*folder, book.table), before);

    // Two copies of the program put back the same deleted record: the second finds it gone
    // from the deleted ones and is refused, and the record is not there twice.
    folder->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(book.table), {before.at(2).at(0)});
    DataError error;
    const std::optional<DeletedRecords::Entry> deleted = DeletedRecords::newest(folder->databasePath(), book.table, &error);
    QVERIFY(deleted);
    QVERIFY(DeletedRecords::restore(folder->databasePath(), *deleted).ok());
    QVERIFY(!DeletedRecords::restore(folder->databasePath(), *deleted).ok());
    QCOMPARE(stored(*folder, book.table), before);
    if (book.table == u"Cheque")
        return;

    // A record whose identity another took meanwhile comes back under a new one, its UID with it.
    folder->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(book.table), {before.at(2).at(0)});
    folder->exec(QStringLiteral("INSERT INTO %1 (rowid) VALUES (?)").arg(book.table), {before.at(2).at(0)});
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    const QList<QVariantList> after = stored(*folder, book.table);
    QCOMPARE(after.size(), 4);
    QCOMPARE(after.last().mid(1), before.at(2).mid(1));
    QVERIFY(after.at(2).last().toString().startsWith(QLatin1String("urn:uuid:")));
    QVERIFY(after.at(2).last() != before.at(2).last());
}

void TestDeleted::theWindowRestoresTheChosenOnesAndForgets()
{
    for (const BookCase &book : bookCases())
        folder->exec(book.insert);
    const QList<QVariantList> phones = stored(*folder, QStringLiteral("Phone"));
    const QList<QVariantList> notes = stored(*folder, QStringLiteral("Note"));
    const QList<QVariantList> cheques = stored(*folder, QStringLiteral("Cheque"));
    const QList<QVariantList> sumsBefore = sums(*folder);
    // Deleted one after the other: a phone, a cheque, an appointment.
    folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid = 2"));
    folder->exec(QStringLiteral("DELETE FROM Cheque WHERE rowid = 3"));
    folder->exec(QStringLiteral("DELETE FROM Note WHERE rowid = 1"));

    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("deleted"))->trigger();
    auto *deleted = Forms::loaded<Form11>();
    QVERIFY(deleted && deleted->isShown());
    QTableWidget *table = deleted->Table1;
    QCOMPARE(table->rowCount(), 3);
    const QStringList books{table->item(0, 0)->text(), table->item(1, 0)->text(), table->item(2, 0)->text()};
    QCOMPARE(books, (QStringList{QStringLiteral("مذكرة المواعيد"), QStringLiteral("دفتر الشيكات"),
                                 QStringLiteral("دليل الهاتف")}));
    QVERIFY(table->item(2, 2)->text().contains(QStringLiteral("الخطيب")));
    QVERIFY(table->item(1, 2)->text().contains(QStringLiteral("7 دينار و250 فلس")));
    // The weekday before the date, the day of the month in its place.
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("اجتماع - الأحد 1\u200F/1\u200F/2027 - 10"));
    QVERIFY(!deleted->Command1->isEnabled());

    // The phone and the appointment chosen, and put back.
    table->selectionModel()->select(table->model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->select(table->model()->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(deleted->Command1->isEnabled());
    QTest::mouseClick(deleted->Command1, Qt::LeftButton);
    QCOMPARE(stored(*folder, QStringLiteral("Phone")), phones);
    QCOMPARE(stored(*folder, QStringLiteral("Note")), notes);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("دفتر الشيكات"));

    // The cheque too, with its sums; then it goes again, to be forgotten.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 2)).center());
    QVERIFY(deleted->Command1->isEnabled());
    QTest::mouseClick(deleted->Command1, Qt::LeftButton);
    QCOMPARE(stored(*folder, QStringLiteral("Cheque")), cheques);
    QCOMPARE(sums(*folder), sumsBefore);
    QCOMPARE(table->rowCount(), 0);
    folder->exec(QStringLiteral("DELETE FROM Cheque WHERE rowid = 3"));
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("deleted"))->trigger();
    QCOMPARE(table->rowCount(), 1);

    // Emptied after a question: "no" keeps the list, "yes" forgets it.
    {
        testing::BoxWatcher boxes(QMessageBox::No);
        QTest::mouseClick(deleted->Command2, Qt::LeftButton);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("الرجاء التأكيد"));
        QCOMPARE(table->rowCount(), 1);
        boxes.setAnswer(QMessageBox::Yes);
        QTest::mouseClick(deleted->Command2, Qt::LeftButton);
    }
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM DeletedCheque")).toInt(), 0);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Cheque")).toInt(), 2);
}

// Tens of thousands deleted by another program at once (one moment for all) and more later:
// the window reads a page to open, the next as it is scrolled to its end, and in the end lists
// every one, newest first, as the file orders them.
void TestDeleted::theWindowReadsAPageAtATime()
{
    const QString rows = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ");
    folder->exec(rows.arg(3000) + QStringLiteral("INSERT INTO Phone (الإسم) SELECT 'هاتف ' || i FROM n"));
    folder->exec(rows.arg(900) + QStringLiteral("INSERT INTO Note (الموعد) SELECT 'موعد ' || i FROM n"));
    folder->exec(QStringLiteral("DELETE FROM Phone"));
    folder->exec(QStringLiteral("DELETE FROM Note WHERE rowid % 3 = 0"));
    folder->exec(QStringLiteral("DELETE FROM Note"));
    QStringList expected;
    for (const QVariantList &row :
         folder->rows(QStringLiteral("SELECT book, deletedId FROM (SELECT 0 AS b, 'Phone' AS book, deletedId, deletedAt FROM DeletedPhone"
                                     " UNION ALL SELECT 1, 'Note', deletedId, deletedAt FROM DeletedNote)"
                                     " ORDER BY deletedAt DESC, deletedId DESC, b")))
        expected << row.value(0).toString() + u':' + row.value(1).toString();
    QCOMPARE(expected.size(), 3900);

    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("deleted"))->trigger();
    auto *deleted = Forms::loaded<Form11>();
    QTableWidget *table = deleted->Table1;
    QVERIFY(table->rowCount() > 0 && table->rowCount() < 1000);
    for (int read = 0; read != table->rowCount();) {
        read = table->rowCount();
        table->scrollToBottom();
    }
    QStringList listed;
    for (const DeletedRecords::Entry &entry : deleted->entries())
        listed << entry.book + u':' + QString::number(entry.id);
    QCOMPARE(listed, expected);
    QCOMPARE(table->rowCount(), 3900);
}

void TestDeleted::oldDeletesAreLetGo()
{
    folder->exec(bookCases().first().insert);
    folder->exec(QStringLiteral("DELETE FROM Phone"));
    // Two of them deleted long ago: 91 and 200 days.
    folder->exec(QStringLiteral("UPDATE DeletedPhone SET deletedAt = strftime('%Y-%m-%d %H:%M:%f', 'now', '-91 days') "
                                "WHERE formerKey = 1"));
    folder->exec(QStringLiteral("UPDATE DeletedPhone SET deletedAt = strftime('%Y-%m-%d %H:%M:%f', 'now', '-200 days') "
                                "WHERE formerKey = 2"));
    folder->exec(QStringLiteral("UPDATE DeletedPhone SET deletedAt = strftime('%Y-%m-%d %H:%M:%f', 'now', '-89 days') "
                                "WHERE formerKey = 3"));
    testing::stopProgram();
    QVERIFY(testing::startProgram(*folder));
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("deleted"))->trigger();
    const QList<DeletedRecords::Entry> kept = Forms::loaded<Form11>()->entries();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().formerKey, 3);
    // Their UIDs go with them.
    QCOMPARE(folder->rows(QStringLiteral("SELECT book, recordKey FROM RecordUids")),
             (QList<QVariantList>{{QStringLiteral("DeletedPhone"), kept.first().id}}));
}

void TestDeleted::theProgramClockStampsAndAgesDeletes()
{
    // Set years ahead: the engine's stamp and the program's ageing read that clock, not the machine's.
    const QDateTime then(QDate::currentDate().addDays(1000), QTime(10, 0), QTimeZone::utc());
    Clock::Scoped clock(Clock::runningFrom(then));
    folder->exec(bookCases().first().insert);
    const auto deleteAndStamp = [this](int key) {
        folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid = ?"), {key});
        return folder->value(QStringLiteral("SELECT substr(deletedAt, 1, 16) FROM DeletedPhone WHERE formerKey = ?"), {key});
    };
    QCOMPARE(deleteAndStamp(1), then.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    const auto keptAfter = [this, then](int days) {
        Clock::Scoped later(Clock::runningFrom(then.addDays(days)));
        testing::stopProgram();
        if (!testing::startProgram(*folder))
            return -1;
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("deleted"))->trigger();
        return int(Forms::loaded<Form11>()->entries().size());
    };
    QCOMPARE(keptAfter(89), 1);
    QCOMPARE(keptAfter(91), 0);
    // The clock before comes back with the end of the later one.
    QCOMPARE(deleteAndStamp(2), then.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

TESTING_WINDOW_TEST_MAIN(TestDeleted)
#include "tst_deleted.moc"
