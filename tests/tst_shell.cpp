// The frame and the start window: start-up, menus, the exit question, closing the frame,
// and the begin-new-record routine shared by every add command.
#include "testsupport.h"

#include "common/application.h"
#include "common/datacontrol.h"
#include "common/form.h"
#include "common/menustyle.h"
#include "common/records.h"
#include "common/textbox.h"
#include "data/text/dates.h"
#include "appointments/form5.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFontInfo>
#include <QTableView>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

using namespace dalil;

// An entry window as the books have them: a record source on Phone and a bound box.
class EntryWindow : public Form
{
    Q_OBJECT
public:
    EntryWindow()
        : Form(designName(), 11880, 8595)
    {
        Data1 = new DataControl(QStringLiteral("Data1"), this);
        Text1 = new BoundTextBox(QStringLiteral("Text1"), this);
        Text1->setDataSource(Data1);
        Text1->setDataField(QStringLiteral("الإسم"));
    }
    static QString designName() { return QStringLiteral("EntryWindow"); }
    static QString addCaption() { return QStringLiteral("إضافة"); }
    DataControl *Data1;
    BoundTextBox *Text1;

protected:
    void Form_Load() override
    {
        Data1->setDatabaseName(databasePath());
        Data1->setRecordSource(QStringLiteral("Phone"));
    }
};

class TestShell : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void startsIntoTheFrameWithTheStartWindow();
    void menusCarryTheirCaptionsAndNoShortcuts();
    void exitAnsweredNoChangesNothing();
    void exitAnsweredYesEnds();
    void closingTheFrameEndsWithoutAQuestion();
    void closingTheStartWindowEnds();
    void booksOpenOneAfterAnother();
    void beginNewRecordOnAnEmptyTable();
    void beginNewRecordAfterExistingRecords();
    void noCaptionIsCutAtTheDesignSize();
    void menuWordsStayWholeAndKeysShowWithAlt();
    void arabicWhateverTheSystemLocale();
    void theKeyboardAloneReachesEveryAction();
};

void TestShell::startsIntoTheFrameWithTheStartWindow()
{
    MDIForm1 *frame = MDIForm1::instance();
    QCOMPARE(frame->objectName(), QStringLiteral("MDIForm1"));
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    QVERIFY(frame->windowTitle().startsWith(QStringLiteral("برنامج الدليل الشخصي")));

    auto *form1 = frame->findChild<Form1 *>(QStringLiteral("Form1"));
    QVERIFY(form1);
    QVERIFY(form1->isShown());
    QVERIFY(form1->parentWidget()->isMaximized());
    QCOMPARE(form1->windowTitle(), QStringLiteral("برنامج الدليل الشخصي"));
    QCOMPARE(form1->Label1->text(), QStringLiteral("برنامج الدليل الشخصي"));
    QCOMPARE(form1->Label1->font().family(), QStringLiteral("Monotype Koufi"));
    QVERIFY(form1->Label1->font().bold());

    const QStringList captions{"دليل الهاتف", "مذكرة المواعيد", "دفتر الشيكات"};
    const QList<QToolButton *> buttons{form1->Command1, form1->Command2, form1->Command3};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(buttons[i]->objectName(), QStringLiteral("Command%1").arg(i + 1));
        QCOMPARE(buttons[i]->text(), captions[i]);
        QCOMPARE(buttons[i]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(buttons[i]->isVisible());
    }
    // The phone book reads first: right of the appointment book, the cheque book below.
    QVERIFY(form1->Command1->x() > form1->Command2->x());
    QVERIFY(form1->Command3->y() > form1->Command1->y());
    // Where the design puts it, against the right edge of a wider window: 121 by 105 pixels,
    // 179 from the top and 270 from the right edge.
    const QRect phone = form1->Command1->geometry();
    QCOMPARE(phone.size(), QSize(121, 105));
    QCOMPARE(phone.top(), 179);
    QCOMPARE(form1->width() - (phone.right() + 1), 270);
    QCOMPARE(form1->Command1->nextInFocusChain(), form1->Command2);
}

void TestShell::menusCarryTheirCaptionsAndNoShortcuts()
{
    MDIForm1 *frame = MDIForm1::instance();
    const QList<std::pair<QString, QString>> items{
        {"phone", "&دليل الهاتف"}, {"note", "م&ذكرة المواعيد"}, {"check", "د&فتر الشيكات"},
        {"help", "م&ساعدة"}, {"exit", "خ&روج"}, {"addphone", "إضافة سجل &هاتف"},
        {"addnote", "إضافة مو&عد"}, {"addcheck", "إضافة &شيك"}, {"print", "&طباعة"},
        {"layouts", "إعداد الشيكات"}, {"hijri", "التقويم الهجري"},
        {"deleted", "المحذوفات"}, {"backup", "نسخة احتياطية..."}, {"restore", "استعادة نسخة..."}};
    for (const auto &[name, caption] : items) {
        auto *action = frame->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->text(), caption);
        QVERIFY(action->shortcut().isEmpty());
    }
    auto *file = frame->findChild<QMenu *>(QStringLiteral("file"));
    auto *options = frame->findChild<QMenu *>(QStringLiteral("options"));
    QCOMPARE(file->title(), QStringLiteral("&ملف"));
    QCOMPARE(options->title(), QStringLiteral("&خيارات"));
    QCOMPARE(frame->menuBar()->actions(), (QList<QAction *>{file->menuAction(), options->menuAction()}));
    QVERIFY(frame->findChild<QAction *>(QStringLiteral("border"))->isSeparator());
    QCOMPARE(file->actions().indexOf(frame->findChild<QAction *>(QStringLiteral("border"))), 3);
}

void TestShell::exitAnsweredNoChangesNothing()
{
    testing::BoxWatcher boxes(QMessageBox::No);
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("exit"))->trigger();
    QCOMPARE(boxes.boxes().size(), 1);
    const auto box = boxes.boxes().first();
    QCOMPARE(box.text, QStringLiteral("هل تريد الخروج من البرنامج؟"));
    QCOMPARE(box.title, QStringLiteral("الرجاء التأكيد"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.direction, Qt::RightToLeft);
    QCOMPARE(box.buttons.size(), 2);
    QVERIFY(isRunning());
    QVERIFY(Forms::find(QStringLiteral("Form1"))->isShown());
}

void TestShell::exitAnsweredYesEnds()
{
    // An unsaved new record in an open entry window is not stored by the exit.
    auto *entry = BeginNewRecord<EntryWindow>();
    testing::typeText(entry->Text1, QStringLiteral("unsaved"));
    testing::BoxWatcher boxes(QMessageBox::Yes);
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("exit"))->trigger();
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(!isRunning());
    testing::runQueuedWork();
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);
}

void TestShell::closingTheFrameEndsWithoutAQuestion()
{
    testing::BoxWatcher boxes;
    QPointer<MDIForm1> frame = MDIForm1::instance();
    frame->close();
    QTRY_VERIFY(frame.isNull());
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!isRunning());
}

void TestShell::closingTheStartWindowEnds()
{
    testing::BoxWatcher boxes;
    Forms::find(QStringLiteral("Form1"))->parentWidget()->close();
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!isRunning());
}

void TestShell::booksOpenOneAfterAnother()
{
    // Each book from the start window and back, then each from the menu while another shows:
    // the chosen list is on screen, filling the frame, every time.
    const QStringList lists{"Form2", "Form4", "Form6"};
    const QStringList backs{"Command4", "Command3", "Command4"};
    for (int round = 0; round < 2; ++round) {
        for (int book = 0; book < 3; ++book) {
            Form1 *start = Forms::loaded<Form1>();
            QToolButton *buttons[] = {start->Command1, start->Command2, start->Command3};
            QTest::mouseClick(buttons[book], Qt::LeftButton);
            QPointer<Form> list = Forms::find(lists[book]); // the close box unloads it
            QVERIFY(list && list->isShown());
            QTRY_VERIFY(list->parentWidget()->isMaximized());
            QVERIFY(!start->isShown());
            // Back the first time, by the window's close box the second: the same end.
            if (round == 0)
                QTest::mouseClick(list->findChild<QAbstractButton *>(backs[book]), Qt::LeftButton);
            else
                list->parentWidget()->close();
            testing::runQueuedWork();
            QVERIFY(!list || !list->isShown());
            QVERIFY(start->isShown());
        }
    }
    const QStringList items{"phone", "note", "check"};
    for (int book = 0; book < 3; ++book) {
        MDIForm1::instance()->findChild<QAction *>(items[book])->trigger();
        QVERIFY(Forms::find(lists[book])->isShown());
        QTRY_VERIFY(Forms::find(lists[book])->parentWidget()->isMaximized());
    }
    // The lists opened before stay loaded, hidden behind the last one chosen.
    QVERIFY(Forms::find(lists[0]) && Forms::find(lists[1]));
    QVERIFY(!Forms::loaded<Form1>()->isShown());
    // Closed by their close boxes, the last one first: the frame never stands empty.
    for (int book = 2; book >= 0; --book) {
        Forms::find(lists[book])->parentWidget()->close();
        testing::runQueuedWork();
        QCOMPARE(Forms::loaded<Form1>()->isShown(), book == 0);
    }
}

void TestShell::beginNewRecordOnAnEmptyTable()
{
    auto *entry = BeginNewRecord<EntryWindow>();
    QVERIFY(entry->isShown());
    QVERIFY(!entry->Data1->Visible());
    QVERIFY(!entry->Data1->isVisible());
    QCOMPARE(entry->Data1->Recordset()->pendingState(), RecordSource::Pending::NewUnchanged);
    // The start window stays as it was behind it.
    QVERIFY(Forms::find(QStringLiteral("Form1"))->parentWidget()->isVisible());
    testing::typeText(entry->Text1, QStringLiteral("أول سجل"));
    QVERIFY(entry->Data1->Refresh());
    QCOMPARE(folder->value("SELECT الإسم FROM Phone").toString(), QStringLiteral("أول سجل"));
}

void TestShell::beginNewRecordAfterExistingRecords()
{
    folder->exec("INSERT INTO Phone (الإسم) VALUES ('a'), ('b')");
    auto *entry = BeginNewRecord<EntryWindow>();
    QCOMPARE(entry->Text1->text(), QString());
    // The same window comes back on the next add: one instance, its navigation bar still hidden.
    QCOMPARE(BeginNewRecord<EntryWindow>(), entry);
    QVERIFY(!entry->Data1->Visible());
    entry->Unload();
    QTRY_VERIFY(!Forms::find(QStringLiteral("EntryWindow")));
    auto *fresh = Forms::Load<EntryWindow>();
    QVERIFY(fresh->Data1->Visible()); // created afresh from its design
    QCOMPARE(fresh->Text1->text(), QStringLiteral("a"));
}

TESTING_WINDOW_TEST_MAIN(TestShell)
// Every caption of every window, the entry windows' navigation bars and the cheque search's
// headings included, fits whole in its control at the design size.
void TestShell::noCaptionIsCutAtTheDesignSize()
{
    testing::BoxWatcher boxes;
    for (const char *item : {"phone", "addphone", "note", "addnote", "check", "addcheck", "help"})
        MDIForm1::instance()->findChild<QAction *>(item)->trigger();
    // The cheque list's date and name headings are shown by the search kinds.
    auto *kinds = Forms::find("Form6")->findChild<QListWidget *>("List1");
    // The entry windows' navigation bars, as an edit shows them.
    for (const char *entry : {"Form3", "Form5", "Form7"})
        Forms::find(entry)->findChild<DataControl *>("Data1")->setVisible(true);
    QStringList cut;
    for (int kind : {0, 1}) {
        kinds->setCurrentRow(kind);
        for (Form *form : Forms::all()) {
            QCoreApplication::processEvents();
            for (QLabel *label : form->findChildren<QLabel *>()) {
                if (label->text().isEmpty() || label->wordWrap() || !label->isVisibleTo(form)
                    || label->textFormat() == Qt::RichText)
                    continue;
                const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
                const int room = label->contentsRect().width() - 2 * label->margin();
                if (needed > room)
                    cut << QStringLiteral("%1.%2 \"%3\" needs %4 px, has %5")
                               .arg(form->objectName(), label->objectName(), label->text())
                               .arg(needed)
                               .arg(room);
            }
            for (QAbstractButton *button : form->findChildren<QAbstractButton *>()) {
                if (button->text().isEmpty() || !button->isVisibleTo(form) || qobject_cast<QToolButton *>(button))
                    continue;
                const int needed = QFontMetrics(button->font()).horizontalAdvance(button->text());
                if (needed > button->width() - 4)
                    cut << QStringLiteral("%1.%2 \"%3\"").arg(form->objectName(), button->objectName(), button->text());
            }
        }
    }
    cut.removeDuplicates();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
}

// An access key's underline split the Arabic word it stood in ("م ذكرة"): the menus draw their
// words whole, with no underline until Alt is held, and then one under the key's letter only.
void TestShell::menuWordsStayWholeAndKeysShowWithAlt()
{
    QMenuBar *bar = MDIForm1::instance()->menuBar();
    QCOMPARE(bar->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, bar), 0);
    QVERIFY(!MenuStyle::underlinesShown());

    const auto render = [&](const QString &text) {
        QStyleOptionMenuItem option;
        option.initFrom(bar);
        option.rect = QRect(0, 0, 120, 24);
        option.text = text;
        option.font = bar->font();
        option.menuItemType = QStyleOptionMenuItem::Normal;
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        bar->style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, bar);
        return image;
    };
    // Without Alt the item with its key mark looks exactly like the word written plainly.
    QCOMPARE(render(QStringLiteral("م&ذكرة")), render(QStringLiteral("مذكرة")));

    QTest::keyPress(bar, Qt::Key_Alt, Qt::AltModifier);
    QVERIFY(MenuStyle::underlinesShown());
    const QImage marked = render(QStringLiteral("م&ذكرة"));
    const QImage plain = render(QStringLiteral("مذكرة"));
    QVERIFY(marked != plain);
    // What differs is one short line under the word, the word itself drawn as before.
    int differing = 0, top = marked.height(), bottom = -1;
    for (int y = 0; y < marked.height(); ++y) {
        for (int x = 0; x < marked.width(); ++x) {
            if (marked.pixel(x, y) != plain.pixel(x, y)) {
                ++differing;
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    QVERIFY2(bottom - top <= 1, qPrintable(QStringLiteral("rows %1 to %2").arg(top).arg(bottom)));
    QVERIFY(differing > 0 && differing < 30);
    QTest::keyRelease(bar, Qt::Key_Alt, Qt::NoModifier);
    QVERIFY(!MenuStyle::underlinesShown());
}

// Tests run under LC_ALL=C.UTF-8: what the program shows is Arabic all the same, in the faces
// the set-up installs, with the digits 0-9 of the boxes.
void TestShell::arabicWhateverTheSystemLocale()
{
    QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Noto Sans Arabic UI"));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("Tahoma"))).family(), QStringLiteral("Noto Sans Arabic UI"));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family(), QStringLiteral("Noto Sans Arabic UI"));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("Monotype Koufi"))).family(), QStringLiteral("Noto Kufi Arabic"));

    QCOMPARE(Dates::dateText(QDate(2026, 12, 7)), QStringLiteral("7\u200F/12\u200F/2026"));
    QCOMPARE(Dates::timeText(QTime(15, 4, 5)), QStringLiteral("3:04:05 م"));
    // Qt's own texts: a text box's context menu.
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Undo"), QStringLiteral("&تراجع"));

    MDIForm1::instance()->findChild<QAction *>("addnote")->trigger();
    auto *calendar = Forms::find("Form5")->findChild<QCalendarWidget *>("MonthView1");
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Saturday);
    // The weekend, Friday and Saturday, in red; the five workdays not.
    for (Qt::DayOfWeek day : {Qt::Friday, Qt::Saturday})
        QCOMPARE(calendar->weekdayTextFormat(day).foreground().color(), QColor(Qt::red));
    for (Qt::DayOfWeek day : {Qt::Sunday, Qt::Monday, Qt::Tuesday, Qt::Wednesday, Qt::Thursday})
        QVERIFY2(calendar->weekdayTextFormat(day).foreground().color() != QColor(Qt::red), qPrintable(QString::number(day)));
    QCOMPARE(calendar->locale().toString(11), QStringLiteral("11"));

    // While help fills the frame, the frame is titled by the viewer's menu name.
    MDIForm1::instance()->findChild<QAction *>("help")->trigger();
    QVERIFY(MDIForm1::instance()->windowTitle().contains(QStringLiteral("مساعدة")));
    QVERIFY(!MDIForm1::instance()->windowTitle().contains(QStringLiteral("Form8")));
}

// Enter presses the focused button, and on the calendar's highlighted day does what a click does.
void TestShell::theKeyboardAloneReachesEveryAction()
{
    auto *start = Forms::loaded<Form1>();
    start->Command1->setFocus();
    QTest::keyClick(start->Command1, Qt::Key_Return);
    QVERIFY(Forms::find("Form2") && Forms::find("Form2")->isShown());

    MDIForm1::instance()->findChild<QAction *>("addnote")->trigger();
    Form *entry = Forms::find("Form5");
    auto *calendar = entry->findChild<QCalendarWidget *>("MonthView1");
    auto *days = calendar->findChild<QTableView *>();
    days->setFocus();
    QTest::keyClick(days, Qt::Key_Right); // a day to the left in a right-to-left week: the next day
    const QDate highlighted = calendar->selectedDate();
    QTest::keyClick(days, Qt::Key_Return);
    QCOMPARE(entry->findChild<TextBox *>("Text4")->text(), QString::number(highlighted.day()));
    QCOMPARE(entry->findChild<TextBox *>("Text6")->text(), QString::number(highlighted.year()));
}

#include "tst_shell.moc"
