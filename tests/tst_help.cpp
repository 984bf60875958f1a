// The help viewer: opened from the menu, read afresh each time, closed by its button or its
// frame, and a missing help file said so in the box.
#include "testsupport.h"

#include "data/database.h"
#include "shell/form1.h"
#include "shell/form8.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
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

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        QVERIFY(testing::startProgram(*folder));
    }
    void cleanup()
    {
        testing::stopProgram();
        folder.reset();
    }

    void opensFromTheMenuAndReadsAfresh();
    void backShowsTheStartWindow();
    void closingByTheFrameLeavesTheStartWindowHidden();
    void aMissingFileIsSaidInTheBox();
    void theShippedHelpFileReads();

private:
    Form8 *openHelpFromMenu()
    {
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("help"))->trigger();
        return Forms::loaded<Form8>();
    }
    std::unique_ptr<testing::AppFolder> folder;
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
    QTest::qWait(1);
    QVERIFY(!Forms::loaded<Form8>());
    Form1 *start = Forms::loaded<Form1>();
    QVERIFY(start->isShown());
    QVERIFY(start->parentWidget()->isMaximized());
}

void TestHelp::closingByTheFrameLeavesTheStartWindowHidden()
{
    writeHelp(folder->path(), helpV1);
    Form8 *help = openHelpFromMenu();
    help->parentWidget()->close();
    QTest::qWait(1);
    QVERIFY(!Forms::loaded<Form8>());
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
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
