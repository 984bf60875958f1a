// The appointments' reminders: when each appointment rings, what the user did with it
// (dismissed, snoozed), what rang while the program was closed, and one timer that rings
// them. No windows: the reminder window and the tray listen to ReminderSchedule.
//
// An appointment has a reminder when its day, month and year (Gregorian, as whole numbers
// in Western, Arabic-Indic or Extended Arabic-Indic digits) and its time (ClockTime::read)
// can be read; it is due at that local time and rings the lead time before it. A reminder
// is one appointment (its rowid) at one due time: an appointment given another date or time
// is a new occurrence and rings again, whatever the user did with the old one. What the user
// did is kept in DB1.mdb (ReminderStates), so another copy of the program sees it; deleting
// an appointment drops its states there (a trigger), so a later appointment that is given
// the same identity starts afresh.
#pragma once

#include "data/store/database.h"
#include "data/store/recordwrites.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace dalil::Reminders {

// The time now; tests give a clock of their own.
using Clock = std::function<QDateTime()>;
Clock systemClock();

// The lead times the user chooses from, in minutes: at the time, 5, 15, 30 minutes, an hour,
// a day before.
inline constexpr int leadChoices[] = {0, 5, 15, 30, 60, 24 * 60};
// The snoozes offered, in minutes.
inline constexpr int snoozeChoices[] = {5, 10, 15, 60};

struct Reminder
{
    qint64 noteKey = 0;
    QDateTime dueAt;   // the appointment's time
    QDateTime ringsAt; // the lead time before it, or the end of a snooze
    Records::Values note; // the appointment as stored, every column
};

// When the appointment is due, in local time; nothing when its date or its time cannot be
// read (such an appointment has no reminder).
std::optional<QDateTime> dueTime(const Records::Values &note);

// The lead time in minutes ('reminders.lead' in DalilOptions): at the time (0) when none is
// kept or the kept one is not a choice.
int lead(const QString &databasePath);
// Keeps the lead time; a value that is not one of leadChoices is refused.
DataError setLead(const QString &databasePath, int minutes);

// When the program was last known to run ('reminders.seen'), kept by markSeen, which the
// program calls as it runs and as it ends.
std::optional<QDateTime> lastSeen(const QString &databasePath);
DataError markSeen(const QString &databasePath, const QDateTime &now);

// The reminders that ring in (since, now], oldest ring first: not dismissed, and a snoozed one
// at the end of its snooze instead of its own ring time.
QList<Reminder> due(const QString &databasePath, const QDateTime &since, const QDateTime &now);

// What the user missed while the program was closed: the reminders that rang in (since, now]
// or whose appointment's time passed in it, not dismissed and not snoozed past now; the
// latest appointment first.
QList<Reminder> missed(const QString &databasePath, const QDateTime &since, const QDateTime &now);

// The user's answers to a reminder, kept for its occurrence only. A snooze is one of
// snoozeChoices and rings that long after now; anything else is refused.
// Where two copies of the program remind of one book, the answer stored last stands, except
// that a dismissal is final: a snooze never opens a dismissed occurrence again.
DataError dismiss(const QString &databasePath, const Reminder &reminder);
DataError snooze(const QString &databasePath, const Reminder &reminder, int minutes, const QDateTime &now);

// Of the reminders a window lists, those still waiting for an answer: not dismissed, not
// snoozed since they rang (by another copy of the program, say), and still due then.
QList<Reminder> stillOpen(const QString &databasePath, const QList<Reminder> &listed);

// The first ring after now, for one timer; nothing when no reminder is ahead.
std::optional<QDateTime> nextRing(const QString &databasePath, const QDateTime &now);
// The same for one appointment, read alone: what a save of it may bring nearer.
std::optional<QDateTime> nextRingOf(const QString &databasePath, qint64 noteKey, const QDateTime &now);
// The same for the appointments whose identities run from firstKey to lastKey (an import's).
std::optional<QDateTime> nextRingAmong(const QString &databasePath, qint64 firstKey, qint64 lastKey, const QDateTime &now);

} // namespace dalil::Reminders

namespace dalil {

// Rings the reminders of one file as their time comes. One timer is set for the next ring;
// rearm() sets it again (after any change to the book, a change of the lead time, a resume
// from sleep). A coarse check every minute compares the clock with a monotonic one and
// rearms when the clock was set (a jump of more than a minute either way); the check also
// rings what came due, so a ring delayed by sleep is not lost.
// A book of a million appointments takes a while to read, so neither a save nor the check
// reads it all: a save through the program brings the timer nearer for the one appointment
// saved (a deleted or later one makes the timer find nothing and set itself again), and the
// check reads the book only when the timer is due or the file changed otherwise since the
// timer was set (another program, an import, a restore).
// After a jump back the reminders since the new time ring again when it comes (not dismissed,
// they still stand); after a jump forward those in between ring at once.
class ReminderSchedule : public QObject
{
    Q_OBJECT
public:
    using Clock = Reminders::Clock;
    // Milliseconds of a monotonic clock; tests give their own.
    using Elapsed = std::function<qint64()>;

    static constexpr int checkMilliseconds = 60 * 1000;
    // A difference between the clock and the monotonic one beyond this is a jump.
    static constexpr qint64 jumpMilliseconds = 60 * 1000;
    // The ring timer is never set further ahead than this, so that a late ring is corrected.
    static constexpr qint64 longestWaitMilliseconds = 60 * 60 * 1000;

    explicit ReminderSchedule(const QString &databasePath, Clock clock = Reminders::systemClock(),
                              Elapsed elapsed = {}, QObject *parent = nullptr);

    // Starts ringing: what comes due from now on rings. Returns what the user missed since
    // the program last ran (nothing on a file that never ran one), and marks the file seen.
    QList<Reminders::Reminder> start();
    void stop();

    // When the ring timer is set for; nothing when it is not set.
    std::optional<QDateTime> armedFor() const { return m_armedFor; }

public slots:
    void rearm();
    // Rings what came due since the last check, rearms after a jump of the clock. The timers
    // call it; so may the program on resume.
    void check();

signals:
    void ring(const QList<dalil::Reminders::Reminder> &reminders);
    void clockJumped();
    // A check was made: what is listed as ringing may have been answered elsewhere meanwhile.
    void checked();

private:
    QString m_path;
    Clock m_clock;
    Elapsed m_elapsed;
    QElapsedTimer m_monotonic;
    QTimer m_ringTimer;
    QTimer m_checkTimer;
    QDateTime m_lastChecked;
    qint64 m_lastElapsed = 0;
    std::optional<QDateTime> m_armedFor;
    QList<qint64> m_armedStamp; // what the file was when the timer was set

    QList<qint64> stamp() const;
    void arm(const std::optional<QDateTime> &at, const QDateTime &now);
    void written(const QString &databasePath, const QString &table, qint64 key);
    void removed(const QString &databasePath, const QString &table);
    // After the program's writes of so many rows of the book: the timer still stands for the
    // rest of it, unless something else changed the file since it was set.
    void followWrites(qint64 rows);
    void added(const QString &databasePath, const QString &table, qint64 firstKey, qint64 lastKey);
};

} // namespace dalil
