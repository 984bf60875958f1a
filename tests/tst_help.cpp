// The help viewer: opened from the menu, read afresh each time, closed by its button or its
// frame, and a missing help file said so in the box.
#include "testsupport.h"

#include "data/store/database.h"
#include "shell/form1.h"
#include "shell/form8.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextBlock>

using namespace dalil;

namespace {

void writeHelp(const QString &folder, const QByteArray &rtf)
{
    QFile file(folder + QStringLiteral("/Help File.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(rtf);
}

// "مساعدة" in code page 1256, the way a word processor writes it.
const QByteArray helpV1 = "{\\rtf1\\ansi\\ansicpg1256{\\fonttbl{\\f0\\fcharset178 Arial;}}"
                          "\\rtlpar\\qr\\f0 \\'e3\\'d3\\'c7\\'da\\'cf\\'c9\\par}";
const QByteArray helpV2 = "{\\rtf1\\ansi second version\\par}";

} // namespace

class TestHelp : public testing::ProgramFixture
{
    Q_OBJECT

private slots:
    void opensFromTheMenuAndReadsAfresh();
    void backShowsTheStartWindow();
    void closingByTheFrameLeavesTheStartWindowHidden();
    void aMissingFileIsSaidInTheBox();
    void theShippedHelpFileReads();
    void theTextFillsTheWindow();
    void ctrlFFindsArabicText();

private:
    Form8 *openHelpFromMenu()
    {
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("help"))->trigger();
        return Forms::loaded<Form8>();
    }
};

void TestHelp::opensFromTheMenuAndReadsAfresh()
{
    writeHelp(folder->path(), helpV1);
    Form8 *help = openHelpFromMenu();
    QVERIFY(help && help->isShown());
    QCOMPARE(help->windowTitle(), QStringLiteral("Form8"));
    QCOMPARE(help->Command1->text(), QStringLiteral("رجوع إلى الشاشة الرئيسية"));
    QVERIFY(!Forms::loaded<Form1>()->isShown());
    QCOMPARE(help->RichTextBox1->toPlainText(), QStringLiteral("مساعدة"));
    QCOMPARE(help->RichTextBox1->FileName(), folder->path() + QStringLiteral("/Help File.rtf"));
    const QTextBlockFormat block = help->RichTextBox1->document()->begin().blockFormat();
    QCOMPARE(block.layoutDirection(), Qt::RightToLeft);

    // The second opening reads the file again, in the same window.
    writeHelp(folder->path(), helpV2);
    QCOMPARE(openHelpFromMenu(), help);
    QCOMPARE(help->RichTextBox1->toPlainText(), QStringLiteral("second version"));
}

void TestHelp::backShowsTheStartWindow()
{
    writeHelp(folder->path(), helpV1);
    Form8 *help = openHelpFromMenu();
    QTest::mouseClick(help->Command1, Qt::LeftButton);
    QTRY_VERIFY(!Forms::loaded<Form8>());
    Form1 *start = Forms::loaded<Form1>();
    QVERIFY(start->isShown());
    QVERIFY(start->parentWidget()->isMaximized());
}

void TestHelp::closingByTheFrameLeavesTheStartWindowHidden()
{
    writeHelp(folder->path(), helpV1);
    Form8 *help = openHelpFromMenu();
    help->parentWidget()->close();
    QTRY_VERIFY(!Forms::loaded<Form8>());
    QVERIFY(!Forms::loaded<Form1>()->isShown());
    QVERIFY(isRunning());
    // The menus still work: help opens again, afresh.
    Form8 *again = openHelpFromMenu();
    QVERIFY(again && again->isShown());
    QCOMPARE(again->RichTextBox1->toPlainText(), QStringLiteral("مساعدة"));
}

void TestHelp::aMissingFileIsSaidInTheBox()
{
    testing::BoxWatcher boxes;
    Form8 *help = openHelpFromMenu();
    QVERIFY(help->isShown());
    const QString text = help->RichTextBox1->toPlainText();
    QVERIFY(text.contains(QStringLiteral("تعذر فتح ملف المساعدة")));
    QVERIFY(text.contains(folder->path() + QStringLiteral("/Help File.rtf")));
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(isRunning());

    // A folder standing where the file should be is no better, and no worse.
    QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("Help File.rtf")));
    QTest::mouseClick(help->Command1, Qt::LeftButton);
    help = openHelpFromMenu();
    QVERIFY(help->RichTextBox1->toPlainText().contains(QStringLiteral("تعذر فتح ملف المساعدة")));
}

void TestHelp::theShippedHelpFileReads()
{
    QFile shipped(QFINDTESTDATA("../resources/Help File.rtf"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    writeHelp(folder->path(), shipped.readAll());
    Form8 *help = openHelpFromMenu();
    const QString text = help->RichTextBox1->toPlainText();
    for (const char *words : {"دليل الهاتف", "مذكرة المواعيد", "دفتر الشيكات", "الرجاء إدخال قيمة المبلغ"})
        QVERIFY2(text.contains(QString::fromUtf8(words)), words);
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    // Its faces (Simplified Arabic, Arial, Traditional Arabic) are not on this computer: the
    // text shows in the interface's Arabic face, as the windows do.
    const QFontInfo interfaceFace(help->font());
    QTextCursor first(help->RichTextBox1->document());
    first.movePosition(QTextCursor::NextCharacter);
    QCOMPARE(QFontInfo(first.charFormat().font()).family(), interfaceFace.family());
}

void TestHelp::theTextFillsTheWindow()
{
    writeHelp(folder->path(), helpV1);
    Form8 *help = openHelpFromMenu();
    QWidget *frame = MDIForm1::instance();
    for (const QSize size : {QSize(800, 600), QSize(1280, 960), QSize(1600, 1000)}) {
        frame->resize(size);
        // The window follows the frame, and its text follows the window.
        QTRY_VERIFY2(help->width() >= size.width() * 9 / 10, qPrintable(QString::number(help->width())));
        QTRY_VERIFY(help->RichTextBox1->width() >= help->width() * 8 / 10);
        const QRect text = help->RichTextBox1->geometry();
        const QRect back = help->Command1->geometry();
        // Most of the window's width and height, the back button below it and inside the window.
        QVERIFY2(text.width() >= help->width() * 8 / 10, qPrintable(QString::number(text.width())));
        QVERIFY2(text.height() >= (help->height() - back.height()) * 7 / 10, qPrintable(QString::number(text.height())));
        QVERIFY(back.top() > text.bottom());
        QVERIFY(help->rect().contains(back));
        QVERIFY(help->rect().contains(text));
        QCOMPARE(back.size(), QSize(145, 33));
        QCOMPARE(help->Command1->text(), QStringLiteral("رجوع إلى الشاشة الرئيسية"));
    }
}

void TestHelp::ctrlFFindsArabicText()
{
    // "مساعدة" three times, in two paragraphs.
    writeHelp(folder->path(), "{\\rtf1\\ansi\\ansicpg1256{\\fonttbl{\\f0\\fcharset178 Arial;}}"
                              "\\rtlpar\\qr\\f0 \\'e3\\'d3\\'c7\\'da\\'cf\\'c9 x \\'e3\\'d3\\'c7\\'da\\'cf\\'c9\\par "
                              "y \\'e3\\'d3\\'c7\\'da\\'cf\\'c9\\par}");
    Form8 *help = openHelpFromMenu();
    const QString text = help->RichTextBox1->toPlainText();
    const QString word = QStringLiteral("ساعد");
    QCOMPARE(text.count(word), 3);
    QApplication::setActiveWindow(help->window());
    QVERIFY(QTest::qWaitForWindowActive(help->window()));
    help->RichTextBox1->setFocus();

    QTest::keyClick(help->RichTextBox1, Qt::Key_F, Qt::ControlModifier);
    QLineEdit *find = help->findBox();
    QTRY_VERIFY(find->isVisible());
    QTRY_VERIFY(find->hasFocus());
    testing::typeText(find, word);
    QCOMPARE(find->text(), word);

    // Each Enter selects the next match, in reading order, and after the last the first again.
    QList<int> found;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(find, Qt::Key_Return);
        const QTextCursor match = help->RichTextBox1->textCursor();
        QCOMPARE(match.selectedText(), word);
        QCOMPARE(help->RichTextBox1->extraSelections().size(), 1);
        QCOMPARE(help->RichTextBox1->extraSelections().first().cursor.selectedText(), word);
        found << match.selectionStart();
    }
    QList<int> expected;
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1))
        expected << int(at);
    expected << expected.first();
    QCOMPARE(found, expected);

    // Shift+Enter goes back; Esc closes the bar and returns to the text.
    QTest::keyClick(find, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(help->RichTextBox1->textCursor().selectionStart(), expected.at(2));
    QTest::keyClick(find, Qt::Key_Escape);
    QTRY_VERIFY(!find->isVisible());
    QVERIFY(help->RichTextBox1->extraSelections().isEmpty());

    // A word that is not there selects nothing new.
    QTest::keyClick(help->RichTextBox1, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(find->isVisible());
    find->setText(QStringLiteral("غير موجود"));
    QVERIFY(!help->findNext());
    QVERIFY(help->RichTextBox1->extraSelections().isEmpty());
}

TESTING_WINDOW_TEST_MAIN(TestHelp)
#include "tst_help.moc"
