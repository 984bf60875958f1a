#include "countcache.h"

#include "statement.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>

namespace dalil {

namespace {

struct Entry
{
    QString connection;
    QString object;
    QString condition;
    QVariantList values;
    qint64 count = 0;
    ChangeStamp stamp;
};

// A few counts are enough: each book's table and its latest searches.
constexpr qsizetype entriesKept = 16;

QList<Entry> &entries()
{
    static QList<Entry> list;
    return list;
}

bool sameObject(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void dropConnection(const QString &connection)
{
    entries().removeIf([&](const Entry &e) { return e.connection == connection; });
}

// The tables that triggers write when a row of table changes, and the tables their own
// triggers write in turn. nullopt when a trigger's statements cannot be read.
std::optional<QSet<QString>> tablesWrittenByTriggers(const QSqlDatabase &db, const QString &table)
{
    static const QRegularExpression target(
        QStringLiteral(R"(\b(?:INSERT(?:\s+OR\s+\w+)?\s+INTO|REPLACE\s+INTO|UPDATE(?:\s+OR\s+\w+)?|DELETE\s+FROM)\s+)"
                       R"(((?:main\.)?(?:"(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|[^\s(]+)))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression begin(QStringLiteral(R"(\bBEGIN\b)"), QRegularExpression::CaseInsensitiveOption);
    QSet<QString> written;
    QStringList pending{table};
    QSet<QString> visited;
    while (!pending.isEmpty()) {
        const QString current = pending.takeFirst();
        if (visited.contains(current.toLower()))
            continue;
        visited.insert(current.toLower());
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ? COLLATE NOCASE"));
        query.addBindValue(current);
        if (!query.exec())
            return std::nullopt;
        while (query.next()) {
            const QString sql = query.value(0).toString();
            const auto body = begin.match(sql);
            if (!body.hasMatch())
                return std::nullopt;
            auto it = target.globalMatch(sql, body.capturedEnd());
            while (it.hasNext()) {
                QString name = it.next().captured(1);
                if (name.startsWith(QStringLiteral("main."), Qt::CaseInsensitive))
                    name = name.mid(5);
                if (name.size() >= 2 && (name.front() == u'"' || name.front() == u'[' || name.front() == u'`'))
                    name = name.mid(1, name.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
                written.insert(name.toLower());
                pending << name;
            }
        }
    }
    return written;
}

bool isTable(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    query.addBindValue(name);
    return query.exec() && query.next();
}

// Whether the row meets the condition of a count.
std::optional<bool> rowMeets(const QSqlDatabase &db, const QString &table, qint64 key, const Entry &entry)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 WHERE rowid = ? AND (%2))")
                      .arg(quoteIdentifier(table), entry.condition));
    query.addBindValue(key);
    for (const QVariant &value : entry.values)
        query.addBindValue(value);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toBool();
}

} // namespace

ChangeStamp ChangeStamp::of(const QSqlDatabase &db)
{
    ChangeStamp stamp;
    if (!db.isOpen())
        return stamp;
    // Each opening of a connection gets a number of its own, kept in the connection's private
    // temp schema (never in the file): a reopened connection is never taken for the old one.
    static qint64 lastEpoch = 0;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA temp.user_version")) || !query.next())
        return {};
    qint64 epoch = query.value(0).toLongLong();
    if (epoch == 0) {
        epoch = ++lastEpoch;
        if (!query.exec(QStringLiteral("PRAGMA temp.user_version = %1").arg(epoch)))
            return {};
    }
    stamp.connection = epoch;
    if (!query.exec(QStringLiteral("SELECT total_changes(), (SELECT data_version FROM pragma_data_version()),"
                                   " (SELECT schema_version FROM pragma_schema_version())"))
        || !query.next())
        return {};
    stamp.own = query.value(0).toLongLong();
    stamp.others = query.value(1).toLongLong();
    stamp.schema = query.value(2).toLongLong();
    return stamp;
}

namespace CountCache {

std::optional<qint64> find(const QSqlDatabase &db, const QString &object, const QString &condition,
                           const QVariantList &values, const ChangeStamp &stamp)
{
    if (!stamp.isValid())
        return std::nullopt;
    QList<Entry> &list = entries();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &e = list.at(i);
        if (e.connection == db.connectionName() && e.stamp == stamp && e.object == object
            && e.condition == condition && e.values == values) {
            list.move(i, 0);
            return list.first().count;
        }
    }
    return std::nullopt;
}

void store(const QSqlDatabase &db, const QString &object, const QString &condition, const QVariantList &values,
           qint64 count, const ChangeStamp &stamp)
{
    if (!stamp.isValid())
        return;
    QList<Entry> &list = entries();
    list.removeIf([&](const Entry &e) {
        return e.connection == db.connectionName() && e.object == object && e.condition == condition
               && e.values == values;
    });
    list.prepend({db.connectionName(), object, condition, values, count, stamp});
    if (list.size() > entriesKept)
        list.resize(entriesKept);
}

Write::Write(const QSqlDatabase &db, const QString &table, Kind kind, std::optional<qint64> key)
    : m_db(db)
    , m_table(table)
    , m_kind(kind)
    , m_key(key)
    , m_before(ChangeStamp::of(db))
{
    // Which counts of the table held the row before it changed.
    for (const Entry &e : std::as_const(entries())) {
        int member = 0;
        if (kind != Kind::Insert && key && e.connection == db.connectionName() && e.stamp == m_before
            && sameObject(e.object, table) && !e.condition.isEmpty()) {
            const std::optional<bool> meets = rowMeets(db, table, *key, e);
            member = meets ? int(*meets) : -1;
        }
        m_memberBefore << member;
    }
}

Write::~Write()
{
    if (!m_done)
        dropConnection(m_db.connectionName()); // a failed write may have changed anything
}

void Write::succeeded(std::optional<qint64> key)
{
    m_done = true;
    const QString connection = m_db.connectionName();
    const ChangeStamp after = ChangeStamp::of(m_db);
    if (!m_before.isValid() || !after.isValid() || after.connection != m_before.connection
        || after.others != m_before.others || after.schema != m_before.schema) {
        dropConnection(connection);
        return;
    }
    if (m_kind == Kind::Insert)
        m_key = key;
    // One row changed and nothing else: other tables are as they were. More changes come
    // from triggers, whose tables are then left out.
    QSet<QString> touched;
    if (after.own - m_before.own != 1) {
        const std::optional<QSet<QString>> written = tablesWrittenByTriggers(m_db, m_table);
        if (!written || written->contains(m_table.toLower())) {
            dropConnection(connection);
            return;
        }
        touched = *written;
    }

    QList<Entry> &list = entries();
    QList<Entry> kept;
    for (qsizetype i = 0; i < list.size(); ++i) {
        Entry e = list.at(i);
        if (e.connection != connection) {
            kept << e;
            continue;
        }
        if (e.stamp != m_before)
            continue;
        if (sameObject(e.object, m_table)) {
            qint64 change = 0;
            if (e.condition.isEmpty()) {
                change = m_kind == Kind::Insert ? 1 : m_kind == Kind::Delete ? -1 : 0;
            } else {
                const int before = i < m_memberBefore.size() ? m_memberBefore.at(i) : -1;
                if (before < 0 && m_kind != Kind::Insert)
                    continue;
                int now = 0;
                if (m_kind != Kind::Delete) {
                    if (!m_key)
                        continue;
                    const std::optional<bool> meets = rowMeets(m_db, m_table, *m_key, e);
                    if (!meets)
                        continue;
                    now = int(*meets);
                }
                change = now - qMax(before, 0);
            }
            e.count += change;
        } else if (touched.contains(e.object.toLower()) || !isTable(m_db, e.object)) {
            continue; // written by a trigger, or a stored query that may read the table
        }
        e.stamp = after;
        kept << e;
    }
    list = kept;
}

} // namespace CountCache

} // namespace dalil
