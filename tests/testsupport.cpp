#include "testsupport.h"

#include "common/datacontrol.h"
#include "common/textbox.h"
#include "data/store/database.h"
#include "shell/mdiform1.h"
#include "shell/program.h"
#include "appointments/reminding.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QPushButton>
#include <QProgressDialog>
#include <QFileDialog>
#include <QTimer>
#include <QToolButton>

namespace testing {

bool startProgram(const AppFolder &folder, dalil::Reminders::Clock clock, dalil::ReminderSchedule::Elapsed elapsed)
{
    const bool reminding = bool(clock);
    dalil::setReminderClock(std::move(clock), std::move(elapsed));
    dalil::setApplicationFolder(folder.path());
    dalil::start();
    if (!QTest::qWaitForWindowExposed(dalil::MDIForm1::instance()))
        return false;
    return !reminding || QTest::qWaitFor([] { return dalil::Reminding::isRunning(); });
}

void stopProgram()
{
    dalil::endProgram();
    runQueuedWork();
    dalil::Database::closeAll();
}

void ProgramFixture::init()
{
    folder = std::make_unique<AppFolder>();
    QVERIFY(startProgram(*folder));
    if (m_frame == Frame::Active)
        QApplication::setActiveWindow(dalil::MDIForm1::instance());
}

void ProgramFixture::cleanup()
{
    stopProgram();
    folder.reset();
}

void runQueuedWork()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

namespace {

// How many ExpectBoxes live: while any does, a box is part of the test.
int expecting = 0;

} // namespace

ExpectBoxes::ExpectBoxes()
{
    ++expecting;
}

ExpectBoxes::~ExpectBoxes()
{
    --expecting;
}

BoxGuard::BoxGuard(Report report)
    : m_report(std::move(report))
{
    QCoreApplication::instance()->installEventFilter(this);
}

BoxGuard::~BoxGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool BoxGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || expecting > 0 || !watched->isWidgetType())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    const bool isBox = qobject_cast<QMessageBox *>(window);
    // A progress window asks nothing: it shows on a slow machine (the sanitizers) and goes by itself.
    const bool isModalDialog = qobject_cast<QDialog *>(window) && window->isModal() && !qobject_cast<QProgressDialog *>(window);
    if (window->isWindow() && (isBox || isModalDialog) && !window->property("testing-unexpected").toBool())
        unexpected(window);
    return false;
}

void BoxGuard::unexpected(QWidget *window)
{
    window->setProperty("testing-unexpected", true);
    QString line;
    if (auto *box = qobject_cast<QMessageBox *>(window))
        line = QStringLiteral("Unexpected message box \"%1\": %2").arg(box->windowTitle(), box->text());
    else
        line = QStringLiteral("Unexpected dialog \"%1\" (%2)").arg(window->windowTitle(),
                                                                 QString::fromLatin1(window->metaObject()->className()));
    m_reported << line;
    // Closed by the box's own event loop as soon as it runs, so the test goes on at once.
    QPointer<QDialog> dialog(qobject_cast<QDialog *>(window));
    QTimer::singleShot(0, window, [dialog] {
        if (dialog)
            dialog->reject();
    });
    if (m_report)
        m_report(line);
    else if (QTest::currentTestFunction())
        QTest::qFail(qPrintable(line), __FILE__, __LINE__);
    else
        qFatal("%s, outside any test", qPrintable(line));
}

struct BoxWatcher::Private
{
    QTimer timer;
    QList<SeenBox> seen;
};

BoxWatcher::BoxWatcher(QMessageBox::StandardButton answer)
    : d(std::make_unique<Private>())
    , m_answer(answer)
{
    d->timer.setInterval(20);
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("testing-seen").toBool())
            return;
        box->setProperty("testing-seen", true);
        SeenBox seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.direction = box->layoutDirection();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        d->seen << seen;
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->buttons().value(0);
        QPointer<QMessageBox> guard(box);
        QTimer::singleShot(0, box, [guard, button] {
            if (guard && button)
                button->click();
        });
    });
    d->timer.start();
}

BoxWatcher::~BoxWatcher() = default;

QList<SeenBox> BoxWatcher::boxes() const
{
    return d->seen;
}

void BoxWatcher::clear()
{
    d->seen.clear();
}

BoundWindow::BoundWindow(const QString &database, const QString &source, const QStringList &fields)
    : data(new dalil::DataControl(QStringLiteral("Data1"), &widget))
{
    data->setDatabaseName(database);
    data->setRecordSource(source);
    for (const QString &field : fields) {
        auto *box = new dalil::BoundTextBox(field, &widget);
        box->setDataSource(data);
        box->setDataField(field);
        boxes.insert(field, box);
    }
}

dalil::RecordSource *BoundWindow::rs() const
{
    return data->Recordset();
}

void BoundWindow::type(const QString &field, const QString &text)
{
    boxes.value(field)->clear();
    typeText(boxes.value(field), text);
}

void typeText(QWidget *widget, const QString &text)
{
    // One key a character; a character outside the BMP travels as its surrogate pair.
    for (const uint c : text.toUcs4()) {
        const char32_t code = c;
        const QString ch = QString::fromUcs4(&code, 1);
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, ch, Qt::NoModifier);
    }
}

QStringList cutOrOutside(QWidget *window)
{
    QStringList found;
    const auto controls = window->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (!control->isVisibleTo(window) || control->window() != window->window())
            continue;
        const QRect inWindow(control->mapTo(window, QPoint(0, 0)), control->size());
        if (control->parentWidget() == window && !window->rect().contains(inWindow))
            found << control->objectName() + QStringLiteral(" outside");
        QString text;
        int room = 0;
        if (auto *label = qobject_cast<QLabel *>(control); label && label->wordWrap()) {
            if (!label->text().isEmpty() && label->heightForWidth(label->width()) > label->height())
                found << control->objectName() + QStringLiteral(" too low for its lines \"%1\"").arg(label->text());
        } else if (label && label->pixmap().isNull()) {
            text = label->text();
            room = label->contentsRect().width() - 2 * label->margin();
            if (!text.isEmpty() && label->fontMetrics().height() > label->contentsRect().height())
                found << control->objectName() + QStringLiteral(" too low for \"%1\"").arg(text);
        } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
            text = check->text();
            room = check->width() - (check->sizeHint().width() - check->fontMetrics().horizontalAdvance(text));
        } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            // A tool button's text may reach its frame; a push button keeps a margin.
            text = button->text();
            room = button->width() - (qobject_cast<QToolButton *>(button) ? 2 : 4);
        }
        text.remove(u'&');
        if (const int wide = control->fontMetrics().horizontalAdvance(text); !text.isEmpty() && wide > room)
            found << control->objectName() + QStringLiteral(" cuts \"%1\" (%2 pixels in %3)").arg(text).arg(wide).arg(room);
    }
    return found;
}

void answerFileDialog(const QString &path)
{
    QTimer::singleShot(0, [path] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible()) {
                dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept");
                return;
            }
        }
        answerFileDialog(path);
    });
}

QString drawnText(QAbstractItemView *view, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(view); // the view's reading direction
    option.widget = view;
    option.font = view->font();
    option.fontMetrics = QFontMetrics(view->font());
    option.textElideMode = view->textElideMode();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.rect = QRect(0, 0, 2000, 30); // room enough: nothing shortened
    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        view->itemDelegateForIndex(index)->paint(&painter, option, index);
    }
    return recorder.texts.join(QString());
}

} // namespace testing
