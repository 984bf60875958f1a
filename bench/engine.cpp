#include "engine.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

namespace bench {

StatementKind kindOf(const TracedStatement &statement)
{
    const QByteArray sql = statement.sql.simplified().toUpper();
    if (sql.startsWith("INSERT"))
        return StatementKind::Insert;
    if (sql.startsWith("DELETE"))
        return StatementKind::Delete;
    if (!sql.startsWith("SELECT") || sql.contains("SQLITE_MASTER") || sql.contains("SQLITE_SCHEMA"))
        return StatementKind::Other;
    if (sql.contains(" LIMIT "))
        return StatementKind::Page;
    if (sql.startsWith("SELECT COUNT(*)"))
        return StatementKind::Count;
    return StatementKind::Position;
}

void Tracer::follow(const QString &databasePath)
{
    // The program keeps one connection per file; its name starts with "dalil:".
    sqlite3 *handle = nullptr;
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &name : names) {
        if (!name.startsWith(u"dalil:") || !name.endsWith(databasePath))
            continue;
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            continue;
        const QVariant v = db.driver()->handle();
        if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
            handle = *static_cast<sqlite3 *const *>(v.constData());
    }
    if (handle && handle != m_followed) {
        sqlite3_trace_v2(handle, SQLITE_TRACE_STMT,
                         reinterpret_cast<int (*)(unsigned, void *, void *, void *)>(&Tracer::callback), this);
        m_followed = handle;
    }
}

int Tracer::callback(unsigned type, void *context, void *statement, void *text)
{
    auto *self = static_cast<Tracer *>(context);
    const char *sql = static_cast<const char *>(text);
    if (type != SQLITE_TRACE_STMT || !self->m_recording || !sql || (sql[0] == '-' && sql[1] == '-'))
        return 0; // statements of triggers come as comments
    auto *st = static_cast<sqlite3_stmt *>(statement);
    char *expanded = sqlite3_expanded_sql(st);
    self->m_seen.append({QByteArray(sqlite3_sql(st)), QByteArray(expanded ? expanded : sql)});
    sqlite3_free(expanded);
    return 0;
}

void Tracer::start()
{
    m_seen.clear();
    m_recording = true;
}

QList<TracedStatement> Tracer::stop()
{
    m_recording = false;
    return std::exchange(m_seen, {});
}

Engine::Engine(const QString &databasePath)
{
    sqlite3_open_v2(databasePath.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(m_db, 2000);
    run("PRAGMA synchronous = FULL");
}

Engine::~Engine()
{
    sqlite3_close(m_db);
}

bool Engine::run(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

qint64 Engine::select(const QByteArray &sql, qint64 *first)
{
    QElapsedTimer clock;
    clock.start();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
        qWarning("engine: %s: %s", sqlite3_errmsg(m_db), sql.constData());
        return 0;
    }
    const int columns = sqlite3_column_count(st);
    bool firstRow = true;
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (firstRow && first)
            *first = sqlite3_column_int64(st, 0);
        firstRow = false;
        // Every value as text, as the program's driver reads them.
        for (int c = 0; c < columns; ++c)
            sqlite3_column_text(st, c);
    }
    sqlite3_finalize(st);
    return clock.nsecsElapsed();
}

// The engine's writes are rolled back, never committed: a committed write of this other
// connection would be, to the program, another program changing the file, and the program's
// next action would read its sets afresh. (So the engine's figure for a write leaves out the
// commit and its sync, which the program's includes.)
qint64 Engine::insert(const QByteArray &expanded)
{
    run("BEGIN IMMEDIATE");
    QElapsedTimer clock;
    clock.start();
    const bool ok = run(expanded.constData());
    const qint64 ns = clock.nsecsElapsed();
    run("ROLLBACK");
    if (!ok) {
        qWarning("engine: %s: %s", sqlite3_errmsg(m_db), expanded.constData());
        return 0;
    }
    return ns;
}

qint64 Engine::deleteRow(const QByteArray &sql, const QString &table)
{
    const QByteArray name = '"' + table.toUtf8() + '"';
    run("BEGIN IMMEDIATE");
    if (!run(QByteArray("INSERT INTO " + name + " SELECT * FROM " + name + " WHERE rowid = (SELECT max(rowid) FROM "
                        + name + ")")
                 .constData())) {
        run("ROLLBACK");
        return 0;
    }
    const qint64 rowid = sqlite3_last_insert_rowid(m_db);
    QElapsedTimer clock;
    clock.start();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, nullptr);
    sqlite3_bind_int64(st, 1, rowid);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    const qint64 ns = clock.nsecsElapsed();
    run("ROLLBACK");
    if (rc != SQLITE_DONE)
        qWarning("engine: %s: %s", sqlite3_errmsg(m_db), sql.constData());
    return ns;
}

} // namespace bench
