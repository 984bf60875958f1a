// Plays actions on the real program (started in-process on a fresh folder) and on the model
// side by side, and compares the two after every action.
#pragma once

#include "books.h"

#include "data/text/clock.h"

#include <QDateTime>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace testing {
class AppFolder;
class Radicale;
}

namespace session {

struct Failure
{
    int index = -1;   // the action after which the check failed
    QString check;    // which kind of check: windows, file, list, row, panel, entry, box, focus
    QString message;
};

class Driver
{
public:
    explicit Driver(const Switches &switches);
    ~Driver();

    // A fresh folder and program; the actions one by one; the first difference, if any.
    // done receives the actions that were played (a random run makes them as it goes).
    std::optional<Failure> run(const QList<Action> &actions, QList<Action> *done = nullptr);
    std::optional<Failure> runRandom(quint32 seed, int count, QList<Action> *done);

    // The human-readable account of the last run's actions, one line each.
    QStringList log() const { return m_log; }
    // Actions left undone because the model does not settle what they do.
    int skipped() const { return m_skipped; }
    // Writes that met their record changed elsewhere, and how many of them kept the user's changes.
    int conflicts() const { return m_conflicts; }
    int conflictsKept() const { return m_conflictsKept; }

private:
    bool begin();
    void end();
    // Plays one action; false when the run must stop (failure or unsupported).
    bool step(const Action &action, int index);
    Action resolveFocusKey(const Action &action, bool *sendKey);
    void perform(const Action &action);
    std::optional<Failure> checkAll(const Outcome &outcome, int index);
    std::optional<Failure> checkWindows();
    std::optional<Failure> checkFile();
    std::optional<Failure> checkUids(Book b);
    std::optional<Failure> checkList(Book b, const Outcome &outcome);
    std::optional<Failure> checkEntry(Book b);
    std::optional<Failure> checkFocus(const Outcome &outcome);
    std::optional<Failure> checkBoxes(const Outcome &outcome);
    std::optional<Failure> checkHijri();
    void otherCopyWrites(const Action &action);
    void exchange(const Action &action);
    void answerFileWindow(const QString &path, const std::function<void()> &open);
    void reminders(const Action &action);
    void syncRound(const Action &action);
    bool syncDevice();
    QList<Row> fileRows(Book b, QList<qint64> *keys);

    Switches m_switches;
    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<Model> m_model;
    std::unique_ptr<Books> m_books;
    std::unique_ptr<QWidget> m_otherProgram;
    // The server and the second device's book that the program syncs with.
    std::unique_ptr<testing::Radicale> m_server;
    std::unique_ptr<testing::AppFolder> m_device;
    QString m_reader;
    QString m_printTarget;
    std::optional<Failure> m_failure;
    // The session's clocks, moved by its actions only, and what the user answered to the
    // reminders (an appointment's identity and due time): dismissed, or snoozed until when.
    struct Clock
    {
        QDateTime now;
        qint64 elapsed = 0;
    };
    std::shared_ptr<Clock> m_clock;
    // The program's clock: the session's day, from eight in the morning on, as time runs.
    std::optional<dalil::Clock::Scoped> m_programClock;
    QSet<std::pair<qint64, QDateTime>> m_dismissed;
    QHash<std::pair<qint64, QDateTime>, QDateTime> m_snoozed;
    QStringList m_log;
    struct Seen
    {
        QString title;
        QString text;
        QStringList buttons;
    };
    QList<Seen> m_seen;
    int m_answer = 0;
    int m_index = 0;
    int m_conflicts = 0;
    int m_conflictsKept = 0;
    int m_skipped = 0;
};

// The next action a user might take, given what the model says is on screen.
Action nextAction(const Model &model, const Switches &switches, QRandomGenerator &random);

} // namespace session
