#include "service.h"

#include "keyring.h"

#include "data/store/options.h"

#include "data/text/clock.h"
#include "data/text/counts.h"
#include "data/text/clocktime.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace dalil::Sync {

namespace {

const QString serverKey = QStringLiteral("sync.server");
const QString userKey = QStringLiteral("sync.user");
const QString addressBookKey = QStringLiteral("sync.addressBook");
const QString calendarKey = QStringLiteral("sync.calendar");
const QString intervalKey = QStringLiteral("sync.interval");
const QString certificateKey = QStringLiteral("sync.certificate");

Task<void> findCollections(Account account, std::function<void(const Discovery &)> done)
{
    Http http(std::move(account));
    DavClient client(http);
    const Discovery found = co_await client.discover();
    done(found);
}

} // namespace

Settings readSettings(const QString &databasePath)
{
    Settings settings;
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return settings;
    for (const auto &[name, kept] : Options::withPrefix(db, QStringLiteral("sync."))) {
        const QString value = kept.toString();
        if (name == serverKey)
            settings.server = QUrl(value);
        else if (name == userKey)
            settings.user = value;
        else if (name == addressBookKey)
            settings.addressBook = QUrl(value);
        else if (name == calendarKey)
            settings.calendar = QUrl(value);
        else if (name == intervalKey)
            settings.intervalMinutes = value.toInt();
        else if (name == certificateKey)
            settings.certificate = value;
    }
    return settings;
}

DataError saveSettings(const QString &databasePath, const Settings &settings)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return error;
    // One statement: all of them are kept, or none.
    QSqlError failed;
    if (!Options::set(db,
                      {{serverKey, settings.server.toString(QUrl::RemoveUserInfo)},
                       {userKey, settings.user},
                       {addressBookKey, settings.addressBook.toString(QUrl::RemoveUserInfo)},
                       {calendarKey, settings.calendar.toString(QUrl::RemoveUserInfo)},
                       {intervalKey, QString::number(settings.intervalMinutes)},
                       {certificateKey, settings.certificate}},
                      &failed))
        return DataError::fromSql(failed, databasePath);
    return {};
}

Service *Service::instance()
{
    static Service *service = new Service;
    return service;
}

Service::Service()
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Service::syncNow);
    const auto notices = Records::WriteNotices::instance();
    connect(notices, &Records::WriteNotices::recordWritten, this,
            [this](const QString &path, const QString &table) { written(path, table); });
    connect(notices, &Records::WriteNotices::recordRemoved, this,
            [this](const QString &path, const QString &table) { written(path, table); });
    connect(notices, &Records::WriteNotices::recordsAdded, this,
            [this](const QString &path, const QString &table) { written(path, table); });
}

void Service::start(const QString &databasePath, int firstDelayMilliseconds)
{
    stop();
    m_path = databasePath;
    m_settings = readSettings(databasePath);
    m_state = m_settings.isSet() ? State::Idle : State::Off;
    emit statusChanged();
    if (m_settings.isSet() && firstDelayMilliseconds >= 0)
        schedule(firstDelayMilliseconds);
}

void Service::stop()
{
    m_timer.stop();
    m_task.reset();
    m_discovery.reset();
    m_keyring.reset();
    m_path.clear();
    m_password.reset();
    m_askedForPassword = false;
    m_again = false;
    m_conflicts.clear();
    m_outcome = {};
    m_lastSync = {};
    m_state = State::Off;
}

void Service::schedule(int milliseconds)
{
    if (!m_settings.isSet() || m_path.isEmpty())
        return;
    if (m_task) {
        m_again = true;
        return;
    }
    m_timer.start(milliseconds);
}

void Service::written(const QString &databasePath, const QString &table)
{
    // The sync's own writes do not call for another sync.
    if (m_announcing || databasePath != m_path || (table != u"Phone" && table != u"Note"))
        return;
    if (m_task)
        m_again = true;
    else if (!m_timer.isActive() || m_timer.remainingTime() > afterSaveMilliseconds)
        schedule(afterSaveMilliseconds);
}

DataError Service::setSettings(const Settings &settings, const QString &password)
{
    const DataError error = saveSettings(m_path, settings);
    if (error.isError())
        return error;
    const bool sameAccount = settings.server == m_settings.server && settings.user == m_settings.user;
    m_settings = settings;
    if (!password.isEmpty() || !sameAccount)
        m_password = password.isEmpty() ? std::optional<QString>() : std::optional<QString>(password);
    if (!password.isEmpty()) {
        // Kept in the keyring where there is one; the task lives as long as the write.
        m_keyring.reset();
        m_keyring = [](QString entry, QString secret) -> Task<void> {
            co_await Keyring::write(entry, secret);
        }(Keyring::entryFor(settings.user, settings.server), password);
        m_keyring->start();
    }
    m_conflicts.clear();
    m_state = settings.isSet() ? State::Idle : State::Off;
    emit statusChanged();
    if (m_task)
        m_again = true;
    else
        schedule(0);
    return {};
}

void Service::setPassword(const QString &password)
{
    m_password = password;
    schedule(0);
}

void Service::syncNow()
{
    if (m_path.isEmpty() || !m_settings.isSet())
        return;
    if (m_task) {
        m_again = true;
        return;
    }
    m_timer.stop();
    m_task = run();
    m_task->start();
}

Task<void> Service::run()
{
    m_state = State::Running;
    emit statusChanged();
    Outcome outcome;
    if (!QFileInfo(m_path).isWritable()) {
        outcome.error = {DataError::Kind::ReadOnly, m_path, {}, {}};
    } else {
        if (!m_password) {
            const QString entry = Keyring::entryFor(m_settings.user, m_settings.server);
            m_password = co_await Keyring::read(entry);
        }
        if (!m_password) {
            outcome.failed.failure = Failure::Authentication;
            outcome.failed.detail = QStringLiteral("password");
            if (!m_askedForPassword) {
                m_askedForPassword = true;
                QMetaObject::invokeMethod(this, &Service::passwordNeeded, Qt::QueuedConnection);
            }
        } else {
            Http http({m_settings.server, m_settings.user, *m_password, m_settings.certificate});
            QHash<QString, QUrl> collections;
            if (m_settings.addressBook.isValid())
                collections.insert(QStringLiteral("Phone"), m_settings.addressBook);
            if (m_settings.calendar.isValid())
                collections.insert(QStringLiteral("Note"), m_settings.calendar);
            Engine engine(m_path, http, collections);
            outcome = co_await engine.run();
        }
    }
    m_outcome = outcome;
    if (outcome.ok())
        m_lastSync = Clock::now();
    m_conflicts = outcome.conflicts;
    m_state = outcome.ok() ? State::Done : State::Problem;
    // Ended on the event loop, never from inside the task itself.
    QMetaObject::invokeMethod(this, &Service::finished, Qt::QueuedConnection);
}

void Service::finished()
{
    m_task.reset();
    emit statusChanged();
    if (!m_outcome.changedBooks.isEmpty()) {
        m_announcing = true;
        emit booksChanged(m_outcome.changedBooks);
        // What follows the books (the reminders) reads them again.
        for (const QString &book : std::as_const(m_outcome.changedBooks))
            emit Records::WriteNotices::instance()->recordsAdded(m_path, book, 0, 0);
        m_announcing = false;
    }
    if (!m_conflicts.isEmpty())
        emit conflictsFound();
    if (m_again) {
        m_again = false;
        schedule(0);
    } else if (m_settings.intervalMinutes > 0) {
        schedule(m_settings.intervalMinutes * 60 * 1000);
    }
}

DataError Service::resolve(const Conflict &conflict, bool keepLocal)
{
    const DataError error = Engine::resolve(m_path, conflict, keepLocal);
    m_conflicts.removeIf([&](const Conflict &c) { return c.book == conflict.book && c.item == conflict.item; });
    if (!error.isError()) {
        m_announcing = true;
        emit booksChanged({conflict.book});
        m_announcing = false;
        schedule(afterSaveMilliseconds);
    }
    emit statusChanged();
    return error;
}

void Service::discover(const Account &account, std::function<void(const Discovery &)> done)
{
    m_discovery.reset();
    m_discovery = findCollections(account, std::move(done));
    m_discovery->start();
}

QString Service::refusedCertificate() const
{
    return m_outcome.failed.failure == Failure::Certificate ? m_outcome.failed.fingerprint : QString();
}

QString Service::lastSyncTime() const
{
    // To the minute, as the clock panels show the time.
    const QTime time = m_lastSync.time();
    return ClockTime::text(QTime(time.hour(), time.minute()));
}

QString Service::statusText() const
{
    const auto withConflicts = [this](QString text) {
        if (!m_conflicts.isEmpty())
            text += QStringLiteral(" — تعارض في %1 ينتظر اختيارك").arg(Counts::text(m_conflicts.size(), Counts::record(), Counts::Case::Oblique));
        return text;
    };
    switch (m_state) {
    case State::Off:
        return {};
    case State::Idle:
        return withConflicts(m_lastSync.isValid() ? QStringLiteral("آخر مزامنة: %1").arg(lastSyncTime())
                                                  : QStringLiteral("المزامنة: لم تتم بعد"));
    case State::Running:
        return QStringLiteral("المزامنة جارية...");
    case State::Done: {
        QString text = QStringLiteral("آخر مزامنة: %1").arg(lastSyncTime());
        if (m_outcome.keptHere > 0)
            text += QStringLiteral(" — بقي على هذا الجهاز %1 بلا تاريخ مفهوم").arg(Counts::text(m_outcome.keptHere, Counts::appointment()));
        return withConflicts(text);
    }
    case State::Problem:
        break;
    }
    const DataError &error = m_outcome.error;
    if (error.kind == DataError::Kind::ReadOnly)
        return QStringLiteral("المزامنة متوقفة: ملف البيانات للقراءة فقط");
    if (error.kind == DataError::Kind::Locked)
        return QStringLiteral("المزامنة: ملف البيانات مشغول، ستُعاد المحاولة");
    if (error.isError())
        return QStringLiteral("المزامنة: تعذرت الكتابة في ملف البيانات");
    const Response &failed = m_outcome.failed;
    switch (failed.failure) {
    case Failure::Authentication:
        return failed.detail == u"password" ? QStringLiteral("المزامنة: أدخل كلمة المرور في نافذة المزامنة")
                                            : QStringLiteral("المزامنة: اسم المستخدم أو كلمة المرور غير صحيحة");
    case Failure::Network:
        return QStringLiteral("المزامنة: تعذر الاتصال بالخادم، ستُعاد المحاولة");
    case Failure::Certificate:
        return QStringLiteral("المزامنة: شهادة الخادم غير موثوقة، راجع نافذة المزامنة");
    case Failure::Insecure:
        return QStringLiteral("المزامنة: عنوان الخادم غير آمن، يلزم https");
    case Failure::Redirect:
        return QStringLiteral("المزامنة: الخادم يحيل إلى عنوان آخر");
    case Failure::None:
        break;
    }
    return QStringLiteral("المزامنة: خطأ من الخادم (%1)").arg(failed.status);
}

} // namespace dalil::Sync
