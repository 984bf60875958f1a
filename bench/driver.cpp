#include "driver.h"

#include "common/dbgrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace bench {

dalil::Form *window(const QString &name)
{
    dalil::Form *form = dalil::Forms::find(name);
    if (!form)
        missing(name, QString());
    return form;
}

void missing(const QString &form, const QString &name)
{
    std::fprintf(stderr, "dalil-bench: %s%s%s is not there\n", qPrintable(form), name.isEmpty() ? "" : ".",
                 qPrintable(name));
    std::exit(2);
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void click(const QString &form, const QString &button)
{
    click(control<QAbstractButton>(form, button));
}

void clickListItem(QListWidget *list, int row)
{
    const QRect at = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
}

void clickGridRow(dalil::DBGrid *grid, int row)
{
    QTableView *view = grid->view();
    const QRect at = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at.center());
}

void typeInto(QLineEdit *box, const QString &text)
{
    box->clear();
    for (const uint c : text.toUcs4()) {
        const char32_t code = c;
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString::fromUcs4(&code, 1), Qt::NoModifier);
    }
}

namespace {

// Counts the paints of a grid's viewport: painting is what reads the rows on screen.
class PaintCounter : public QObject
{
public:
    using QObject::QObject;
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void settle(dalil::Form *form)
{
    auto *grid = form->findChild<dalil::DBGrid *>(QStringLiteral("DBGrid1"));
    QWidget *viewport = grid ? grid->view()->viewport() : nullptr;
    // Found by its name: without a meta-object of its own, a cast would take any child for it.
    static const QString counterName = QStringLiteral("benchPaintCounter");
    auto *counter = viewport ? static_cast<PaintCounter *>(viewport->findChild<QObject *>(counterName, Qt::FindDirectChildrenOnly))
                             : nullptr;
    if (viewport && !counter) {
        counter = new PaintCounter(viewport);
        counter->setObjectName(counterName);
        viewport->installEventFilter(counter);
    }
    const int before = counter ? counter->paints : 0;
    // One turn of the event loop paints what changed, as on screen: the result is shown.
    // (The grid's own zero-time timers then paint it once more, after the result is up.)
    QCoreApplication::processEvents();
    // Where it painted nothing of the grid, paint it now, so that the rows on screen are read.
    if (viewport && counter->paints == before)
        viewport->repaint();
}

void flush()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void idle()
{
    // Two turns: the zero-time timers the first turn starts fire in the second.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

qint64 shownCount(const QString &form)
{
    auto *panel = window(form)->findChild<QLabel *>(QStringLiteral("Panel1"));
    if (!panel)
        return -1;
    static const QRegularExpression number(QStringLiteral("(\\d+)"));
    const auto match = number.match(panel->text());
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

struct BoxAnswerer::Private
{
    QTimer timer;
    int seen = 0;
};

BoxAnswerer::BoxAnswerer()
    : d(new Private)
{
    d->timer.setInterval(10);
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("bench-seen").toBool())
            return;
        box->setProperty("bench-seen", true);
        ++d->seen;
        std::fprintf(stderr, "dalil-bench: message box \"%s\": %s\n", qPrintable(box->windowTitle()),
                     qPrintable(box->text()));
        QPointer<QMessageBox> guard(box);
        QTimer::singleShot(0, box, [guard] {
            if (guard && !guard->buttons().isEmpty())
                guard->buttons().first()->click();
        });
    });
    d->timer.start();
}

BoxAnswerer::~BoxAnswerer()
{
    delete d;
}

int BoxAnswerer::seen() const
{
    return d->seen;
}

Book phoneBook()
{
    Book book{QStringLiteral("phone"), QStringLiteral("Command1"), QStringLiteral("Form2"), QStringLiteral("Form3"),
              QStringLiteral("Command1"), QStringLiteral("Command5"), QStringLiteral("Command3"),
              QStringLiteral("Command4"), QStringLiteral("Text1"), 0, {}};
    book.fillEntry = [](int rep) {
        typeInto(control<QLineEdit>(QStringLiteral("Form3"), QStringLiteral("Text1")),
                 QStringLiteral("بدر سالم الاختبار ") + QString::number(rep));
        typeInto(control<QLineEdit>(QStringLiteral("Form3"), QStringLiteral("Text2")),
                 QStringLiteral("011 555 %1").arg(rep, 4, 10, QLatin1Char('0')));
        typeInto(control<QLineEdit>(QStringLiteral("Form3"), QStringLiteral("Text3")), QStringLiteral("050 123 4567"));
    };
    return book;
}

Book appointmentBook()
{
    Book book{QStringLiteral("appointment"), QStringLiteral("Command2"), QStringLiteral("Form4"),
              QStringLiteral("Form5"), QStringLiteral("Command1"), QStringLiteral("Command4"),
              QStringLiteral("Command2"), QStringLiteral("Command3"), QStringLiteral("Text1"), 5, {}};
    book.fillEntry = [](int rep) {
        const QString form = QStringLiteral("Form5");
        typeInto(control<QLineEdit>(form, QStringLiteral("Text1")), QStringLiteral("اجتماع الاختبار ") + QString::number(rep));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text2")), QStringLiteral("الأحد"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text3")), QStringLiteral("10:30"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text4")), QStringLiteral("5"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text5")), QStringLiteral("6"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text6")), QString::number(QDate::currentDate().year() + 1));
    };
    return book;
}

Book chequeBook()
{
    Book book{QStringLiteral("cheque"), QStringLiteral("Command3"), QStringLiteral("Form6"), QStringLiteral("Form7"),
              QStringLiteral("Command1"), QStringLiteral("Command5"), QStringLiteral("Command3"),
              QStringLiteral("Command4"), QStringLiteral("Text4"), 3, {}};
    book.fillEntry = [](int rep) {
        const QString form = QStringLiteral("Form7");
        typeInto(control<QLineEdit>(form, QStringLiteral("Text1")), QStringLiteral("15"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text3")), QStringLiteral("6"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text2")), QStringLiteral("2024"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text4")), QStringLiteral("مؤسسة الاختبار"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text6")), QStringLiteral("اختبار ") + QString::number(rep));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text8")), QStringLiteral("1000"));
        typeInto(control<QLineEdit>(form, QStringLiteral("Text7")), QStringLiteral("250"));
        // The amount in words is the program's own, written as the figures are typed.
    };
    return book;
}

void unloadBook(const Book &book)
{
    for (const QString &name : {book.entry, book.list}) {
        if (dalil::Form *form = dalil::Forms::find(name)) {
            form->Unload();
            flush();
        }
    }
    dalil::Forms::showStartWindow();
    flush();
}

void openFresh(const Book &book)
{
    unloadBook(book);
    click(QStringLiteral("Form1"), book.startButton);
    settle(window(book.list));
}

void backToStart(const Book &book)
{
    if (dalil::Form *list = dalil::Forms::find(book.list); list && list->isShown())
        click(book.list, book.back);
    flush();
}

} // namespace bench
