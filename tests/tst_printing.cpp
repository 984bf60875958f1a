// Printing: a cheque lands on its leaf where its layout says, the layouts window changes what
// the next cheque prints with, and every list prints as a report of what its grid lists.
// The prints go to PDF files, read back with poppler's pdftotext and pdfinfo.
#include "testsupport.h"

#include "appointments/form4.h"
#include "chequebook/chequeprint.h"
#include "chequebook/form6.h"
#include "chequebook/form7.h"
#include "chequebook/form9.h"
#include "common/application.h"
#include "common/dbgrid.h"
#include "common/printing.h"
#include "common/report.h"
#include "common/textbox.h"
#include "data/store/chequelayouts.h"
#include "data/store/database.h"
#include "data/store/upgrade.h"
#include "data/text/amountwords.h"
#include "data/text/dates.h"
#include "phonebook/form2.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QInputDialog>
#include <QPicture>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

using namespace dalil;

namespace {

constexpr double pointsPerMm = 72 / 25.4;
constexpr double tolerance = 0.5; // mm

// Text as pdftotext gives it back, and as typed, made comparable: the presentation forms of
// the shaped letters folded to the letters, the direction marks dropped.
QString comparable(const QString &text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC);
    static const QRegularExpression marks(QStringLiteral("[\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]"));
    folded.remove(marks);
    // Quotation marks are mirrored in a right-to-left line: the glyph drawn is the other one.
    folded.replace(QChar(0xBB), QChar(0xAB));
    return folded.simplified();
}

struct Word
{
    QRectF mm; // on the page, in millimetres from the top left corner
    QString text;
};

struct Page
{
    QSizeF mm;
    QList<Word> words;
};

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<Page> readPdf(const QString &path)
{
    const QString xhtml = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<Page> pages;
    static const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (const QString &line : xhtml.split(u'\n')) {
        if (const auto m = page.match(line); m.hasMatch()) {
            pages << Page{{m.captured(1).toDouble() / pointsPerMm, m.captured(2).toDouble() / pointsPerMm}, {}};
        } else if (const auto w = word.match(line); w.hasMatch() && !pages.isEmpty()) {
            const double x0 = w.captured(1).toDouble(), y0 = w.captured(2).toDouble();
            const double x1 = w.captured(3).toDouble(), y1 = w.captured(4).toDouble();
            QString text = w.captured(5);
            text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
                .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                .replace(QStringLiteral("&quot;"), QStringLiteral("\""));
            pages.last().words << Word{QRectF(QPointF(x0, y0) / pointsPerMm, QPointF(x1, y1) / pointsPerMm), text};
        }
    }
    return pages;
}

// The words whose centres lie in the box, read from the right.
QList<Word> wordsIn(const Page &page, const QRectF &box)
{
    QList<Word> inside;
    for (const Word &word : page.words) {
        if (box.contains(word.mm.center()))
            inside << word;
    }
    std::sort(inside.begin(), inside.end(), [](const Word &a, const Word &b) {
        if (qAbs(a.mm.top() - b.mm.top()) > 1)
            return a.mm.top() < b.mm.top();
        return a.mm.right() > b.mm.right();
    });
    return inside;
}

// Glyphs and words read from the right, line by line, as an Arabic reader reads them; a run of
// figures comes out of pdftotext as one word and keeps its own order. Blanks are not compared.
QString reading(QList<Word> words, bool spaced = false)
{
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) {
        if (qAbs(a.mm.top() - b.mm.top()) > 1)
            return a.mm.top() < b.mm.top();
        return a.mm.right() > b.mm.right();
    });
    QString text;
    for (const Word &word : words)
        text += comparable(word.text) + (spaced ? QStringLiteral(" ") : QString());
    return spaced ? text : text.remove(u' ');
}

// The marks (shadda, tanween...) sit over their letters, drawn as glyphs of their own whose
// boxes need not follow the letters' order: the letters are compared in order, the marks as a set.
QString letters(const QString &text)
{
    QString kept;
    for (const QChar c : text) {
        if (c.category() != QChar::Mark_NonSpacing)
            kept += c;
    }
    return kept;
}

QString marks(const QString &text)
{
    QString kept;
    for (const QChar c : text) {
        if (c.category() == QChar::Mark_NonSpacing)
            kept += c;
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

QString unspaced(const QString &text)
{
    return comparable(text).remove(u' ');
}

// The lines of a page, each read from the right.
QStringList lines(const Page &page, bool spaced = false)
{
    QList<QList<Word>> grouped;
    QList<Word> words = page.words;
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) { return a.mm.top() < b.mm.top(); });
    for (const Word &word : words) {
        if (grouped.isEmpty() || qAbs(grouped.last().first().mm.top() - word.mm.top()) > 1)
            grouped << QList<Word>();
        grouped.last() << word;
    }
    QStringList texts;
    for (const QList<Word> &line : grouped)
        texts << reading(line, spaced);
    return texts;
}

bool fontsEmbedded(const QString &path)
{
    const QStringList rows = run(QStringLiteral("pdffonts"), {path}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    if (rows.isEmpty())
        return false;
    for (const QString &row : rows) {
        // name type encoding emb sub uni object ID: "emb" is the fourth column from the right.
        const QStringList columns = row.split(u' ', Qt::SkipEmptyParts);
        if (columns.size() < 7 || columns.at(columns.size() - 5) != u"yes")
            return false;
    }
    return true;
}

// Answers the next input dialog with the text, as the user types it and presses OK.
void answerInputDialog(const QString &text)
{
    QTimer::singleShot(0, [text] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QInputDialog *>(widget); dialog && dialog->isVisible()) {
                dialog->setTextValue(text);
                dialog->accept();
                return;
            }
        }
        answerInputDialog(text);
    });
}

// Types a value into a spin box and presses Enter, as the user does.
void enter(QDoubleSpinBox *spin, double value)
{
    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, QString::number(value));
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(spin->value(), value);
}

struct Cheque
{
    QString day, month, year, payee, dinars, fils;
};

// Where an item's box lies on the leaf, in millimetres from its top left corner: measured from
// the top right corner, every item moved by the offset (x to the left, y down).
QRectF expectedBox(const ChequeLayout &layout, ChequeItem item)
{
    const ChequeItemPlace &p = layout.place(item);
    const double right = layout.leafWidth - p.fromRight - layout.offsetX;
    return QRectF(right - p.width, p.fromTop + layout.offsetY, p.width, p.height);
}

ChequeTexts expectedTexts(const Cheque &c)
{
    ChequeTexts texts;
    texts[size_t(ChequeItem::Day)] = c.day;
    texts[size_t(ChequeItem::Month)] = c.month;
    texts[size_t(ChequeItem::Year)] = c.year;
    texts[size_t(ChequeItem::Payee)] = c.payee;
    texts[size_t(ChequeItem::Words)] = amountInWords(c.dinars.toLongLong(), c.fils.toLongLong());
    texts[size_t(ChequeItem::Figures)] = amountInFigures(c.dinars, c.fils);
    return texts;
}

ChequeLayout movedLayout()
{
    ChequeLayout layout = ChequeLayout::standard();
    layout.name = QStringLiteral("بنك الإسكان");
    layout.leafWidth = 190;
    layout.leafHeight = 85;
    layout.offsetX = 3.5;
    layout.offsetY = -1.5;
    layout.place(ChequeItem::Day) = {15, 8, 9, 8, 10};
    layout.place(ChequeItem::Month) = {26, 8, 9, 8, 10};
    layout.place(ChequeItem::Year) = {37, 8, 15, 8, 10};
    layout.place(ChequeItem::Payee) = {35, 33, 100, 9, 14};
    layout.place(ChequeItem::Words) = {20, 45, 150, 16, 10};
    layout.place(ChequeItem::Figures) = {140, 20, 45, 10, 13};
    return layout;
}

} // namespace

Q_DECLARE_METATYPE(Cheque)
Q_DECLARE_METATYPE(ChequeLayout)

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Read-only files mean nothing to root.
        QVERIFY(testing::runAsOrdinaryUser());
    }
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        pdf = folder->path() + QStringLiteral("/print.pdf");
        setPrintTarget(pdf);
        QVERIFY(testing::startProgram(*folder));
        QApplication::setActiveWindow(MDIForm1::instance());
    }
    void cleanup()
    {
        testing::stopProgram();
        setPrintTarget(QString());
        folder.reset();
    }

    void chequeLandsWhereItsLayoutSays_data();
    void chequeLandsWhereItsLayoutSays();
    void printsThroughThePreview();
    void printedFromThePreviewKeepsTheLeaf_data();
    void printedFromThePreviewKeepsTheLeaf();
    void tooLongShrinksThenIsCutVisibly();
    void refusedChequeIsNotPrinted();
    void layoutChangedInTheWindowIsWhatPrints();
    void calibrationShowsTheBoxesOnAGrid();
    void anOlderFileGainsTheShippedLayout();
    void aReadOnlyFileKeepsTheLayoutForTheRun();
    void everyListPrintsAsAReport_data();
    void everyListPrintsAsAReport();
    void chequeReportEndsWithItsTotals();
    void cancelledReportLeavesNoFile();
    void aLongReportIsPreviewedByItsEnds();
    void thePreviewShowsALineAsThePaperDoes_data();
    void thePreviewShowsALineAsThePaperDoes();

private:
    // Prints the list in front through the preview, as the user does: the preview comes up
    // (its pages counted), its print button, the PDF file named in the print window. Returns
    // the number of pages the preview showed.
    int printThroughThePreview()
    {
        QFile::remove(pdf);
        setPrintTarget(QString());
        testing::ExpectBoxes windows;
        int previewed = -1;
        QTimer answering;
        answering.setInterval(0);
        connect(&answering, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *print = qobject_cast<QPrintDialog *>(modal)) {
                print->findChild<QLineEdit *>(QStringLiteral("filename"))->setText(pdf);
                print->accept();
            } else if (auto *preview = qobject_cast<QPrintPreviewDialog *>(modal); preview && previewed < 0) {
                previewed = preview->findChild<QPrintPreviewWidget *>()->pageCount();
                QMetaObject::invokeMethod(preview, "_q_print", Qt::QueuedConnection);
            }
        });
        answering.start();
        printFromMenu();
        setPrintTarget(pdf);
        return previewed;
    }

    Form7 *writeFromMenu()
    {
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addcheck"))->trigger();
        return Forms::loaded<Form7>();
    }
    Form9 *openLayouts()
    {
        MDIForm1::instance()->findChild<QAction *>(QStringLiteral("layouts"))->trigger();
        return Forms::loaded<Form9>();
    }
    void printFromMenu()
    {
        QAction *print = MDIForm1::instance()->findChild<QAction *>(QStringLiteral("print"));
        emit MDIForm1::instance()->file->aboutToShow();
        QVERIFY(print->isEnabled());
        print->trigger();
    }
    void printCheque(const Cheque &c)
    {
        QFile::remove(pdf);
        Form7 *entry = writeFromMenu();
        const QList<std::pair<TextBox *, QString>> typed{{entry->Text1, c.day},    {entry->Text3, c.month},
                                                         {entry->Text2, c.year},   {entry->Text8, c.dinars},
                                                         {entry->Text7, c.fils},   {entry->Text4, c.payee}};
        for (const auto &[box, text] : typed)
            testing::typeText(box, text);
        QTest::mouseClick(entry->Command4, Qt::LeftButton);
    }
    // Every item of the cheque is in its box, read as typed, its right edge where the box's is.
    void verifyCheque(const ChequeLayout &layout, const Cheque &c)
    {
        QVERIFY2(QFile::exists(pdf), "nothing was printed");
        const QList<Page> pages = readPdf(pdf);
        QCOMPARE(pages.size(), 1);
        QVERIFY(qAbs(pages[0].mm.width() - layout.leafWidth) < tolerance);
        QVERIFY(qAbs(pages[0].mm.height() - layout.leafHeight) < tolerance);
        QVERIFY(fontsEmbedded(pdf));
        const ChequeTexts texts = expectedTexts(c);
        qsizetype placed = 0;
        for (int i = 0; i < chequeItemCount; ++i) {
            const QRectF box = expectedBox(layout, ChequeItem(i));
            const QList<Word> words = wordsIn(pages[0], box);
            placed += words.size();
            const QString what = chequeItemCaption(ChequeItem(i));
            QVERIFY2(!words.isEmpty(), qPrintable(what));
            QCOMPARE(letters(reading(words)), letters(unspaced(texts[size_t(i)])));
            QCOMPARE(marks(reading(words)), marks(unspaced(texts[size_t(i)])));
            double right = 0;
            for (const Word &word : words) {
                right = qMax(right, word.mm.right());
                QVERIFY2(word.mm.left() >= box.left() - tolerance && word.mm.top() >= box.top() - tolerance
                             && word.mm.bottom() <= box.bottom() + tolerance,
                         qPrintable(what));
            }
            QVERIFY2(qAbs(right - box.right()) <= tolerance, qPrintable(what + QStringLiteral(": right edge %1, box %2")
                                                                                   .arg(right).arg(box.right())));
        }
        QCOMPARE(placed, pages[0].words.size()); // nothing printed outside the boxes
    }
    QList<Page> printedReport()
    {
        QFile::remove(pdf);
        printFromMenu();
        return readPdf(pdf);
    }

    std::unique_ptr<testing::AppFolder> folder;
    QString pdf;
};

void TestPrinting::chequeLandsWhereItsLayoutSays_data()
{
    QTest::addColumn<ChequeLayout>("layout");
    QTest::addColumn<Cheque>("cheque");
    const Cheque cheque{QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("2026"),
                        QStringLiteral("شركة الأمل للتجارة"), QStringLiteral("1250"), QStringLiteral("500")};
    QTest::newRow("shipped layout") << ChequeLayout::standard() << cheque;
    QTest::newRow("another bank's leaf, nudged")
        << movedLayout()
        << Cheque{QStringLiteral("٣"), QStringLiteral("1"), QStringLiteral("2030"), QStringLiteral("إيمان عبد الرّحمن"),
                  QStringLiteral("1000000"), QStringLiteral("5")};
    QTest::newRow("fils carried into dinars")
        << ChequeLayout::standard()
        << Cheque{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2002"), QStringLiteral("علي"),
                  QStringLiteral("0"), QStringLiteral("1500")};
}

void TestPrinting::chequeLandsWhereItsLayoutSays()
{
    QFETCH(ChequeLayout, layout);
    QFETCH(Cheque, cheque);
    if (layout.name != ChequeLayout::standardName())
        QVERIFY(!ChequeLayouts::save(folder->databasePath(), layout).isError());
    printCheque(cheque);
    // Digits typed in Arabic-Indic are stored, and printed, as 0 to 9.
    cheque.day = toLatinDigits(cheque.day);
    verifyCheque(layout, cheque);
    if (cheque.fils == u"1500")
        QCOMPARE(expectedTexts(cheque)[size_t(ChequeItem::Figures)], QStringLiteral("1.500"));
}

void TestPrinting::printsThroughThePreview()
{
    // Without a target set, the user meets the preview, with the cheque's one page, right to left.
    setPrintTarget(QString());
    testing::ExpectBoxes previewed;
    int pages = -1;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QSizeF leaf;
    std::function<void()> look = [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(widget);
            if (!preview || !preview->isVisible() || preview->objectName() != u"PrintPreviewDialog1")
                continue;
            if (auto *view = preview->findChild<QPrintPreviewWidget *>())
                pages = view->pageCount();
            direction = preview->layoutDirection();
            leaf = preview->printer()->pageLayout().fullRect(QPageLayout::Millimeter).size();
            preview->reject();
            return;
        }
        QTimer::singleShot(10, look);
    };
    QTimer::singleShot(0, look);
    printCheque({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2027"), QStringLiteral("علي"),
                 QStringLiteral("5"), QStringLiteral("0")});
    QCOMPARE(pages, 1);
    QCOMPARE(direction, Qt::RightToLeft);
    QVERIFY(qAbs(leaf.width() - ChequeLayout::standard().leafWidth) < tolerance);
    QVERIFY(qAbs(leaf.height() - ChequeLayout::standard().leafHeight) < tolerance);
    QVERIFY(!QFile::exists(pdf));
}

void TestPrinting::printedFromThePreviewKeepsTheLeaf_data()
{
    QTest::addColumn<bool>("calibration");
    QTest::newRow("a cheque") << false;
    QTest::newRow("the calibration sheet") << true;
}

void TestPrinting::printedFromThePreviewKeepsTheLeaf()
{
    // The user prints to a PDF file from the preview, through its own print window: the leaf
    // is the page, whatever page the print window would have given the file.
    QFETCH(bool, calibration);
    setPrintTarget(QString());
    testing::ExpectBoxes previewed;
    // The print window the preview's print action opens: the file typed in its own box.
    std::function<void()> answerPrintWindow = [&] {
        auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return QTimer::singleShot(10, answerPrintWindow);
        dialog->findChild<QLineEdit *>(QStringLiteral("filename"))->setText(pdf);
        dialog->accept();
    };
    std::function<void()> print = [&] {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!preview)
            return QTimer::singleShot(10, print);
        for (QAction *action : preview->findChildren<QAction *>()) {
            if (action->text() == u"اطبع" || action->text() == u"Print") {
                QTimer::singleShot(0, answerPrintWindow);
                return action->trigger();
            }
        }
        preview->reject(); // no print action: nothing printed, which the checks below catch
    };
    QTimer::singleShot(0, print);
    const ChequeLayout layout = ChequeLayout::standard();
    if (!calibration) {
        const Cheque cheque{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2027"), QStringLiteral("علي"),
                            QStringLiteral("5"), QStringLiteral("0")};
        printCheque(cheque);
        verifyCheque(layout, cheque); // the leaf's size, every item in its box
        return;
    }
    QTest::mouseClick(openLayouts()->Command3, Qt::LeftButton);
    const QList<Page> pages = readPdf(pdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY(qAbs(pages[0].mm.width() - layout.leafWidth) < tolerance);
    QVERIFY(qAbs(pages[0].mm.height() - layout.leafHeight) < tolerance);
    const QRectF payee = expectedBox(layout, ChequeItem::Payee);
    QCOMPARE(reading(wordsIn(pages[0], payee)), unspaced(chequeItemCaption(ChequeItem::Payee)));
}

void TestPrinting::tooLongShrinksThenIsCutVisibly()
{
    // A payee far too long for its box even at 7 points, and the longest amount there is.
    QString payee;
    for (int i = 0; i < 12; ++i)
        payee += QStringLiteral("مؤسسة الخليج العربي ");
    payee = payee.trimmed();
    const Cheque cheque{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2027"), payee,
                        QStringLiteral("987654321987"), QStringLiteral("654")};
    printCheque(cheque);
    const QList<Page> pages = readPdf(pdf);
    QCOMPARE(pages.size(), 1);
    const ChequeLayout layout = ChequeLayout::standard();
    const ChequeTexts texts = expectedTexts(cheque);
    for (ChequeItem item : {ChequeItem::Payee, ChequeItem::Words}) {
        const QRectF box = expectedBox(layout, item);
        const QList<Word> words = wordsIn(pages[0], box);
        QVERIFY(!words.isEmpty());
        QList<double> tops; // one a line
        for (const Word &word : words) {
            if (std::none_of(tops.begin(), tops.end(), [&](double top) { return qAbs(top - word.mm.top()) < 1; }))
                tops << word.mm.top();
            QVERIFY(word.mm.left() >= box.left() - tolerance && word.mm.right() <= box.right() + tolerance);
            QVERIFY(word.mm.top() >= box.top() - tolerance && word.mm.bottom() <= box.bottom() + tolerance);
        }
        const QString printed = letters(reading(words));
        const QString whole = letters(unspaced(texts[size_t(item)]));
        if (item == ChequeItem::Payee) {
            // Shrunk to the smallest size, then cut, with the cut shown.
            QCOMPARE(tops.size(), 1);
            // (the ellipsis reads back as three dots once folded)
            QVERIFY2(printed.endsWith(QStringLiteral("...")), qPrintable(printed));
            QVERIFY(whole.startsWith(printed.chopped(3)));
            QVERIFY(printed.size() > 40);
            // Its glyphs stand at 7 points: against the day's, printed at 11.
            const QList<Word> day = wordsIn(pages[0], expectedBox(layout, ChequeItem::Day));
            QCOMPARE(day.size(), 1);
            for (const Word &word : words)
                QVERIFY(qAbs(word.mm.height() / day.first().mm.height() - 7.0 / 11) < 0.03);
        } else {
            // Two lines where the box is tall enough, and whole.
            QCOMPARE(tops.size(), 2);
            QCOMPARE(printed, whole);
        }
    }
}

void TestPrinting::refusedChequeIsNotPrinted()
{
    testing::BoxWatcher boxes;
    printCheque({QString(), QStringLiteral("12"), QStringLiteral("2026"), QStringLiteral("علي"), QStringLiteral("5"),
                 QStringLiteral("0")});
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("خطأ في المدخلات"));
    QCOMPARE(boxes.boxes()[0].text, QStringLiteral("الرجاء إدخال التاريخ بدقة"));
    // Words that disagree with the figures: the save's question, and "no" prints nothing.
    boxes.clear();
    boxes.setAnswer(QMessageBox::No);
    Form7 *entry = Forms::loaded<Form7>();
    testing::typeText(entry->Text1, QStringLiteral("1"));
    entry->Text5->setFocus();
    entry->Text5->selectAll();
    testing::typeText(entry->Text5, QStringLiteral("فقط عشرة دنانير لا غير"));
    QTest::mouseClick(entry->Command4, Qt::LeftButton);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام. هل تريد الحفظ؟"));
}

void TestPrinting::layoutChangedInTheWindowIsWhatPrints()
{
    Form9 *window = openLayouts();
    QVERIFY(window && window->isShown());
    QCOMPARE(window->Combo1->currentText(), ChequeLayout::standardName());
    // A new layout for another bank, begun as a copy of the one shown, then adjusted.
    {
        testing::ExpectBoxes asked;
        answerInputDialog(QStringLiteral("بنك الرافدين"));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
    }
    QCOMPARE(window->Combo1->currentText(), QStringLiteral("بنك الرافدين"));
    enter(window->Spin1, 182);
    enter(window->Spin3, 2.5);
    enter(window->itemSpin(ChequeItem::Payee, 1), 33);
    enter(window->itemSpin(ChequeItem::Figures, 4), 14);
    QCOMPARE(window->Picture1->chequeLayout(), window->shownLayout());
    QTest::mouseClick(window->Command4, Qt::LeftButton);

    ChequeLayout expected = ChequeLayout::standard();
    expected.name = QStringLiteral("بنك الرافدين");
    expected.leafWidth = 182;
    expected.offsetX = 2.5;
    expected.place(ChequeItem::Payee).fromTop = 33;
    expected.place(ChequeItem::Figures).fontSize = 14;
    const Cheque cheque{QStringLiteral("30"), QStringLiteral("6"), QStringLiteral("2027"), QStringLiteral("سارة"),
                        QStringLiteral("75"), QStringLiteral("250")};
    printCheque(cheque);
    verifyCheque(expected, cheque);

    // The next run prints with it too, and the window shows it chosen.
    testing::stopProgram();
    QVERIFY(testing::startProgram(*folder));
    QApplication::setActiveWindow(MDIForm1::instance());
    printCheque(cheque);
    verifyCheque(expected, cheque);
    window = openLayouts();
    QCOMPARE(window->Combo1->currentText(), expected.name);
    QCOMPARE(window->shownLayout(), expected);

    // Choosing the shipped layout again is what the next cheque prints with.
    window->Combo1->setCurrentIndex(window->Combo1->findText(ChequeLayout::standardName()));
    emit window->Combo1->activated(window->Combo1->currentIndex());
    printCheque(cheque);
    verifyCheque(ChequeLayout::standard(), cheque);
}

void TestPrinting::calibrationShowsTheBoxesOnAGrid()
{
    QVERIFY(!ChequeLayouts::save(folder->databasePath(), movedLayout()).isError());
    Form9 *window = openLayouts();
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    const QList<Page> pages = readPdf(pdf);
    QCOMPARE(pages.size(), 1);
    const ChequeLayout layout = movedLayout();
    QVERIFY(qAbs(pages[0].mm.width() - layout.leafWidth) < tolerance);
    QVERIFY(qAbs(pages[0].mm.height() - layout.leafHeight) < tolerance);
    for (int i = 0; i < chequeItemCount; ++i) {
        const QRectF box = expectedBox(layout, ChequeItem(i));
        const QList<Word> words = wordsIn(pages[0], box);
        QCOMPARE(reading(words), unspaced(chequeItemCaption(ChequeItem(i))));
        double right = 0;
        for (const Word &word : words)
            right = qMax(right, word.mm.right());
        QVERIFY(qAbs(right - (box.right() - 0.8)) <= tolerance);
    }
    // The grid's numbers count millimetres from the right edge along the top.
    for (int mm : {10, 50, 100}) {
        const auto found = std::find_if(pages[0].words.begin(), pages[0].words.end(), [&](const Word &w) {
            return w.text == QString::number(mm) && w.mm.top() < 5;
        });
        QVERIFY(found != pages[0].words.end());
        QVERIFY(qAbs(found->mm.center().x() - (layout.leafWidth - mm)) <= tolerance);
    }
}

void TestPrinting::anOlderFileGainsTheShippedLayout()
{
    testing::stopProgram();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    older.exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '2', '2027', 'علي', 5, 0)"));
    const auto before = older.rows(QStringLiteral("SELECT rowid, * FROM Cheque"));
    DataError error;
    QVERIFY(Database::connection(older.databasePath(), &error).isValid());
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), Upgrade::currentVersion);
    QCOMPARE(ChequeLayouts::names(older.databasePath()), QStringList{ChequeLayout::standardName()});
    QCOMPARE(ChequeLayouts::chosen(older.databasePath()), ChequeLayout::standard());
    QCOMPARE(older.rows(QStringLiteral("SELECT rowid, * FROM Cheque")), before);
    Database::closeAll();
}

void TestPrinting::aReadOnlyFileKeepsTheLayoutForTheRun()
{
    testing::stopProgram();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    QVERIFY(QFile::setPermissions(older.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QVERIFY(testing::startProgram(older));
    QApplication::setActiveWindow(MDIForm1::instance());
    Form9 *window = openLayouts();
    QCOMPARE(window->shownLayout(), ChequeLayout::standard());
    {
        // The change cannot be kept in the file: said once, and this run prints with it.
        testing::BoxWatcher boxes;
        enter(window->Spin3, 4);
        enter(window->Spin4, 1.5);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].direction, Qt::RightToLeft);
    }
    QTest::mouseClick(window->Command4, Qt::LeftButton);
    ChequeLayout expected = ChequeLayout::standard();
    expected.offsetX = 4;
    expected.offsetY = 1.5;
    const Cheque cheque{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("2027"), QStringLiteral("هدى"),
                        QStringLiteral("10"), QStringLiteral("0")};
    printCheque(cheque);
    verifyCheque(expected, cheque);
    QCOMPARE(openLayouts()->shownLayout(), expected);
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), 2);
}

void TestPrinting::everyListPrintsAsAReport_data()
{
    QTest::addColumn<int>("book");
    QTest::addColumn<QString>("title");
    QTest::newRow("phone book") << 0 << QStringLiteral("دليل الهاتف");
    QTest::newRow("appointments") << 1 << QStringLiteral("مذكرة المواعيد");
    QTest::newRow("cheques") << 2 << QStringLiteral("دفتر الشيكات");
}

void TestPrinting::everyListPrintsAsAReport()
{
    QFETCH(int, book);
    QFETCH(QString, title);
    // Rows whose last column is a number of its own, to follow them through the pages.
    constexpr int rows = 140;
    for (int i = 0; i < rows; ++i) {
        const QString tag = QStringLiteral("R%1").arg(i, 4, 10, QChar(u'0'));
        if (book == 0)
            folder->exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل, الجوال) VALUES (?, ?, ?)"),
                         {QStringLiteral("سالم %1").arg(i % 7), tag, QStringLiteral("+218 91 555 0000")});
        else if (book == 1)
            folder->exec(QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) "
                                        "VALUES ('الأحد', '1', '1', '2027', '10', ?)"),
                         {tag + (i % 9 == 0 ? QStringLiteral("\nسطر ثان\nسطر 3\nسطر 4\nسطر 5\nسطر 6\nسطر 7\n")
                                            : QStringLiteral("\nسطر ثان\n"))});
        else
            folder->exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ, السبب) "
                                        "VALUES ('1', '2', '2027', 'علي', 5, 0, '', ?)"),
                         {tag});
    }
    QAbstractButton *open = book == 0 ? Forms::loaded<Form1>()->Command1
                        : book == 1 ? Forms::loaded<Form1>()->Command2
                                    : Forms::loaded<Form1>()->Command3;
    QTest::mouseClick(open, Qt::LeftButton);
    const QList<Page> pages = printedReport();
    QVERIFY(pages.size() >= 3);
    QStringList tags;
    QStringList rowLines;
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList text = lines(pages[p]);
        QVERIFY2(text.first().startsWith(unspaced(title)), qPrintable(text.first()));
        // The date reads in the user's format, its parts kept apart by direction marks.
        static const QRegularExpression number(QStringLiteral("\\d+"));
        const auto numbers = [](const QString &t) {
            QStringList found;
            for (auto it = number.globalMatch(t); it.hasNext();)
                found << it.next().captured();
            found.sort();
            return found;
        };
        QVERIFY(text.first().contains(unspaced(QStringLiteral("التاريخ:"))));
        QCOMPARE(numbers(lines(pages[p], true).first()), numbers(Dates::dateText(QDate::currentDate())));
        QCOMPARE(text.last(), unspaced(pageNumberText(p + 1, int(pages.size()))));
        for (const Word &word : pages[p].words) {
            if (word.text.startsWith(u'R'))
                tags << word.text;
            // A telephone number reads left to right, its groups in the order typed.
            if (word.text == u"+218") {
                QList<Word> number;
                for (const Word &other : pages[p].words) {
                    if (qAbs(other.mm.top() - word.mm.top()) < 1 && other.mm.left() >= word.mm.left()
                        && other.mm.left() < word.mm.left() + 40)
                        number << other;
                }
                std::sort(number.begin(), number.end(), [](const Word &a, const Word &b) { return a.mm.left() < b.mm.left(); });
                QStringList read;
                for (const Word &w : number)
                    read << w.text;
                QCOMPARE(read.mid(0, 4).join(u' '), QStringLiteral("+218 91 555 0000"));
            }
        }
        if (book == 0)
            QVERIFY(lines(pages[p], true).join(u' ').contains(QStringLiteral("+218")));
        for (const QString &line : text) {
            if (line.startsWith(unspaced(QStringLiteral("سطر"))))
                rowLines << line;
        }
    }
    // A row grows to show its value's lines, up to six, the last marked when more are left
    // out; a row the page's end cuts goes on at the top of the next.
    if (book == 1) {
        QCOMPARE(rowLines.count(unspaced(QStringLiteral("سطر ثان"))), rows);
        QCOMPARE(rowLines.count(unspaced(QStringLiteral("سطر 6 ↵"))), (rows + 8) / 9);
        QCOMPARE(rowLines.filter(unspaced(QStringLiteral("سطر 7"))), QStringList());
    }
    // Every row once, in the grid's order.
    QStringList listed;
    const QAbstractItemModel *grid = book == 0 ? Forms::loaded<Form2>()->DBGrid1->model()
                                     : book == 1 ? Forms::loaded<Form4>()->DBGrid1->model()
                                                 : Forms::loaded<Form6>()->DBGrid1->model();
    for (int r = 0; r < grid->rowCount(); ++r) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            if (const QString t = grid->index(r, c).data().toString(); t.startsWith(u'R'))
                listed << t.section(u'\n', 0, 0);
        }
    }
    QCOMPARE(listed.size(), rows);
    QCOMPARE(tags, listed);
}

void TestPrinting::chequeReportEndsWithItsTotals()
{
    const QList<std::tuple<QString, int, int>> cheques{{QStringLiteral("أحمد"), 100, 750},
                                                       {QStringLiteral("احمد"), 20, 500},
                                                       {QStringLiteral("أحمد"), 3, 999},
                                                       {QStringLiteral("بشير"), 1000, 1},
                                                       {QStringLiteral("أحلام"), 7, 0}};
    for (const auto &[payee, dinars, fils] : cheques)
        folder->exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) "
                                    "VALUES ('1', '2', '2027', ?, ?, ?)"),
                     {payee, dinars, fils});
    QTest::mouseClick(Forms::loaded<Form1>()->Command3, Qt::LeftButton);
    Form6 *list = Forms::loaded<Form6>();

    // The whole book: every payee as written, then the grand total (fils carried).
    QStringList text = lines(printedReport().last());
    text.removeLast(); // the page number
    QCOMPARE(text.mid(text.size() - 6, 5),
             (QStringList{unspaced(QStringLiteral("المجاميع حسب المستفيد")),
                          unspaced(QStringLiteral("أحلام: 7 دينار و 0 فلس")),
                          unspaced(QStringLiteral("أحمد: 104 دينار و 749 فلس")),
                          unspaced(QStringLiteral("احمد: 20 دينار و 500 فلس")),
                          unspaced(QStringLiteral("بشير: 1,000 دينار و 1 فلس"))})
                 .mid(0, 5));
    QCOMPARE(lines(readPdf(pdf).last()).value(lines(readPdf(pdf).last()).size() - 2),
             unspaced(QStringLiteral("المجموع الكلي: 1,132 دينار و 250 فلس")));

    // A search by payee: its title says what was searched, and the totals are of what it lists.
    QTest::mouseClick(list->List1->viewport(), Qt::LeftButton, {},
                      list->List1->visualItemRect(list->List1->item(1)).center());
    testing::typeText(list->Text1, QStringLiteral("احمد"));
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QCOMPARE(list->DBGrid1->model()->rowCount(), 3);
    text = lines(printedReport().last());
    QVERIFY2(text.at(1) == unspaced(QStringLiteral("البحث: السيد يبدأ بـ «احمد»")), qPrintable(text.at(1)));
    QCOMPARE(text.at(text.size() - 2), unspaced(QStringLiteral("المجموع الكلي: 125 دينار و 249 فلس")));

    // Drawn twice, in the preview and then to print: the same totals.
    QCOMPARE(printThroughThePreview(), 1);
    text = lines(readPdf(pdf).last());
    QCOMPARE(text.mid(text.size() - 4, 3), (QStringList{unspaced(QStringLiteral("أحمد: 104 دينار و 749 فلس")),
                                                      unspaced(QStringLiteral("احمد: 20 دينار و 500 فلس")),
                                                      unspaced(QStringLiteral("المجموع الكلي: 125 دينار و 249 فلس"))}));
}

void TestPrinting::cancelledReportLeavesNoFile()
{
    for (int i = 0; i < 3000; ++i)
        folder->exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES (?, ?)"),
                     {QStringLiteral("سالم"), QString::number(i)});
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    bool cancelled = false;
    std::function<void()> cancelWhenShown = [&] {
        for (QWidget *widget : QApplication::allWidgets()) {
            if (auto *progress = qobject_cast<QProgressDialog *>(widget);
                progress && progress->objectName() == u"ProgressDialog2" && progress->value() > 0) {
                progress->cancel();
                cancelled = true;
                return;
            }
        }
        QTimer::singleShot(0, cancelWhenShown);
    };
    QTimer::singleShot(0, cancelWhenShown);
    QAction *print = MDIForm1::instance()->findChild<QAction *>(QStringLiteral("print"));
    print->trigger();
    QVERIFY(cancelled);
    QVERIFY(!QFile::exists(pdf));
}

// A preview keeps every page it is given: of a long report it is given the first pages and the
// last (the totals, the end), and the print has every page.
void TestPrinting::aLongReportIsPreviewedByItsEnds()
{
    folder->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
                                " INSERT INTO Phone (الإسم, المنزل) SELECT 'سالم', i FROM n"));
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QCOMPARE(printThroughThePreview(), previewedPages + 1);
    const QList<Page> pages = readPdf(pdf);
    QVERIFY(pages.size() > previewedPages + 1);
    QCOMPARE(lines(pages.last()).last(), unspaced(pageNumberText(int(pages.size()), int(pages.size()))));
}

// The preview records what is drawn and shows it later; a line it shows must read as the line
// printed: every space and bracket where the printer puts it.
void TestPrinting::thePreviewShowsALineAsThePaperDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("page number") << pageNumberText(1, 12);
    QTest::newRow("an amount") << QStringLiteral("أحمد: 104 دينار و749 فلس");
    QTest::newRow("brackets and a number") << QStringLiteral("«الدليل» (+218 91 555 0000)");
}

void TestPrinting::thePreviewShowsALineAsThePaperDoes()
{
    QFETCH(QString, text);
    const QRectF rect(10, 10, 980, 80);
    QTextOption option(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    option.setTextDirection(Qt::RightToLeft);
    QFont font(QStringLiteral("Dalil UI"));
    font.setPixelSize(40);
    const auto draw = [&](QPaintDevice *device) {
        QPainter painter(device);
        painter.setFont(font);
        Printing::drawText(painter, rect, text, option);
    };
    const auto blank = [] {
        QImage image(1000, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    };
    QImage paper = blank();
    draw(&paper);
    QPicture recorded;
    draw(&recorded);
    QImage shown = blank();
    QPainter(&shown).drawPicture(0, 0, recorded);
    // Which columns carry ink: a space or a bracket moved shifts whole words.
    const auto inked = [](const QImage &image) {
        QBitArray columns(image.width());
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height() && !columns.testBit(x); ++y)
                columns.setBit(x, qGray(image.pixel(x, y)) < 128);
        return columns;
    };
    const QBitArray onPaper = inked(paper);
    QVERIFY(onPaper.count(true) > 100);
    QVERIFY2((onPaper ^ inked(shown)).count(true) < onPaper.size() / 50, qPrintable(text));
}

TESTING_WINDOW_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
