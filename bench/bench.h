// The bench's measuring: actions driven through the windows, timed, and set against the
// engine's own time for the statements each action ran.
#pragma once

#include "driver.h"
#include "engine.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>

#include <functional>

namespace bench {

// The process's peak resident memory so far (VmHWM), in kB; -1 when unknown.
long peakResidentKb();
// The process's resident memory now (VmRSS), in kB; -1 when unknown.
long residentKb();
// What of it the process holds itself (its heap and stacks), mapped files (fonts, the program) aside.
long anonymousKb();

// Converts the Access book at the path and prints "done|failed, survey ns, total ns, peak kB,
// records" (dalil-bench --probe-convert PATH, run by the conversion's measure).
int probeConversion(const QString &databasePath);

// The longest time between two turns of the event loop while it lives: how long a user
// waited at most for the windows to answer during a batch part.
class GapMeter
{
public:
    GapMeter();
    double longestMs() const;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct Options
{
    qint64 records = 1000000;
    int reps = 5;
    QString keep;
    bool verbose = false;
    bool seedWithIndexes = false;
    QString only;   // some parts: startup, phone, appointment, cheque, report, deleted, backup, exchange, reminders, conversion, sync (comma-separated)
    QString action; // only the actions whose label holds this text (for profiling)
};

// What counts as the engine's own work for an action.
enum class EngineWork {
    None,
    Reads,  // the count and page queries of an open or a search
    Pages,  // the page queries (scrolling)
    Lookup, // finding and reading one record (edit)
    Insert,
    Delete
};

struct Result
{
    QString action;
    double ms = 0;
    double firstMs = -1; // the first time, cold: the program and the file met it then for the first time
    double engineMs = -1;
    QString target;
    double targetMs = 0;
    bool ratioApplies = true;
    QString note;
    // A batch part (a report, a backup, an exchange, a sync) runs for seconds, the windows
    // answering between its steps: it is timed once, and its longest stall is its measure.
    bool batch = false;
    double stallMs = -1;
};

class Bench
{
public:
    Bench(const QString &folder, const Options &options)
        : m_folder(folder)
        , m_path(folder + QStringLiteral("/DB1.mdb"))
        , m_options(options)
        , m_engine(m_path)
    {
    }

    void run();
    void print(const QString &seedNote) const;

private:
    struct Action
    {
        QString label;
        QString target;
        double targetMs = 0;
        EngineWork work = EngineWork::None;
        bool batch = false;
        std::function<void(int)> setup;
        std::function<void(int)> act;
        std::function<QString(int)> done; // what the window shows, for --verbose
        std::function<void(int)> after;
    };
    // False when the action was left out (--action).
    bool measure(const Action &action);
    double engineTime(EngineWork work, const QList<TracedStatement> &statements);
    void addNote(const QString &note)
    {
        QString &notes = m_results.last().note;
        notes = notes.isEmpty() ? note : note + QStringLiteral(", ") + notes;
    }
    void startupInNewProcesses();
    void startupRestarts();
    void book(const Book &book, bool searches);
    void phoneSearches(const Book &book);
    void chequeSearches(const Book &book);
    // The whole cheque list printed to a PDF file as a report, page by page, with its totals.
    void report(const Book &book);
    // The deleted records window opened on a hundred thousand deleted records.
    void deletedRecords();
    // A backup of the whole file, copied and checked as the file menu makes it.
    void backup();
    void exchange();
    void reminders();
    // An older Access book (the 100,000-record fixture) converted in a process of its own.
    void conversion();
    // Against Radicale on this computer, beside vdirsyncer (bench/sync.cpp).
    void sync();

    QString m_folder;
    QString m_path;
    Options m_options;
    Engine m_engine;
    Tracer m_tracer;
    QList<Result> m_results;
};

} // namespace bench
