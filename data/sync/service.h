// The sync of the running program: its setting (kept in DB1.mdb, the password in the
// keyring), when it runs (a moment after the start, at the interval chosen, a moment after
// each save or delete, and when the user asks), and what the lists' status bars say of it.
// Problems are said there, never in a box at every try; a change made offline waits for the
// next sync that works. One sync at a time; a request meanwhile runs once it is done.
#pragma once

#include "engine.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace dalil::Sync {

struct Settings
{
    QUrl server;
    QString user;
    QUrl addressBook; // the phone book's collection; none: the phone book is not synced
    QUrl calendar;    // the appointments'
    int intervalMinutes = 15; // 0: only when asked
    QString certificate;      // the fingerprint of the one certificate the user accepted

    bool isSet() const { return server.isValid() && !user.isEmpty() && (addressBook.isValid() || calendar.isValid()); }
};

Settings readSettings(const QString &databasePath);
DataError saveSettings(const QString &databasePath, const Settings &settings);

class Service : public QObject
{
    Q_OBJECT

public:
    enum class State { Off, Idle, Running, Done, Problem };
    static constexpr int afterSaveMilliseconds = 2000;

    static Service *instance();

    // Begins on the file: the first sync a moment after (firstDelay; none until asked when
    // negative), then by the setting.
    void start(const QString &databasePath, int firstDelayMilliseconds = 3000);
    // Stops any sync in the middle (what it wrote stays, in agreement with the file).
    void stop();
    bool isStarted() const { return !m_path.isEmpty(); }

    const Settings &settings() const { return m_settings; }
    // Keeps the setting and the password (in the keyring, else for this run), and syncs soon.
    DataError setSettings(const Settings &settings, const QString &password);
    // The password for this run only (asked of the user where no keyring runs).
    void setPassword(const QString &password);
    // "مزامنة الآن".
    void syncNow();

    State state() const { return m_state; }
    // Whether a sync is going on, or about to run at once.
    bool isSyncing() const { return m_task.has_value() || (m_timer.isActive() && m_timer.interval() == 0); }
    // For the lists' status bars, in Arabic; empty while the sync is off.
    QString statusText() const;
    const Outcome &lastOutcome() const { return m_outcome; }
    // The certificate refused last, which the user may accept in the sync window.
    QString refusedCertificate() const;

    // The conflicts the last sync found, waiting for the user.
    QList<Conflict> conflicts() const { return m_conflicts; }
    DataError resolve(const Conflict &conflict, bool keepLocal);

    // Finds the user's address books and calendars (for the sync window).
    void discover(const Account &account, std::function<void(const Discovery &)> done);

signals:
    void statusChanged();
    void conflictsFound();
    // No keyring holds the password: the user is asked, once a run.
    void passwordNeeded();
    // Records came in or went: the lists of these books read the file again.
    void booksChanged(const QStringList &books);

private:
    Service();
    Task<void> run();
    void finished();
    void schedule(int milliseconds);
    void written(const QString &databasePath, const QString &table);
    QString lastSyncTime() const;

    QString m_path;
    Settings m_settings;
    std::optional<QString> m_password;
    bool m_askedForPassword = false;
    State m_state = State::Off;
    Outcome m_outcome;
    QDateTime m_lastSync;
    QList<Conflict> m_conflicts;
    std::optional<Task<void>> m_task;
    std::optional<Task<void>> m_discovery;
    std::optional<Task<void>> m_keyring;
    bool m_again = false;
    bool m_announcing = false;
    QTimer m_timer;
};

} // namespace dalil::Sync
