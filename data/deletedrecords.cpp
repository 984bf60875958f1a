#include "deletedrecords.h"

#include "recorduids.h"
#include "statement.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimeZone>
#include <QVariant>

#include <sqlite3.h>

namespace dalil::DeletedRecords {

namespace {

// The columns Dalil adds before the book's own in a table of deleted records.
const QStringList ownColumns{QStringLiteral("deletedId"), QStringLiteral("deletedAt"), QStringLiteral("formerKey")};

const char *timeFormat = "%Y-%m-%d %H:%M:%f";

QStringList columnsOf(sqlite3 *handle, const QString &table)
{
    QStringList columns;
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = "PRAGMA table_info(" + quoteIdentifier(table).toUtf8() + ")";
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            columns << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
    }
    sqlite3_finalize(statement);
    return columns;
}

QDateTime fromStored(const QString &text)
{
    QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    when.setTimeSpec(Qt::UTC);
    return when;
}

Entry entryFrom(const QString &book, const QSqlQuery &query)
{
    Entry entry;
    entry.book = book;
    const QSqlRecord record = query.record();
    for (int c = 0; c < record.count(); ++c) {
        const QString name = record.fieldName(c);
        if (name == ownColumns[0])
            entry.id = query.value(c).toLongLong();
        else if (name == ownColumns[1])
            entry.deletedAt = fromStored(query.value(c).toString());
        else if (name == ownColumns[2])
            entry.formerKey = query.value(c).toLongLong();
        else
            entry.values.insert(name, query.value(c));
    }
    return entry;
}

bool keeps(const QSqlDatabase &db, const QString &book)
{
    bool isTable = false;
    return Database::hasObject(db, tableFor(book), &isTable) && isTable;
}

} // namespace

const QStringList &books()
{
    static const QStringList names{QStringLiteral("Phone"), QStringLiteral("Note"), QStringLiteral("Cheque")};
    return names;
}

QString tableFor(const QString &book)
{
    return QStringLiteral("Deleted") + book;
}

bool create(sqlite3 *handle)
{
    for (const QString &book : books()) {
        const QStringList columns = columnsOf(handle, book);
        if (columns.isEmpty())
            continue; // a file without this book keeps nothing of it
        // The book's columns without a type: every value is kept exactly as it was stored.
        QStringList declared{QStringLiteral("deletedId INTEGER PRIMARY KEY"), QStringLiteral("deletedAt TEXT NOT NULL"),
                             QStringLiteral("formerKey INTEGER")};
        QStringList names{QStringLiteral("deletedAt"), QStringLiteral("formerKey")};
        QStringList old{QStringLiteral("strftime('%1', 'now')").arg(QLatin1String(timeFormat)), QStringLiteral("OLD.rowid")};
        for (const QString &column : columns) {
            declared << quoteIdentifier(column);
            names << quoteIdentifier(column);
            old << QStringLiteral("OLD.") + quoteIdentifier(column);
        }
        const QString table = quoteIdentifier(tableFor(book));
        const QString sql =
            QStringLiteral("CREATE TABLE %1 (%2);\n"
                           "CREATE INDEX %3 ON %1 (deletedAt);\n"
                           "CREATE TRIGGER %4 AFTER DELETE ON %5 BEGIN\n"
                           "    INSERT INTO %1 (%6) VALUES (%7);\n"
                           "END;\n")
                .arg(table, declared.join(QStringLiteral(", ")), quoteIdentifier(tableFor(book) + QStringLiteral("_time")),
                     quoteIdentifier(book + QStringLiteral("_keep_deleted")), quoteIdentifier(book),
                     names.join(QStringLiteral(", ")), old.join(QStringLiteral(", ")));
        if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

bool kept(const QString &databasePath)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    return db.isValid() && keeps(db, books().first());
}

QList<Entry> page(const QString &databasePath, const std::optional<Entry> &after, int limit, DataError *error)
{
    QList<Entry> entries;
    const QSqlDatabase db = Database::connection(databasePath, error);
    if (!db.isValid())
        return entries;
    const qsizetype afterBook = after ? books().indexOf(after->book) : -1;
    const QString afterTime = after ? after->deletedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) : QString();
    // Each book's next records in the order, then the three merged.
    for (qsizetype b = 0; b < books().size(); ++b) {
        const QString &book = books().at(b);
        if (!keeps(db, book))
            continue;
        QSqlQuery query(db);
        query.setForwardOnly(true);
        QString sql = QStringLiteral("SELECT * FROM %1").arg(quoteIdentifier(tableFor(book)));
        if (after) {
            sql += QStringLiteral(" WHERE deletedAt <= ? AND (deletedAt < ? OR deletedId < ? OR (deletedId = ? AND ?))");
        }
        sql += QStringLiteral(" ORDER BY deletedAt DESC, deletedId DESC LIMIT ?");
        query.prepare(sql);
        if (after) {
            query.addBindValue(afterTime);
            query.addBindValue(afterTime);
            query.addBindValue(after->id);
            query.addBindValue(after->id);
            query.addBindValue(b > afterBook ? 1 : 0);
        }
        query.addBindValue(limit);
        if (!query.exec()) {
            *error = DataError::fromSql(query.lastError(), databasePath);
            return {};
        }
        while (query.next())
            entries << entryFrom(book, query);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.deletedAt != b.deletedAt ? a.deletedAt > b.deletedAt : a.id > b.id;
    });
    if (entries.size() > limit)
        entries.resize(limit);
    return entries;
}

std::optional<Entry> newest(const QString &databasePath, const QString &book, DataError *error)
{
    const QSqlDatabase db = Database::connection(databasePath, error);
    if (!db.isValid() || !keeps(db, book))
        return std::nullopt;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY deletedId DESC LIMIT 1").arg(quoteIdentifier(tableFor(book))))) {
        *error = DataError::fromSql(query.lastError(), databasePath);
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return entryFrom(book, query);
}

Records::WriteResult restore(const QString &databasePath, const Entry &entry)
{
    return Records::reinsert(databasePath, entry.book, entry.values, entry.formerKey, [&](QSqlDatabase &db, qint64 key) {
        // The record's UID goes back with it, before it leaves the deleted ones (which lets it go).
        if (!RecordUids::restored(db, entry.book, entry.id, key))
            return false;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM %1 WHERE deletedId = ?").arg(quoteIdentifier(tableFor(entry.book))));
        query.addBindValue(entry.id);
        // Restored once: a second copy that put it back first leaves nothing to take.
        return query.exec() && query.numRowsAffected() == 1;
    });
}

DataError empty(const QString &databasePath)
{
    DataError error;
    QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return error;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return DataError::fromSql(query.lastError(), databasePath);
    for (const QString &book : books()) {
        if (keeps(db, book) && !query.exec(QStringLiteral("DELETE FROM %1").arg(quoteIdentifier(tableFor(book))))) {
            error = DataError::fromSql(query.lastError(), databasePath);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return error;
        }
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        error = DataError::fromSql(query.lastError(), databasePath);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    return error;
}

DataError dropDeletedBefore(const QSqlDatabase &db, const QDateTime &when)
{
    const QString limit = when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    for (const QString &book : books()) {
        if (!keeps(db, book))
            continue;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM %1 WHERE deletedAt < ?").arg(quoteIdentifier(tableFor(book))));
        query.addBindValue(limit);
        if (!query.exec())
            return DataError::fromSql(query.lastError(), db.databaseName());
    }
    return {};
}

} // namespace dalil::DeletedRecords
