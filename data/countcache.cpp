#include "countcache.h"

#include "statement.h"

#include <QSqlQuery>

namespace dalil {

namespace {

struct Entry
{
    QString connection;
    qint64 epoch = 0; // the opening of the connection the count was taken on
    QString object;
    QString condition;
    QVariantList values;
    qint64 count = 0;
    // What the count holds for: the book's change number in a file of this schema, or, where
    // there is none, the whole file as the stamp saw it.
    std::optional<qint64> changes;
    qint64 schema = -1;
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

bool ofConnection(const Entry &e, const QSqlDatabase &db, const ChangeStamp &stamp)
{
    return e.connection == db.connectionName() && e.epoch == stamp.connection;
}

// The change number of a book table, kept by the file's own triggers; nullopt for any other
// table or query, and in a file of a layout before the change numbers.
std::optional<qint64> changesOf(const QSqlDatabase &db, const QString &object)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT changes FROM BookChanges WHERE book = ?"
                                      " AND (SELECT user_version FROM pragma_user_version) >= 3")))
        return std::nullopt;
    query.addBindValue(object);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool holds(const Entry &e, const std::optional<qint64> &changes, const ChangeStamp &stamp)
{
    if (e.changes)
        return changes && *changes == *e.changes && e.schema == stamp.schema;
    return e.stamp == stamp;
}

QString whereClause(const QString &condition)
{
    return condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
}

// Whether the row meets the condition of a count.
std::optional<bool> rowMeets(const QSqlDatabase &db, const QString &table, qint64 key, const Entry &entry)
{
    if (entry.condition.isEmpty())
        return true;
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

void keep(Entry entry)
{
    QList<Entry> &list = entries();
    list.removeIf([&](const Entry &e) {
        return e.connection == entry.connection && e.object == entry.object && e.condition == entry.condition
               && e.values == entry.values;
    });
    list.prepend(std::move(entry));
    if (list.size() > entriesKept)
        list.resize(entriesKept);
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

std::optional<qint64> count(const QSqlDatabase &db, const QString &object, const QString &condition,
                            const QVariantList &values, QSqlError *error)
{
    const ChangeStamp stamp = ChangeStamp::of(db);
    const std::optional<qint64> changes = changesOf(db, object);
    QList<Entry> &list = entries();
    if (stamp.isValid()) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            const Entry &e = list.at(i);
            if (ofConnection(e, db, stamp) && e.object == object && e.condition == condition && e.values == values
                && holds(e, changes, stamp)) {
                list.move(i, 0);
                return list.first().count;
            }
        }
    }

    // A book's change number is read by the same statement as the count, so that both see
    // the file as it was at one moment.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString counting = QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(object) + whereClause(condition);
    if (changes) {
        query.prepare(QStringLiteral("SELECT (%1), (SELECT changes FROM BookChanges WHERE book = ?)").arg(counting));
    } else {
        query.prepare(counting);
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (changes)
        query.addBindValue(object);
    if (!query.exec() || !query.next()) {
        *error = query.lastError();
        return std::nullopt;
    }
    const qint64 counted = query.value(0).toLongLong();
    if (!stamp.isValid())
        return counted;
    Entry entry{db.connectionName(), stamp.connection, object, condition, values, counted, {}, stamp.schema, stamp};
    if (changes && !query.value(1).isNull())
        entry.changes = query.value(1).toLongLong();
    else if (changes)
        return counted;
    keep(std::move(entry));
    return counted;
}

Write::Write(const QSqlDatabase &db, const QString &table, Kind kind, std::optional<qint64> key)
    : m_db(db)
    , m_table(table)
    , m_kind(kind)
    , m_key(key)
    , m_changesBefore(changesOf(db, table))
    , m_stampBefore(ChangeStamp::of(db))
{
    // Which counts of the table held the row before it changed.
    for (const Entry &e : std::as_const(entries())) {
        int member = -1;
        if (m_changesBefore && ofConnection(e, db, m_stampBefore) && sameObject(e.object, table)
            && holds(e, m_changesBefore, m_stampBefore)) {
            if (kind == Kind::Insert) {
                member = 0;
            } else if (key) {
                const std::optional<bool> meets = rowMeets(db, table, *key, e);
                member = meets ? int(*meets) : -1;
            }
        }
        m_memberBefore << member;
    }
}

Write::~Write() = default;

void Write::succeeded(std::optional<qint64> key)
{
    if (m_kind == Kind::Insert)
        m_key = key;
    const std::optional<qint64> changesAfter = changesOf(m_db, m_table);
    const ChangeStamp after = ChangeStamp::of(m_db);
    // The write was the table's only change when its change number moved by exactly one; a
    // trigger or another program that also wrote the table leaves its counts to be taken again.
    const bool alone = m_changesBefore && changesAfter && *changesAfter == *m_changesBefore + 1 && after.isValid()
                       && after.connection == m_stampBefore.connection && after.schema == m_stampBefore.schema;

    QList<Entry> &list = entries();
    QList<Entry> kept;
    for (qsizetype i = 0; i < list.size(); ++i) {
        Entry e = list.at(i);
        if (e.connection != m_db.connectionName()) {
            kept << e;
            continue;
        }
        if (!e.changes)
            continue; // held only while nothing at all changed
        if (!sameObject(e.object, m_table)) {
            kept << e; // another book: its own change number tells whether the count holds
            continue;
        }
        const int before = i < m_memberBefore.size() ? m_memberBefore.at(i) : -1;
        if (!alone || before < 0 || !m_key)
            continue;
        int now = 0;
        if (m_kind != Kind::Delete) {
            const std::optional<bool> meets = rowMeets(m_db, m_table, *m_key, e);
            if (!meets)
                continue;
            now = int(*meets);
        }
        e.count += now - before;
        e.changes = changesAfter;
        kept << e;
    }
    list = kept;
}

} // namespace CountCache

} // namespace dalil
