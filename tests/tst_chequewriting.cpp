// The cheque writing window: its cheque-shaped layout, the checks of a save and where they
// put the focus, saving and cancelling with the list brought up to date.
#include "testsupport.h"

#include "appointments/form4.h"
#include "appointments/form5.h"
#include "chequebook/form6.h"
#include "chequebook/form7.h"
#include "common/application.h"
#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "data/store/database.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace dalil;

namespace {

const QString dateMessage = QStringLiteral("الرجاء إدخال التاريخ بدقة");
const QString nameMessage = QStringLiteral("الرجاء إدخال الإسم");
const QString amountMessage = QStringLiteral("الرجاء إدخال قيمة المبلغ");

// One cheque as typed: day, month, year, payee, dinars, fils, amount in words, reason.
struct Typed
{
    QString day, month, year, payee, dinars, fils, words, reason;
};

QString grandTotal(const QString &dinars, const QString &fils)
{
    return QStringLiteral("مجموع المبالغ المسجلة: ") + dinars + QStringLiteral(" دينار و ") + fils + QStringLiteral(" فلس");
}

// What the user does in the amount boxes and the words box, one step at a time: a box name
// and the text typed at its end, or nothing to erase the box with backspaces.
using Steps = QList<std::pair<QString, QString>>;

const QString mismatchQuestion = QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام. هل تريد الحفظ؟");

} // namespace

Q_DECLARE_METATYPE(Typed)
Q_DECLARE_METATYPE(Steps)

class TestChequeWriting : public testing::ProgramFixture
{
    Q_OBJECT

public:
    TestChequeWriting() : testing::ProgramFixture(Frame::Active) {}

private slots:
    void isLaidOutLikeAPaperCheque();
    void refusedSave_data();
    void refusedSave();
    void acceptedSave_data();
    void acceptedSave();
    void enterInTheReasonBoxSaves();
    void saveBringsTheListUpToDate();
    void saveWhileASearchIsInForce();
    void saveAndCancelFromTheMenuBeforeTheList_data();
    void saveAndCancelFromTheMenuBeforeTheList();
    void cancelDropsTheTypingAndResetsTheList();
    void clearThenSaveAsksForTheDate();
    void editSavesInPlace();
    void refusedWriteKeepsTheTyping();
    void wordsFollowTheFigures_data();
    void wordsFollowTheFigures();
    void editingKeepsTheStoredWords_data();
    void editingKeepsTheStoredWords();
    void wordsThatDisagreeAreQuestioned_data();
    void wordsThatDisagreeAreQuestioned();
    void otherDigitsAreStoredAsLatin_data();
    void otherDigitsAreStoredAsLatin();

private:
    Form6 *openList()
    {
        QTest::mouseClick(Forms::loaded<Form1>()->Command3, Qt::LeftButton);
        return Forms::loaded<Form6>();
    }
    Form7 *writeFromMenu()
    {
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addcheck"))->trigger();
        return Forms::loaded<Form7>();
    }
    static void type(Form7 *entry, const Typed &cheque)
    {
        const QList<std::pair<TextBox *, QString>> boxes{
            {entry->Text1, cheque.day},   {entry->Text3, cheque.month},  {entry->Text2, cheque.year},
            {entry->Text8, cheque.dinars}, {entry->Text7, cheque.fils},  {entry->Text4, cheque.payee},
            {entry->Text5, cheque.words}, {entry->Text6, cheque.reason}};
        for (const auto &[box, text] : boxes)
            testing::typeText(box, text);
    }
    static Typed typedIn(Form7 *entry)
    {
        return {entry->Text1->text(), entry->Text3->text(), entry->Text2->text(), entry->Text4->text(),
                entry->Text8->text(), entry->Text7->text(), entry->Text5->text(), entry->Text6->text()};
    }
    QVariantList storedRow()
    {
        const auto rows = folder->rows("SELECT اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ, السبب, typeof(دينار),"
                                       " typeof(فلس) FROM Cheque");
        return rows.size() == 1 ? rows.first() : QVariantList();
    }
    // The box that has the focus in the entry's window (the frame may still be regaining
    // activation from the message box).
    static QWidget *focusIn(Form7 *entry) { return entry->window()->focusWidget(); }
    static QString panelText(Form6 *list, int n) { return list->StatusBar1->panel(n)->text(); }

};

void TestChequeWriting::isLaidOutLikeAPaperCheque()
{
    Form7 *entry = writeFromMenu();
    QVERIFY(entry->isShown());
    QCOMPARE(entry->windowTitle(), QStringLiteral("إضافة شيك"));
    QVERIFY(!entry->Data1->Visible());
    QCOMPARE(entry->Data1->Caption(), QStringLiteral("السابق           التالي"));
    QCOMPARE(entry->font(), QApplication::font());

    // The date at the top right, read from the right: day, month, year; the boxes limited.
    QVERIFY(entry->Text1->x() > entry->Text3->x() && entry->Text3->x() > entry->Text2->x());
    QVERIFY(entry->Label4->x() > entry->Text1->geometry().right());
    QCOMPARE(entry->Text1->maxLength(), 2);
    QCOMPARE(entry->Text3->maxLength(), 2);
    QCOMPARE(entry->Text2->maxLength(), 4);

    // The amount box at the top left, drawn by its lines: dinars left of the divider, fils right.
    const QRect amountBox(entry->Line2->geometry().topLeft(), entry->Line4->geometry().bottomRight());
    QCOMPARE(entry->Line3->geometry().topLeft(), amountBox.topLeft());
    QCOMPARE(entry->Line5->geometry().bottomRight(), amountBox.bottomRight());
    QCOMPARE(entry->Line1->geometry().top(), amountBox.top());
    QCOMPARE(entry->Line1->geometry().bottom(), amountBox.bottom());
    QVERIFY(amountBox.right() < entry->Text2->x());
    const int divider = entry->Line1->x();
    for (QWidget *dinars : QList<QWidget *>{entry->Text8, entry->Label5}) {
        QVERIFY(amountBox.contains(dinars->geometry()));
        QVERIFY(dinars->geometry().right() < divider);
    }
    for (QWidget *fils : QList<QWidget *>{entry->Text7, entry->Label6}) {
        QVERIFY(amountBox.contains(fils->geometry()));
        QVERIFY(fils->x() > divider);
    }

    // Each wording whole, at the right of its box.
    const QList<std::tuple<QLabel *, QString, QWidget *>> wordings{
        {entry->Label4, "التاريخ", entry->Text1}, {entry->Label5, "دينار", nullptr},
        {entry->Label6, "فلس", nullptr},          {entry->Label1, "لأمر السيد", entry->Text4},
        {entry->Label2, "مبلغاً و قدره", entry->Text5}, {entry->Label3, "و ذلك بسبب", entry->Text6}};
    for (const auto &[label, caption, box] : wordings) {
        QCOMPARE(label->text(), caption);
        QVERIFY(label->width() >= label->sizeHint().width());
        QVERIFY(label->height() >= label->sizeHint().height());
        if (box)
            QVERIFY(label->x() > box->geometry().right());
    }

    // Read as a cheque is written: the date, payee, words and reason, then the figures.
    const QList<QWidget *> order{entry->Text1, entry->Text3, entry->Text2, entry->Text4, entry->Text5, entry->Text6,
                                 entry->Text8, entry->Text7, entry->Command1, entry->Command2, entry->Command3};
    entry->Text1->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(order[i - 1], Qt::Key_Tab);
        QCOMPARE(focusIn(entry), order[i]);
    }
    QCOMPARE(entry->Command1->text(), QStringLiteral("إضافة"));
    QCOMPARE(entry->Command2->text(), QStringLiteral("مسح الحقول"));
    QCOMPARE(entry->Command3->text(), QStringLiteral("إلغاء الأمر"));
}

void TestChequeWriting::refusedSave_data()
{
    QTest::addColumn<Typed>("cheque");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus"); // empty: the focus stays on the button

    const Typed good{"5", "3", "2002", "سالم", "10", "500", "عشرة دنانير", "إيجار"};
    const auto with = [&](auto change) {
        Typed t = good;
        change(t);
        return t;
    };
    QTest::newRow("no day") << with([](Typed &t) { t.day.clear(); }) << dateMessage << "Text1";
    QTest::newRow("no year") << with([](Typed &t) { t.year.clear(); }) << dateMessage << "Text1";
    QTest::newRow("no month") << with([](Typed &t) { t.month.clear(); }) << dateMessage << "Text1";
    QTest::newRow("day 32") << with([](Typed &t) { t.day = "32"; }) << dateMessage << "";
    QTest::newRow("month 13") << with([](Typed &t) { t.month = "13"; }) << dateMessage << "";
    QTest::newRow("year 2001") << with([](Typed &t) { t.year = "2001"; }) << dateMessage << "";
    QTest::newRow("year 2001 in Arabic-Indic digits") << with([](Typed &t) { t.year = "٢٠٠١"; }) << dateMessage << "";
    QTest::newRow("no payee") << with([](Typed &t) { t.payee.clear(); }) << nameMessage << "Text4";
    QTest::newRow("no fils") << with([](Typed &t) { t.fils.clear(); }) << amountMessage << "Text7";
    QTest::newRow("no dinars") << with([](Typed &t) { t.dinars.clear(); }) << amountMessage << "Text7";

    const QString wholeMessage = QStringLiteral("الرجاء إدخال قيمة المبلغ بالأرقام الصحيحة فقط، دون فاصلة عشرية أو إشارة");
    QTest::newRow("dinars in letters") << with([](Typed &t) { t.dinars = "عشرة"; }) << wholeMessage << "Text8";
    QTest::newRow("dinars with a decimal point") << with([](Typed &t) { t.dinars = "12.5"; }) << wholeMessage << "Text8";
    QTest::newRow("dinars 1.0, which the database would make 1")
        << with([](Typed &t) { t.dinars = "1.0"; }) << wholeMessage << "Text8";
    QTest::newRow("negative dinars") << with([](Typed &t) { t.dinars = "-5"; }) << wholeMessage << "Text8";
    QTest::newRow("a blank for dinars") << with([](Typed &t) { t.dinars = " "; }) << wholeMessage << "Text8";
    QTest::newRow("fils with a sign") << with([](Typed &t) { t.fils = "+5"; }) << wholeMessage << "Text7";
    QTest::newRow("fils as an exponent") << with([](Typed &t) { t.fils = "1e3"; }) << wholeMessage << "Text7";
    const QString digitsMessage = QStringLiteral("الرجاء إدخال قيمة المبلغ بما لا يزيد على 12 رقماً للدينار و12 رقماً للفلس");
    QTest::newRow("fils beyond any number")
        << with([](Typed &t) { t.fils = "99999999999999999999"; }) << digitsMessage << "Text7";
    QTest::newRow("13 digits of dinars") << with([](Typed &t) { t.dinars = "1000000000000"; }) << digitsMessage << "Text8";
    QTest::newRow("the largest whole number of dinars")
        << with([](Typed &t) { t.dinars = "9223372036854775807"; }) << digitsMessage << "Text8";
    QTest::newRow("13 digits of fils") << with([](Typed &t) { t.fils = "0000000000001"; }) << digitsMessage << "Text7";
}

void TestChequeWriting::refusedSave()
{
    QFETCH(Typed, cheque);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, cheque);
    // The figures take only digits as they are typed; what the keys could not put in is put
    // there all the same, so that the save's own check, which stands behind, is seen to hold.
    for (auto [box, text] : {std::pair(entry->Text8, cheque.dinars), std::pair(entry->Text7, cheque.fils)}) {
        QVERIFY(std::ranges::all_of(box->text(), [](QChar c) { return c >= u'0' && c <= u'9'; }));
        if (box->text() != text)
            box->setText(text);
    }

    testing::BoxWatcher boxes;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, message);
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("خطأ في المدخلات"));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.boxes()[0].buttons.size(), 1);
    QWidget *expected = focus.isEmpty() ? static_cast<QWidget *>(entry->Command1) : entry->findChild<QWidget *>(focus);
    QCOMPARE(focusIn(entry), expected);

    // Nothing written, nothing lost: the window stays with everything typed.
    QVERIFY(entry->isShown());
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 0);
    const Typed kept = typedIn(entry);
    QCOMPARE(kept.day, cheque.day);
    QCOMPARE(kept.dinars, cheque.dinars);
    QCOMPARE(kept.fils, cheque.fils);
    QCOMPARE(kept.payee, cheque.payee);
    QCOMPARE(panelText(list, 1), QStringLiteral("عدد السجلات: 0 سجل"));
}

void TestChequeWriting::acceptedSave_data()
{
    QTest::addColumn<Typed>("cheque");
    QTest::addColumn<qint64>("dinars");
    QTest::addColumn<qint64>("fils");
    QTest::addColumn<QStringList>("date"); // day, month, year as stored; empty: as typed
    QTest::newRow("day 31, month 12, year 2002") << Typed{"31", "12", "2002", "سالم", "10", "500", "", ""} << 10LL << 500LL
                                                 << QStringList();
    QTest::newRow("day and month 0, year 9999") << Typed{"0", "0", "9999", "سالم", "1", "1", "", ""} << 1LL << 1LL
                                                << QStringList();
    QTest::newRow("day minus 5") << Typed{"-5", "1", "2003", "سالم", "1", "1", "", ""} << 1LL << 1LL << QStringList();
    QTest::newRow("day in Arabic-Indic digits") << Typed{"٣", "1", "2003", "سالم", "1", "1", "", ""} << 1LL << 1LL
                                                << QStringList{"3", "1", "2003"};
    QTest::newRow("year in Arabic-Indic digits") << Typed{"5", "3", "٢٠٠٣", "سالم", "1", "1", "", ""} << 1LL << 1LL
                                                 << QStringList{"5", "3", "2003"};
    QTest::newRow("a blank day counts as typed") << Typed{" ", "1", "2003", "سالم", "1", "1", "", ""} << 1LL << 1LL
                                                 << QStringList();
    QTest::newRow("nothing in words or reason, 0 and 0")
        << Typed{"1", "1", "2003", "سالم", "0", "0", "", ""} << 0LL << 0LL << QStringList();
    QTest::newRow("1500 fils stored as typed") << Typed{"1", "1", "2003", "سالم", "7", "1500", "سبعة", "ثمن"} << 7LL
                                               << 1500LL << QStringList();
    QTest::newRow("12 digits of each") << Typed{"1", "1", "2003", "سالم", "999999999999", "999999999999", "", ""}
                                       << 999999999999LL << 999999999999LL << QStringList();
}

void TestChequeWriting::acceptedSave()
{
    QFETCH(Typed, cheque);
    QFETCH(qint64, dinars);
    QFETCH(qint64, fils);
    QFETCH(QStringList, date);
    if (date.isEmpty())
        date = QStringList{cheque.day, cheque.month, cheque.year};
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, cheque);
    testing::BoxWatcher boxes;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!entry->isShown());
    QCOMPARE(Forms::loaded<Form7>(), entry); // hidden, not closed

    const QVariantList row = storedRow();
    QCOMPARE(row.size(), 10);
    QCOMPARE(row[0].toString(), date[0]);
    QCOMPARE(row[1].toString(), date[1]);
    QCOMPARE(row[2].toString(), date[2]);
    QCOMPARE(row[3].toString(), cheque.payee);
    QCOMPARE(row[4].toLongLong(), dinars);
    QCOMPARE(row[5].toLongLong(), fils);
    QCOMPARE(row[8].toString(), QStringLiteral("integer"));
    QCOMPARE(row[9].toString(), QStringLiteral("integer"));
    // The sums carry no fils into dinars.
    QCOMPARE(panelText(list, 3), grandTotal(QString::number(dinars), QString::number(fils)));
}

void TestChequeWriting::enterInTheReasonBoxSaves()
{
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, {"5", "3", "2002", "سالم", "10", "", "", "إيجار"});
    testing::BoxWatcher boxes;
    QTest::keyClick(entry->Text6, Qt::Key_Return);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, amountMessage);
    QCOMPARE(focusIn(entry), entry->Text7);

    testing::typeText(entry->Text7, QStringLiteral("250"));
    QTest::keyClick(entry->Text6, Qt::Key_Return);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(!entry->isShown());
    QCOMPARE(storedRow().value(5).toInt(), 250);
    QCOMPARE(storedRow().value(7).toString(), QStringLiteral("إيجار"));
}

void TestChequeWriting::saveBringsTheListUpToDate()
{
    folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '1', '2002', 'زيد', 5, 900)");
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("check"))->trigger();
    Form6 *list = Forms::loaded<Form6>();
    QCOMPARE(list->StatusBar1->panel(3)->alignment(), StatusPanel::Alignment::Right);
    QCOMPARE(list->DBGrid1->Columns(0).Width(), 500);

    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, {"5", "3", "2002", "سالم", "10", "600", "", ""});
    QTest::mouseClick(entry->Command1, Qt::LeftButton);

    // The list uncovered by the save fills the frame, as every window does.
    QTRY_VERIFY(list->isShown());
    QTRY_VERIFY(list->parentWidget()->isMaximized());
    QCOMPARE(list->DBGrid1->model()->rowCount(), 2);
    QCOMPARE(panelText(list, 1), QStringLiteral("عدد السجلات: 2 سجل"));
    // The grand total is read again: both cheques, fils left as summed.
    QCOMPARE(panelText(list, 3), grandTotal("15", "1500"));
    const QList<int> widths{1800, 5000, 8000};
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(list->StatusBar1->panel(n)->Width(), widths[n - 1]);
        QCOMPARE(list->StatusBar1->panel(n == 2 ? 1 : n)->alignment(), StatusPanel::Alignment::Center);
    }
    // The grid in layout A (600, 600, 600, 2000, 1100, 1100, 2500, 2500 twips), its cells centred.
    const QTableView *view = list->DBGrid1->view();
    const QList<int> layoutA{600, 600, 600, 2000, 1100, 1100, 2500, 2500};
    for (int i = 0; i < layoutA.size(); ++i) {
        QCOMPARE(list->DBGrid1->Columns(i).Width(), layoutA[i]);
        const auto alignment = view->model()->index(0, i).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        QCOMPARE(alignment & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
    QVERIFY(list->Command3->isEnabled());
    QVERIFY(list->Command5->isEnabled());
}

void TestChequeWriting::saveWhileASearchIsInForce()
{
    folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '1', '2002', 'سالم', 5, 5)");
    Form6 *list = openList();
    QListWidget *kinds = list->List1;
    QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {}, kinds->visualItemRect(kinds->item(1)).center());
    testing::typeText(list->Text1, QStringLiteral("سا"));
    QTest::keyClick(list->Text1, Qt::Key_Return);

    for (const QString &payee : {QStringLiteral("زيد"), QStringLiteral("سامي")}) {
        QTest::mouseClick(list->Command1, Qt::LeftButton);
        Form7 *entry = Forms::loaded<Form7>();
        type(entry, {"2", "2", "2003", payee, "1", "1", "", ""});
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
        QVERIFY(!entry->isShown());
    }
    // Only the matching cheques are listed and counted; the grand total counts all three.
    QCOMPARE(list->DBGrid1->model()->rowCount(), 2);
    QCOMPARE(list->DBGrid1->model()->index(1, 3).data().toString(), QStringLiteral("سامي"));
    QCOMPARE(panelText(list, 1), QStringLiteral("عدد السجلات: 2 سجل"));
    QCOMPARE(panelText(list, 3), grandTotal("7", "7"));
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 3);
}

void TestChequeWriting::saveAndCancelFromTheMenuBeforeTheList_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("save") << true;
    QTest::newRow("cancel") << false;
}

void TestChequeWriting::saveAndCancelFromTheMenuBeforeTheList()
{
    QFETCH(bool, save);
    Form7 *entry = writeFromMenu();
    QVERIFY(!Forms::loaded<Form6>());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    type(entry, {"5", "3", "2002", "سالم", "10", "600", "", ""});
    QTest::mouseClick(save ? entry->Command1 : entry->Command3, Qt::LeftButton);

    // The list is created to be brought up to date, but not shown; its bar has one panel.
    Form6 *list = Forms::loaded<Form6>();
    QVERIFY(list);
    QVERIFY(!list->isShown());
    QCOMPARE(list->StatusBar1->panelCount(), 1);
    QCOMPARE(panelText(list, 1), save ? QStringLiteral("عدد السجلات: 1 سجل") : QStringLiteral("عدد السجلات: 0 سجل"));
    QCOMPARE(list->Command3->isEnabled(), save);
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), save ? 1 : 0);
    QCOMPARE(Forms::loaded<Form7>() == nullptr, !save);

    // Opening it later adds the other two panels, with the true sums.
    openList();
    QCOMPARE(list->StatusBar1->panelCount(), 3);
    QCOMPARE(panelText(list, 3), save ? grandTotal("10", "600") : grandTotal("0", "0"));
}

void TestChequeWriting::cancelDropsTheTypingAndResetsTheList()
{
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, {"5", "3", "2002", "سالم", "10", "600", "", ""});
    QTest::mouseClick(entry->Command3, Qt::LeftButton);

    QTRY_VERIFY(!Forms::loaded<Form7>());
    QTRY_VERIFY(list->parentWidget()->isMaximized());
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 0);
    QVERIFY(!list->Command3->isEnabled());
    QVERIFY(!list->Command5->isEnabled());
    QCOMPARE(list->StatusBar1->panel(2)->Width(), 5000);
    QCOMPARE(list->StatusBar1->panel(3)->Width(), 5000);
    QCOMPARE(list->StatusBar1->panel(3)->alignment(), StatusPanel::Alignment::Center);
    QCOMPARE(panelText(list, 3), grandTotal("0", "0"));

    // The next writing creates the window afresh from its design.
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *fresh = Forms::loaded<Form7>();
    QCOMPARE(fresh->windowTitle(), QStringLiteral("إضافة شيك"));
    QCOMPARE(fresh->Text4->text(), QString());
}

void TestChequeWriting::clearThenSaveAsksForTheDate()
{
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, {"5", "3", "2002", "سالم", "10", "600", "عشرة", "إيجار"});
    entry->Text6->setFocus();
    QTest::mouseClick(entry->Command2, Qt::LeftButton);
    const Typed cleared = typedIn(entry);
    for (const QString &text : {cleared.day, cleared.month, cleared.year, cleared.payee, cleared.dinars, cleared.fils,
                                cleared.words, cleared.reason})
        QVERIFY(text.isEmpty());

    testing::BoxWatcher boxes;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, dateMessage);
    QCOMPARE(focusIn(entry), entry->Text1);
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 0);
}

void TestChequeWriting::editSavesInPlace()
{
    folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES"
                 " ('1', '1', '2002', 'زيد', 5, 5), ('2', '2', '2002', 'سالم', 7, 7)");
    Form6 *list = openList();
    QTableView *view = list->DBGrid1->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 3)).center());
    QTest::mouseClick(list->Command5, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    QCOMPARE(entry->Text4->text(), QStringLiteral("سالم"));
    entry->Text7->clear();
    testing::typeText(entry->Text7, QStringLiteral("1200"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);

    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 2);
    QCOMPARE(folder->value("SELECT فلس FROM Cheque WHERE السيد = 'سالم'").toInt(), 1200);
    QCOMPARE(panelText(list, 3), grandTotal("12", "1205"));
}

void TestChequeWriting::refusedWriteKeepsTheTyping()
{
    // The database refuses this payee on its own account.
    folder->exec("CREATE TRIGGER refuse BEFORE INSERT ON Cheque WHEN NEW.السيد = 'مرفوض'"
                 " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    const Typed cheque{"5", "3", "2002", "مرفوض", "10", "600", "عشرة", "إيجار"};
    type(entry, cheque);
    testing::BoxWatcher boxes;
    QTest::mouseClick(entry->Command1, Qt::LeftButton);

    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QVERIFY(boxes.boxes()[0].text.contains(folder->databasePath()));
    QVERIFY(entry->isShown());
    const Typed kept = typedIn(entry);
    QCOMPARE(kept.payee, cheque.payee);
    QCOMPARE(kept.reason, cheque.reason);
    QCOMPARE(kept.fils, cheque.fils);
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 0);
    // The list was not told of a cheque that was never stored.
    QCOMPARE(panelText(list, 3), grandTotal("0", "0"));
    QVERIFY(!list->Command3->isEnabled());
}

void TestChequeWriting::wordsFollowTheFigures_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("words");
    const QString ten = QStringLiteral("فقط عشرة دنانير لا غير");
    QTest::newRow("dinars and fils") << Steps{{"Text8", "1250"}, {"Text7", "500"}}
                                     << "فقط ألف ومائتان وخمسون دينارًا وخمسمائة فلس لا غير";
    QTest::newRow("fils alone") << Steps{{"Text7", "25"}} << "فقط خمسة وعشرون فلسًا لا غير";
    QTest::newRow("Arabic-Indic figures") << Steps{{"Text8", "١٢٥٠"}, {"Text7", "۵۰۰"}}
                                          << "فقط ألف ومائتان وخمسون دينارًا وخمسمائة فلس لا غير";
    QTest::newRow("each figure typed rewrites the words") << Steps{{"Text8", "10"}, {"Text7", "5"}}
                                                          << "فقط عشرة دنانير وخمسة فلوس لا غير";
    QTest::newRow("erasing the fils rewrites the words") << Steps{{"Text8", "10"}, {"Text7", "5"}, {"Text7", ""}} << ten;
    QTest::newRow("a point is not let into a figure") << Steps{{"Text8", "10"}, {"Text8", "."}} << ten;
    QTest::newRow("13 digits are no amount: our words go") << Steps{{"Text8", "10"}, {"Text7", "0000000000000"}} << "";
    QTest::newRow("13 digits leave the user's words")
        << Steps{{"Text8", "10"}, {"Text5", ""}, {"Text5", "كلمات"}, {"Text7", "0000000000000"}} << "كلمات";
    QTest::newRow("back to an amount, the words follow again")
        << Steps{{"Text8", "1000000000001"}, {"Text8", ""}, {"Text8", "5"}} << "فقط خمسة دنانير لا غير";
    QTest::newRow("both figures erased, the words go") << Steps{{"Text8", "10"}, {"Text7", "5"}, {"Text8", ""}, {"Text7", ""}}
                                                      << "";
    QTest::newRow("hand-typed words stay when the figures change")
        << Steps{{"Text8", "10"}, {"Text5", ""}, {"Text5", "عشرة دنانير فقط"}, {"Text8", "0"}, {"Text7", "5"}}
        << "عشرة دنانير فقط";
    QTest::newRow("words added to ours are the user's") << Steps{{"Text8", "10"}, {"Text5", "!"}, {"Text8", "0"}}
                                                        << "فقط عشرة دنانير لا غير!";
    QTest::newRow("words typed before the figures stay") << Steps{{"Text5", "إيجار"}, {"Text8", "100"}} << "إيجار";
    QTest::newRow("one figure erased is not enough")
        << Steps{{"Text8", "10"}, {"Text7", "5"}, {"Text5", ""}, {"Text5", "كلمات"}, {"Text8", ""}, {"Text8", "3"}}
        << "كلمات";
    QTest::newRow("both figures erased keep the user's words in sight")
        << Steps{{"Text8", "10"}, {"Text5", ""}, {"Text5", "كلمات"}, {"Text8", ""}} << "كلمات";
    QTest::newRow("both figures erased, the words follow again")
        << Steps{{"Text8", "10"}, {"Text7", "5"}, {"Text5", ""}, {"Text5", "كلمات"}, {"Text8", ""}, {"Text7", ""},
                 {"Text8", "3"}}
        << "فقط ثلاثة دنانير لا غير";
    QTest::newRow("words emptied by the user follow again")
        << Steps{{"Text8", "10"}, {"Text5", ""}, {"Text5", "كلمات"}, {"Text5", ""}, {"Text7", "5"}}
        << "فقط عشرة دنانير وخمسة فلوس لا غير";
}

void TestChequeWriting::wordsFollowTheFigures()
{
    QFETCH(Steps, steps);
    QFETCH(QString, words);
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    for (const auto &[name, text] : steps) {
        auto *box = entry->findChild<QLineEdit *>(name);
        box->setFocus();
        if (text.isEmpty()) {
            box->end(false);
            while (!box->text().isEmpty())
                QTest::keyClick(box, Qt::Key_Backspace);
        } else {
            testing::typeText(box, text);
        }
    }
    QCOMPARE(entry->Text5->text(), words);
    QCOMPARE(entry->Text5->toolTip(), words); // the tip shows what the box holds, whoever wrote it
}

void TestChequeWriting::editingKeepsTheStoredWords_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typedFils"); // added to the stored 500 fils
    QTest::addColumn<QString>("words");
    const QString dalils = QStringLiteral("فقط عشرة دنانير وخمسمائة فلس لا غير");
    QTest::newRow("the user's words, figures unchanged") << "إيجار آذار" << "" << "إيجار آذار";
    QTest::newRow("the user's words, figures changed") << "إيجار آذار" << "0" << "إيجار آذار";
    QTest::newRow("the words Dalil wrote, figures unchanged") << dalils << "" << dalils;
    QTest::newRow("the words Dalil wrote follow the figures") << dalils << "0" << "فقط عشرة دنانير وخمسة آلاف فلس لا غير";
    QTest::newRow("no words follow the figures") << "" << "0" << "فقط عشرة دنانير وخمسة آلاف فلس لا غير";
    QTest::newRow("no words, figures unchanged") << "" << "" << "";
}

void TestChequeWriting::editingKeepsTheStoredWords()
{
    QFETCH(QString, stored);
    QFETCH(QString, typedFils);
    QFETCH(QString, words);
    folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ) VALUES"
                 " ('1', '1', '2002', 'زيد', 7, 7, 'فقط سبعة دنانير وسبعة فلوس لا غير'), ('2', '2', '2002', 'سالم', 10, 500, ?)",
                 {stored});
    Form6 *list = openList();
    QTableView *view = list->DBGrid1->view();
    // The other cheque first, saved as it is, so that the window has shown a record before.
    for (int row : {0, 1}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 3)).center());
        QTest::mouseClick(list->Command5, Qt::LeftButton);
        if (row == 0)
            QTest::mouseClick(Forms::loaded<Form7>()->Command1, Qt::LeftButton);
    }
    Form7 *entry = Forms::loaded<Form7>();
    QCOMPARE(entry->Text4->text(), QStringLiteral("سالم"));
    QCOMPARE(entry->Text5->text(), stored);
    entry->Text7->setFocus();
    entry->Text7->end(false);
    testing::typeText(entry->Text7, typedFils);
    QCOMPARE(entry->Text5->text(), words);

    testing::BoxWatcher boxes(QMessageBox::Yes);
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(folder->value("SELECT المبلغ FROM Cheque WHERE السيد = 'سالم'").toString(), words);
    QCOMPARE(folder->value("SELECT المبلغ FROM Cheque WHERE السيد = 'زيد'").toString(),
             QStringLiteral("فقط سبعة دنانير وسبعة فلوس لا غير"));
}

void TestChequeWriting::wordsThatDisagreeAreQuestioned_data()
{
    QTest::addColumn<QString>("words"); // typed over the words Dalil wrote; empty: Dalil's kept
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("saved");
    const QString otherAmount = QStringLiteral("فقط عشرة دنانير لا غير");
    QTest::newRow("another amount, saved anyway") << otherAmount << QMessageBox::Yes << true << true;
    QTest::newRow("another amount, not saved") << otherAmount << QMessageBox::No << true << false;
    QTest::newRow("dinars and fils swapped, not saved") << "خمسمائة دينار وعشرة فلوس" << QMessageBox::No << true << false;
    QTest::newRow("words that are no amount are not questioned") << "إيجار شهر آذار" << QMessageBox::No << false << true;
    QTest::newRow("the same amount in other words") << "عشرة دنانير وخمسمئة فلس" << QMessageBox::No << false << true;
    QTest::newRow("the words Dalil wrote") << "" << QMessageBox::No << false << true;
}

void TestChequeWriting::wordsThatDisagreeAreQuestioned()
{
    QFETCH(QString, words);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, asked);
    QFETCH(bool, saved);
    Form6 *list = openList();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    type(entry, {"5", "3", "2002", "سالم", "10", "500", "", "إيجار"});
    QCOMPARE(entry->Text5->text(), QStringLiteral("فقط عشرة دنانير وخمسمائة فلس لا غير"));
    if (!words.isEmpty()) {
        entry->Text5->selectAll();
        testing::typeText(entry->Text5, words);
    }
    const QString shown = entry->Text5->text();

    testing::BoxWatcher boxes(answer);
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), asked ? 1 : 0);
    if (asked) {
        const testing::SeenBox box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("الرجاء التأكيد"));
        QCOMPARE(box.text, mismatchQuestion);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons.size(), 2);
        QCOMPARE(box.defaultButton, QStringLiteral("لا")); // Enter keeps the cheque from being saved
        QCOMPARE(box.direction, Qt::RightToLeft);
    }
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), saved ? 1 : 0);
    QCOMPARE(entry->isShown(), !saved);
    if (saved) {
        QCOMPARE(storedRow().value(6).toString(), shown);
    } else {
        QCOMPARE(focusIn(entry), entry->Text5);
        QCOMPARE(entry->Text5->text(), shown);
        QCOMPARE(panelText(list, 1), QStringLiteral("عدد السجلات: 0 سجل"));
    }
}

void TestChequeWriting::otherDigitsAreStoredAsLatin_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("cheque day") << "Form7" << "Text1" << "٣" << "3";
    QTest::newRow("cheque month") << "Form7" << "Text3" << "۱۲" << "12";
    QTest::newRow("cheque year") << "Form7" << "Text2" << "٢٠٠٣" << "2003";
    QTest::newRow("cheque dinars") << "Form7" << "Text8" << "۱۰5" << "105";
    QTest::newRow("cheque fils") << "Form7" << "Text7" << "٧٥٠" << "750";
    QTest::newRow("appointment day") << "Form5" << "Text4" << "٢٨" << "28";
    QTest::newRow("appointment month") << "Form5" << "Text5" << "۱۱" << "11";
    QTest::newRow("appointment year") << "Form5" << "Text6" << "٢٩٩٩" << "2999";
    QTest::newRow("search day") << "Form6" << "Text2" << "٥" << "5";
    QTest::newRow("search month") << "Form6" << "Text3" << "۳" << "3";
    QTest::newRow("search year") << "Form6" << "Text4" << "٢٠٠٢" << "2002";
}

void TestChequeWriting::otherDigitsAreStoredAsLatin()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    // Each window's boxes with what is typed in them, and the column each is stored in.
    QList<std::tuple<QString, QString, QString>> boxes; // box, text, column
    QWidget *form = nullptr;
    QPushButton *save = nullptr;
    QString table = QStringLiteral("Cheque");
    if (window == "Form7") {
        boxes = {{"Text1", "5", "اليوم"}, {"Text3", "3", "الشهر"}, {"Text2", "2003", "العام"},
                 {"Text8", "10", "دينار"}, {"Text7", "500", "فلس"}, {"Text4", "سالم", "السيد"}};
        QTest::mouseClick(openList()->Command1, Qt::LeftButton);
        form = Forms::loaded<Form7>();
        save = Forms::loaded<Form7>()->Command1;
    } else if (window == "Form5") {
        boxes = {{"Text1", "موعد", "الموعد"}, {"Text2", "الأحد", "اليوم"}, {"Text3", "9:00", "الساعة"},
                 {"Text4", "1", "التاريخ"}, {"Text5", "12", "الشهر"}, {"Text6", "2999", "العام"}};
        QTest::mouseClick(Forms::loaded<Form1>()->Command2, Qt::LeftButton);
        QTest::mouseClick(Forms::loaded<Form4>()->Command1, Qt::LeftButton);
        form = Forms::loaded<Form5>();
        save = Forms::loaded<Form5>()->Command1;
        table = QStringLiteral("Note");
    } else {
        folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES"
                     " ('5', '3', '2002', 'هاني', 1, 1), ('7', '8', '2004', 'زيد', 1, 1)");
        Form6 *list = openList();
        QListWidget *kinds = list->List1;
        QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {}, kinds->visualItemRect(kinds->item(0)).center());
        boxes = {{box, QString(), QString()}};
        form = list;
        save = list->Command2;
    }
    for (auto &[name, text, column] : boxes) {
        auto *edit = form->findChild<QLineEdit *>(name);
        edit->clear();
        testing::typeText(edit, name == box ? typed : text);
        if (name == box)
            QCOMPARE(edit->text(), stored);
    }
    testing::BoxWatcher watcher(QMessageBox::Yes);
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(watcher.boxes().isEmpty());
    if (window == "Form6") {
        const QAbstractItemModel *found = Forms::loaded<Form6>()->DBGrid1->model();
        QCOMPARE(found->rowCount(), 1);
        QCOMPARE(found->index(0, 3).data().toString(), QStringLiteral("هاني"));
        return;
    }
    for (const auto &[name, text, column] : boxes) {
        if (name == box)
            QCOMPARE(folder->value("SELECT CAST(\"" + column + "\" AS TEXT) FROM " + table).toString(), stored);
    }
}

TESTING_WINDOW_TEST_MAIN(TestChequeWriting)
#include "tst_chequewriting.moc"
