#include "driver.h"

#include "access.h"

#include "radicale/radicale.h"
#include "radicale/wait.h"
#include "testsupport.h"

#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/form.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "data/exchange/csv.h"
#include "data/exchange/icalendar.h"
#include "data/exchange/vcard.h"
#include "data/store/database.h"
#include "data/sync/service.h"
#include "appointments/form14.h"
#include "appointments/reminding.h"
#include "shell/form17.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QProcess>
#include <QMenu>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextBrowser>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QTreeWidget>
#include <QToolButton>
#include <QUuid>

#include <cstdio>

namespace session {

namespace {

void settle()
{
    // Queued work of the frame (the window a hide uncovers) and windows closing.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

Driver::Driver(const Switches &switches)
    : m_switches(switches)
{
}

Driver::~Driver()
{
    end();
}

bool Driver::begin()
{
    end();
    const bool converting = !m_switches.startFrom.isEmpty();
    m_folder = std::make_unique<testing::AppFolder>(!converting);
    if (converting && !QFile::copy(QStringLiteral(DALIL_ACCESS_FIXTURES "/") + m_switches.startFrom, m_folder->databasePath()))
        return false;
    m_model = std::make_unique<Model>(m_switches.day);
    m_books = std::make_unique<Books>(*m_model, m_switches);
    m_log.clear();
    m_skipped = 0;
    m_conflicts = m_conflictsKept = 0;
    m_failure.reset();
    m_reader = QStringLiteral("session-reader-") + QUuid::createUuid().toString();
    m_printTarget = m_folder->path() + QStringLiteral("/print.pdf");
    dalil::setPrintTarget(m_printTarget);
    m_otherProgram = std::make_unique<QWidget>();
    m_otherProgram->setWindowTitle(QStringLiteral("another copy"));
    m_otherProgram->resize(100, 100);
    m_clock = std::make_shared<Clock>(Clock{m_model->clock, 0});
    m_programClock.emplace(dalil::Clock::runningFrom(m_model->clock));
    m_dismissed.clear();
    m_snoozed.clear();
    const std::shared_ptr<Clock> clock = m_clock;
    if (m_switches.sync) {
        // A server of the session's own, a second device's book, and the program set to sync
        // with both collections, only when asked, the password given for the run.
        m_server = std::make_unique<testing::Radicale>();
        m_device = std::make_unique<testing::AppFolder>();
        if (!m_server->createCollections() || !m_server->start())
            return false;
        dalil::Sync::Settings settings;
        settings.server = m_server->url();
        settings.user = testing::Radicale::user;
        settings.addressBook = m_server->url(testing::Radicale::addressBook);
        settings.calendar = m_server->url(testing::Radicale::calendar);
        settings.intervalMinutes = 0;
        if (dalil::Sync::saveSettings(m_folder->databasePath(), settings).isError())
            return false;
        dalil::Database::closeAll();
        dalil::setSyncDelay(-1, false);
    }
    {
        // An older book: the user agrees to convert it, and the model starts from what was
        // converted (the conversion's own tests hold it to the Access file).
        std::optional<testing::BoxWatcher> conversion;
        if (converting)
            conversion.emplace(QMessageBox::Yes);
        // A book holding cheques Dalil cannot keep shows them first (Form17): the user goes on.
        QTimer goOn;
        QObject::connect(&goOn, &QTimer::timeout, [] {
            if (auto *held = dalil::Forms::loaded<dalil::Form17>(); held && held->isShown())
                QTest::mouseClick(held->Command1, Qt::LeftButton);
        });
        if (converting)
            goOn.start(20);
        if (!testing::startProgram(*m_folder, [clock] { return clock->now; }, [clock] { return clock->elapsed; }))
            return false;
        if (converting && !QTest::qWaitFor([&] { return conversion->boxes().size() == 2; }, 60000))
            return false;
    }
    if (m_switches.sync)
        dalil::Sync::Service::instance()->setPassword(testing::Radicale::password);
    // The file is read by a connection of the test's own, opened once it is a book.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_reader);
    db.setDatabaseName(m_folder->databasePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return false;
    for (int b = 0; converting && b < 3; ++b) {
        QList<qint64> keys;
        const QList<Row> rows = fileRows(Book(b), &keys);
        for (int i = 0; i < rows.size(); ++i) {
            Row row = rows.at(i);
            for (QVariant &value : row) {
                if (value.isNull())
                    value = QVariant(); // as the model keeps an empty column
            }
            m_model->tables[b].rows.insert(keys.at(i), row);
        }
    }
    return true;
}

void Driver::end()
{
    if (!m_folder)
        return;
    testing::stopProgram();
    dalil::setPrintTarget(QString());
    m_otherProgram.reset();
    QSqlDatabase::database(m_reader, false).close();
    QSqlDatabase::removeDatabase(m_reader);
    m_folder.reset();
    m_device.reset();
    m_server.reset();
    m_programClock.reset();
}

std::optional<Failure> Driver::run(const QList<Action> &actions, QList<Action> *done)
{
    if (!begin())
        return Failure{-1, QStringLiteral("start"), QStringLiteral("the program did not start")};
    for (int i = 0; i < actions.size(); ++i) {
        if (done)
            *done << actions.at(i);
        if (!step(actions.at(i), i))
            break;
    }
    end();
    return m_failure;
}

std::optional<Failure> Driver::runRandom(quint32 seed, int count, QList<Action> *done)
{
    if (!begin())
        return Failure{-1, QStringLiteral("start"), QStringLiteral("the program did not start")};
    QRandomGenerator random(seed);
    for (int i = 0; i < count; ++i) {
        const Action action = nextAction(*m_model, m_switches, random);
        if (done)
            *done << action;
        if (!step(action, i))
            break;
    }
    end();
    return m_failure;
}

bool Driver::step(const Action &original, int index)
{
    m_index = index;
    bool sendKey = false;
    const Action action = original.act == Act::FocusKey ? resolveFocusKey(original, &sendKey) : original;
    // A disabled button does nothing: the model follows the program's enabled states there.
    QAbstractButton *target = nullptr;
    if (action.act == Act::StartButton)
        target = child<QAbstractButton>(QStringLiteral("Form1"), QStringLiteral("Command%1").arg(action.n));
    else if (action.act == Act::Click || action.act == Act::DoubleClick)
        target = child<QAbstractButton>(action.form, action.control);
    if (target && !target->isEnabled() && m_model->top() == action.form) {
        m_log << QStringLiteral("%1. %2   [disabled]").arg(index).arg(original.describe());
        return true;
    }
    const Outcome outcome = m_books->apply(action);
    if (outcome.unsupported) {
        // Left undone: the model does not settle what the program does there.
        ++m_skipped;
        m_log << QStringLiteral("%1. %2   [skipped: %3]").arg(index).arg(original.describe(), outcome.why);
        return true;
    }
    if (!outcome.applicable) {
        m_log << QStringLiteral("%1. %2   [not possible now]").arg(index).arg(original.describe());
        return true;
    }
    m_log << QStringLiteral("%1. %2").arg(index).arg(original.describe());
    static const bool verbose = qEnvironmentVariableIsSet("DALIL_SESSION_VERBOSE");
    if (verbose)
        std::fprintf(stderr, "%s\n", qPrintable(m_log.last()));
    m_seen.clear();
    m_answer = original.answer;
    const bool sayYes = (original.act == Act::Deleted && original.n < 0) || (original.act == Act::Undo && original.answer == 1);
    QTimer answering;
    answering.setInterval(0);
    QObject::connect(&answering, &QTimer::timeout, [this, sayYes] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("session-answered").toBool())
            return;
        box->setProperty("session-answered", true);
        Seen seen{box->windowTitle(), box->text(), {}};
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        m_seen << seen;
        // The question a write meets over a record changed elsewhere: answer 1 keeps the changes.
        const bool conflict = box->text().startsWith(QStringLiteral("غيّر برنامج آخر"));
        const bool keepMine = conflict && m_answer == 1;
        m_conflicts += conflict;
        m_conflictsKept += keepMine;
        QAbstractButton *button = sayYes || keepMine ? box->button(QMessageBox::Yes) : nullptr;
        if (!button)
            button = box->button(QMessageBox::No);
        if (!button) {
            const auto buttons = box->buttons();
            button = buttons.value(qBound(0, m_answer, int(buttons.size()) - 1));
        }
        if (button)
            button->click();
    });
    answering.start();
    if (original.act == Act::FocusKey) {
        if (sendKey) {
            QWidget *focus = dalil::MDIForm1::instance()->focusWidget();
            if (!original.text.isEmpty())
                testing::typeText(focus, original.text);
            else
                QTest::keyClick(focus, Qt::Key(original.n));
        }
    } else {
        perform(action);
    }
    settle();
    answering.stop();
    if (m_failure) {
        m_failure->index = index;
        return false;
    }

    if (outcome.printed) {
        const bool printed = QFile::exists(m_printTarget);
        QFile::remove(m_printTarget);
        if (printed != *outcome.printed) {
            m_failure = Failure{index, QStringLiteral("print"),
                                printed ? QStringLiteral("a print came out where the model says none does")
                                        : QStringLiteral("nothing was printed where the model says it is")};
            return false;
        }
    }
    m_failure = checkAll(outcome, index);
    return !m_failure;
}

Action Driver::resolveFocusKey(const Action &action, bool *sendKey)
{
    // What the key does where the focus is, as the model understands it; sendKey false
    // when the key is not pressed at all (nowhere the model can follow it).
    Action none;
    none.act = Act::FocusKey;
    Action noop = none;
    noop.form = QStringLiteral("noop");
    *sendKey = false;
    QWidget *focus = dalil::MDIForm1::instance() ? dalil::MDIForm1::instance()->focusWidget() : nullptr;
    dalil::Form *f = formOf(focus);
    if (!focus || !f || !f->isShown() || f->objectName() != m_model->top())
        return none;
    const QString formName = f->objectName();
    const int key = action.n;
    const bool letter = !action.text.isEmpty();
    const bool enter = !letter && (key == Qt::Key_Return || key == Qt::Key_Enter);
    const bool tab = !letter && key == Qt::Key_Tab;
    if (!letter && key == Qt::Key_Escape) {
        // Esc in an entry window is its cancel button; in a list it does nothing.
        bool isEntry = false;
        const std::optional<Book> b = bookOfForm(formName, &isEntry);
        if (!b)
            return none;
        *sendKey = true;
        if (!isEntry)
            return noop;
        Action cancelled;
        cancelled.act = Act::Click;
        cancelled.form = formName;
        cancelled.control = QStringLiteral("Command3");
        return cancelled;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(focus)) {
        if (!button->isEnabled())
            return none;
        *sendKey = true;
        if (letter || (key != Qt::Key_Space && !enter))
            return noop; // letters do nothing on a button; Tab moves on; Space and Enter press it
        Action clicked;
        if (formName == u"Form1") {
            clicked.act = Act::StartButton;
            clicked.n = button->objectName().right(1).toInt();
        } else {
            clicked.act = Act::Click;
            clicked.form = formName;
            clicked.control = button->objectName();
        }
        return clicked;
    }
    if (auto *box = qobject_cast<dalil::TextBox *>(focus)) {
        *sendKey = true;
        if (tab)
            return noop;
        if (enter) {
            Action clicked;
            clicked.act = Act::Click;
            clicked.form = formName;
            // A search box searches; an entry box saves, but for the appointment's own text.
            if (formName == u"Form2" || formName == u"Form6")
                clicked.control = QStringLiteral("Command2");
            else if (formName == u"Form3" || formName == u"Form7" || (formName == u"Form5" && box->objectName() != u"Text1"))
                clicked.control = QStringLiteral("Command1");
            else
                return noop;
            return clicked;
        }
        const QString ch = letter ? action.text : QStringLiteral(" ");
        QString text = box->text();
        if (box->hasSelectedText())
            text.replace(box->selectionStart(), box->selectedText().size(), ch);
        else
            text.insert(box->cursorPosition(), ch);
        if (box->maxLength() > 0 && text.size() > box->maxLength())
            return noop;
        Action typed;
        typed.act = Act::Type;
        typed.form = formName;
        typed.control = box->objectName();
        typed.text = text;
        typed.n = 1; // one key: the box goes straight to its new text
        return typed;
    }
    if (qobject_cast<QTableView *>(focus)) {
        *sendKey = true;
        Action k;
        k.act = Act::GridKey;
        k.form = formName;
        k.n = Qt::Key_unknown; // the grid says where the key took it
        return k;
    }
    if (tab) {
        *sendKey = true;
        return noop;
    }
    return none;
}

void Driver::perform(const Action &a)
{
    auto *frame = dalil::MDIForm1::instance();
    switch (a.act) {
    case Act::StartButton:
        if (auto *b = child<QAbstractButton>(QStringLiteral("Form1"), QStringLiteral("Command%1").arg(a.n)))
            QTest::mouseClick(b, Qt::LeftButton);
        break;
    case Act::Menu:
        if (auto *item = frame->findChild<QAction *>(a.control))
            item->trigger();
        break;
    case Act::Click:
        if (auto *b = child<QAbstractButton>(a.form, a.control))
            QTest::mouseClick(b, Qt::LeftButton);
        break;
    case Act::DoubleClick:
        if (auto *b = child<QAbstractButton>(a.form, a.control)) {
            // Press, release, then the second press that the system reports as a double click.
            QTest::mouseClick(b, Qt::LeftButton);
            const QPoint at = b->rect().center();
            QMouseEvent dbl(QEvent::MouseButtonDblClick, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
            dbl.setTimestamp(QTest::lastMouseTimestamp - QTest::mouseDoubleClickInterval + 10);
            QApplication::sendEvent(b, &dbl);
            QMouseEvent up(QEvent::MouseButtonRelease, at, b->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                           Qt::NoModifier);
            up.setTimestamp(QTest::lastMouseTimestamp - QTest::mouseDoubleClickInterval + 20);
            QApplication::sendEvent(b, &up);
        }
        break;
    case Act::Type:
        if (auto *box = child<dalil::TextBox>(a.form, a.control)) {
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            if (!box->text().isEmpty())
                QTest::keyClick(box, Qt::Key_Backspace);
            testing::typeText(box, a.text);
        }
        break;
    case Act::PickKind:
        if (auto *list = child<QListWidget>(a.form, QStringLiteral("List1"))) {
            const QRect r = list->visualItemRect(list->item(a.n));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        }
        break;
    case Act::GridClick:
    case Act::SelectorClick:
        if (auto *grid = child<dalil::DBGrid>(a.form, QStringLiteral("DBGrid1"))) {
            QTableView *view = grid->view();
            const int row = a.n % view->model()->rowCount();
            view->scrollTo(view->model()->index(row, 0));
            if (a.act == Act::GridClick) {
                const QRect cell = view->visualRect(view->model()->index(row, 0));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
            } else {
                QHeaderView *header = view->verticalHeader();
                const int y = header->sectionViewportPosition(row) + header->sectionSize(row) / 2;
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->width() / 2, y));
            }
        }
        break;
    case Act::GridKey:
        if (auto *grid = child<dalil::DBGrid>(a.form, QStringLiteral("DBGrid1"))) {
            grid->view()->setFocus(Qt::TabFocusReason);
            QTest::keyClick(grid->view(), Qt::Key(a.n), Qt::KeyboardModifiers(a.m));
        }
        break;
    case Act::NavBar:
        if (auto *data = child<dalil::DataControl>(a.form, QStringLiteral("Data1"))) {
            if (auto *b = data->findChild<QToolButton *>(a.control))
                QTest::mouseClick(b, Qt::LeftButton);
        }
        break;
    case Act::CloseBox:
        if (dalil::Form *f = form(a.form))
            f->parentWidget()->close();
        break;
    case Act::OtherWrite:
        otherCopyWrites(a);
        break;
    case Act::Screen: {
        static const QSize screens[] = {{800, 600}, {1366, 768}, {1920, 1080}};
        dalil::MDIForm1::instance()->resize(screens[qBound(0, a.n, 2)]);
        break;
    }
    case Act::HelpFind:
        if (dalil::Form *help = form(QStringLiteral("Form8"))) {
            if (auto *viewer = help->findChild<QTextBrowser *>(QStringLiteral("RichTextBox1"))) {
                viewer->setFocus(Qt::OtherFocusReason);
                QTest::keyClick(viewer, Qt::Key_F, Qt::ControlModifier);
            }
            if (auto *find = help->findChild<QLineEdit *>(QStringLiteral("find"))) {
                testing::typeText(find, a.text);
                QTest::keyClick(find, Qt::Key_Return);
                QTest::keyClick(find, Qt::Key_Escape);
            }
        }
        break;
    case Act::Print:
        if (a.control == u"cheque") {
            if (auto *b = child<QAbstractButton>(QStringLiteral("Form7"), QStringLiteral("Command4")))
                QTest::mouseClick(b, Qt::LeftButton);
        } else if (auto *item = frame->findChild<QAction *>(QStringLiteral("print"))) {
            emit frame->file->aboutToShow();
            if (item->isEnabled())
                item->trigger();
        }
        break;
    case Act::Layouts:
        if (auto *item = frame->findChild<QAction *>(QStringLiteral("layouts"))) {
            item->trigger();
            if (dalil::Form *layouts = form(QStringLiteral("Form9"))) {
                if (auto *spin = layouts->findChild<QDoubleSpinBox *>(QStringLiteral("Spin%1").arg(a.n))) {
                    spin->setFocus(Qt::OtherFocusReason);
                    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(spin, a.text);
                    QTest::keyClick(spin, Qt::Key_Return);
                }
                if (auto *close = layouts->findChild<QAbstractButton *>(QStringLiteral("Command4")))
                    QTest::mouseClick(close, Qt::LeftButton);
            }
        }
        break;
    case Act::Undo:
        if (auto *grid = child<dalil::DBGrid>(a.form, QStringLiteral("DBGrid1"))) {
            // The user is in the program's window (a shortcut goes to the active window).
            QApplication::setActiveWindow(frame);
            grid->view()->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(grid->view(), Qt::Key_Z, Qt::ControlModifier);
        }
        break;
    case Act::Deleted:
        if (auto *item = frame->findChild<QAction *>(QStringLiteral("deleted"))) {
            item->trigger();
            if (dalil::Form *deleted = form(QStringLiteral("Form11"))) {
                auto *table = deleted->findChild<QTableWidget *>(QStringLiteral("Table1"));
                if (a.n >= 0 && table && table->rowCount() > 0) {
                    const QModelIndex cell = table->model()->index(a.n % table->rowCount(), 2);
                    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
                    if (auto *restore = deleted->findChild<QAbstractButton *>(QStringLiteral("Command1")))
                        QTest::mouseClick(restore, Qt::LeftButton);
                } else if (a.n < 0) {
                    if (auto *empty = deleted->findChild<QAbstractButton *>(QStringLiteral("Command2")))
                        QTest::mouseClick(empty, Qt::LeftButton);
                }
                if (auto *close = deleted->findChild<QAbstractButton *>(QStringLiteral("Command3")))
                    QTest::mouseClick(close, Qt::LeftButton);
            }
        }
        break;
    case Act::Backup:
        if (auto *item = frame->findChild<QAction *>(QStringLiteral("backup"))) {
            // The user names a new file in the file window and presses its button.
            const QString target = m_folder->path() + QStringLiteral("/backup-%1.mdb").arg(m_index);
            answerFileWindow(target, [item] { item->trigger(); });
        }
        break;
    case Act::Exchange:
        exchange(a);
        break;
    case Act::Reminders:
        reminders(a);
        break;
    case Act::Sync:
        syncRound(a);
        break;
    case Act::PickItem:
        if (auto *box = child<QComboBox>(a.form, a.control)) {
            // From the keyboard: the box takes the focus, the arrows move to the item.
            box->setFocus(Qt::TabFocusReason);
            for (int i = 0; i < box->count() && box->currentIndex() != a.n; ++i)
                QTest::keyClick(box, box->currentIndex() < a.n ? Qt::Key_Down : Qt::Key_Up);
        }
        break;
    case Act::FocusKey:
        break;
    }
}

void Driver::exchange(const Action &a)
{
    auto *frame = dalil::MDIForm1::instance();
    const Book b = Book(a.n);
    const QString path = m_folder->path()
        + QStringLiteral("/exchange-%1.%2").arg(m_index).arg(b == Phone ? u"vcf" : b == Note ? u"ics" : u"csv");
    if (a.m == 1) {
        // The file another program wrote: the records, in the format's own writer.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        const QStringList &columns = m_model->tables[b].columns;
        std::unique_ptr<dalil::Exchange::RecordWriter> writer;
        if (b == Phone)
            writer = dalil::VCard::writer(&file, dalil::VCard::Version::V4);
        else if (b == Note)
            writer = dalil::ICalendar::writer(&file, QTimeZone::systemTimeZone());
        else
            writer = dalil::Csv::writer(&file);
        for (qsizetype start = 0; start + columns.size() <= a.values.size(); start += columns.size()) {
            dalil::Records::Values record;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                if (!a.values.at(start + i).isEmpty())
                    record.insert(columns.at(i), a.values.at(start + i));
            }
            writer->write(record);
        }
        writer->finish();
    }
    auto *item = frame->findChild<QAction *>(a.m == 1 ? QStringLiteral("import") : QStringLiteral("export"));
    if (!item)
        return;
    item->trigger();
    auto *book = child<QComboBox>(QStringLiteral("Form12"), QStringLiteral("Combo1"));
    auto *next = child<QAbstractButton>(QStringLiteral("Form12"), QStringLiteral("Command1"));
    if (!book || !next)
        return;
    book->setCurrentIndex(a.n);
    answerFileWindow(path, [next] { QTest::mouseClick(next, Qt::LeftButton); });
    if (a.m == 1) {
        auto *leaveOut = child<QAbstractButton>(QStringLiteral("Form13"), QStringLiteral("Option2"));
        if (a.answer == 1 && leaveOut && leaveOut->isVisible())
            QTest::mouseClick(leaveOut, Qt::LeftButton);
        auto *import = child<QAbstractButton>(QStringLiteral("Form13"), QStringLiteral("Command1"));
        auto *cancel = child<QAbstractButton>(QStringLiteral("Form13"), QStringLiteral("Command2"));
        if (import && import->isEnabled() && import->isVisible())
            QTest::mouseClick(import, Qt::LeftButton);
        else if (cancel && cancel->isVisible())
            QTest::mouseClick(cancel, Qt::LeftButton);
    }
}

void Driver::answerFileWindow(const QString &path, const std::function<void()> &open)
{
    // The user looks through the book's own folder in the file window, while another program
    // reads the book; then names the file and presses the window's button. Listing a folder must
    // not cost the program the engine's locks on the book's shared memory (a descriptor of the
    // book closed anywhere in the process drops them): the other program would then think the
    // book unused and reset it under the program.
    const QString book = m_folder->databasePath();
    QDeadlineTimer listing(3000);
    bool listed = false;
    bool looked = false;
    bool named = false;
    QTimer naming;
    naming.setInterval(0);
    QObject::connect(&naming, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!looked) {
            auto *files = dialog->findChild<QFileSystemModel *>();
            if (files && !files->property("session-watched").toBool()) {
                files->setProperty("session-watched", true);
                QObject::connect(files, &QFileSystemModel::directoryLoaded, &naming, [&](const QString &folder) {
                    listed = listed || QFileInfo(folder) == QFileInfo(m_folder->path());
                });
                if (QFileInfo(dialog->directory().path()) != QFileInfo(m_folder->path()))
                    dialog->setDirectory(m_folder->path());
                else
                    listed = files->rowCount(files->index(m_folder->path())) > 0;
            }
            if (!listed && !listing.hasExpired())
                return;
            looked = true;
            if (testing::locksHeld(book + QStringLiteral("-shm")) <= 0)
                m_failure = Failure{-1, QStringLiteral("file"),
                                    QStringLiteral("the engine's locks on the book went while a file window listed its folder")};
            QProcess reader;
            reader.start(QStringLiteral("sqlite3"), {book, QStringLiteral("SELECT count(*) FROM Phone")});
            reader.waitForFinished(10000);
        }
        if (named) {
            // Still up after the file was named: the session is not to hang on it.
            naming.stop();
            dialog->reject();
            m_failure = Failure{-1, QStringLiteral("file"), QStringLiteral("the file window did not take ") + path};
            return;
        }
        named = true;
        // Typed into the name box (selectFile leaves the box as it is once it has the focus).
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    naming.start();
    open();
    naming.stop();
}

bool Driver::syncDevice()
{
    dalil::Sync::Http http({m_server->url(), testing::Radicale::user, testing::Radicale::password, {}});
    dalil::Sync::Engine engine(m_device->databasePath(), http,
                               {{QStringLiteral("Phone"), m_server->url(testing::Radicale::addressBook)},
                                {QStringLiteral("Note"), m_server->url(testing::Radicale::calendar)}});
    const std::optional<dalil::Sync::Outcome> outcome = testing::wait(engine.run());
    return outcome && outcome->ok();
}

void Driver::syncRound(const Action &a)
{
    if (!m_server)
        return;
    const Book b = a.control == u"Note" ? Note : Phone;
    if (!a.values.isEmpty()) {
        const Table &t = m_model->tables[b];
        QVariantList values;
        QStringList columns, marks;
        for (int i = 0; i < t.columns.size(); ++i) {
            values << storedValue(b, t.columns.at(i), a.values.value(i));
            columns << u'"' + t.columns.at(i) + u'"';
            marks << QStringLiteral("?");
        }
        m_device->exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t.name, columns.join(u','), marks.join(u',')),
                       values);
    }
    // The second device sends what it added; with nothing added its sync after the user's is enough.
    const bool deviceSynced = a.values.isEmpty() || syncDevice();
    // The user asks for a sync and waits until it is done.
    dalil::Sync::Service *service = dalil::Sync::Service::instance();
    if (auto *item = dalil::MDIForm1::instance()->findChild<QAction *>(QStringLiteral("syncnow")))
        item->trigger();
    const QDeadlineTimer deadline(300000);
    while (service->isSyncing() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const bool synced = service->state() == dalil::Sync::Service::State::Done && syncDevice() && deviceSynced;
    // Both books alike, but the appointments no calendar can place, which stay where they are.
    const auto rows = [](const testing::AppFolder &folder, Book book) {
        QStringList found;
        for (const QVariantList &row : folder.rows(QStringLiteral("SELECT * FROM %1").arg(book == Note ? "Note" : "Phone"))) {
            if (book == Note && !placedInCalendar(row))
                continue;
            QStringList cells;
            for (const QVariant &cell : row)
                cells << cell.toString();
            found << cells.join(QChar(0x1f));
        }
        found.sort();
        return found;
    };
    for (const Book book : {Phone, Note}) {
        if (!synced || rows(*m_folder, book) != rows(*m_device, book)) {
            m_failure = Failure{-1, QStringLiteral("sync"),
                                synced ? QStringLiteral("after a sync both ways, book %1 differs from the second device's: %2 | %3")
                                             .arg(m_model->tables[book].name, rows(*m_folder, book).join(u'/'),
                                                  rows(*m_device, book).join(u'/'))
                                       : QStringLiteral("a sync failed: %1").arg(service->statusText())};
            return;
        }
    }
}

void Driver::otherCopyWrites(const Action &a)
{
    // The user goes over to the other copy, which writes, and comes back.
    m_otherProgram->show();
    m_otherProgram->activateWindow();
    QCoreApplication::processEvents();
    const Book b = a.control == u"Phone" ? Phone : a.control == u"Note" ? Note : Cheque;
    const Table &t = m_model->tables[b];
    QVariantList values;
    QStringList columns, marks;
    for (int i = 0; i < t.columns.size(); ++i) {
        values << storedValue(b, t.columns.at(i), a.values.value(i));
        columns << u'"' + t.columns.at(i) + u'"';
        marks << QStringLiteral("?");
    }
    if (a.n == 3) {
        // A copy of the file, page for page, written beside it and renamed over it.
        const QString path = m_folder->databasePath();
        const QString copy = path + QStringLiteral(".sync");
        // The harness's own reader lets go of the old file, and opens the new one once the
        // program has been back in front (and has let go of the old one's log beside it).
        QSqlDatabase reader = QSqlDatabase::database(m_reader, false);
        reader.close();
        QProcess::execute(QStringLiteral("sqlite3"), {path, QStringLiteral(".backup '%1'").arg(copy)});
        QFile::rename(copy, path) || (QFile::remove(path) && QFile::rename(copy, path));
        m_otherProgram->hide();
        dalil::MDIForm1::instance()->activateWindow();
        QCoreApplication::processEvents();
        reader.open();
        return;
    }
    // The model has already applied the write: the row it picked is the one in the file.
    QList<qint64> keys;
    fileRows(b, &keys);
    if (a.n == 0) {
        m_folder->exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t.name, columns.join(u','), marks.join(u',')),
                       values);
    } else if (!keys.isEmpty()) {
        const qint64 key = keys.at(a.m % keys.size());
        if (a.n == 1) {
            QStringList sets;
            for (const QString &c : std::as_const(columns))
                sets << c + QStringLiteral(" = ?");
            values << key;
            m_folder->exec(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(t.name, sets.join(u',')), values);
        } else {
            m_folder->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(t.name), {key});
        }
    }
    m_otherProgram->hide();
    dalil::MDIForm1::instance()->activateWindow();
    QCoreApplication::processEvents();
}

void Driver::reminders(const Action &a)
{
    const QDateTime since = m_clock->now;
    const QDateTime to = QDateTime::fromString(a.text, Qt::ISODate);
    if (!to.isValid() || to <= since)
        return;
    m_clock->elapsed += since.msecsTo(to);
    m_clock->now = to;
    dalil::ReminderSchedule *schedule = dalil::Reminding::schedule();
    if (!schedule) {
        m_failure = Failure{-1, QStringLiteral("reminders"), QStringLiteral("the reminders are not running")};
        return;
    }
    using Key = std::pair<qint64, QDateTime>;
    const auto keysOf = [](dalil::Form14 *window) {
        QList<Key> keys;
        if (window) {
            for (const dalil::Reminders::Reminder &r : window->listed())
                keys << Key{r.noteKey, r.dueAt};
        }
        return keys;
    };
    const QList<Key> before = keysOf(dalil::Reminding::window());
    schedule->check();
    dalil::Form14 *window = dalil::Reminding::window();

    // What rang now: the window's rows that were not listed before, as the user reads them.
    QList<qint64> keys;
    const QList<Row> rows = fileRows(Note, &keys);
    QSet<Key> rang;
    const auto fail = [this](const QString &message) { m_failure = Failure{-1, QStringLiteral("reminders"), message}; };
    for (int g = 0; window && g < window->ListView1->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = window->ListView1->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            const auto r = group->child(i)->data(0, Qt::UserRole).value<dalil::Reminders::Reminder>();
            const Key key{r.noteKey, r.dueAt};
            if (before.contains(key))
                continue;
            rang.insert(key);
            const QString shown = group->child(i)->text(0);
            const qsizetype at = keys.indexOf(r.noteKey);
            if (at < 0)
                return fail(QStringLiteral("a reminder rang for appointment #%1, which is not in the file").arg(r.noteKey));
            const Row &row = rows.at(at);
            if (shown != cellText(row.at(5)))
                return fail(QStringLiteral("the reminder shows \"%1\" for appointment #%2, which holds \"%3\"")
                                .arg(shown).arg(r.noteKey).arg(cellText(row.at(5))));
            if (const auto due = sessionDue(row); due && *due != r.dueAt)
                return fail(QStringLiteral("appointment #%1 is due %2, its reminder says %3")
                                .arg(r.noteKey).arg(due->toString(Qt::ISODate), r.dueAt.toString(Qt::ISODate)));
            const QDateTime ringsAt = m_snoozed.value(key, r.dueAt.addSecs(-60 * m_model->lead));
            if (ringsAt <= since || ringsAt > to)
                return fail(QStringLiteral("appointment #%1 rang between %2 and %3, its time is %4")
                                .arg(r.noteKey).arg(since.toString(Qt::ISODate), to.toString(Qt::ISODate),
                                                    ringsAt.toString(Qt::ISODate)));
            if (m_dismissed.contains(key))
                return fail(QStringLiteral("appointment #%1 rang again after it was dismissed").arg(r.noteKey));
        }
    }
    // Every appointment whose time came rang, unless the user answered it already.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto due = sessionDue(rows.at(i));
        const Key key{keys.at(i), due.value_or(QDateTime())};
        const QDateTime ringsAt = due ? due->addSecs(-60 * m_model->lead) : QDateTime();
        if (due && ringsAt > since && ringsAt <= to && !m_dismissed.contains(key) && !m_snoozed.contains(key) && !rang.contains(key)
            && !before.contains(key)) // one still listed is not listed twice
            return fail(QStringLiteral("appointment #%1, due %2, did not ring").arg(keys.at(i)).arg(due->toString(Qt::ISODate)));
    }
    // A snooze rings at its end, while the appointment keeps its time. (A delete forgets
    // what the user answered: an appointment deleted and put back is not held to it.)
    for (auto it = m_snoozed.cbegin(); it != m_snoozed.cend(); ++it) {
        const qsizetype at = keys.indexOf(it.key().first);
        const bool everDeleted = m_model->everDeleted[Note].contains(it.key().first);
        if (it.value() > since && it.value() <= to && at >= 0 && !everDeleted && sessionDue(rows.at(at)) == it.key().second
            && !m_dismissed.contains(it.key()) && !rang.contains(it.key()))
            return fail(QStringLiteral("appointment #%1, snoozed until %2, did not ring").arg(it.key().first).arg(it.value().toString(Qt::ISODate)));
    }

    if (!rang.isEmpty() && !m_log.isEmpty()) {
        m_log.last() += QStringLiteral("   [%1 rang]").arg(rang.size());
        if (qEnvironmentVariableIsSet("DALIL_SESSION_VERBOSE"))
            std::fprintf(stderr, "    %d rang\n", int(rang.size()));
    }
    // The user answers the window, then it goes and the frame is in front again, as the
    // window manager brings it back. (The offscreen platform activates every window shown;
    // on a desktop the reminder comes up without taking the keyboard.)
    if (!window || !window->isVisible())
        return;
    const QList<dalil::Reminders::Reminder> chosen = window->selected();
    if (a.m == 1) {
        window->Combo1->setCurrentIndex(a.n % window->Combo1->count());
        const int minutes = window->Combo1->currentData().toInt();
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        for (const dalil::Reminders::Reminder &r : chosen)
            m_snoozed.insert(Key{r.noteKey, r.dueAt}, to.addSecs(60 * minutes));
        if (!chosen.isEmpty())
            m_model->snoozeEnds << to.addSecs(60 * minutes);
    } else if (a.m == 2) {
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        for (const dalil::Reminders::Reminder &r : chosen) {
            m_dismissed.insert(Key{r.noteKey, r.dueAt});
            m_snoozed.remove(Key{r.noteKey, r.dueAt});
        }
    }
    if (window->isVisible())
        window->close();
    dalil::MDIForm1::instance()->activateWindow();
    QCoreApplication::processEvents();
}

QList<Row> Driver::fileRows(Book b, QList<qint64> *keys)
{
    QList<Row> rows;
    QSqlDatabase db = QSqlDatabase::database(m_reader, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.exec(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(m_model->tables[b].name));
    while (query.next()) {
        keys->append(query.value(0).toLongLong());
        Row row;
        for (int i = 1; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

} // namespace session
