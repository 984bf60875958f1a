#include "deletedrecords.h"

#include "database.h"
#include "recorduids.h"
#include "statement.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimeZone>
#include <QVariant>

namespace dalil::DeletedRecords {

namespace {

// The columns Dalil adds before the book's own in a table of deleted records.
const QStringList ownColumns{QStringLiteral("deletedId"), QStringLiteral("deletedAt"), QStringLiteral("formerKey")};

QDateTime fromStored(const QString &text)
{
    // As the file's triggers write it, "2026-12-10 09:41:52.123", read by hand: Qt's reading
    // by a format takes some 20 µs a time, and a page of the window reads hundreds.
    if (text.size() == 23 && text.at(4) == u'-' && text.at(7) == u'-' && text.at(10) == u' ' && text.at(13) == u':'
        && text.at(16) == u':' && text.at(19) == u'.') {
        bool digits = true;
        const auto number = [&](qsizetype at, qsizetype length) {
            int value = 0;
            for (qsizetype i = at; i < at + length; ++i) {
                const char16_t c = text.at(i).unicode();
                digits = digits && c >= u'0' && c <= u'9';
                value = value * 10 + (c - u'0');
            }
            return value;
        };
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2), number(20, 3));
        if (digits && date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
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

} // namespace

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

} // namespace dalil::DeletedRecords
