#include "reminders.h"

#include "data/store/books.h"
#include "data/store/countcache.h"
#include "data/store/options.h"
#include "data/text/clock.h"
#include "data/text/clocktime.h"
#include "data/text/dates.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <limits>

#include <sqlite3.h>

namespace dalil::Reminders {

namespace {

const QString leadOption = QStringLiteral("reminders.lead");
const QString seenOption = QStringLiteral("reminders.seen");
const QString statesTable = QStringLiteral("ReminderStates");

// An appointment's date and time of day, as the wall clock shows them.
struct Wall
{
    QDate date;
    QTime time;
};

std::optional<Wall> wallFrom(QStringView day, QStringView month, QStringView year, const QString &time)
{
    const auto d = Dates::wholeNumber(day);
    const auto m = Dates::wholeNumber(month);
    const auto y = Dates::wholeNumber(year);
    if (!d || !m || !y || *y < 1)
        return std::nullopt;
    const QDate date(*y, *m, *d);
    if (!date.isValid())
        return std::nullopt;
    const auto clock = ClockTime::read(time);
    if (!clock)
        return std::nullopt;
    return Wall{date, *clock};
}

// Times in the scans are counted in seconds of the local wall clock: a local QDateTime asks
// the time zone at every step, and a book of a hundred thousand appointments is read at once.
qint64 wallSeconds(QDate date, QTime time)
{
    return date.toJulianDay() * 86400 + time.msecsSinceStartOfDay() / 1000;
}

qint64 wallSeconds(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    return wallSeconds(local.date(), local.time());
}

QDateTime fromWall(qint64 seconds)
{
    return QDateTime(QDate::fromJulianDay(seconds / 86400), QTime::fromMSecsSinceStartOfDay(int(seconds % 86400) * 1000));
}

// An occurrence's due time as kept: the wall-clock time the appointment names.
QString dueText(QDate date, QTime time)
{
    return date.toString(Qt::ISODate) + u'T' + time.toString(QStringLiteral("HH:mm:ss"));
}

QString instantText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime instantFrom(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

bool keepsStates(const QSqlDatabase &db)
{
    bool isTable = false;
    return Database::hasObject(db, statesTable, &isTable) && isTable;
}

// What the user did with the occurrences of one appointment.
struct State
{
    QString dueAt;
    bool dismissed = false;
    QDateTime snoozedUntil;
    qint64 snoozedUntilWall = 0;
};
using States = QHash<qint64, QList<State>>;

// The appointments to read, by identity, when the whole book need not be.
struct Keys
{
    qint64 first = 0;
    qint64 last = 0;

    QString condition(const QString &column) const
    {
        return QStringLiteral(" WHERE %1 BETWEEN %2 AND %3").arg(column).arg(first).arg(last);
    }
};

States statesOf(const QSqlDatabase &db, std::optional<Keys> only = std::nullopt)
{
    States states;
    if (!keepsStates(db))
        return states;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT noteKey, dueAt, state, snoozedUntil FROM ReminderStates");
    if (only)
        sql += only->condition(QStringLiteral("noteKey"));
    if (!query.exec(sql))
        return states;
    while (query.next()) {
        State state{query.value(1).toString(), query.value(2).toString() == QLatin1String("dismissed"),
                    instantFrom(query.value(3).toString())};
        if (!state.dismissed && !state.snoozedUntil.isValid())
            continue; // a snooze without an end reads as nothing done
        if (!state.dismissed)
            state.snoozedUntilWall = wallSeconds(state.snoozedUntil);
        states[query.value(0).toLongLong()] << state;
    }
    return states;
}

struct Occurrence
{
    qint64 key = 0;
    qint64 dueAt = 0;   // wall seconds
    qint64 ringsAt = 0; // wall seconds
};

// A date column's whole number from the engine's own UTF-8 bytes: ASCII blanks around Western
// digits, read without making a text; anything else is read as the text it is.
std::optional<int> wholeNumber(sqlite3_stmt *statement, int column)
{
    const auto *bytes = sqlite3_column_text(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (!bytes)
        return std::nullopt;
    int n = 0, digits = 0, i = 0;
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    for (; i < size && bytes[i] >= '0' && bytes[i] <= '9'; ++i, ++digits)
        n = n * 10 + (bytes[i] - '0');
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    if (i == size)
        return digits > 0 && digits <= 4 ? std::optional(n) : std::nullopt;
    return Dates::wholeNumber(QString::fromUtf8(reinterpret_cast<const char *>(bytes), size));
}

// The rows of the book to read: appointments on the days [firstDay, lastDay] (Julian days; the
// scan's caller may bring lastDay nearer as it learns), and every snoozed one whatever its day.
struct Window
{
    QDate firstDay;
    qint64 lastDay = std::numeric_limits<qint64>::max();
};

// Every occurrence in the window that is not dismissed. The dates are free text that no index
// orders, so every row is read, cheaply: the date's numbers straight from the engine's bytes,
// the time of day only for a day inside the window. (A filter on the year and month in SQL
// was slower than reading every row: the engine's text functions cost more than this loop.)
// only: the appointments to read, when the whole book need not be.
bool scan(const QSqlDatabase &db, Window &window, int leadMinutes, const std::function<void(const Occurrence &)> &each,
          std::optional<Keys> only = std::nullopt)
{
    sqlite3 *handle = Database::handle(db);
    if (!handle)
        return false;
    const States states = statesOf(db, only);
    QString sql = QStringLiteral("SELECT rowid, \"التاريخ\", \"الشهر\", \"العام\", \"الساعة\" FROM Note");
    if (only)
        sql += only->condition(QStringLiteral("rowid"));
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare16_v2(handle, sql.utf16(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    const qint64 firstDay = window.firstDay.toJulianDay();
    int result = SQLITE_OK;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        const qint64 key = sqlite3_column_int64(statement, 0);
        const auto day = wholeNumber(statement, 1);
        const auto month = wholeNumber(statement, 2);
        const auto year = wholeNumber(statement, 3);
        if (!day || !month || !year || *year < 1)
            continue;
        const QDate date(*year, *month, *day);
        if (!date.isValid())
            continue;
        const auto kept = states.constFind(key);
        const bool answered = kept != states.constEnd();
        if (!answered && (date.toJulianDay() < firstDay || date.toJulianDay() > window.lastDay))
            continue;
        const auto time = ClockTime::read(QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, 4)), sqlite3_column_bytes(statement, 4)));
        if (!time)
            continue;
        const qint64 dueAt = wallSeconds(date, *time);
        Occurrence occurrence{key, dueAt, dueAt - 60 * leadMinutes};
        if (answered) {
            const QString text = dueText(date, *time);
            const auto state = std::find_if(kept->begin(), kept->end(), [&](const State &s) { return s.dueAt == text; });
            if (state != kept->end()) {
                if (state->dismissed)
                    continue;
                occurrence.ringsAt = state->snoozedUntilWall;
            } else if (date.toJulianDay() < firstDay || date.toJulianDay() > window.lastDay) {
                continue;
            }
        }
        each(occurrence);
    }
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

Records::Values noteOf(const QSqlDatabase &db, qint64 key)
{
    Records::Values values;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM Note WHERE rowid = ?"));
    query.addBindValue(key);
    if (query.exec() && query.next()) {
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c)
            values.insert(record.fieldName(c), query.value(c));
    }
    return values;
}

QList<Reminder> remindersOf(const QSqlDatabase &db, const QList<Occurrence> &occurrences)
{
    QList<Reminder> reminders;
    reminders.reserve(occurrences.size());
    for (const Occurrence &o : occurrences)
        reminders << Reminder{o.key, fromWall(o.dueAt), fromWall(o.ringsAt), noteOf(db, o.key)};
    return reminders;
}

QDate dayOf(const QDateTime &when)
{
    return when.toLocalTime().date();
}

std::optional<QString> option(const QString &databasePath, const QString &name)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return std::nullopt;
    if (const auto value = Options::value(db, name))
        return value->toString();
    return std::nullopt;
}

DataError setOption(const QString &databasePath, const QString &name, const QVariant &value)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return error;
    QSqlError failed;
    return Options::set(db, {{name, value}}, &failed) ? DataError() : DataError::fromSql(failed, databasePath);
}

DataError refused(const QString &databasePath, const QString &object)
{
    return {DataError::Kind::Refused, databasePath, object, {}};
}

// Keeps one state for the reminder's occurrence in place of every state of its appointment:
// those of its earlier due times no longer apply. Nothing is kept for an appointment that is
// gone or no longer due then (another copy changed it): it would silence a later one.
DataError keepState(const QString &databasePath, const Reminder &reminder, const QString &state,
                    const QVariant &snoozedUntil)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return error;
    if (!keepsStates(db))
        return {DataError::Kind::MissingObject, databasePath, statesTable, {}};
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return DataError::fromSql(query.lastError(), databasePath);
    const auto fail = [&] {
        const DataError failure = DataError::fromSql(query.lastError(), databasePath);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return failure;
    };
    const auto current = dueTime(noteOf(db, reminder.noteKey));
    if (!current || *current != reminder.dueAt) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return {DataError::Kind::RecordGone, databasePath, QStringLiteral("Note"), {}};
    }
    // The answer applies to the occurrence as it stands in the file now, not as it stood when
    // it rang here: a dismissal, whichever copy made it, is the last word on it, and a snooze
    // from a window that had not caught up with it must not open it again.
    query.prepare(QStringLiteral("SELECT state FROM ReminderStates WHERE noteKey = ? AND dueAt = ?"));
    query.addBindValue(reminder.noteKey);
    query.addBindValue(dueText(reminder.dueAt.date(), reminder.dueAt.time()));
    if (!query.exec())
        return fail();
    if (query.next() && query.value(0).toString() == QLatin1String("dismissed")) {
        query.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return {};
    }
    query.finish();
    query.prepare(QStringLiteral("DELETE FROM ReminderStates WHERE noteKey = ?"));
    query.addBindValue(reminder.noteKey);
    if (!query.exec())
        return fail();
    query.prepare(QStringLiteral("INSERT INTO ReminderStates (noteKey, dueAt, state, snoozedUntil) VALUES (?, ?, ?, ?)"));
    query.addBindValue(reminder.noteKey);
    query.addBindValue(dueText(reminder.dueAt.date(), reminder.dueAt.time()));
    query.addBindValue(state);
    query.addBindValue(snoozedUntil);
    if (!query.exec() || !query.exec(QStringLiteral("COMMIT")))
        return fail();
    return {};
}

} // namespace

Clock systemClock()
{
    return [] { return dalil::Clock::now(); };
}

std::optional<QDateTime> dueTime(const Records::Values &note)
{
    const auto wall = wallFrom(note.value(Books::NoteColumns::day).toString(), note.value(Books::NoteColumns::month).toString(),
                               note.value(Books::NoteColumns::year).toString(), note.value(Books::NoteColumns::time).toString());
    return wall ? std::optional(QDateTime(wall->date, wall->time)) : std::nullopt;
}

int lead(const QString &databasePath)
{
    bool ok = false;
    const int minutes = option(databasePath, leadOption).value_or(QString()).toInt(&ok);
    return ok && std::ranges::find(leadChoices, minutes) != std::end(leadChoices) ? minutes : 0;
}

DataError setLead(const QString &databasePath, int minutes)
{
    if (std::ranges::find(leadChoices, minutes) == std::end(leadChoices))
        return refused(databasePath, leadOption);
    return setOption(databasePath, leadOption, minutes);
}

std::optional<QDateTime> lastSeen(const QString &databasePath)
{
    const QDateTime when = instantFrom(option(databasePath, seenOption).value_or(QString()));
    return when.isValid() ? std::optional(when) : std::nullopt;
}

DataError markSeen(const QString &databasePath, const QDateTime &now)
{
    return setOption(databasePath, seenOption, instantText(now));
}

namespace {

// The occurrences around (since, now] that take keeps (given the span in wall seconds), in
// the order before gives: what due and missed share.
QList<Reminder> between(const QString &databasePath, const QDateTime &since, const QDateTime &now,
                        const std::function<bool(const Occurrence &, qint64, qint64)> &take,
                        const std::function<bool(const Occurrence &, const Occurrence &)> &before)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid() || !since.isValid() || !now.isValid())
        return {};
    QList<Occurrence> found;
    const qint64 from = wallSeconds(since), to = wallSeconds(now);
    const int leadMinutes = lead(databasePath);
    // A ring in (since, now] is an appointment in (since, now + lead].
    Window window{dayOf(since), dayOf(now.addSecs(60 * leadMinutes)).toJulianDay()};
    scan(db, window, leadMinutes, [&](const Occurrence &o) {
        if (take(o, from, to))
            found << o;
    });
    std::ranges::stable_sort(found, before);
    return remindersOf(db, found);
}

} // namespace

QList<Reminder> due(const QString &databasePath, const QDateTime &since, const QDateTime &now)
{
    return between(
        databasePath, since, now, [](const Occurrence &o, qint64 from, qint64 to) { return o.ringsAt > from && o.ringsAt <= to; },
        [](const Occurrence &a, const Occurrence &b) { return a.ringsAt != b.ringsAt ? a.ringsAt < b.ringsAt : a.key < b.key; });
}

QList<Reminder> missed(const QString &databasePath, const QDateTime &since, const QDateTime &now)
{
    const auto take = [](const Occurrence &o, qint64 from, qint64 to) {
        const bool rang = o.ringsAt > from && o.ringsAt <= to;
        const bool passed = o.dueAt > from && o.dueAt <= to;
        return (rang || passed) && o.ringsAt <= to;
    };
    return between(databasePath, since, now, take, [](const Occurrence &a, const Occurrence &b) {
        return a.dueAt != b.dueAt ? a.dueAt > b.dueAt : a.key > b.key;
    });
}

DataError dismiss(const QString &databasePath, const Reminder &reminder)
{
    return keepState(databasePath, reminder, QStringLiteral("dismissed"), QVariant());
}

QList<Reminder> stillOpen(const QString &databasePath, const QList<Reminder> &listed)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return listed; // nothing known: nothing closed
    QList<Reminder> open;
    for (const Reminder &reminder : listed) {
        const auto current = dueTime(noteOf(db, reminder.noteKey));
        if (!current || *current != reminder.dueAt)
            continue; // deleted, or given another time: nothing left to remind of
        const QString due = dueText(reminder.dueAt.date(), reminder.dueAt.time());
        const QList<State> kept = statesOf(db, Keys{reminder.noteKey, reminder.noteKey}).value(reminder.noteKey);
        const auto state = std::ranges::find(kept, due, &State::dueAt);
        // Dismissed, or snoozed after it rang here (a snooze that ended in this ring is older).
        if (state != kept.end() && (state->dismissed || state->snoozedUntilWall > wallSeconds(reminder.ringsAt)))
            continue;
        open << reminder;
    }
    return open;
}

DataError snooze(const QString &databasePath, const Reminder &reminder, int minutes, const QDateTime &now)
{
    if (std::ranges::find(snoozeChoices, minutes) == std::end(snoozeChoices) || !now.isValid())
        return refused(databasePath, statesTable);
    return keepState(databasePath, reminder, QStringLiteral("snoozed"), instantText(now.addSecs(60 * minutes)));
}

namespace {

// The first ring after now, of the whole book or of some of its appointments.
std::optional<QDateTime> firstRingAfter(const QString &databasePath, const QDateTime &now, std::optional<Keys> only)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid() || !now.isValid())
        return std::nullopt;
    std::optional<qint64> next;
    const qint64 after = wallSeconds(now);
    const int leadMinutes = lead(databasePath);
    // Without a snooze the earliest ring is the earliest appointment: once one is found, the
    // days after it need not be read.
    Window window{dayOf(now)};
    scan(db, window, leadMinutes, [&](const Occurrence &o) {
        if (o.ringsAt > after && (!next || o.ringsAt < *next)) {
            next = o.ringsAt;
            window.lastDay = std::min(window.lastDay, (o.ringsAt + 60 * leadMinutes) / 86400);
        }
    }, only);
    return next ? std::optional(fromWall(*next)) : std::nullopt;
}

} // namespace

std::optional<QDateTime> nextRingOf(const QString &databasePath, qint64 noteKey, const QDateTime &now)
{
    return firstRingAfter(databasePath, now, Keys{noteKey, noteKey});
}

std::optional<QDateTime> nextRingAmong(const QString &databasePath, qint64 firstKey, qint64 lastKey, const QDateTime &now)
{
    return firstRingAfter(databasePath, now, Keys{firstKey, lastKey});
}

std::optional<QDateTime> nextRing(const QString &databasePath, const QDateTime &now)
{
    return firstRingAfter(databasePath, now, std::nullopt);
}

} // namespace dalil::Reminders

namespace dalil {

ReminderSchedule::ReminderSchedule(const QString &databasePath, Clock clock, Elapsed elapsed, QObject *parent)
    : QObject(parent), m_path(databasePath), m_clock(std::move(clock)), m_elapsed(std::move(elapsed))
{
    if (!m_elapsed) {
        m_monotonic.start();
        m_elapsed = [this] { return m_monotonic.elapsed(); };
    }
    m_ringTimer.setSingleShot(true);
    m_ringTimer.setTimerType(Qt::PreciseTimer); // never early: it would find nothing due yet
    m_checkTimer.setInterval(checkMilliseconds);
    connect(&m_ringTimer, &QTimer::timeout, this, &ReminderSchedule::check);
    connect(&m_checkTimer, &QTimer::timeout, this, &ReminderSchedule::check);
    connect(Records::WriteNotices::instance(), &Records::WriteNotices::recordWritten, this, &ReminderSchedule::written);
    connect(Records::WriteNotices::instance(), &Records::WriteNotices::recordRemoved, this, &ReminderSchedule::removed);
    connect(Records::WriteNotices::instance(), &Records::WriteNotices::recordsAdded, this, &ReminderSchedule::added);
}

QList<Reminders::Reminder> ReminderSchedule::start()
{
    const QDateTime now = m_clock();
    const auto seen = Reminders::lastSeen(m_path);
    const QList<Reminders::Reminder> missed = seen ? Reminders::missed(m_path, *seen, now) : QList<Reminders::Reminder>();
    Reminders::markSeen(m_path, now);
    m_lastChecked = now;
    m_lastElapsed = m_elapsed();
    m_checkTimer.start();
    rearm();
    return missed;
}

void ReminderSchedule::stop()
{
    if (m_lastChecked.isValid())
        Reminders::markSeen(m_path, m_clock());
    m_checkTimer.stop();
    m_ringTimer.stop();
    m_armedFor.reset();
    m_lastChecked = {};
}

// The appointment book's change number and the commits of other connections and programs:
// while they stand, the book and the reminders' states read as they did. Empty when the file
// cannot tell (no change numbers): the book is then read at every check.
QList<qint64> ReminderSchedule::stamp() const
{
    DataError error;
    const QSqlDatabase db = Database::connection(m_path, &error);
    if (!db.isValid())
        return {};
    const ChangeStamp file = ChangeStamp::of(db);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!file.isValid() || !query.exec(QStringLiteral("SELECT changes FROM BookChanges WHERE book = 'Note'")) || !query.next())
        return {};
    return {file.connection, file.others, file.schema, query.value(0).toLongLong()};
}

void ReminderSchedule::arm(const std::optional<QDateTime> &at, const QDateTime &now)
{
    m_armedFor = at;
    if (m_armedFor)
        m_ringTimer.start(int(std::clamp(now.msecsTo(*m_armedFor), qint64(0), longestWaitMilliseconds)));
    else
        m_ringTimer.stop();
}

void ReminderSchedule::rearm()
{
    if (!m_lastChecked.isValid())
        return;
    const QDateTime now = m_clock();
    m_armedStamp = stamp();
    arm(Reminders::nextRing(m_path, now), now);
}

void ReminderSchedule::written(const QString &databasePath, const QString &table, qint64 key)
{
    if (!m_lastChecked.isValid() || databasePath != m_path || table.compare(QLatin1String("Note"), Qt::CaseInsensitive) != 0)
        return;
    const QDateTime now = m_clock();
    if (const auto ring = Reminders::nextRingOf(m_path, key, now); ring && (!m_armedFor || *ring < *m_armedFor))
        arm(ring, now);
    followWrites(1);
}

void ReminderSchedule::removed(const QString &databasePath, const QString &table)
{
    // A deleted appointment can only take a ring away: the timer finds nothing due then.
    if (m_lastChecked.isValid() && databasePath == m_path && table.compare(QLatin1String("Note"), Qt::CaseInsensitive) == 0)
        followWrites(1);
}

void ReminderSchedule::followWrites(qint64 rows)
{
    // The book's change number moves by one with each row written; the rest of the stamp
    // stays as it was when the timer was set.
    QList<qint64> expected = m_armedStamp;
    if (expected.isEmpty())
        return;
    expected.last() += rows;
    if (stamp() == expected)
        m_armedStamp = expected;
}

void ReminderSchedule::added(const QString &databasePath, const QString &table, qint64 firstKey, qint64 lastKey)
{
    if (!m_lastChecked.isValid() || databasePath != m_path || table.compare(QLatin1String("Note"), Qt::CaseInsensitive) != 0)
        return;
    if (firstKey <= 0 || lastKey < firstKey) {
        rearm();
        return;
    }
    // Records added can only bring a ring nearer: only they are read (a book of a million
    // takes a fifth of a second to read whole).
    const QDateTime now = m_clock();
    if (const auto ring = Reminders::nextRingAmong(m_path, firstKey, lastKey, now); ring && (!m_armedFor || *ring < *m_armedFor))
        arm(ring, now);
    followWrites(lastKey - firstKey + 1);
}

void ReminderSchedule::check()
{
    if (!m_lastChecked.isValid())
        return;
    const QDateTime now = m_clock();
    const qint64 elapsed = m_elapsed();
    const QDateTime expected = m_lastChecked.addMSecs(elapsed - m_lastElapsed);
    const bool jumped = qAbs(expected.msecsTo(now)) > jumpMilliseconds;
    // Nothing can ring before the timer's time while the file stands as it was when the timer
    // was set: the book is not read.
    const QList<qint64> fileNow = stamp();
    const bool settled = !jumped && !fileNow.isEmpty() && fileNow == m_armedStamp && (!m_armedFor || now < *m_armedFor);
    // Set back, nothing rings now, and from the new time on what comes rings again (it was
    // not dismissed): the next check starts from here.
    const QList<Reminders::Reminder> rings = settled ? QList<Reminders::Reminder>() : Reminders::due(m_path, m_lastChecked, now);
    m_lastChecked = now;
    m_lastElapsed = elapsed;
    Reminders::markSeen(m_path, now);
    if (jumped)
        emit clockJumped();
    if (!rings.isEmpty())
        emit ring(rings);
    emit checked();
    if (!settled)
        rearm();
    else if (m_armedFor && !m_ringTimer.isActive())
        arm(m_armedFor, now); // the timer waits an hour at most
}

} // namespace dalil
