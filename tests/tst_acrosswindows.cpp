// Sequences of actions across the windows of each book, as a user strings them together: the
// record the user sees highlighted or opened is always the record the program acts on, hidden
// windows stay hidden, the focus never rests on a button that destroys, and a second copy of
// the program writing into the same file loses nothing.
#include "testsupport.h"

#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/form.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "shell/mdiform1.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace dalil;

namespace {

// What a test needs to know of a book to drive it by its controls' names.
struct Book
{
    QString list, entry, table, column; // the column shown in the first box of the entry
    QString add, edit, del, back;
    QString startButton, menuItem, addItem;
    int columnInGrid;                    // where that column stands in the list's grid
    // Boxes of the entry window and texts that make a valid record, first box first.
    QList<std::pair<QString, QString>> valid;
    QString insertSql;                   // a record with its first column bound to ?
};

QList<Book> books()
{
    return {
        {"Form2", "Form3", "Phone", "الإسم", "Command1", "Command5", "Command3", "Command4", "Command1", "phone",
         "addphone", 0, {{"Text1", "سمير"}, {"Text2", "0791"}},
         "INSERT INTO Phone (الإسم, المنزل) VALUES (?, '06')"},
        {"Form4", "Form5", "Note", "الموعد", "Command1", "Command4", "Command2", "Command3", "Command2", "note",
         "addnote", 5,
         {{"Text1", "اجتماع"}, {"Text2", "الأحد"}, {"Text3", "10"}, {"Text4", "1"}, {"Text5", "1"}, {"Text6", "2099"}},
         "INSERT INTO Note (الموعد, اليوم, الساعة, التاريخ, الشهر, العام) VALUES (?, 'الأحد', '9', '1', '1', '2099')"},
        {"Form6", "Form7", "Cheque", "اليوم", "Command1", "Command5", "Command3", "Command4", "Command3", "check",
         "addcheck", 0,
         {{"Text1", "7"}, {"Text3", "1"}, {"Text2", "2030"}, {"Text4", "سعيد"}, {"Text8", "5"}, {"Text7", "0"}},
         "INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES (?, '1', '2030', 'ب', 1, 1)"},
    };
}

template <class T = QWidget>
T *control(const QString &form, const QString &name)
{
    Form *f = Forms::find(form);
    return f ? f->findChild<T *>(name) : nullptr;
}

DBGrid *grid(const Book &book)
{
    return control<DBGrid>(book.list, "DBGrid1");
}

void click(const Book &book, const QString &form, const QString &button)
{
    auto *b = control<QAbstractButton>(form, button);
    QVERIFY2(b, qPrintable(form + "." + button));
    QVERIFY2(b->isEnabled(), qPrintable(form + "." + button + " is disabled"));
    QTest::mouseClick(b, Qt::LeftButton);
    Q_UNUSED(book);
}

void openBook(const Book &book)
{
    QTest::mouseClick(Forms::find("Form1")->findChild<QToolButton *>(book.startButton), Qt::LeftButton);
}

void clickRow(const Book &book, int row)
{
    QTableView *view = grid(book)->view();
    view->scrollTo(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
}

QString cell(const Book &book, int row)
{
    return grid(book)->model()->index(row, book.columnInGrid).data().toString();
}

void fillValid(const Book &book, const QString &first)
{
    for (const auto &[box, text] : book.valid) {
        auto *edit = control<TextBox>(book.entry, box);
        edit->clear();
        testing::typeText(edit, box == book.valid.first().first ? first : text);
    }
}

// The windows shown, by name.
QStringList shownForms()
{
    QStringList names;
    for (Form *form : Forms::all()) {
        if (form->isShown())
            names << form->objectName();
    }
    names.sort();
    return names;
}

QString firstBox(const Book &book)
{
    return control<TextBox>(book.entry, book.valid.first().first)->text();
}

} // namespace

class TestAcrossWindows : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void editAfterDeleteActsOnTheSelectedRecord_data() { bookRows(); }
    void editAfterDeleteActsOnTheSelectedRecord();
    void aRecordDeletedElsewhereIsNeverWritten_data() { bookRows(); }
    void aRecordDeletedElsewhereIsNeverWritten();
    void everyMoveOfTheHighlightMovesTheRecord_data() { bookRows(); }
    void everyMoveOfTheHighlightMovesTheRecord();
    void focusAfterWindowChanges_data() { bookRows(); }
    void focusAfterWindowChanges();
    void aDoubleClickOnDeleteDeletesOne_data() { bookRows(); }
    void aDoubleClickOnDeleteDeletesOne();
    void aSaveWritesOnlyWhatTheUserChanged_data() { bookRows(); }
    void aSaveWritesOnlyWhatTheUserChanged();
    void aListCatchesUpWithAnotherCopyWhenActivated_data() { bookRows(); }
    void aListCatchesUpWithAnotherCopyWhenActivated();

    void booksBeyondSixteenBits_data();
    void booksBeyondSixteenBits();

    void cancelFromTheMenuShowsNoHiddenList();
    void inputErrorsBringUpNoHiddenWindow();
    void closingAWindowShowsNoHiddenOne();
    void theSearchKindAlreadyChosenStillMovesTheFocus();
    void thePayeeTotalOutlivesASearchThatFoundNobody();

private:
    void bookRows()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("phone") << 0;
        QTest::newRow("appointments") << 1;
        QTest::newRow("cheques") << 2;
    }
    void seed(const Book &book, int count)
    {
        for (int i = 0; i < count; ++i)
            folder->exec(book.insertSql, {QString::number(10 + i)});
    }
    QStringList column(const Book &book) const
    {
        QStringList values;
        for (const auto &row : folder->rows(QStringLiteral("SELECT \"%1\" FROM %2 ORDER BY rowid").arg(book.column, book.table)))
            values << row.value(0).toString();
        return values;
    }
};

void TestAcrossWindows::booksBeyondSixteenBits_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("records"); // the n-th record keyed by n in five digits
    QTest::addColumn<QString>("keyColumn");
    QTest::addColumn<QString>("keyBox"); // the entry window's box that shows the key
    QTest::newRow("phone") << 0
                           << "INSERT INTO Phone (الإسم, المنزل) SELECT printf('%05d', i), '06' FROM n"
                           << "الإسم" << "Text1";
    QTest::newRow("appointments")
        << 1
        << "INSERT INTO Note (الموعد, اليوم, الساعة, التاريخ, الشهر, العام)"
           " SELECT printf('%05d', i), 'الأحد', '9', '1', '1', '2099' FROM n"
        << "الموعد" << "Text1";
    QTest::newRow("cheques") << 2
                             << "INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس)"
                                " SELECT '1', '1', '2030', printf('%05d', i), 1, 1 FROM n"
                             << "السيد" << "Text4";
}

// 40,000 records, more than a 16-bit count holds: each list counts them all (and the cheque
// list sums them all), and the record the user picks far down the list is the one opened and
// the one deleted.
void TestAcrossWindows::booksBeyondSixteenBits()
{
    QFETCH(int, index);
    QFETCH(QString, records);
    QFETCH(QString, keyColumn);
    QFETCH(QString, keyBox);
    const Book book = books().at(index);
    folder->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) " + records);
    openBook(book);
    auto *bar = control<StatusBar>(book.list, "StatusBar1");
    const bool cheques = book.table == u"Cheque";
    QCOMPARE(bar->panel(1)->text(), QStringLiteral("عدد السجلات: 40000 سجل"));
    if (cheques)
        QCOMPARE(bar->panel(3)->text(), QStringLiteral("مجموع المبالغ المسجلة: 40000 دينار و 40000 فلس"));

    clickRow(book, 38999);
    click(book, book.list, book.edit);
    QCOMPARE(control<TextBox>(book.entry, keyBox)->text(), QStringLiteral("39000"));
    click(book, book.entry, "Command3"); // cancel, back to the list
    QVERIFY(Forms::find(book.list)->isShown());

    clickRow(book, 39999);
    QCOMPARE(grid(book)->model()->index(39999, cheques ? 3 : book.columnInGrid).data().toString(),
             QStringLiteral("40000"));
    click(book, book.list, book.del);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM %1").arg(book.table)).toInt(), 39999);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM %1 WHERE \"%2\" = '40000'").arg(book.table, keyColumn))
                 .toInt(),
             0);
    QCOMPARE(bar->panel(1)->text(), QStringLiteral("عدد السجلات: 39999 سجل"));
    if (cheques)
        QCOMPARE(bar->panel(3)->text(), QStringLiteral("مجموع المبالغ المسجلة: 39999 دينار و 39999 فلس"));
}

// Add and save (the entry window is now only hidden), delete row 1 in the list, select another
// row and edit it: the entry shows that row, and its save changes that record and no other.
void TestAcrossWindows::editAfterDeleteActsOnTheSelectedRecord()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 5);
    testing::BoxWatcher boxes;
    openBook(book);
    click(book, book.list, book.add);
    fillValid(book, "30");
    click(book, book.entry, "Command1");
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!Forms::find(book.entry)->isShown());

    clickRow(book, 0);
    const QString deleted = cell(book, 0);
    click(book, book.list, book.del);
    clickRow(book, 2);
    const QString chosen = cell(book, 2);
    QVERIFY(chosen != deleted);
    click(book, book.list, book.edit);
    QCOMPARE(firstBox(book), chosen);

    const QStringList before = column(book);
    auto *first = control<TextBox>(book.entry, book.valid.first().first);
    first->clear();
    testing::typeText(first, "29");
    click(book, book.entry, "Command1");
    QVERIFY2(boxes.boxes().isEmpty(), boxes.boxes().isEmpty() ? "" : qPrintable(boxes.boxes().first().text));
    QStringList expected = before;
    expected[before.indexOf(chosen)] = "29";
    QCOMPARE(column(book), expected);
    QVERIFY(!column(book).contains(deleted));
}

// Another copy deletes the record that is open for edit: the save says so and keeps the typing.
void TestAcrossWindows::aRecordDeletedElsewhereIsNeverWritten()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 3);
    openBook(book);
    clickRow(book, 1);
    click(book, book.list, book.edit);
    QCOMPARE(firstBox(book), "11");
    folder->exec(QStringLiteral("DELETE FROM %1 WHERE \"%2\" = '11'").arg(book.table, book.column));
    auto *first = control<TextBox>(book.entry, book.valid.first().first);
    first->clear();
    testing::typeText(first, "28");
    testing::BoxWatcher boxes;
    click(book, book.entry, "Command1");
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY2(boxes.boxes().first().text.contains("لم يعد هذا السجل موجوداً"), qPrintable(boxes.boxes().first().text));
    QVERIFY(Forms::find(book.entry)->isShown());
    QCOMPARE(firstBox(book), "28");
    QCOMPARE(column(book), QStringList({"10", "12"}));

    // The list, told of it at its next use, never deletes a record other than the one shown.
    boxes.clear();
    click(book, book.entry, "Command3");
    clickRow(book, 0);
    folder->exec(QStringLiteral("DELETE FROM %1 WHERE \"%2\" = '10'").arg(book.table, book.column));
    click(book, book.list, book.del);
    QCOMPARE(column(book), QStringList({"12"}));
}

// Keys, the record selector and the mouse all move the record that delete and edit act on.
void TestAcrossWindows::everyMoveOfTheHighlightMovesTheRecord()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 60);
    openBook(book);
    DBGrid *g = grid(book);
    QTableView *view = g->view();
    RecordSource *records = control<DataControl>(book.list, "Data1")->Recordset();
    clickRow(book, 0);
    const QList<int> keys{Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_End, Qt::Key_PageUp,
                          Qt::Key_Home, Qt::Key_Down};
    for (int key : keys) {
        QTest::keyClick(view, Qt::Key(key));
        QCOMPARE(records->currentRow(), qint64(view->currentIndex().row()));
    }
    // Ctrl+End goes to the last row without going sideways: the first column stays in sight.
    view->horizontalHeader()->resizeSection(g->columnCount() - 1, view->viewport()->width());
    QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0);
    const int sideways = view->horizontalScrollBar()->value();
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(records->currentRow(), qint64(59));
    QCOMPARE(view->horizontalScrollBar()->value(), sideways);
    // Letters do not walk the rows looking for a match.
    const int at = view->currentIndex().row();
    QTest::keyClicks(view, "1a");
    QCOMPARE(view->currentIndex().row(), at);

    // A click on the record selector.
    QHeaderView *selector = view->verticalHeader();
    QTest::mouseClick(selector->viewport(), Qt::LeftButton, {},
                      QPoint(selector->viewport()->width() / 2,
                             selector->sectionViewportPosition(4) + selector->sectionSize(4) / 2));
    QCOMPARE(view->currentIndex().row(), 4);
    QCOMPARE(records->currentRow(), 4);
    const QString highlighted = cell(book, 4);
    click(book, book.list, book.del);
    QVERIFY(!column(book).contains(highlighted));
    QCOMPARE(column(book).size(), 59);
}

// Add and edit put the focus in the entry's first box; save and cancel put it in the list's
// grid; never on a delete or cancel button.
void TestAcrossWindows::focusAfterWindowChanges()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 2);
    openBook(book);
    QWidget *gridView = grid(book)->view();
    for (int round = 0; round < 2; ++round) {
        click(book, book.list, book.add);
        QCOMPARE(Forms::find(book.entry)->focusWidget(), control(book.entry, book.valid.first().first));
        fillValid(book, QString::number(4 + round));
        click(book, book.entry, "Command1");
        QCOMPARE(Forms::find(book.list)->focusWidget(), gridView);

        clickRow(book, 0);
        click(book, book.list, book.edit);
        QCOMPARE(Forms::find(book.entry)->focusWidget(), control(book.entry, book.valid.first().first));
        click(book, book.entry, "Command3");
        QCOMPARE(Forms::find(book.list)->focusWidget(), gridView);
    }
    // A space typed now lands in the grid, not on a button.
    const int rows = column(book).size();
    QTest::keyClick(Forms::find(book.list)->focusWidget(), Qt::Key_Space);
    QCOMPARE(column(book).size(), rows);
}

void TestAcrossWindows::aDoubleClickOnDeleteDeletesOne()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 4);
    openBook(book);
    clickRow(book, 1);
    auto *del = control<QPushButton>(book.list, book.del);
    // A click, then a second one 100 ms after it by the clicks' own times.
    QTest::mouseClick(del, Qt::LeftButton);
    const int firstPress = QTest::lastMouseTimestamp - QTest::mouseDoubleClickInterval;
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(5, 5), del->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        event.setTimestamp(firstPress + 100);
        QApplication::sendEvent(del, &event);
    }
    QCOMPARE(column(book), QStringList({"10", "12", "13"}));
    // A double click's second press comes as a double-click event.
    QTest::mouseDClick(del, Qt::LeftButton);
    QTest::mouseRelease(del, Qt::LeftButton);
    QCOMPARE(column(book), QStringList({"10", "12", "13"}));
    // A click after the interval deletes again.
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(column(book).size(), 2);
}

// Another copy changes one box of the record open here, and the user saves another box:
// both changes stand; when the user changed what the other copy changed, the user chooses.
void TestAcrossWindows::aSaveWritesOnlyWhatTheUserChanged()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 2);
    openBook(book);
    clickRow(book, 0);
    click(book, book.list, book.edit);
    // A box whose every text passes the window's checks: the payee for a cheque.
    const QString other = index == 2 ? QStringLiteral("Text4") : book.valid.at(1).first;
    auto *otherBox = control<TextBox>(book.entry, other);
    const QString otherColumn = control<BoundTextBox>(book.entry, other)->DataField();
    // Another copy writes into the second box's column.
    folder->exec(QStringLiteral("UPDATE %1 SET \"%2\" = '77 12' WHERE rowid = 1").arg(book.table, otherColumn));
    auto *first = control<TextBox>(book.entry, book.valid.first().first);
    first->clear();
    testing::typeText(first, "27");
    testing::BoxWatcher boxes(QMessageBox::Yes);
    click(book, book.entry, "Command1");
    QCOMPARE(boxes.boxes().size(), 1); // the record changed since it was read: asked, kept mine
    QCOMPARE(boxes.boxes().first().title, QStringLiteral("الرجاء التأكيد"));
    // The question names what changed, with the value stored now and the one in the window.
    const QString asked = boxes.boxes().first().text;
    QVERIFY2(asked.contains(otherColumn + QStringLiteral(": المحفوظ الآن «\u206677 12\u2069»، وفي نافذتك «")), qPrintable(asked));
    QCOMPARE(folder->value(QStringLiteral("SELECT \"%1\" FROM %2 WHERE rowid = 1").arg(book.column, book.table)).toString(), "27");
    QCOMPARE(folder->value(QStringLiteral("SELECT \"%1\" FROM %2 WHERE rowid = 1").arg(otherColumn, book.table)).toString(), "77 12");

    // Answered No: nothing written, the window shows the record as the other copy left it.
    boxes.clear();
    boxes.setAnswer(QMessageBox::No);
    clickRow(book, 1);
    click(book, book.list, book.edit);
    folder->exec(QStringLiteral("UPDATE %1 SET \"%2\" = '26' WHERE rowid = 2").arg(book.table, book.column));
    otherBox->clear();
    testing::typeText(otherBox, "66");
    click(book, book.entry, "Command1");
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(Forms::find(book.entry)->isShown());
    QCOMPARE(firstBox(book), "26");
    QVERIFY(otherBox->text() != "66");
    QVERIFY(folder->value(QStringLiteral("SELECT \"%1\" FROM %2 WHERE rowid = 2").arg(otherColumn, book.table)).toString() != "66");
}

void TestAcrossWindows::aListCatchesUpWithAnotherCopyWhenActivated()
{
    QFETCH(int, index);
    const Book book = books().at(index);
    seed(book, 2);
    openBook(book);
    click(book, book.list, book.back);
    seed(book, 3);
    openBook(book);
    QCOMPARE(grid(book)->model()->rowCount(), 5);
    auto *count = control<StatusBar>(book.list, "StatusBar1")->panel(1);
    QCOMPARE(count->text(), QStringLiteral("عدد السجلات: 5 سجل"));
}

void TestAcrossWindows::cancelFromTheMenuShowsNoHiddenList()
{
    for (const Book &book : books()) {
        MDIForm1::instance()->findChild<QAction *>(book.addItem)->trigger();
        QVERIFY(Forms::find(book.entry)->isShown());
        click(book, book.entry, "Command3");
        Form *list = Forms::find(book.list);
        // The appointment book's cancel shows its list by design; the others never do.
        QCOMPARE(list && list->isShown(), book.list == "Form4");
        if (list && list->isShown())
            QTest::mouseClick(control<QAbstractButton>(book.list, book.back), Qt::LeftButton);
        QTRY_COMPARE(shownForms(), QStringList{"Form1"});
    }
}

// Two input errors in a row in the cheque writing window, then a save: the cheque list comes
// up, never the hidden appointment list, and the focus rests in its grid.
void TestAcrossWindows::inputErrorsBringUpNoHiddenWindow()
{
    const Book notes = books().at(1);
    const Book cheques = books().at(2);
    openBook(notes);
    click(notes, notes.list, notes.back);
    openBook(cheques);
    click(cheques, cheques.list, cheques.add);
    fillValid(cheques, "40"); // a wrong day
    control<TextBox>("Form7", "Text7")->clear();
    testing::BoxWatcher boxes;
    click(cheques, "Form7", "Command1");
    control<TextBox>("Form7", "Text1")->setText("7");
    click(cheques, "Form7", "Command1"); // the fils are missing
    QCOMPARE(boxes.boxes().size(), 2);
    testing::typeText(control<TextBox>("Form7", "Text7"), "5");
    click(cheques, "Form7", "Command1");
    QCOMPARE(boxes.boxes().size(), 2);
    QTRY_COMPARE(shownForms(), QStringList{"Form6"});
    QCOMPARE(Forms::find("Form6")->focusWidget(), grid(cheques)->view());
}

// The close box of a window uncovers only windows that are shown; a hidden entry window
// never comes back standing on another record.
void TestAcrossWindows::closingAWindowShowsNoHiddenOne()
{
    const Book phone = books().at(0);
    seed(phone, 2);
    openBook(phone);
    click(phone, phone.list, phone.add);
    fillValid(phone, "50");
    click(phone, phone.entry, "Command1"); // Form3 hidden
    click(phone, phone.list, phone.back);
    MDIForm1::instance()->findChild<QAction *>("help")->trigger();
    Form *help = Forms::find("Form8");
    QVERIFY(help && help->isShown());
    qobject_cast<QMdiSubWindow *>(help->parentWidget())->close();
    QTRY_COMPARE(shownForms(), QStringList{});

    openBook(phone);
    auto *view = grid(phone)->view();
    QVERIFY(view);
    qobject_cast<QMdiSubWindow *>(Forms::find("Form2")->parentWidget())->close();
    QTRY_COMPARE(shownForms(), QStringList{});
}

void TestAcrossWindows::theSearchKindAlreadyChosenStillMovesTheFocus()
{
    const Book phone = books().at(0);
    openBook(phone);
    auto *kinds = control<QListWidget>("Form2", "List1");
    for (int round = 0; round < 2; ++round) {
        grid(phone)->view()->setFocus();
        QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {}, kinds->visualItemRect(kinds->item(0)).center());
        QCOMPARE(Forms::find("Form2")->focusWidget(), control("Form2", "Text1"));
    }
}

void TestAcrossWindows::thePayeeTotalOutlivesASearchThatFoundNobody()
{
    const Book cheques = books().at(2);
    seed(cheques, 2); // payee "ب", 1 dinar and 1 fils each
    openBook(cheques);
    auto *kinds = control<QListWidget>("Form6", "List1");
    auto *name = control<TextBox>("Form6", "Text1");
    auto *payee = control<StatusBar>("Form6", "StatusBar1")->panel(2);
    const auto searchName = [&](const QString &text) {
        kinds->setCurrentRow(1);
        name->clear();
        testing::typeText(name, text);
        click(cheques, "Form6", "Command2");
    };
    testing::BoxWatcher boxes;
    searchName("ب");
    QCOMPARE(payee->text(), QStringLiteral("مجموع المبالغ للسيد ب: 2 دينار و 2 فلس"));
    searchName("zzz");
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(payee->text(), QStringLiteral("مجموع المبالغ للسيد ب: 2 دينار و 2 فلس"));
    // A save, a cancel and a delete after it: the panel follows its payee, never empties.
    click(cheques, "Form6", "Command1");
    fillValid(cheques, "7");
    auto *payeeBox = control<TextBox>("Form7", "Text4");
    payeeBox->clear();
    testing::typeText(payeeBox, "ب");
    click(cheques, "Form7", "Command1");
    QCOMPARE(payee->text(), QStringLiteral("مجموع المبالغ للسيد ب: 7 دينار و 2 فلس"));
    click(cheques, "Form6", "Command1");
    click(cheques, "Form7", "Command3");
    QCOMPARE(payee->text(), QStringLiteral("مجموع المبالغ للسيد ب: 7 دينار و 2 فلس"));
}

TESTING_WINDOW_TEST_MAIN(TestAcrossWindows)
#include "tst_acrosswindows.moc"
