#include "options.h"

#include <QSqlQuery>

#include <sqlite3.h>

namespace dalil::Options {

namespace {

QString quoted(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace

std::optional<QVariant> value(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT value FROM DalilOptions WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0);
}

QList<Value> withPrefix(const QSqlDatabase &db, const QString &prefix)
{
    QList<Value> values;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // substr rather than LIKE: a name's '_' or '%' is no pattern, and the case counts.
    query.prepare(QStringLiteral("SELECT name, value FROM DalilOptions WHERE substr(name, 1, ?) = ?"));
    query.addBindValue(prefix.size());
    query.addBindValue(prefix);
    if (query.exec()) {
        while (query.next())
            values.append({query.value(0).toString(), query.value(1)});
    }
    return values;
}

bool set(QSqlQuery &query, const QList<Value> &values)
{
    if (values.isEmpty())
        return true;
    QStringList rows;
    for (qsizetype i = 0; i < values.size(); ++i)
        rows << QStringLiteral("(?, ?)");
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES ") + rows.join(u", "));
    for (const auto &[name, value] : values) {
        query.addBindValue(name);
        query.addBindValue(value);
    }
    return query.exec();
}

bool set(const QSqlDatabase &db, const QList<Value> &values, QSqlError *error)
{
    QSqlQuery query(db);
    if (set(query, values))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

bool create(sqlite3 *handle)
{
    return sqlite3_exec(handle, "CREATE TABLE DalilOptions (name TEXT PRIMARY KEY, value) WITHOUT ROWID;", nullptr,
                        nullptr, nullptr)
           == SQLITE_OK;
}

QString setSql(const QString &name, const QString &value)
{
    return QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES (%1, %2);").arg(quoted(name), quoted(value));
}

} // namespace dalil::Options
