// How the shared controls look to an Arabic reader: message box buttons and reading order,
// status panel texts at their widths, the navigation arrows, grid headings and cells, the
// keyboard in a grid, and line breaks pasted into one-line boxes.
#include "testsupport.h"

#include "appointments/form4.h"
#include "chequebook/form6.h"
#include "common/datacontrol.h"
#include "common/twips.h"
#include "common/dbgrid.h"
#include "common/messagebox.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "common/application.h"
#include "data/records/recordsource.h"
#include "data/text/clock.h"
#include "data/text/dates.h"
#include "phonebook/form2.h"
#include "shell/form12.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QTableView>
#include <QClipboard>
#include <QDateEdit>
#include <QTreeView>
#include <QComboBox>
#include <QFileInfo>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEngine>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

using namespace dalil;

namespace {

// A style that puts the standard icons on dialog buttons, as some desktops' styles do.
class IconButtonsStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
    QIcon standardIcon(StandardPixmap pixmap, const QStyleOption *option, const QWidget *widget) const override
    {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        switch (pixmap) {
        case SP_DialogOkButton:
        case SP_DialogYesButton:
        case SP_DialogNoButton:
            return QIcon(red);
        default:
            return QProxyStyle::standardIcon(pixmap, option, widget);
        }
    }
};

// The grid of the list the menu item opened.
DBGrid *listGrid(const QByteArray &menuItem)
{
    const QString name = menuItem == "phone" ? QStringLiteral("Form2") : menuItem == "note" ? QStringLiteral("Form4")
                                                                                             : QStringLiteral("Form6");
    Form *list = Forms::find(name);
    return list ? list->findChild<DBGrid *>(QStringLiteral("DBGrid1")) : nullptr;
}

// Runs show() and hands the message box it opens to look(), then closes the box.
void inspectBox(const std::function<void()> &show, const std::function<void(QMessageBox *)> &look)
{
    testing::ExpectBoxes expecting;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || seen)
            return;
        seen = true;
        look(box);
        box->buttons().value(0)->click();
    });
    poll.start();
    show();
    QVERIFY(seen);
}

// The horizontal centre of the character at position i of the line, where it is drawn.
qreal centreOf(const QTextLine &line, int i)
{
    return (line.cursorToX(i) + line.cursorToX(i + 1)) / 2;
}

// The characters of text other than direction marks, in the order they stand on screen
// from left to right, laid out in a paragraph of the given direction.
QString visualOrder(const QString &text, const QFont &font, Qt::LayoutDirection direction)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    QList<std::pair<qreal, QChar>> shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).category() != QChar::Other_Format)
            shown.append({centreOf(line, i), text.at(i)});
    }
    std::sort(shown.begin(), shown.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QString order;
    for (const auto &[x, c] : shown)
        order += c;
    return order;
}

using testing::TextRecorder;

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As the program starts: right to left, and the free faces for the design's ones.
        QApplication::setLayoutDirection(Qt::RightToLeft);
        installFontSubstitutions();
    }

    void boxButtonsShowTheirWordAlone_data();
    void boxButtonsShowTheirWordAlone();
    void notFoundSentencesReadLeftToRight_data();
    void notFoundSentencesReadLeftToRight();
    void rightToLeftBoxesReadRightToLeft();

    void panelTextsFitTheirPanels_data();
    void panelTextsFitTheirPanels();

    void navigationArrowsPointToTheirEnds_data();
    void navigationArrowsPointToTheirEnds();
    void navigationCaptionKeepsItsWordsApart_data();
    void navigationCaptionKeepsItsWordsApart();
    void focusCanBeSeen_data();
    void focusCanBeSeen();
    void calendarsKeepTheArabicWeek_data();
    void calendarsKeepTheArabicWeek();

    void gridHeadingsShareOneSize_data();
    void gridHeadingsShareOneSize();
    void telephoneNumbersThatFitAreNotShortened_data();
    void telephoneNumbersThatFitAreNotShortened();
    void tabLeavesTheGrid();
    void listItemsStandInsideTheirFrame_data();
    void listItemsStandInsideTheirFrame();
    void listGridsUseTheWindow_data();
    void listGridsUseTheWindow();
    void windowsGrowWithTheFrame_data();
    void windowsGrowWithTheFrame();
    void anEmptyResultShowsNoSidewaysScrollBar();
    void fileWindowsKeepPatternsAndDatesInOrder();

    void pastedLineBreaksBecomeBlanks_data();
    void pastedLineBreaksBecomeBlanks();
    void aLongTextShowsItsBeginningUnlessEdited();
    void storedLineBreaksAreShownAsTheyAre();

private:
    void openList(const char *menuItem);
};

void TestLook::boxButtonsShowTheirWordAlone_data()
{
    QTest::addColumn<std::function<void()>>("show");
    QTest::newRow("not found") << std::function<void()>([] {
        MessageBoxes::notFound(nullptr, QStringLiteral("كمال was not found!"));
    });
    QTest::newRow("input error") << std::function<void()>([] {
        MessageBoxes::inputError(nullptr, QStringLiteral("الرجاء إدخال الإسم"));
    });
    QTest::newRow("search kind, right to left") << std::function<void()>([] {
        MessageBoxes::searchKindMissing(nullptr, true);
    });
    QTest::newRow("short text, long title") << std::function<void()>([] {
        MessageBoxes::show(nullptr, QMessageBox::Information, QStringLiteral("تعذّر حفظ نسخة احتياطية من دفتر الهاتف"),
                           QStringLiteral("تم"), QMessageBox::Ok, true);
    });
    QTest::newRow("yes and no") << std::function<void()>([] { MessageBoxes::keepMyChanges(nullptr); });
    QTest::newRow("exit question") << std::function<void()>([] {
        MessageBoxes::show(nullptr, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                           QStringLiteral("هل تريد الخروج من البرنامج؟"), QMessageBox::Yes | QMessageBox::No, true);
    });
}

void TestLook::boxButtonsShowTheirWordAlone()
{
    QFETCH(std::function<void()>, show);
    const QString styleName = QApplication::style()->name();
    QApplication::setStyle(new IconButtonsStyle(styleName));
    int buttons = 0;
    inspectBox(show, [&](QMessageBox *box) {
        for (QAbstractButton *button : box->buttons()) {
            ++buttons;
            QVERIFY2(button->icon().isNull(), qPrintable(button->text()));
            const QFontMetrics metrics(button->font());
            // At least a letter's height of blank each side of the word.
            const int blank = (button->width() - metrics.horizontalAdvance(button->text())) / 2;
            QVERIFY2(blank >= metrics.height(), qPrintable(QStringLiteral("%1: %2 px").arg(button->text()).arg(blank)));
        }
        // The title is never cut: the bar holds it and the window manager's buttons.
        QFont titleFont = box->font();
        titleFont.setBold(true);
        const QFontMetrics title(titleFont);
        const int wanted = title.horizontalAdvance(box->windowTitle()) + 5 * title.height();
        QVERIFY2(box->width() >= wanted, qPrintable(QStringLiteral("%1 < %2").arg(box->width()).arg(wanted)));
    });
    QApplication::setStyle(styleName);
    QVERIFY(buttons > 0);
}

void TestLook::notFoundSentencesReadLeftToRight_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tail");
    QTest::newRow("Arabic name") << QStringLiteral("كمال") << QStringLiteral(" was not found!");
    QTest::newRow("Arabic name, no mark") << QStringLiteral("كمال") << QStringLiteral(" was not found");
    QTest::newRow("two Arabic words") << QStringLiteral("عبد الله") << QStringLiteral(" was not found!");
}

void TestLook::notFoundSentencesReadLeftToRight()
{
    QFETCH(QString, name);
    QFETCH(QString, tail);
    const QString text = name + tail;
    inspectBox([&] { MessageBoxes::notFound(nullptr, text); }, [&](QMessageBox *box) {
        QCOMPARE(box->text(), text);
        QCOMPARE(box->windowTitle(), QStringLiteral("السجل غير موجود"));
        auto *label = MessageBoxes::textLabel(box);
        QVERIFY(label);
        label->grab(); // lays the text out
        auto *document = label->findChild<QTextDocument *>();
        QVERIFY(document);
        const QTextBlock block = document->begin();
        QCOMPARE(block.text(), text);
        const QTextLine line = block.layout()->lineAt(0);
        QVERIFY(line.isValid());
        // The name stands at the left, the sentence follows it, and its end is the rightmost.
        const qreal nameX = centreOf(line, 0);
        const qreal wasX = centreOf(line, int(name.size()) + 1);
        const qreal endX = centreOf(line, int(text.size()) - 1);
        QVERIFY2(nameX < wasX && wasX < endX, qPrintable(QStringLiteral("%1 %2 %3").arg(nameX).arg(wasX).arg(endX)));
    });
}

void TestLook::rightToLeftBoxesReadRightToLeft()
{
    const QString text = QStringLiteral("الرجاء تحديد نوع البحث");
    inspectBox([] { MessageBoxes::searchKindMissing(nullptr, true); }, [&](QMessageBox *box) {
        QCOMPARE(box->text(), text);
        auto *label = MessageBoxes::textLabel(box);
        label->grab();
        auto *document = label->findChild<QTextDocument *>();
        QVERIFY(document);
        const QTextLine line = document->begin().layout()->lineAt(0);
        QVERIFY(centreOf(line, 0) > centreOf(line, int(text.size()) - 1));
    });
}

void TestLook::panelTextsFitTheirPanels_data()
{
    QTest::addColumn<int>("twipsWide");
    QTest::addColumn<int>("pixelsWide");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    const QString payee = QStringLiteral("عبد الرحمن بن محمد بن عبد العزي").left(30);
    QCOMPARE(payee.size(), 30);
    QTest::newRow("count of 15") << 1800 << 120 << QStringLiteral("عدد السجلات: 15 سجل") << true;
    QTest::newRow("count of a million") << 1800 << 120 << QStringLiteral("عدد السجلات: 1000000 سجل") << true;
    QTest::newRow("short payee total") << 5000 << 333 << QStringLiteral("مجموع المبالغ للسيد كمال: 150 دينار و 250 فلس") << true;
    QTest::newRow("long payee total")
        << 5000 << 333
        << QStringLiteral("مجموع المبالغ للسيد ") + payee + QStringLiteral(": 999999999999 دينار و 999999999999 فلس")
        << false;
    QTest::newRow("grand total") << 8000 << 533
                                 << QStringLiteral("مجموع المبالغ المسجلة: 999999999999 دينار و 999999999999 فلس")
                                 << true;
}

void TestLook::panelTextsFitTheirPanels()
{
    QFETCH(int, twipsWide);
    QFETCH(int, pixelsWide);
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QWidget window;
    window.resize(1000, 300);
    StatusBar bar(QStringLiteral("StatusBar1"), &window);
    StatusPanel *panel = bar.addPanel();
    panel->setWidth(twipsWide);
    panel->setAlignment(StatusPanel::Alignment::Center);
    panel->setText(text);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(panel->text(), text);
    QCOMPARE(panel->width(), pixelsWide);
    QVERIFY(panel->textRoom() <= panel->contentsRect().width());
    const int shownWidth = QFontMetrics(panel->shownFont()).horizontalAdvance(panel->shownText());
    QVERIFY2(shownWidth <= panel->textRoom(), qPrintable(QStringLiteral("%1 > %2").arg(shownWidth).arg(panel->textRoom())));
    if (whole) {
        QCOMPARE(panel->shownText(), text);
        QVERIFY(panel->shownFont().pointSizeF() >= 0.75 * panel->font().pointSizeF());
        QVERIFY(panel->toolTip().isEmpty());
    } else {
        // Shortened in the middle: both ends shown, the whole in the tooltip.
        const QString shown = panel->shownText();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.size() > 20);
        QVERIFY(shown.startsWith(text.left(8)));
        QVERIFY(shown.endsWith(text.right(8)));
        QCOMPARE(panel->toolTip(), text);
    }
    // A later shorter text shows whole again, without the tooltip.
    panel->setText(QStringLiteral("عدد السجلات: 1 سجل"));
    QCOMPARE(panel->shownText(), QStringLiteral("عدد السجلات: 1 سجل"));
    QVERIFY(panel->toolTip().isEmpty());
}

void TestLook::navigationArrowsPointToTheirEnds_data()
{
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("right-to-left paragraph") << Qt::RightToLeft;
    QTest::newRow("left-to-right paragraph") << Qt::LeftToRight;
}

void TestLook::navigationArrowsPointToTheirEnds()
{
    QFETCH(Qt::LayoutDirection, direction);
    QWidget window;
    DataControl data(QStringLiteral("Data1"), &window);
    data.setGeometry(0, 0, 200, 25); // the design's 3000 by 375 twips
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *first = data.findChild<QToolButton *>(QStringLiteral("first"));
    auto *last = data.findChild<QToolButton *>(QStringLiteral("last"));
    QVERIFY(first && last);
    // First stands at the right end of the bar and points there: arrow, then the bar.
    QVERIFY(first->mapTo(&data, QPoint()).x() > last->mapTo(&data, QPoint()).x());
    const QString firstShown = visualOrder(first->text(), first->font(), direction);
    const QString lastShown = visualOrder(last->text(), last->font(), direction);
    QCOMPARE(firstShown, QStringLiteral("▶▏"));
    QCOMPARE(lastShown, QStringLiteral("▕◀"));
    // Mirror images of each other.
    const QHash<QChar, QChar> mirror{{u'▶', u'◀'}, {u'◀', u'▶'}, {u'▏', u'▕'}, {u'▕', u'▏'}};
    QString mirrored;
    for (const QChar c : firstShown)
        mirrored.prepend(mirror.value(c, c));
    QCOMPARE(mirrored, lastShown);
}

void TestLook::navigationCaptionKeepsItsWordsApart_data()
{
    QTest::addColumn<QRect>("design"); // twips
    QTest::addColumn<int>("blanks");
    QTest::newRow("phone entry") << QRect(4560, 360, 2580, 345) << 10;
    QTest::newRow("appointment entry") << QRect(5040, 960, 3900, 345) << 39;
    QTest::newRow("cheque entry") << QRect(6720, 360, 2580, 315) << 11;
}

void TestLook::navigationCaptionKeepsItsWordsApart()
{
    QFETCH(QRect, design);
    QFETCH(int, blanks);
    QWidget window;
    DataControl data(QStringLiteral("Data1"), &window);
    data.setCaption(QStringLiteral("السابق") + QString(blanks, u' ') + QStringLiteral("التالي"));
    data.setGeometry(twipsRect(design.x(), design.y(), design.width(), design.height()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Both words whole, each at its end, a clear gap between them, all inside the caption.
    const auto *shown = data.findChild<QLabel *>(QStringLiteral("caption"));
    const QString text = shown->text();
    QVERIFY2(text.startsWith(QStringLiteral("السابق   ")) && text.endsWith(QStringLiteral("   التالي")), qPrintable(text));
    QVERIFY(shown->fontMetrics().horizontalAdvance(text) <= shown->contentsRect().width());
}

void TestLook::focusCanBeSeen_data()
{
    QTest::addColumn<QByteArray>("menuItem");
    QTest::addColumn<QString>("view"); // the view's objectName; empty: the calendar's days
    QTest::newRow("phone search kinds") << QByteArray("phone") << "List1";
    QTest::newRow("phone grid") << QByteArray("phone") << "";
    QTest::newRow("cheque search kinds") << QByteArray("check") << "List1";
    QTest::newRow("cheque grid") << QByteArray("check") << "";
    QTest::newRow("appointment calendar") << QByteArray("addnote") << "";
}

void TestLook::focusCanBeSeen()
{
    // The view with the keyboard looks otherwise than without it, and the mark moves with the
    // arrow keys, off the place it was.
    QFETCH(QByteArray, menuItem);
    QFETCH(QString, view);
    testing::AppFolder folder;
    for (int i = 0; i < 3; ++i) {
        folder.exec(QStringLiteral("INSERT INTO Phone (\"الإسم\") VALUES ('ب')"));
        folder.exec(QStringLiteral("INSERT INTO Cheque (\"السيد\", \"دينار\", \"فلس\") VALUES ('ب', 1, 0)"));
    }
    QVERIFY(testing::startProgram(folder));
    const auto stop = qScopeGuard([] { testing::stopProgram(); });
    openList(menuItem.constData());
    Form *form = menuItem == "phone" ? static_cast<Form *>(Forms::loaded<Form2>())
                 : menuItem == "check" ? static_cast<Form *>(Forms::loaded<Form6>())
                                       : Forms::find(QStringLiteral("Form5"));
    QVERIFY(form);
    QAbstractItemView *shown = nullptr;
    if (!view.isEmpty())
        shown = form->findChild<QAbstractItemView *>(view);
    else if (auto *grid = form->findChild<DBGrid *>())
        shown = grid->view();
    else
        shown = form->findChild<QCalendarWidget *>()->findChild<QTableView *>();
    QVERIFY(shown);
    if (!shown->currentIndex().isValid())
        shown->setCurrentIndex(shown->model()->index(1, 1));
    form->activateWindow();
    shown->setFocus();
    QVERIFY(shown->hasFocus());
    const QImage focused = shown->viewport()->grab().toImage();
    shown->clearFocus();
    const QImage unfocused = shown->viewport()->grab().toImage();
    // A line along the current row, the current day, or the whole list while nothing is
    // current: at least a quarter of its pixels change with the focus (a dotted frame).
    const QModelIndex current = shown->currentIndex();
    QRect mark = current.isValid() ? shown->visualRect(current) : shown->viewport()->rect();
    if (current.isValid() && menuItem != "addnote") // the calendar marks its day alone
        mark = QRect(0, mark.top(), shown->viewport()->width(), mark.height());
    int changed = 0;
    for (int x = mark.left(); x <= mark.right(); ++x)
        changed += focused.pixel(x, mark.top() + 1) != unfocused.pixel(x, mark.top() + 1);
    QVERIFY2(changed * 4 >= mark.width(), qPrintable(QStringLiteral("%1 of %2").arg(changed).arg(mark.width())));
    shown->setFocus();
    QTest::keyClick(shown, Qt::Key_Down);
    QVERIFY(shown->viewport()->grab().toImage() != focused);
}

void TestLook::calendarsKeepTheArabicWeek_data()
{
    QTest::addColumn<QByteArray>("menuItem");
    QTest::newRow("appointment calendar") << QByteArray("addnote");
    QTest::newRow("import's date picker") << QByteArray("import");
}

void TestLook::calendarsKeepTheArabicWeek()
{
    QFETCH(QByteArray, menuItem);
    testing::AppFolder folder;
    QVERIFY(testing::startProgram(folder));
    const auto stop = qScopeGuard([] { testing::stopProgram(); });
    openList(menuItem.constData());
    QCalendarWidget *calendar = menuItem == "addnote"
                                    ? Forms::find(QStringLiteral("Form5"))->findChild<QCalendarWidget *>(QStringLiteral("MonthView1"))
                                    : Forms::loaded<Form12>()->DTPicker1->calendarWidget();
    QVERIFY(calendar);
    if (!calendar->isVisible())
        calendar->resize(calendar->sizeHint());
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Saturday);
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        const bool red = calendar->weekdayTextFormat(Qt::DayOfWeek(day)).foreground().color() == QColor(Qt::red);
        QCOMPARE(red, day == Qt::Friday || day == Qt::Saturday);
    }
    auto *days = calendar->findChild<QTableView *>();
    QStringList letters;
    for (int column = 0; column < 7; ++column)
        letters << days->model()->index(0, column).data().toString();
    QCOMPARE(letters, QStringList({"س", "ح", "ن", "ث", "ر", "خ", "ج"}));

    // Today is framed while another day is chosen: its cell's edge in the highlight's colour,
    // its inside not (the chosen day is filled with it).
    const QDate today = Clock::today();
    calendar->setSelectedDate(today.day() > 14 ? today.addDays(-7) : today.addDays(7));
    const QImage cells = days->viewport()->grab().toImage();
    const QRgb highlight = calendar->palette().color(QPalette::Highlight).rgb();
    QStringList framed;
    for (int row = 1; row < days->model()->rowCount(); ++row) {
        for (int column = 0; column < 7; ++column) {
            const QModelIndex cell = days->model()->index(row, column);
            const QRect r = days->visualRect(cell);
            bool edge = cells.pixel(r.left() + 2, r.top() + 2) != highlight;
            for (int x = r.left() + 2; x < r.right() - 1 && edge; ++x)
                edge = cells.pixel(x, r.top()) == highlight && cells.pixel(x, r.bottom()) == highlight;
            if (edge)
                framed << cell.data().toString();
        }
    }
    QCOMPARE(framed, QStringList{QString::number(today.day())});

    if (menuItem == "addnote") {
        // Each week has room for its day and its Hijri day, eight points at least, one above
        // the other, and the last week is never cut.
        QFont eight = calendar->font();
        eight.setPointSizeF(8);
        const int digits = QFontMetrics(eight).tightBoundingRect(QStringLiteral("0123456789")).height();
        const QHeaderView *rows = days->verticalHeader();
        for (int row = 1; row < days->model()->rowCount(); ++row)
            QVERIFY2(rows->sectionSize(row) >= 2 * digits + 1, qPrintable(QStringLiteral("%1 %2").arg(rows->sectionSize(row)).arg(digits)));
        QVERIFY(rows->sectionViewportPosition(6) + rows->sectionSize(6) <= days->viewport()->height());
    }
}

void TestLook::openList(const char *menuItem)
{
    auto *action = MDIForm1::instance()->findChild<QAction *>(QString::fromLatin1(menuItem));
    QVERIFY(action);
    action->trigger();
    testing::runQueuedWork();
}

void TestLook::gridHeadingsShareOneSize_data()
{
    QTest::addColumn<QByteArray>("menuItem");
    QTest::newRow("phone list") << QByteArray("phone");
    QTest::newRow("appointment list") << QByteArray("note");
    QTest::newRow("cheque list") << QByteArray("check");
}

void TestLook::gridHeadingsShareOneSize()
{
    QFETCH(QByteArray, menuItem);
    testing::AppFolder folder;
    QVERIFY(testing::startProgram(folder));
    openList(menuItem.constData());
    DBGrid *grid = listGrid(menuItem);
    QVERIFY(grid);
    QVERIFY(grid->view()->horizontalHeader()->count() > 1);
    // Every heading in one size, and no word of a heading wider than its column, once laid out.
    const auto headingFault = [grid]() -> QString {
        const QHeaderView *header = grid->view()->horizontalHeader();
        const QAbstractItemModel *model = grid->model();
        const QFont font = model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>();
        for (int section = 0; section < header->count(); ++section) {
            if (header->isSectionHidden(section) || header->sectionSize(section) == 0)
                continue;
            const QFont heading = model->headerData(section, Qt::Horizontal, Qt::FontRole).value<QFont>();
            if (heading.pointSizeF() != font.pointSizeF())
                return QStringLiteral("column %1 in %2 points").arg(section).arg(heading.pointSizeF());
            const QString caption = model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
            for (const QString &word : caption.split(u' ', Qt::SkipEmptyParts)) {
                if (QFontMetrics(heading).horizontalAdvance(word) > header->sectionSize(section))
                    return QStringLiteral("\"%1\" wider than column %2").arg(word).arg(section);
            }
        }
        return {};
    };
    QTRY_COMPARE(headingFault(), QString());
    // An empty list whose columns fit shows no horizontal scroll bar.
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!grid->view()->horizontalScrollBar()->isVisible());
    testing::stopProgram();
}

void TestLook::telephoneNumbersThatFitAreNotShortened_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("spare"); // pixels of the cell beside the text
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("shown"); // what a whole cell draws; empty: the text
    QTest::newRow("phone with two pixels to spare") << QStringLiteral("+966 11 222 3333") << 2 << true << QString();
    QTest::newRow("phone with four pixels to spare") << QStringLiteral("+966 11 222 3333") << 4 << true << QString();
    QTest::newRow("Arabic with two pixels to spare") << QStringLiteral("محمد عبد الله") << 2 << true << QString();
    QTest::newRow("phone wider than its cell") << QStringLiteral("+966 11 222 3333") << -10 << false << QString();
    QTest::newRow("a note of three lines") << QStringLiteral("سطر أول \r\nسطر ثان\nوثالث") << 200 << true
                                           << QStringLiteral("سطر أول ↵");
}

void TestLook::telephoneNumbersThatFitAreNotShortened()
{
    QFETCH(QString, text);
    QFETCH(int, spare);
    QFETCH(bool, whole);
    QFETCH(QString, shown);
    QWidget window;
    DBGrid grid(QStringLiteral("DBGrid1"), &window);
    QStandardItemModel cells(1, 1);
    cells.setData(cells.index(0, 0), text);
    QTableView *view = grid.view();

    QStyleOptionViewItem option;
    option.initFrom(view);
    option.widget = view;
    option.font = view->font();
    option.fontMetrics = QFontMetrics(view->font());
    option.textElideMode = view->textElideMode();
    option.features = QStyleOptionViewItem::HasDisplay;
    const int width = int(std::ceil(QFontMetricsF(view->font()).horizontalAdvance(text))) + spare;
    option.rect = QRect(0, 0, width, view->verticalHeader()->defaultSectionSize());

    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        view->itemDelegate()->paint(&painter, option, cells.index(0, 0));
    }
    const QString drawn = recorder.texts.join(QString());
    if (whole) {
        QCOMPARE(drawn, shown.isEmpty() ? text : shown);
    } else {
        QVERIFY2(drawn.contains(QChar(0x2026)) || drawn.contains(QStringLiteral("...")), qPrintable(drawn));
        QVERIFY(QFontMetrics(view->font()).horizontalAdvance(drawn) <= width);
    }
}

void TestLook::listGridsUseTheWindow_data()
{
    QTest::addColumn<QByteArray>("menuItem");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QRect>("design"); // the grid's place in the design, twips
    QTest::addColumn<QList<int>>("longTexts"); // columns cut with "…", the first's text checked in a tooltip
    const QString phone = QStringLiteral(
        "INSERT INTO Phone VALUES ('عبد الرحمن بن عبد العزيز آل سعود', 'شارع الملك فهد، حي العليا، الرياض، "
        "المملكة العربية السعودية، ص.ب. 12345', 'abdulrahman.alsaud@example.com.sa', '+966 11 222 3333 44', "
        "'+218 91 555 0000', '+966 50 123 4567 89', '021-44455566677', 'سطر أول\nسطر ثان')");
    const QString note = QStringLiteral("INSERT INTO Note VALUES ('الأربعاء', '9', '12', '2026', '10:30 مساءً', "
                                        "'اجتماع مجلس الإدارة السنوي لمناقشة الميزانية والخطة القادمة وما يستجد من أعمال "
                                        "مع الشركاء في المنطقة الشرقية والغربية ومراجعة العقود والاتفاقيات الموقعة مع الموردين والعملاء "
                                        "في جميع الفروع داخل المملكة وخارجها خلال العام الماضي')");
    const QString cheque = QStringLiteral(
        "INSERT INTO Cheque VALUES ('9', '12', '2026', 'شركة الخليج العربي للتجارة والمقاولات المحدودة', "
        "123456789012, 750, 'مائة وثلاثة وعشرون مليار وأربعمائة وستة وخمسون مليون وسبعمائة وتسعة وثمانون "
        "ألف واثنا عشر ديناراً وسبعمائة وخمسون فلساً', 'ثمن بضاعة موردة حسب الفاتورة رقم ٤٥٦ بتاريخ أمس')");
    for (const QSize frame : {QSize(800, 600), QSize(1366, 768), QSize(1920, 1080)}) {
        const QByteArray size = QByteArray::number(frame.width());
        QTest::newRow("phone list at " + size) << QByteArray("phone") << frame << phone << QRect(360, 2400, 11160, 5415) << QList<int>{1, 2, 7};
        QTest::newRow("appointment list at " + size) << QByteArray("note") << frame << note << QRect(1680, 2040, 8295, 5415) << QList<int>{5};
        QTest::newRow("cheque list at " + size) << QByteArray("check") << frame << cheque << QRect(240, 2760, 11295, 5055) << QList<int>{6, 7};
    }
}

void TestLook::listGridsUseTheWindow()
{
    QFETCH(QByteArray, menuItem);
    QFETCH(QSize, frame);
    QFETCH(QString, insert);
    QFETCH(QRect, design);
    QFETCH(QList<int>, longTexts);
    const int longText = longTexts.first();
    testing::AppFolder folder;
    for (int i = 0; i < 40; ++i)
        folder.exec(insert);
    QVERIFY(testing::startProgram(folder));
    MDIForm1::instance()->resize(frame);
    openList(menuItem.constData());
    DBGrid *grid = listGrid(menuItem);
    QWidget *list = grid->parentWidget();
    QTableView *view = grid->view();
    QTRY_VERIFY(list->width() >= qMin(frame.width() - 100, twipsToPixels(11880) + 400));

    // The grid keeps the design's margins to the window's edges, so it grows with the window.
    const QRect place = twipsRect(design.x(), design.y(), design.width(), design.height());
    QTRY_COMPARE(list->width() - grid->geometry().right(), twipsToPixels(11880) - place.right());
    QCOMPARE(list->height() - grid->geometry().bottom(), twipsToPixels(8595) - place.bottom());
    QCOMPARE(grid->geometry().topLeft(), place.topLeft());
    // Wider than its design, its columns fill it, without a sideways scroll bar.
    if (grid->width() > place.width()) {
        QCOMPARE(view->horizontalHeader()->length(), view->viewport()->width());
        QVERIFY(!view->horizontalScrollBar()->isVisible());
    }

    // Every value but the long texts is whole in its column; a long text cut says all in its tooltip.
    const QFontMetricsF metrics(view->font());
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        const QModelIndex cell = view->model()->index(0, column);
        const QString text = cell.data().toString().section(u'\n', 0, 0);
        const qreal room = view->horizontalHeader()->sectionSize(column) - 1;
        if (longTexts.contains(column) || text.isEmpty())
            continue;
        QVERIFY2(metrics.horizontalAdvance(text) < room, qPrintable(QStringLiteral("column %1: %2").arg(column).arg(text)));
    }
    const QRect cut = view->visualRect(view->model()->index(0, longText));
    QVERIFY(metrics.horizontalAdvance(view->model()->index(0, longText).data().toString()) > cut.width());
    QHelpEvent help(QEvent::ToolTip, cut.center(), view->viewport()->mapToGlobal(cut.center()));
    QApplication::sendEvent(view->viewport(), &help);
    QTRY_COMPARE(QToolTip::text(), view->model()->index(0, longText).data().toString());
    QToolTip::hideText();
    testing::stopProgram();
}

void TestLook::windowsGrowWithTheFrame_data()
{
    QTest::addColumn<QByteArray>("menuItem"); // the list whose add button opens it, or the menu item
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRect>("button"); // Command1 in the design, twips
    for (const QSize frame : {QSize(800, 600), QSize(1366, 768), QSize(1920, 1080)}) {
        const QByteArray size = QByteArray::number(frame.width());
        QTest::newRow("start window at " + size) << QByteArray() << QStringLiteral("Form1") << frame << QRect(6008, 2685, 1815, 1575);
        QTest::newRow("phone entry at " + size) << QByteArray("phone") << QStringLiteral("Form3") << frame << QRect(6480, 6480, 1575, 615);
        QTest::newRow("appointment entry at " + size) << QByteArray("note") << QStringLiteral("Form5") << frame << QRect(7200, 6600, 1335, 615);
        QTest::newRow("cheque at " + size) << QByteArray("check") << QStringLiteral("Form7") << frame << QRect(6960, 6480, 1335, 615);
        QTest::newRow("import at " + size) << QByteArray("import") << QStringLiteral("Form12") << frame << QRect();
    }
}

void TestLook::windowsGrowWithTheFrame()
{
    QFETCH(QByteArray, menuItem);
    QFETCH(QString, window);
    QFETCH(QSize, frame);
    QFETCH(QRect, button);
    testing::AppFolder folder;
    folder.exec(QStringLiteral("INSERT INTO Cheque VALUES ('9', '12', '2026', 'شركة الخليج', 1500, 750, "
                               "'فقط ألف وخمسمائة دينار وسبعمائة وخمسون فلساً لا غير، تدفع نقداً أو بحوالة مصرفية "
                               "إلى حساب الشركة لدى المصرف', 'إيجار')"));
    QVERIFY(testing::startProgram(folder));
    MDIForm1::instance()->resize(frame);
    if (menuItem == "import") {
        openList(menuItem.constData());
    } else if (!menuItem.isEmpty()) {
        openList(menuItem.constData());
        // The cheque is opened to be changed, so that it shows its amount in words.
        const QString opener = menuItem == "check" ? QStringLiteral("Command5") : QStringLiteral("Command1");
        QTest::mouseClick(listGrid(menuItem)->parentWidget()->findChild<QPushButton *>(opener), Qt::LeftButton);
    }
    Form *form = Forms::find(window);
    QVERIFY(form);
    QTRY_VERIFY(form->isShown() && form->width() >= qMin(frame.width() - 100, twipsToPixels(11880) + 400));
    testing::runQueuedWork();

    if (window == u"Form12") {
        // A small window in the middle of the frame, however large the frame.
        const QRect panel = static_cast<Form12 *>(form)->Frame1->geometry();
        QVERIFY(qAbs(panel.left() - (form->width() - 1 - panel.right())) <= 1);
        QVERIFY(qAbs(panel.top() - (form->height() - 1 - panel.bottom())) <= 1);
        QVERIFY(panel.width() < twipsToPixels(7200) * 3 / 2);
    } else {
        // The design drawn as large as the window holds it, up to the largest factor; its
        // first button where the design has it, from the right edge, and its face as large.
        const QSize design = twipsSize(11880, 8595);
        const qreal fits = qMin(form->width() / qreal(design.width()), form->height() / qreal(design.height()));
        QCOMPARE(form->designScale(), std::clamp(std::floor(fits * 20) / 20, 1.0, Form::maximumScale));
        if (frame.width() == 1920)
            QCOMPARE(form->designScale(), Form::maximumScale);
        const qreal scale = form->designScale();
        const auto scaled = [scale](int twips) { return twipsToPixels(twips) * scale; };
        const QRect at = form->findChild<QAbstractButton *>(QStringLiteral("Command1"))->geometry();
        QVERIFY(qAbs(form->width() - at.right() - (design.width() * scale - scaled(button.x() + button.width()) + 1)) <= 2);
        QVERIFY(qAbs(at.top() - scaled(button.y())) <= 1);
        QVERIFY(qAbs(at.height() - scaled(button.height())) <= 1);
        if (window == u"Form7")
            QCOMPARE(form->findChild<TextBox *>(QStringLiteral("Text5"))->shownLines().size(), 2);
        // The start window's pictures grow with their buttons.
        if (window == u"Form1") {
            const auto *book = form->findChild<QAbstractButton *>(QStringLiteral("Command1"));
            QCOMPARE(book->icon().actualSize(book->iconSize()).width(), qRound(32 * scale));
        }
        if (window != u"Form1")
            QCOMPARE(form->findChild<QAbstractButton *>(QStringLiteral("Command1"))->font().pointSizeF(),
                     QApplication::font().pointSizeF() * scale);
    }
    const QStringList cut = testing::cutOrOutside(form);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    testing::stopProgram();
}

void TestLook::fileWindowsKeepPatternsAndDatesInOrder()
{
    testing::AppFolder folder;
    QVERIFY(testing::startProgram(folder));
    testing::ExpectBoxes fileWindow;
    // The backup's file window, as it is drawn: the type's pattern in its order after the
    // Arabic, "(*.mdb)" and not "(mdb.*)"; a file's time as every date of the program reads.
    struct Seen
    {
        QString type, time, fileTime;
    };
    const auto seen = std::make_shared<Seen>();
    const QString path = folder.path();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&poll, seen, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        const auto close = qScopeGuard([dialog] { dialog->reject(); });
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        // As the closed box draws its choice.
        testing::TextRecorder typeDrawn;
        types->render(&typeDrawn);
        seen->type = typeDrawn.texts.join(QString()).remove(QRegularExpression(QStringLiteral("[\\x{2066}-\\x{2069}]")));
        auto *files = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        QTRY_VERIFY(files->model()->rowCount(files->rootIndex()) > 0);
        const QModelIndex name = files->model()->index(0, 0, files->rootIndex());
        seen->time = files->model()->index(0, 3, files->rootIndex()).data().toString();
        const QDateTime at = QFileInfo(path + u'/' + name.data().toString()).lastModified();
        seen->fileTime = Dates::dateText(at.date()) + u' ' + at.time().toString(QStringLiteral("hh:mm"));
    });
    poll.start();
    openList("backup");
    QVERIFY2(seen->type.contains(QStringLiteral("(*.mdb)")), qPrintable(seen->type));
    QVERIFY(!seen->time.isEmpty());
    QCOMPARE(seen->time, seen->fileTime);
    testing::stopProgram();
}

void TestLook::anEmptyResultShowsNoSidewaysScrollBar()
{
    testing::AppFolder folder;
    for (int i = 0; i < 40; ++i)
        folder.exec(QStringLiteral("INSERT INTO Phone (\"الإسم\", \"المكتب\") VALUES (?, ?)"),
                    {QStringLiteral("اسم %1").arg(i), QStringLiteral("+966 11 222 333%1").arg(i)});
    QVERIFY(testing::startProgram(folder));
    openList("phone");
    Form2 *list = Forms::loaded<Form2>();
    QTableView *view = list->DBGrid1->view();
    QVERIFY(view->horizontalHeader()->length() <= view->viewport()->width());
    QVERIFY(!view->horizontalScrollBar()->isVisible());

    // A search that finds no one leaves the list empty, its columns set for the search.
    testing::BoxWatcher boxes;
    list->List1->setCurrentRow(0);
    list->Text1->setText(QStringLiteral("لا أحد"));
    list->Command2->click();
    QTRY_COMPARE(boxes.boxes().size(), 1);
    testing::runQueuedWork();
    QCOMPARE(list->DBGrid1->model()->rowCount(), 0);
    QVERIFY(!view->horizontalScrollBar()->isVisible());

    // A search that finds some shows them, and the bar comes back only if they need it.
    list->Text1->setText(QStringLiteral("اسم 1"));
    list->Command2->click();
    QTRY_VERIFY(list->DBGrid1->model()->rowCount() > 0);
    QTRY_COMPARE(view->horizontalScrollBar()->isVisible(), view->horizontalHeader()->length() > view->viewport()->width());
    testing::stopProgram();
}

void TestLook::listItemsStandInsideTheirFrame_data()
{
    QTest::addColumn<QSize>("size"); // the design's, in pixels
    QTest::addColumn<QStringList>("items");
    QTest::newRow("phone list's search kinds") << QSize(121, 30)
                                               << QStringList{QStringLiteral("بواسطة الإسم"), QStringLiteral("بواسطة الرقم")};
    QTest::newRow("cheque list's search kinds")
        << QSize(113, 43) << QStringList{QStringLiteral("البحث حسب التاريخ"), QStringLiteral("البحث حسب الإسم")};
}

void TestLook::listItemsStandInsideTheirFrame()
{
    QFETCH(QSize, size);
    QFETCH(QStringList, items);
    QWidget window;
    auto *list = new QListWidget(&window);
    list->resize(size);
    list->addItems(items);
    fitListItems(list);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QFontMetrics metrics(list->font());
    QVERIFY(list->font().pointSizeF() >= 6);
    for (int i = 0; i < list->count(); ++i) {
        const QRect rect = list->visualItemRect(list->item(i));
        QVERIFY2(list->viewport()->rect().contains(rect), qPrintable(items.at(i)));
        // A whole line of the face, and the text with a blank each side.
        QVERIFY2(metrics.height() <= rect.height(), qPrintable(QStringLiteral("%1 > %2").arg(metrics.height()).arg(rect.height())));
        QVERIFY(metrics.horizontalAdvance(items.at(i)) + 2 <= rect.width());
    }
    QVERIFY(!list->verticalScrollBar()->isVisible());
}

void TestLook::tabLeavesTheGrid()
{
    testing::AppFolder folder;
    for (int i = 0; i < 3; ++i)
        folder.exec(QStringLiteral("INSERT INTO Phone (\"الإسم\", \"المكتب\") VALUES (?, ?)"),
                    {QStringLiteral("اسم %1").arg(i), QStringLiteral("+966 11 222 333%1").arg(i)});
    testing::BoundWindow window(folder.databasePath(), QStringLiteral("Phone"));
    auto *column = new QVBoxLayout(&window.widget);
    auto *before = new QLineEdit(&window.widget);
    auto *grid = new DBGrid(QStringLiteral("DBGrid1"), &window.widget);
    auto *after = new QLineEdit(&window.widget);
    column->addWidget(before);
    column->addWidget(grid);
    column->addWidget(after);
    column->addWidget(window.data);
    QVERIFY(window.data->Refresh());
    grid->setDataSource(window.data);
    window.widget.show();
    QApplication::setActiveWindow(&window.widget);
    QVERIFY(QTest::qWaitForWindowActive(&window.widget));
    QCOMPARE(grid->model()->rowCount(), 3);

    grid->view()->setFocus();
    QTRY_VERIFY(grid->view()->hasFocus());
    QTest::keyClick(grid->view(), Qt::Key_Tab);
    QTRY_COMPARE(window.widget.focusWidget(), after);

    grid->view()->setFocus();
    QTRY_VERIFY(grid->view()->hasFocus());
    QTest::keyClick(grid->view(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_COMPARE(window.widget.focusWidget(), before);

    // The arrow keys still walk the rows.
    grid->view()->setFocus();
    QTRY_VERIFY(grid->view()->hasFocus());
    window.rs()->setCurrentRow(0);
    QTest::keyClick(grid->view(), Qt::Key_Down);
    QCOMPARE(window.rs()->currentRow(), 1);
}

void TestLook::pastedLineBreaksBecomeBlanks_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("line feed") << QStringLiteral("أحمد\nعلي") << QStringLiteral("أحمد علي");
    QTest::newRow("carriage return") << QStringLiteral("أحمد\rعلي") << QStringLiteral("أحمد علي");
    QTest::newRow("both, one blank") << QStringLiteral("أحمد\r\nعلي") << QStringLiteral("أحمد علي");
    QTest::newRow("line separator") << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") << QStringLiteral("a b");
    QTest::newRow("paragraph separator") << QStringLiteral("a") + QChar(0x2029) + QStringLiteral("b")
                                         << QStringLiteral("a b");
    QTest::newRow("several lines") << QStringLiteral("+966 11\n222\r\n\r\n3333")
                                   << QStringLiteral("+966 11 222  3333");
    QTest::newRow("no break") << QStringLiteral("كمال") << QStringLiteral("كمال");
}

void TestLook::pastedLineBreaksBecomeBlanks()
{
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    testing::AppFolder folder;
    folder.exec(QStringLiteral("INSERT INTO Phone (\"الإسم\") VALUES ('x')"));
    const QString field = QStringLiteral("الإسم");
    testing::BoundWindow window(folder.databasePath(), QStringLiteral("Phone"), {field});
    QVERIFY(window.data->Refresh());
    BoundTextBox *box = window.boxes.value(field);
    window.widget.show();
    QApplication::setActiveWindow(&window.widget);
    QVERIFY(QTest::qWaitForWindowActive(&window.widget));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());

    QApplication::clipboard()->setText(pasted);
    QCOMPARE(QApplication::clipboard()->text(), pasted);
    box->selectAll();
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->text(), expected);
    QCOMPARE(box->cursorPosition(), int(expected.size()));
    QCOMPARE(window.rs()->fieldText(field), expected);

    // Pasted in the middle of a word, the cursor stays after what was pasted.
    box->setText(QStringLiteral("ab"));
    box->setCursorPosition(1);
    box->paste();
    QCOMPARE(box->text(), QStringLiteral("a") + expected + QStringLiteral("b"));
    QCOMPARE(box->cursorPosition(), 1 + int(expected.size()));
}

void TestLook::aLongTextShowsItsBeginningUnlessEdited()
{
    testing::AppFolder folder;
    const QString address = QStringLiteral("شارع الملك فهد، حي العليا، الرياض، المملكة العربية السعودية، ص.ب. 12345");
    folder.exec(QStringLiteral("INSERT INTO Phone (\"العنوان\") VALUES (?)"), {address});
    const QString field = QStringLiteral("العنوان");
    testing::BoundWindow window(folder.databasePath(), QStringLiteral("Phone"), {field, QStringLiteral("الإسم")});
    QVERIFY(window.data->Refresh());
    BoundTextBox *box = window.boxes.value(field);
    box->resize(80, box->height());
    window.widget.show();
    QApplication::setActiveWindow(&window.widget);
    QVERIFY(QTest::qWaitForWindowActive(&window.widget));
    QCOMPARE(box->text(), address);
    QCOMPARE(box->cursorPosition(), 0);
    // Being edited, the box shows where the cursor is; left, its beginning again.
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_End);
    QCOMPARE(box->cursorPosition(), int(address.size()));
    window.boxes.value(QStringLiteral("الإسم"))->setFocus();
    QTRY_VERIFY(!box->hasFocus());
    QCOMPARE(box->cursorPosition(), 0);
    QCOMPARE(box->text(), address);
    // Two lines tall, a box that wraps shows the text from its beginning over both, the rest
    // cut with "…"; edited, it is one line again.
    box->resize(80, 2 * box->fontMetrics().height() + 8);
    box->setWrappedWhenIdle(true);
    const QStringList lines = box->shownLines();
    QCOMPARE(lines.size(), 2);
    // The cut is marked as the face can: "…", or three dots after a joiner that keeps the
    // letter before them joined.
    static const QRegularExpression cutMark(QStringLiteral("\\x{200D}?(…|\\.\\.\\.)$"));
    QString shown = lines.join(u' ');
    QVERIFY2(shown.contains(cutMark), qPrintable(shown));
    QVERIFY2(address.startsWith(shown.remove(cutMark)), qPrintable(shown));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(box->shownLines(), QStringList{address});
}

void TestLook::storedLineBreaksAreShownAsTheyAre()
{
    testing::AppFolder folder;
    const QString stored = QStringLiteral("سطر\nسطر آخر\r\nوثالث");
    folder.exec(QStringLiteral("INSERT INTO Phone (\"الإسم\") VALUES (?)"), {stored});
    const QString field = QStringLiteral("الإسم");
    testing::BoundWindow window(folder.databasePath(), QStringLiteral("Phone"), {field});
    QVERIFY(window.data->Refresh());
    QCOMPARE(window.boxes.value(field)->text(), stored);
    window.boxes.value(field)->setText(stored + QStringLiteral("\n"));
    QCOMPARE(window.boxes.value(field)->text(), stored + QStringLiteral("\n"));
    QCOMPARE(window.rs()->fieldText(field), stored + QStringLiteral("\n"));
}

TESTING_WINDOW_TEST_MAIN(TestLook)
#include "tst_look.moc"
