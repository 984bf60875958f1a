// Hostile input in every entry box and every search box: very long texts, control
// characters, direction marks, combining marks, emoji and SQL fragments are stored and
// shown back exactly, or refused with a message; no table changes but as the user asked.
#include "testsupport.h"

#include "appointments/form4.h"
#include "appointments/form5.h"
#include "chequebook/form6.h"
#include "chequebook/form7.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "data/store/database.h"
#include "phonebook/form2.h"
#include "phonebook/form3.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QDate>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTest>

using namespace dalil;

namespace {

using testing::hostileTexts;

// Short hostile texts for the boxes the design limits to 2 or 4 characters.
const QStringList shortHostile{QStringLiteral("'"), QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("*"),
                               QStringLiteral("?"), QStringLiteral("["), QStringLiteral("😀"), QStringLiteral("\u200F")};

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestHostile : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        folder->exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('keep', '1')");
        folder->exec("INSERT INTO Note (الموعد) VALUES ('keep')");
        folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1','1','2002','keep',1,1)");
        QVERIFY(testing::startProgram(*folder));
    }

    void phoneEntriesRoundTrip_data() { fillTexts(); }
    void phoneEntriesRoundTrip();
    void appointmentsRoundTrip_data() { fillTexts(); }
    void appointmentsRoundTrip();
    void chequesRoundTrip_data() { fillTexts(); }
    void chequesRoundTrip();
    void aMillionCharactersInEveryPhoneBox();
    void shortBoxesRefuseOrKeep();

private:
    void fillTexts()
    {
        QTest::addColumn<QString>("text");
        for (const auto &[name, text] : hostileTexts())
            QTest::newRow(name) << text;
    }
    void tablesUntouched(int phones, int notes, int cheques)
    {
        QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), phones);
        QCOMPARE(folder->value("SELECT count(*) FROM Note").toInt(), notes);
        QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), cheques);
        QCOMPARE(folder->value("SELECT الإسم FROM Phone WHERE rowid = 1").toString(), QStringLiteral("keep"));
    }
};

void TestHostile::phoneEntriesRoundTrip()
{
    QFETCH(QString, text);
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    click(list->Command1);
    Form3 *entry = Forms::loaded<Form3>();
    const QList<BoundTextBox *> all{entry->Text1, entry->Text2, entry->Text3, entry->Text4,
                                    entry->Text5, entry->Text6, entry->Text7, entry->Text8};
    for (BoundTextBox *box : all)
        box->setText(text); // pasted
    click(entry->Command1);
    QVERIFY(boxes.boxes().isEmpty());
    tablesUntouched(2, 1, 1);
    const QVariantList row = folder->rows("SELECT الإسم, المنزل, الجوال, المكتب, فاكس, \"البريد الإلكتروني\", "
                                          "العنوان, ملاحظات FROM Phone WHERE rowid = 2").value(0);
    for (const QVariant &value : row)
        QCOMPARE(value.toString(), text);

    // Found by its name and by its number, and shown back exactly for editing.
    for (int kind : {0, 1}) {
        list->List1->setCurrentRow(kind);
        list->Text1->setText(text);
        click(list->Command2);
        QVERIFY(boxes.boxes().isEmpty());
        // The new entry alone: not the other, as SQL or a wildcard let loose would find too.
        QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));
        QCOMPARE(list->DBGrid1->model()->index(0, 0).data(Qt::EditRole).toString(), text);
    }
    click(list->Command5);
    for (BoundTextBox *box : all)
        QCOMPARE(box->text(), text);
    click(entry->Command3);
    tablesUntouched(2, 1, 1);
}

void TestHostile::appointmentsRoundTrip()
{
    QFETCH(QString, text);
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
    Form4 *list = Forms::loaded<Form4>();
    click(list->Command1);
    Form5 *entry = Forms::loaded<Form5>();
    const QDate today = QDate::currentDate();
    entry->Text1->setText(text);
    entry->Text2->setText(text);
    entry->Text3->setText(text);
    entry->Text4->setText(QString::number(today.day()));
    entry->Text5->setText(QString::number(today.month()));
    entry->Text6->setText(QString::number(today.year()));
    click(entry->Command1);
    QVERIFY(boxes.boxes().isEmpty());
    tablesUntouched(1, 2, 1);
    QCOMPARE(folder->rows("SELECT الموعد, اليوم, الساعة FROM Note WHERE rowid = 2").value(0),
             (QVariantList{text, text, text}));
    QCOMPARE(list->DBGrid1->model()->index(1, 5).data().toString(), text);
}

void TestHostile::chequesRoundTrip()
{
    QFETCH(QString, text);
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command3, Qt::LeftButton);
    Form6 *list = Forms::loaded<Form6>();
    click(list->Command1);
    Form7 *entry = Forms::loaded<Form7>();
    entry->Text1->setText(QStringLiteral("5"));
    entry->Text3->setText(QStringLiteral("6"));
    entry->Text2->setText(QStringLiteral("2024"));
    entry->Text8->setText(text); // an amount that is not a number is refused, and kept
    entry->Text7->setText(QStringLiteral("1"));
    entry->Text4->setText(text);
    entry->Text5->setText(text);
    entry->Text6->setText(text);
    click(entry->Command1);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("خطأ في المدخلات"));
    QCOMPARE(entry->Text8->text(), text);
    tablesUntouched(1, 1, 1);

    entry->Text8->setText(QStringLiteral("7"));
    click(entry->Command1);
    QCOMPARE(boxes.boxes().size(), 1);
    tablesUntouched(1, 1, 2);
    QCOMPARE(folder->rows("SELECT السيد, المبلغ, السبب, دينار FROM Cheque WHERE rowid = 2").value(0),
             (QVariantList{text, text, text, 7}));

    // Found by the payee's name typed back exactly.
    list->List1->setCurrentRow(1);
    list->Text1->setText(text);
    click(list->Command2);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(list->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: 1 سجل"));
    QCOMPARE(list->DBGrid1->model()->index(0, 3).data(Qt::EditRole).toString(), text);
    tablesUntouched(1, 1, 2);
}

void TestHostile::aMillionCharactersInEveryPhoneBox()
{
    testing::BoxWatcher boxes;
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addphone"))->trigger();
    Form3 *entry = Forms::loaded<Form3>();
    const QList<BoundTextBox *> all{entry->Text1, entry->Text2, entry->Text3, entry->Text4,
                                    entry->Text5, entry->Text6, entry->Text7, entry->Text8};
    QStringList texts;
    for (int i = 0; i < all.size(); ++i) {
        QString text(1000000, QChar(u'ب' + i));
        text[0] = QChar(u'0' + i);
        texts << text;
        all[i]->setText(text);
    }
    click(entry->Command1);
    QVERIFY(boxes.boxes().isEmpty());
    const QVariantList row = folder->rows("SELECT الإسم, المنزل, الجوال, المكتب, فاكس, \"البريد الإلكتروني\", "
                                          "العنوان, ملاحظات FROM Phone WHERE rowid = 2").value(0);
    for (int i = 0; i < all.size(); ++i)
        QVERIFY2(row.value(i).toString() == texts[i], qPrintable(QString::number(i)));
}

void TestHostile::shortBoxesRefuseOrKeep()
{
    testing::BoxWatcher boxes;
    // The cheque's date boxes: a year that is not a number is refused; nothing is written.
    QTest::mouseClick(Forms::loaded<Form1>()->Command3, Qt::LeftButton);
    Form6 *list = Forms::loaded<Form6>();
    click(list->Command1);
    Form7 *cheque = Forms::loaded<Form7>();
    for (const QString &text : shortHostile) {
        boxes.clear();
        cheque->Text1->setText(text);
        cheque->Text3->setText(text);
        cheque->Text2->setText(text);
        cheque->Text4->setText(QStringLiteral("x"));
        cheque->Text8->setText(QStringLiteral("1"));
        cheque->Text7->setText(QStringLiteral("1"));
        click(cheque->Command1);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].text, QStringLiteral("الرجاء إدخال التاريخ بدقة"));
        QCOMPARE(cheque->Text2->text(), text);

        // The same texts in the date search boxes change nothing: "*" and "?" are the
        // search's wildcards and may find the cheque; anything else finds nothing.
        boxes.clear();
        list->List1->setCurrentRow(0);
        list->Text2->setText(text);
        list->Text3->setText(text);
        list->Text4->setText(text);
        click(list->Command2);
        // A direction mark is invisible and searches ignore it: alone it searches for nothing in particular.
        const bool wildcard = text == u"*" || text == u"?" || text == u"\u200F";
        QCOMPARE(list->Data1->Recordset()->RecordCount(), wildcard ? 1 : 0);
        QCOMPARE(boxes.boxes().size(), wildcard ? 0 : 1);
        if (!wildcard)
            QCOMPARE(boxes.boxes()[0].text, QStringLiteral("No results were found!"));
    }
    tablesUntouched(1, 1, 1);

    // The appointment's date boxes: a month or year that is not a number is refused.
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addnote"))->trigger();
    Form5 *note = Forms::loaded<Form5>();
    for (const QString &text : shortHostile) {
        boxes.clear();
        note->Text1->setText(QStringLiteral("x"));
        note->Text2->setText(QStringLiteral("x"));
        note->Text3->setText(QStringLiteral("x"));
        note->Text4->setText(text);
        note->Text5->setText(text);
        note->Text6->setText(text);
        click(note->Command1);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].text, QStringLiteral("الرجاء تحديد التاريخ الصحيح"));
        QCOMPARE(note->Text6->text(), text);
    }
    tablesUntouched(1, 1, 1);
}

TESTING_WINDOW_TEST_MAIN(TestHostile)
#include "tst_hostile.moc"
