// The engine's own cost: the statements the program ran for an action, caught on its own
// connection, and run again by themselves through a connection of the bench's.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct sqlite3;

namespace bench {

struct TracedStatement
{
    QByteArray sql;      // as prepared, with its '?' marks
    QByteArray expanded; // with the bound values in place
};

enum class StatementKind { Count, Page, Position, Insert, Delete, Other };
StatementKind kindOf(const TracedStatement &statement);

// Records every statement the program's connection starts while recording.
class Tracer
{
public:
    // Follows the program's connection to that file, if it is open.
    void follow(const QString &databasePath);
    void start();
    QList<TracedStatement> stop();

private:
    static int callback(unsigned type, void *context, void *statement, void *text);
    sqlite3 *m_followed = nullptr;
    bool m_recording = false;
    QList<TracedStatement> m_seen;
};

// A connection of the bench's own on the same file, set up as the program sets up its own.
class Engine
{
public:
    explicit Engine(const QString &databasePath);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Runs a query to its end, reading every value as text; nanoseconds. *first gets the
    // first value of the first row (a count).
    qint64 select(const QByteArray &sql, qint64 *first = nullptr);
    // Runs a traced INSERT as it was, then removes the row again (not timed).
    qint64 insert(const QByteArray &expanded);
    // Runs a traced "DELETE ... WHERE rowid = ?" on a copy of the table's last row, made for it.
    qint64 deleteRow(const QByteArray &sql, const QString &table);

private:
    bool run(const char *sql);
    sqlite3 *m_db = nullptr;
};

} // namespace bench
