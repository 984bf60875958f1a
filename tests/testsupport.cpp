#include "testsupport.h"

#include "schema_sql.h"

#include "common/datacontrol.h"
#include "common/textbox.h"
#include "data/store/database.h"
#include "data/store/searchkeys.h"
#include "data/store/upgrade.h"
#include "shell/mdiform1.h"
#include "shell/program.h"
#include "appointments/reminding.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QPushButton>
#include <QProgressDialog>
#include <QFileDialog>
#include <QTimer>
#include <QUuid>

#include <sqlite3.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace testing {

namespace {

// A file as a layout up to 3 had it: the new file's schema, then the upgrade's plain steps.
QByteArray layoutSql(int version)
{
    QByteArray sql(schemaSql);
    for (int step = 2; step <= version; ++step)
        sql += dalil::Upgrade::stepSql(step);
    sql.replace("PRAGMA user_version = 1;", "PRAGMA user_version = " + QByteArray::number(version) + ';');
    return sql;
}

} // namespace

QByteArray firstLayoutSql()
{
    return layoutSql(1);
}

QByteArray secondLayoutSql()
{
    return layoutSql(2);
}

bool createDatabase(const QString &path, const QByteArray &given)
{
    const QByteArray sql = given.isEmpty() ? layoutSql(3) : given;
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    if (error) {
        qWarning("schema: %s", error);
        sqlite3_free(error);
    }
    // A new book as the program leaves it after its first opening, search keys and all.
    if (given.isEmpty()) {
        dalil::SearchKeys::registerFunctions(db);
        if (dalil::Upgrade::bringUpToDate(db) != dalil::Upgrade::currentVersion)
            qWarning("the new book was not brought up to date");
    }
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

bool runAsOrdinaryUser()
{
    return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
}

AppFolder::AppFolder(bool withDatabase)
{
    if (withDatabase && !createDatabase(databasePath()))
        qFatal("cannot create the test database");
}

namespace {

template <class Fn>
void withConnection(const QString &path, Fn fn)
{
    const QString name = QStringLiteral("test-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlQuery run(QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec())
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query;
}

} // namespace

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

void runQueuedWork()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void AppFolder::exec(const QString &sql, const QVariantList &values) const
{
    withConnection(databasePath(), [&](QSqlDatabase &db) { run(db, sql, values); });
}

QList<QVariantList> AppFolder::rows(const QString &sql, const QVariantList &values) const
{
    QList<QVariantList> result;
    withConnection(databasePath(), [&](QSqlDatabase &db) {
        QSqlQuery query = run(db, sql, values);
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i);
            result << row;
        }
    });
    return result;
}

QVariant AppFolder::value(const QString &sql, const QVariantList &values) const
{
    const auto all = rows(sql, values);
    return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
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

QList<std::pair<const char *, QString>> hostileTexts()
{
    QString tenThousand;
    while (tenThousand.size() < 10000)
        tenThousand += QStringLiteral("اسم طويل جداً long name 0123456789 ");
    tenThousand.truncate(10000);
    return {
        {"10,000 characters", tenThousand},
        {"control characters", QStringLiteral("a\tb\nc\rd") + QChar(1) + QStringLiteral("e") + QChar(0x7f) + QChar(0)
                                   + QStringLiteral("f")},
        {"direction marks", QStringLiteral("\u200Fمرحبا\u200E abc \u202Bنص\u202C \u2066x\u2069")},
        {"combining marks", QStringLiteral("ب\u064E\u0651ت\u0650 e\u0301\u0301")},
        {"emoji", QStringLiteral("😀 👨‍👩‍👧 🇸🇦 ✓")},
        {"SQL to drop a table", QStringLiteral("'; DROP TABLE Phone; --")},
        {"SQL that is always true", QStringLiteral("' OR '1'='1")},
        {"percent", QStringLiteral("50%")},
        {"underscore", QStringLiteral("a_b")},
        {"star", QStringLiteral("a*b")},
        {"question mark", QStringLiteral("a?b")},
        {"bracket", QStringLiteral("[a")},
    };
}

// A line of /proc/locks reads "1: POSIX  ADVISORY  READ  4242 fe:00:1093 128 128".
int locksHeld(const QString &file)
{
    struct stat id = {};
    if (::stat(QFile::encodeName(file).constData(), &id) != 0)
        return -1;
    const QByteArray inode = QByteArray::number(major(id.st_dev), 16).rightJustified(2, '0') + ':'
                             + QByteArray::number(minor(id.st_dev), 16).rightJustified(2, '0') + ':'
                             + QByteArray::number(qulonglong(id.st_ino));
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return -1;
    int held = 0;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        held += words.size() >= 8 && words[4] == QByteArray::number(::getpid()) && words[5] == inode;
    }
    return held;
}

} // namespace testing
