#include "recordwrites.h"

#include "searchkeys.h"

#include "countcache.h"
#include "statement.h"
#include "beside.h"
#include "connection.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QFile>

#include <sqlite3.h>

namespace dalil::Records {

WriteTransaction::WriteTransaction(const QSqlDatabase &db)
    : m_db(db)
{
}

WriteTransaction::~WriteTransaction()
{
    if (m_open)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

bool WriteTransaction::begin(QSqlError *error)
{
    QSqlQuery query(m_db);
    m_open = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!m_open)
        *error = query.lastError();
    return m_open;
}

bool WriteTransaction::commit(QSqlError *error)
{
    // Written into a file that another program has since put another in place of, the
    // records would be lost with it: nothing is committed.
    if (Database::isReplaced(m_db)) {
        *error = Database::replacedError();
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("COMMIT"))) {
        *error = query.lastError();
        return false;
    }
    m_open = false;
    return true;
}

// The log a commit of many rows leaves is long (a hundred thousand rows added to a book of a
// million write some 100 MB of pages there); the commit itself copied it into the file, which
// stalled the windows a second. The engine's own copy after each commit is held back for this
// one only; the copy beside uses a connection of its own and takes what the engine lets it
// take without waiting.
bool WriteTransaction::commitMany(const QString &databasePath, QSqlError *error, const std::function<void()> &meanwhile)
{
    sqlite3 *handle = meanwhile ? Database::handle(m_db) : nullptr;
    if (!handle)
        return commit(error);
    sqlite3_wal_autocheckpoint(handle, 0);
    const bool committed = commit(error);
    sqlite3_wal_autocheckpoint(handle, 1000); // the engine's default, which Dalil keeps
    if (committed) {
        const QByteArray path = QFile::encodeName(databasePath);
        runBeside([&] {
            sqlite3 *own = nullptr;
            // A connection knows the file keeps a log once it has read it.
            if (sqlite3_open_v2(path.constData(), &own, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK
                && sqlite3_exec(own, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr) == SQLITE_OK)
                sqlite3_wal_checkpoint_v2(own, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            sqlite3_close(own);
        }, meanwhile);
    }
    return committed;
}

namespace {

// The sort keys of the rows a write added or renamed, made in the write's own transaction
// (the file's triggers make the rest of the keys).
bool keySortKeys(const QSqlDatabase &db, QSqlError *error)
{
    if (!SearchKeys::present(db))
        return true;
    for (const SearchKeys::KeyedSource &source : SearchKeys::sources()) {
        if (!SearchKeys::fillSortKeys(db, source)) {
            *error = QSqlError(QStringLiteral("sort keys not made"), {}, QSqlError::StatementError);
            return false;
        }
    }
    return true;
}


QVariant storedValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return valueForText(value.toString());
    return value;
}

WriteResult failed(DataError::Kind kind, const QString &path, const QString &table, const QString &detail = {})
{
    WriteResult result;
    result.error = {kind, path, table, detail};
    return result;
}

WriteResult failed(const QSqlError &error, const QString &path)
{
    WriteResult result;
    result.error = DataError::fromSql(error, path);
    return result;
}

// The record with this identity as the file holds it now, or an empty map when it is gone.
std::optional<Values> readStored(const QSqlDatabase &db, const QString &table, qint64 key, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table)));
    query.addBindValue(key);
    if (!query.exec()) {
        *error = query.lastError();
        return std::nullopt;
    }
    Values stored;
    if (query.next()) {
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c)
            stored.insert(record.fieldName(c), query.value(c));
    }
    return stored;
}

} // namespace

WriteNotices *WriteNotices::instance()
{
    static WriteNotices notices;
    return &notices;
}

QVariant valueForText(const QString &text)
{
    // An empty box stores no value, so that it matches no search pattern.
    return text.isEmpty() ? QVariant() : QVariant(text);
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && a.toString() == b.toString();
}

WriteResult insert(const QString &databasePath, const QString &table, const Values &values)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return {0, std::nullopt, error, {}};

    QStringList columns;
    QStringList marks;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        columns << quoteIdentifier(it.key());
        marks << QStringLiteral("?");
    }
    QSqlQuery query(db);
    query.prepare(columns.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table))
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdentifier(table), columns.join(u", "), marks.join(u", ")));
    for (const QVariant &value : values)
        query.addBindValue(storedValue(value));
    WriteTransaction transaction(db);
    QSqlError sqlError;
    if (!transaction.begin(&sqlError))
        return failed(sqlError, databasePath);
    CountCache::Write counted(db, table, CountCache::Write::Kind::Insert);
    if (!query.exec())
        return failed(query.lastError(), databasePath);
    WriteResult result;
    result.rowsTouched = query.numRowsAffected();
    result.key = query.lastInsertId().toLongLong();
    query.finish();
    if (!keySortKeys(db, &sqlError) || !transaction.commit(&sqlError))
        return failed(sqlError, databasePath);
    counted.succeeded(result.key);
    emit WriteNotices::instance()->recordWritten(databasePath, table, *result.key);
    return result;
}

Added insertAll(const QString &databasePath, const QString &table, const std::function<Next(Values &)> &next,
                const std::function<bool(QSqlDatabase &, const Values &)> &skip,
                const std::function<bool(QSqlDatabase &, const Added &)> &then,
                const std::function<bool(QSqlDatabase &, qint64 key)> &inserted, const std::function<void()> &meanwhile)
{
    Added result;
    auto fail = [&](const QSqlError &error) {
        result.error = DataError::fromSql(error, databasePath);
        return result;
    };
    QSqlDatabase db = Database::connection(databasePath, &result.error);
    if (!db.isValid())
        return result;
    WriteTransaction transaction(db);
    QSqlError sqlError;
    if (!transaction.begin(&sqlError))
        return fail(sqlError);
    if (!SearchKeys::suspendInsertKeys(db, table))
        return fail(db.lastError());
    // Statements by the columns a record names, so that a column left out takes its default.
    QHash<QStringList, QSqlQuery> inserts;
    Values record;
    for (;;) {
        record.clear();
        const Next step = next(record);
        if (step == Next::GiveUp) {
            result.gaveUp = true;
            return result;
        }
        if (step == Next::End)
            break;
        if (skip && skip(db, record)) {
            ++result.skipped;
            continue;
        }
        const QStringList columns = record.keys();
        auto found = inserts.find(columns);
        if (found == inserts.end()) {
            QStringList quoted;
            for (const QString &column : columns)
                quoted << quoteIdentifier(column);
            QSqlQuery query(db);
            const bool prepared = query.prepare(
                columns.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table))
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(quoteIdentifier(table), quoted.join(u", "),
                                             QStringList(columns.size(), QStringLiteral("?")).join(u", ")));
            if (!prepared)
                return fail(query.lastError());
            found = inserts.insert(columns, query);
        }
        QSqlQuery &query = *found;
        int position = 0;
        for (const QVariant &value : std::as_const(record))
            query.bindValue(position++, storedValue(value));
        if (!query.exec())
            return fail(query.lastError());
        const qint64 key = query.lastInsertId().toLongLong();
        if (inserted && !inserted(db, key))
            return fail(db.lastError());
        if (!result.firstKey)
            result.firstKey = key;
        result.lastKey = key;
        ++result.added;
    }
    for (QSqlQuery &query : inserts)
        query.finish();
    inserts.clear();
    if (!SearchKeys::resumeInsertKeys(db, table, result.firstKey, result.added, meanwhile))
        return fail(QSqlError(QStringLiteral("search keys not made"), {}, QSqlError::StatementError));
    if (!keySortKeys(db, &sqlError))
        return fail(sqlError);
    if (then && !then(db, result)) {
        result.error = {DataError::Kind::Other, databasePath, table, db.lastError().text()};
        return result;
    }
    if (!transaction.commitMany(databasePath, &sqlError, meanwhile))
        return fail(sqlError);
    if (result.added > 0) {
        const bool run = *result.lastKey - *result.firstKey + 1 == result.added;
        emit WriteNotices::instance()->recordsAdded(databasePath, table, run ? *result.firstKey : 0, run ? *result.lastKey : 0);
    }
    return result;
}

WriteResult reinsert(const QString &databasePath, const QString &table, const Values &values, qint64 formerKey,
                     const std::function<bool(QSqlDatabase &, qint64 key)> &then)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return {0, std::nullopt, error, {}};
    WriteTransaction transaction(db);
    QSqlError sqlError;
    if (!transaction.begin(&sqlError))
        return failed(sqlError, databasePath);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table)));
    query.addBindValue(formerKey);
    if (!query.exec())
        return failed(query.lastError(), databasePath);
    const bool keyFree = formerKey > 0 && !query.next();
    query.finish();

    QStringList columns;
    QStringList marks;
    if (keyFree) {
        columns << QStringLiteral("rowid");
        marks << QStringLiteral("?");
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        columns << quoteIdentifier(it.key());
        marks << QStringLiteral("?");
    }
    query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteIdentifier(table), columns.join(u", "), marks.join(u", ")));
    if (keyFree)
        query.addBindValue(formerKey);
    for (const QVariant &value : values)
        query.addBindValue(value);
    CountCache::Write counted(db, table, CountCache::Write::Kind::Insert);
    if (!query.exec())
        return failed(query.lastError(), databasePath);
    WriteResult result;
    result.rowsTouched = query.numRowsAffected();
    result.key = query.lastInsertId().toLongLong();
    query.finish();
    if (!then(db, *result.key)) {
        WriteResult refused = failed(DataError::Kind::Other, databasePath, table);
        refused.error.detail = db.lastError().text();
        return refused;
    }
    if (!keySortKeys(db, &sqlError) || !transaction.commit(&sqlError))
        return failed(sqlError, databasePath);
    counted.succeeded(result.key);
    emit WriteNotices::instance()->recordWritten(databasePath, table, *result.key);
    return result;
}

WriteResult update(const QString &databasePath, const QString &table, qint64 key, const Values &changed,
                   const std::optional<Values> &asRead)
{
    if (changed.isEmpty())
        return {};
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return {0, std::nullopt, error, {}};

    WriteTransaction transaction(db);
    QSqlError sqlError;
    if (!transaction.begin(&sqlError))
        return failed(sqlError, databasePath);
    if (asRead) {
        const std::optional<Values> stored = readStored(db, table, key, &sqlError);
        if (!stored)
            return failed(sqlError, databasePath);
        if (stored->isEmpty())
            return failed(DataError::Kind::RecordGone, databasePath, table);
        for (auto it = asRead->cbegin(); it != asRead->cend(); ++it) {
            if (!sameValue(stored->value(it.key()), it.value())) {
                WriteResult conflict = failed(DataError::Kind::Conflict, databasePath, table);
                conflict.stored = *stored;
                return conflict;
            }
        }
    }

    QStringList assignments;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        assignments << quoteIdentifier(it.key()) + QStringLiteral(" = ?");
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoteIdentifier(table), assignments.join(u", ")));
    for (const QVariant &value : changed)
        query.addBindValue(storedValue(value));
    query.addBindValue(key);
    CountCache::Write counted(db, table, CountCache::Write::Kind::Update, key);
    if (!query.exec())
        return failed(query.lastError(), databasePath);
    WriteResult result;
    result.rowsTouched = query.numRowsAffected();
    if (result.rowsTouched != 1)
        return failed(DataError::Kind::RecordGone, databasePath, table);
    query.finish();
    if (!keySortKeys(db, &sqlError) || !transaction.commit(&sqlError))
        return failed(sqlError, databasePath);
    counted.succeeded(key);
    result.key = key;
    emit WriteNotices::instance()->recordWritten(databasePath, table, key);
    return result;
}

WriteResult remove(const QString &databasePath, const QString &table, qint64 key)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return {0, std::nullopt, error, {}};
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table)));
    query.addBindValue(key);
    CountCache::Write counted(db, table, CountCache::Write::Kind::Delete, key);
    if (!query.exec())
        return failed(query.lastError(), databasePath);
    WriteResult result;
    result.rowsTouched = query.numRowsAffected();
    result.key = key;
    // The record was deleted elsewhere since it was read: nothing was deleted here.
    if (result.rowsTouched != 1) {
        result.error = {DataError::Kind::RecordGone, databasePath, table, {}};
        return result;
    }
    counted.succeeded();
    emit WriteNotices::instance()->recordRemoved(databasePath, table, key);
    return result;
}

} // namespace dalil::Records
