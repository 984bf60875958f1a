// The phone book as a user meets it: the list, its searches and delete, and the entry window
// with its checks, save, clear and cancel.
#include "testsupport.h"

#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "phonebook/form2.h"
#include "phonebook/form3.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace dalil;

namespace {

const QString nameCol = QStringLiteral("الإسم");

QStringList gridColumn(DBGrid *grid, int column)
{
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values << grid->model()->index(row, column).data().toString();
    return values;
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks a row of the grid as the user would.
void clickRow(DBGrid *grid, int row)
{
    QTableView *view = grid->view();
    view->scrollTo(view->model()->index(row, 0));
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class TestPhoneBook : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void opensOnAnEmptyBook();
    void columnWidthsByOpeningRoute();
    void searchesByNameAndNumber();
    void wildcardsInTheSearch_data();
    void wildcardsInTheSearch();
    void searchMessages();
    void searchTextIsNeverSql();
    void backKeepsTheSearch();
    void deletesDownToAnEmptyList();
    void addsFromTheListAndFromTheMenu();
    void refusedSavesKeepTheWindow();
    void anyOneNumberWillDo_data();
    void anyOneNumberWillDo();
    void editOpensTheSelectedEntry();
    void cancelWritesNothing();
    void notesAreKept();
    void hiddenEntryWindowKeepsItsState();
    void aSaveTheDatabaseRefusesKeepsTheTyping();

private:
    Form2 *openFromStart()
    {
        auto *start = Forms::loaded<Form1>();
        click(start->Command1);
        return Forms::loaded<Form2>();
    }
    void addPhone(const QString &name, const QString &home = {}, const QString &mobile = {},
                  const QString &office = {}, const QString &fax = {})
    {
        auto v = [](const QString &s) { return s.isEmpty() ? QVariant() : QVariant(s); };
        folder->exec("INSERT INTO Phone (الإسم, المنزل, الجوال, المكتب, فاكس) VALUES (?, ?, ?, ?, ?)",
                     {v(name), v(home), v(mobile), v(office), v(fax)});
    }
    void search(Form2 *list, int kind, const QString &text, bool enter = false)
    {
        if (kind >= 0)
            list->List1->setCurrentRow(kind);
        list->Text1->clear();
        testing::typeText(list->Text1, text);
        if (enter)
            QTest::keyClick(list->Text1, Qt::Key_Return);
        else
            click(list->Command2);
    }
};

void TestPhoneBook::opensOnAnEmptyBook()
{
    Form2 *list = openFromStart();
    QVERIFY(list);
    QVERIFY(list->isShown());
    QVERIFY(!Forms::loaded<Form1>()->isShown());
    QCOMPARE(list->windowTitle(), QStringLiteral("دليل الهاتف"));
    QCOMPARE(list->DBGrid1->Caption(), QStringLiteral("دليل الهاتف"));
    QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    QCOMPARE(list->DBGrid1->columnCount(), 8);
    QVERIFY(!list->Command3->isEnabled());
    QVERIFY(!list->Command5->isEnabled()); // nothing to edit either
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 0 سجل"));
    QCOMPARE(list->StatusBar1->panelCount(), 1);
    QCOMPARE(list->Frame1->title(), QStringLiteral(" البحث عن سجل "));
    QCOMPARE(list->List1->count(), 2);
    QCOMPARE(list->List1->item(0)->text(), QStringLiteral("بواسطة الإسم"));
    QCOMPARE(list->List1->item(1)->text(), QStringLiteral("بواسطة الرقم"));
    QCOMPARE(list->List1->currentRow(), -1);
    QCOMPARE(list->Command3->toolTip(), QStringLiteral("حذف السجل الموجود إلى جانب السهم"));
}

void TestPhoneBook::columnWidthsByOpeningRoute()
{
    addPhone("a", "1");
    MDIForm1::instance()->findChild<QAction *>("phone")->trigger();
    Form2 *list = Forms::loaded<Form2>();
    QVERIFY(list->isShown());
    const int fromMenu[] = {1720, 1300, 1800, 1000, 1000, 1000, 1000, 1500};
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(list->DBGrid1->Columns(i).Width(), fromMenu[i]);
        QCOMPARE(list->DBGrid1->model()->index(0, i).data(Qt::TextAlignmentRole).value<Qt::Alignment>()
                     & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }
    QCOMPARE(list->DBGrid1->Columns(4).Caption(), QStringLiteral("هاتف المكتب"));
    QCOMPARE(list->DBGrid1->Columns(5).Caption(), QStringLiteral("هاتف الجوّال"));
    QCOMPARE(list->DBGrid1->Columns(6).Caption(), QStringLiteral("هاتف المنزل"));
    QCOMPARE(list->DBGrid1->Columns(0).Caption(), QStringLiteral("الإسم"));
    QCOMPARE(list->DBGrid1->Columns(7).Caption(), QStringLiteral("ملاحظات"));

    // Any later search applies the wider widths.
    search(list, 0, "a");
    const int fromStart[] = {1720, 1400, 1800, 1100, 1100, 1100, 1100, 1600};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(list->DBGrid1->Columns(i).Width(), fromStart[i]);
}

void TestPhoneBook::searchesByNameAndNumber()
{
    addPhone("زيد", "07111");
    addPhone("Bob", {}, "0799");
    addPhone("Ali", {}, {}, "07");
    addPhone("Alia", {}, {}, {}, "07fax");
    addPhone("O'Neil", "555");
    Form2 *list = openFromStart();
    QCOMPARE(list->DBGrid1->model()->rowCount(), 5);

    search(list, 0, "Al", true); // Enter does what the button does
    QCOMPARE(gridColumn(list->DBGrid1, 0), (QStringList{"Ali", "Alia"}));
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 2 سجل"));
    QVERIFY(list->Command3->isEnabled() && list->Command5->isEnabled());

    search(list, 1, "07");
    QCOMPARE(gridColumn(list->DBGrid1, 0), (QStringList{"زيد", "Ali", "Bob"})); // not by fax
    QCOMPARE(list->DBGrid1->Columns(6).Caption(), QStringLiteral("هاتف المنزل"));

    search(list, 0, "");
    QCOMPARE(gridColumn(list->DBGrid1, 0), (QStringList{"زيد", "Ali", "Alia", "Bob", "O'Neil"}));

    search(list, 0, "O'N");
    QCOMPARE(gridColumn(list->DBGrid1, 0), QStringList{"O'Neil"});
}

// "?" stands for exactly one character and "*" for any number, anywhere in the search text.
void TestPhoneBook::wildcardsInTheSearch_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("? is one character, not none, not two") << 0 << "A?i" << QStringList{"Ali", "Alia"};
    QTest::newRow("* is any number of characters") << 0 << "A*i" << QStringList{"Ahmadi", "Ai", "Ali", "Alia"};
    QTest::newRow("four ? are four characters") << 0 << "A????i" << QStringList{"Ahmadi"};
    QTest::newRow("? in a number") << 1 << "07?1" << QStringList{"Ali"};
    QTest::newRow("* in a number") << 1 << "07*1" << QStringList{"Ahmadi", "Ali"};
}

void TestPhoneBook::wildcardsInTheSearch()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    addPhone("Ai", "0700");
    addPhone("Ali", {}, "0791");
    addPhone("Alia", "0800");
    addPhone("Ahmadi", {}, {}, "07221");
    addPhone("Bob", "0999");
    Form2 *list = openFromStart();
    search(list, kind, text);
    QCOMPARE(gridColumn(list->DBGrid1, 0), names);
}

void TestPhoneBook::searchMessages()
{
    addPhone("Ali", "1");
    Form2 *list = openFromStart();
    testing::BoxWatcher boxes;

    search(list, -1, "x");
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QStringLiteral("الرجاء تحديد نوع البحث"));
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("خطأ في البحث"));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(list->DBGrid1->model()->rowCount(), 1); // the list stays
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));

    boxes.clear();
    search(list, 0, "zz");
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QStringLiteral("zz was not found!"));
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("السجل غير موجود"));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Warning);
    QVERIFY(!list->Command3->isEnabled());
    QVERIFY(!list->Command5->isEnabled());
    QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 0 سجل"));

    boxes.clear();
    search(list, 1, "9");
    QCOMPARE(boxes.boxes().value(0).text, QStringLiteral("9 was not found"));

    // Delete with nothing listed leaves the book alone and says nothing.
    list->Command3->setEnabled(true);
    boxes.clear();
    click(list->Command3);
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
}

void TestPhoneBook::searchTextIsNeverSql()
{
    addPhone("Ali", "1");
    Form2 *list = openFromStart();
    testing::BoxWatcher boxes;
    for (const QString &text : {QStringLiteral("'; DROP TABLE Phone; --"), QStringLiteral("%"), QStringLiteral("_"),
                                QStringLiteral("["), QStringLiteral("' OR ''='")}) {
        search(list, 0, text);
        QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
        search(list, 1, text);
        QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    }
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
    // Each of the ten searches said "not found", never an error.
    QCOMPARE(boxes.boxes().size(), 10);
    for (const auto &box : boxes.boxes())
        QCOMPARE(box.title, QStringLiteral("السجل غير موجود"));
}

void TestPhoneBook::backKeepsTheSearch()
{
    addPhone("Ali", "1");
    addPhone("Bob", "2");
    Form2 *list = openFromStart();
    search(list, 0, "B");
    click(list->Command4);
    QVERIFY(!list->isShown());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    QVERIFY(Forms::loaded<Form1>()->parentWidget()->isMaximized());
    QCOMPARE(openFromStart(), list);
    QCOMPARE(gridColumn(list->DBGrid1, 0), QStringList{"Bob"});
}

void TestPhoneBook::deletesDownToAnEmptyList()
{
    addPhone("Ali", "1");
    addPhone("Bob", "2");
    Form2 *list = openFromStart();
    click(list->Command3); // the first row, without a click in the grid
    QCOMPARE(gridColumn(list->DBGrid1, 0), QStringList{"Bob"});
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));
    QVERIFY(list->Command3->isEnabled());
    click(list->Command3);
    QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    QVERIFY(!list->Command3->isEnabled());
    QVERIFY(!list->Command5->isEnabled());
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 0 سجل"));
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);
}

void TestPhoneBook::addsFromTheListAndFromTheMenu()
{
    // From the menu, with the list never opened: the list is made but not shown.
    MDIForm1::instance()->findChild<QAction *>("addphone")->trigger();
    Form3 *entry = Forms::loaded<Form3>();
    QVERIFY(entry && entry->isShown());
    QVERIFY(!entry->Data1->Visible());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    QCOMPARE(entry->windowTitle(), QStringLiteral("إضافة سجل"));
    testing::typeText(entry->Text1, QStringLiteral("سارة أحمد"));
    testing::typeText(entry->Text3, QStringLiteral("+966 50 123 4567"));
    testing::typeText(entry->Text6, QStringLiteral("sara@example.com"));
    click(entry->Command1);
    QVERIFY(!entry->isShown());
    Form2 *list = Forms::loaded<Form2>();
    QVERIFY(list);
    QVERIFY(!list->isShown());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    const QVariantList saved = folder->rows("SELECT الإسم, الجوال, \"البريد الإلكتروني\", المنزل FROM Phone").value(0);
    QCOMPARE(saved.mid(0, 3), (QVariantList{"سارة أحمد", "+966 50 123 4567", "sara@example.com"}));
    QVERIFY(saved.value(3).isNull()); // an empty box stores no value

    // From the list: the list shows the new entry, its count and its buttons.
    openFromStart();
    click(list->Command1);
    QCOMPARE(Forms::loaded<Form3>(), entry);
    QCOMPARE(entry->Text1->text(), QString());
    testing::typeText(entry->Text1, QStringLiteral("Ali"));
    testing::typeText(entry->Text2, QStringLiteral(" "));  // a blank counts as a number
    click(entry->Command1);
    QCOMPARE(gridColumn(list->DBGrid1, 0), (QStringList{"سارة أحمد", "Ali"}));
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 2 سجل"));
    QCOMPARE(list->DBGrid1->Columns(1).Width(), 1400);
}

void TestPhoneBook::refusedSavesKeepTheWindow()
{
    MDIForm1::instance()->findChild<QAction *>("addphone")->trigger();
    Form3 *entry = Forms::loaded<Form3>();
    testing::BoxWatcher boxes;

    testing::typeText(entry->Text5, QStringLiteral("fax only"));
    click(entry->Command1);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QStringLiteral("الرجاء إدخال الإسم"));
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("خطأ في المدخلات"));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(entry->focusWidget(), entry->Text1);
    QVERIFY(entry->isShown());

    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    entry->Text4->setFocus();
    click(entry->Command1);
    QCOMPARE(boxes.boxes().size(), 2);
    QCOMPARE(boxes.boxes()[1].text, QStringLiteral("الرجاء إدخال رقم الهاتف"));
    QCOMPARE(entry->focusWidget(), entry->Text2);
    QVERIFY(entry->isShown());
    QCOMPARE(entry->Text5->text(), QStringLiteral("fax only"));
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);

    // Clear empties every box: saving then asks for the name again.
    click(entry->Command2);
    QCOMPARE(entry->Text1->text(), QString());
    QCOMPARE(entry->Text5->text(), QString());
    click(entry->Command1);
    QCOMPARE(boxes.boxes().value(2).text, QStringLiteral("الرجاء إدخال الإسم"));
}

void TestPhoneBook::anyOneNumberWillDo_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("column");
    QTest::newRow("home only") << "Text2" << "المنزل";
    QTest::newRow("mobile only") << "Text3" << "الجوال";
    QTest::newRow("office only") << "Text4" << "المكتب";
}

void TestPhoneBook::anyOneNumberWillDo()
{
    QFETCH(QString, box);
    QFETCH(QString, column);
    Form2 *list = openFromStart();
    click(list->Command1);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->findChild<BoundTextBox *>(box), QStringLiteral("06 555 1234"));
    testing::typeText(entry->Text5, QStringLiteral("06 555 9999")); // a fax is no phone number
    click(entry->Command1); // no box: the guard fails the test on one

    QVERIFY(!entry->isShown());
    const QVariantList row =
        folder->rows("SELECT الإسم, المنزل, الجوال, المكتب, فاكس FROM Phone").value(0);
    const QStringList columns{"الإسم", "المنزل", "الجوال", "المكتب", "فاكس"};
    for (int i = 0; i < columns.size(); ++i) {
        const QString expected = columns[i] == u"الإسم"  ? QStringLiteral("زيد")
                                 : columns[i] == column ? QStringLiteral("06 555 1234")
                                 : columns[i] == u"فاكس" ? QStringLiteral("06 555 9999")
                                                         : QString();
        QCOMPARE(row.value(i).toString(), expected);
    }
    QCOMPARE(gridColumn(list->DBGrid1, 0), QStringList{"زيد"});
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));
}

void TestPhoneBook::editOpensTheSelectedEntry()
{
    folder->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                 "INSERT INTO Phone (الإسم, المنزل) SELECT printf('name %03d', i), i FROM n");
    Form2 *list = openFromStart();

    // Scrolled far down: the entry window opens on the row clicked, not on its screen position.
    clickRow(list->DBGrid1, 250);
    click(list->Command5);
    Form3 *entry = Forms::loaded<Form3>();
    QCOMPARE(entry->windowTitle(), QStringLiteral("تعديل سجل"));
    QCOMPARE(entry->Text1->text(), QStringLiteral("name 251"));
    entry->Text2->clear();
    testing::typeText(entry->Text2, QStringLiteral("999"));
    click(entry->Command1);
    QCOMPARE(folder->value("SELECT المنزل FROM Phone WHERE الإسم = 'name 251'").toString(), QStringLiteral("999"));
    QCOMPARE(folder->value("SELECT count(*) FROM Phone WHERE المنزل = '999'").toInt(), 1);
    // The highlight stays on the record saved, in sight.
    QTableView *view = list->DBGrid1->view();
    QCOMPARE(view->currentIndex().row(), 250);
    QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));

    // Under a search, in name order.
    search(list, 0, "name 12");
    clickRow(list->DBGrid1, 3);
    click(list->Command5);
    QCOMPARE(entry->Text1->text(), QStringLiteral("name 123"));
    QVERIFY(entry->Data1->Visible()); // the navigation bar is left as it was
}

void TestPhoneBook::cancelWritesNothing()
{
    addPhone("Ali", "1");
    Form2 *list = openFromStart();
    click(list->Command5);
    Form3 *entry = Forms::loaded<Form3>();
    QCOMPARE(entry->Text1->text(), QStringLiteral("Ali"));
    entry->Text1->clear();
    testing::typeText(entry->Text1, QStringLiteral("changed"));
    testing::BoxWatcher boxes;
    click(entry->Command3);
    QVERIFY(boxes.boxes().isEmpty());
    QTRY_VERIFY(!Forms::loaded<Form3>());
    QCOMPARE(folder->rows("SELECT الإسم, المنزل FROM Phone").value(0), (QVariantList{"Ali", "1"}));
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
    QVERIFY(list->Command3->isEnabled() && list->Command5->isEnabled());
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));

    // Cancel on an empty list disables delete and edit.
    click(list->Command3);
    click(list->Command1);
    click(Forms::loaded<Form3>()->Command3);
    QVERIFY(!list->Command3->isEnabled() && !list->Command5->isEnabled());
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);
}

void TestPhoneBook::notesAreKept()
{
    Form2 *list = openFromStart();
    click(list->Command1);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("Ali"));
    testing::typeText(entry->Text2, QStringLiteral("1"));
    testing::typeText(entry->Text8, QStringLiteral("صديق قديم"));
    click(entry->Command1);
    QCOMPARE(folder->value("SELECT ملاحظات FROM Phone").toString(), QStringLiteral("صديق قديم"));
    QCOMPARE(list->DBGrid1->model()->index(0, 7).data().toString(), QStringLiteral("صديق قديم"));
    click(list->Command5);
    QCOMPARE(entry->Text8->text(), QStringLiteral("صديق قديم"));
}

void TestPhoneBook::hiddenEntryWindowKeepsItsState()
{
    addPhone("Ali", "1");
    Form2 *list = openFromStart();
    click(list->Command5);
    Form3 *entry = Forms::loaded<Form3>();
    click(entry->Command1);
    QVERIFY(!entry->isShown());
    click(list->Command1); // an add after an edit and a save says it adds
    QCOMPARE(entry->windowTitle(), QStringLiteral("إضافة سجل"));
    QVERIFY(!entry->Data1->Visible());
    testing::typeText(entry->Text1, QStringLiteral("Bob"));
    testing::typeText(entry->Text2, QStringLiteral("2"));
    click(entry->Command1);
    click(list->Command5); // an edit after an add and a save has its navigation bar, as every edit
    QCOMPARE(entry->windowTitle(), QStringLiteral("تعديل سجل"));
    QVERIFY(entry->Data1->Visible());
}

void TestPhoneBook::aSaveTheDatabaseRefusesKeepsTheTyping()
{
    folder->exec("CREATE TRIGGER refuse BEFORE INSERT ON Phone BEGIN SELECT RAISE(ABORT, 'refused'); END");
    Form2 *list = openFromStart();
    click(list->Command1);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("0712"));
    testing::typeText(entry->Text8, QStringLiteral("ملاحظة"));
    testing::BoxWatcher boxes;
    click(entry->Command1);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(boxes.boxes()[0].text.contains(folder->databasePath()));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QVERIFY(entry->isShown());
    QCOMPARE(entry->Text1->text(), QStringLiteral("زيد"));
    QCOMPARE(entry->Text2->text(), QStringLiteral("0712"));
    QCOMPARE(entry->Text8->text(), QStringLiteral("ملاحظة"));
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);

    folder->exec("DROP TRIGGER refuse");
    click(entry->Command1);
    QCOMPARE(folder->value("SELECT الإسم FROM Phone").toString(), QStringLiteral("زيد"));
    QCOMPARE(gridColumn(list->DBGrid1, 0), QStringList{"زيد"});
}

TESTING_WINDOW_TEST_MAIN(TestPhoneBook)
#include "tst_phonebook.moc"
