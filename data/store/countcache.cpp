#include "countcache.h"

#include "connection.h"
#include "statement.h"

#include <QSqlQuery>
#include <QThread>

#include <sqlite3.h>

#include <atomic>

namespace dalil {

namespace {

struct Entry
{
    QString connection;
    qint64 epoch = 0; // the opening of the connection the count was taken on
    QString object;
    QString book; // the book whose change number the entry follows (object, or the book it keys)
    QString condition;
    QVariantList values;
    qint64 count = 0;
    // What the count holds for: the book's change number in a file of this schema, or, where
    // there is none, the whole file as the stamp saw it.
    std::optional<qint64> changes;
    qint64 schema = -1;
    ChangeStamp stamp;
    // An ordered set: the identities of its rows in order, sorted by orderKey then identity.
    bool isOrdered = false;
    QString orderKey;
    QList<qint64> ids;
};

// Ordered sets hold up to a few megabytes each: only the latest few are kept.
constexpr qsizetype orderedKept = 3;

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

bool sameQuery(const Entry &e, const QString &object, const QString &condition, const QVariantList &values,
               bool isOrdered, const QString &orderKey)
{
    return e.object == object && e.condition == condition && e.values == values && e.isOrdered == isOrdered
           && e.orderKey == orderKey;
}

bool ofConnection(const Entry &e, const QSqlDatabase &db, const ChangeStamp &stamp)
{
    return e.connection == db.connectionName() && e.epoch == stamp.connection;
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

// The sort key of a row of a key table.
std::optional<QByteArray> orderKeyOf(QSqlQuery &query, qint64 key)
{
    query.bindValue(0, key);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toByteArray();
}

// Moves an ordered set along with a write of one row: out of the set where it was in it,
// and into its place in the order where it is in it now.
bool moveAlong(const QSqlDatabase &db, Entry &e, qint64 key, int before, int now)
{
    if (before && !e.ids.removeOne(key))
        return false;
    if (!now)
        return true;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(e.orderKey, quoteIdentifier(e.object))))
        return false;
    const std::optional<QByteArray> written = orderKeyOf(query, key);
    if (!written)
        return false;
    // SQLite orders blobs as memcmp does, and QByteArray's comparison is the same.
    qsizetype low = 0, high = e.ids.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        const qint64 id = e.ids.at(middle);
        const std::optional<QByteArray> there = orderKeyOf(query, id);
        if (!there)
            return false;
        const int order = there->compare(*written);
        if (order < 0 || (order == 0 && id < key))
            low = middle + 1;
        else
            high = middle;
    }
    e.ids.insert(low, key);
    return true;
}

bool indexExists(const QSqlDatabase &db, const QString &name)
{
    if (name.isEmpty())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"));
    query.addBindValue(name);
    return query.exec() && query.next();
}

// A row found by a search, with its key in the order: sorted here as the engine orders
// "ORDER BY key, rowid" for a key column without a collation (nothing first, then numbers,
// texts and blobs, each compared byte by byte).
struct FoundRow
{
    int kind = 0; // 0 null, 1 number, 2 text, 3 blob
    double number = 0;
    QByteArray bytes;
    qint64 id = 0;

    static FoundRow read(sqlite3_stmt *statement)
    {
        FoundRow row;
        row.id = sqlite3_column_int64(statement, 0);
        switch (sqlite3_column_type(statement, 1)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            row.kind = 1;
            row.number = sqlite3_column_double(statement, 1);
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            row.kind = sqlite3_column_type(statement, 1) == SQLITE_TEXT ? 2 : 3;
            row.bytes = QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, 1)),
                                   sqlite3_column_bytes(statement, 1));
            break;
        default:
            break;
        }
        return row;
    }
    friend bool operator<(const FoundRow &a, const FoundRow &b)
    {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.kind == 1 && a.number != b.number)
            return a.number < b.number;
        if (a.kind >= 2 && a.bytes != b.bytes)
            return a.bytes < b.bytes;
        return a.id < b.id;
    }
};

int bindValues(sqlite3_stmt *statement, const QVariantList &values)
{
    int status = SQLITE_OK;
    for (int i = 0; status == SQLITE_OK && i < values.size(); ++i) {
        const QString text = values.at(i).toString();
        status = sqlite3_bind_text16(statement, i + 1, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
    }
    return status;
}

void keep(Entry entry)
{
    QList<Entry> &list = entries();
    list.removeIf([&](const Entry &e) {
        return e.connection == entry.connection
               && sameQuery(e, entry.object, entry.condition, entry.values, entry.isOrdered, entry.orderKey);
    });
    list.prepend(std::move(entry));
    if (list.size() > entriesKept)
        list.resize(entriesKept);
    qsizetype ordered = 0;
    list.removeIf([&](const Entry &e) { return e.isOrdered && ++ordered > orderedKept; });
}

} // namespace

std::optional<qint64> CountCache::changesOf(const QSqlDatabase &db, const QString &object)
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
                            const QVariantList &values, QSqlError *error, const QString &bookName)
{
    const QString book = bookName.isEmpty() ? object : bookName;
    const ChangeStamp stamp = ChangeStamp::of(db);
    const std::optional<qint64> changes = changesOf(db, book);
    QList<Entry> &list = entries();
    if (stamp.isValid()) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            const Entry &e = list.at(i);
            if (ofConnection(e, db, stamp) && sameQuery(e, object, condition, values, false, {})
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
        query.addBindValue(book);
    if (!query.exec() || !query.next()) {
        *error = query.lastError();
        return std::nullopt;
    }
    const qint64 counted = query.value(0).toLongLong();
    if (!stamp.isValid())
        return counted;
    Entry entry{db.connectionName(), stamp.connection, object, book, condition, values, counted, {}, stamp.schema, stamp, false, {}, {}};
    if (changes && !query.value(1).isNull())
        entry.changes = query.value(1).toLongLong();
    else if (changes)
        return counted;
    keep(std::move(entry));
    return counted;
}

QString orderedKeysSql(const QString &keyTable, const QString &condition, const QString &orderKey, const QString &walkIndex,
                       const QString &findIndex)
{
    // ("+" keeps the engine from walking the order to spare itself a sort of a few rows.)
    const bool walks = !walkIndex.isEmpty();
    const QString index = walks ? walkIndex : findIndex;
    return QStringLiteral("SELECT rowid FROM ") + quoteIdentifier(keyTable)
           + (index.isEmpty() ? QString() : QStringLiteral(" INDEXED BY ") + index) + whereClause(condition)
           + (walks ? QStringLiteral(" ORDER BY %1, rowid") : QStringLiteral(" ORDER BY +%1, +rowid")).arg(orderKey);
}

std::optional<OrderedStart> orderedKeysStart(const QSqlDatabase &db, const QString &book, const QString &keyTable,
                                             const QString &condition, const QVariantList &values,
                                             const QString &orderKey, const QString &orderIndex,
                                             const std::function<FindWay()> &chooseFindWay, qsizetype firstRows,
                                             QSqlError *error, bool knownBroad)
{
    const ChangeStamp stamp = ChangeStamp::of(db);
    std::optional<qint64> changes = changesOf(db, book);
    QList<Entry> &list = entries();
    if (stamp.isValid()) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            const Entry &e = list.at(i);
            if (ofConnection(e, db, stamp) && sameQuery(e, keyTable, condition, values, true, orderKey)
                && holds(e, changes, stamp)) {
                list.move(i, 0);
                const QList<qint64> &ids = list.first().ids;
                return OrderedStart{ids, ids.size(), true};
            }
        }
    }
    sqlite3 *handle = Database::handle(db);
    if (!handle) {
        *error = QSqlError(QStringLiteral("no engine"), {}, QSqlError::ConnectionError);
        return std::nullopt;
    }
    // One read transaction, so that the rows and the change number are of one moment.
    const bool own = sqlite3_get_autocommit(handle) != 0;
    if (own)
        sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    changes = changesOf(db, book);
    // A search that matches few rows finds them by their keys and sorts them here, in the one
    // reading that also tells they are few; one that matches many walks the index kept in the
    // order, checking each row as it goes.
    constexpr qint64 sortedAtMost = 20000;
    knownBroad = knownBroad && firstRows > 0 && changes;
    const FindWay way = chooseFindWay && !knownBroad ? chooseFindWay() : FindWay();
    const QString &findIndex = way.index;
    const QString indexedBy = findIndex.isEmpty() ? QString() : QStringLiteral(" INDEXED BY ") + findIndex;
    // Narrowed, the search's own condition is one term ("+" keeps the engine from seeking by
    // its ranges), and the engine seeks by the narrowing's exact values alone.
    const bool narrows = !way.narrowing.isEmpty() && !condition.isEmpty();
    const QString narrowed = narrows ? QStringLiteral(" WHERE +(") + condition + u')' + way.narrowing : whereClause(condition);
    const QVariantList narrowedValues = narrows ? values + way.values : values;
    OrderedStart start;
    QList<FoundRow> found;
    sqlite3_stmt *statement = nullptr;
    // Whether the set is few is told by the index alone, before any row's order key is read.
    const QString probeSql = QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1%2%3 LIMIT %4)")
                                 .arg(quoteIdentifier(keyTable), indexedBy, narrowed)
                                 .arg(sortedAtMost + 1);
    int status = knownBroad ? SQLITE_OK : sqlite3_prepare_v2(handle, probeSql.toUtf8().constData(), -1, &statement, nullptr);
    if (status == SQLITE_OK && statement)
        status = bindValues(statement, narrowedValues);
    const bool few = !knownBroad && status == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW
                     && sqlite3_column_int64(statement, 0) <= sortedAtMost;
    sqlite3_finalize(statement);
    statement = nullptr;
    if (few) {
        const QString findSql = QStringLiteral("SELECT rowid, %1 FROM %2%3%4 LIMIT %5")
                                    .arg(orderKey, quoteIdentifier(keyTable), indexedBy, narrowed)
                                    .arg(sortedAtMost + 1);
        status = sqlite3_prepare_v2(handle, findSql.toUtf8().constData(), -1, &statement, nullptr);
        if (status == SQLITE_OK)
            status = bindValues(statement, narrowedValues);
        if (status == SQLITE_OK) {
            while ((status = sqlite3_step(statement)) == SQLITE_ROW)
                found << FoundRow::read(statement);
        }
        sqlite3_finalize(statement);
        statement = nullptr;
    } else if (status == SQLITE_OK) {
        status = SQLITE_DONE; // many: walked below
    }
    if (status == SQLITE_DONE && few && found.size() <= sortedAtMost) {
        std::sort(found.begin(), found.end());
        start.ids.reserve(found.size());
        for (const FoundRow &row : std::as_const(found))
            start.ids << row.id;
    } else if (status == SQLITE_DONE) {
        found = {};
        // (An index of Dalil's that someone dropped is not named: the engine then finds another way.)
        const bool walks = indexExists(db, orderIndex);
        QString sql = orderedKeysSql(keyTable, condition, orderKey, walks ? orderIndex : QString(), findIndex);
        // A broad set read beside the windows: here only its count and its first rows, which
        // the walk of the whole reaches at once.
        start.whole = !(walks && firstRows > 0 && changes);
        if (!start.whole) {
            // Counted as any count is, and kept while nothing in the file changes.
            const std::optional<qint64> counted = count(db, keyTable, condition, values, error, QStringLiteral("-"));
            if (!counted) {
                if (own)
                    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
                return std::nullopt;
            }
            start.count = *counted;
            sql += QStringLiteral(" LIMIT %1").arg(firstRows);
        }
        if (status == SQLITE_DONE)
            status = sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr);
        if (status == SQLITE_OK)
            status = bindValues(statement, values);
        if (status == SQLITE_OK) {
            while ((status = sqlite3_step(statement)) == SQLITE_ROW)
                start.ids.append(sqlite3_column_int64(statement, 0));
        }
    }
    const bool done = status == SQLITE_DONE;
    const QString message = done ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(statement);
    if (own)
        sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    if (!done) {
        *error = QSqlError(message, {}, QSqlError::StatementError, QString::number(status));
        return std::nullopt;
    }
    if (start.whole)
        start.count = start.ids.size();
    const ChangeStamp after = ChangeStamp::of(db);
    if (start.whole && stamp.isValid() && after == stamp && changes) {
        Entry entry{db.connectionName(), stamp.connection, keyTable, book, condition, values, start.count, changes,
                    stamp.schema, stamp, true, orderKey, start.ids};
        keep(std::move(entry));
    }
    return start;
}

std::optional<QList<qint64>> orderedKeys(const QSqlDatabase &db, const QString &book, const QString &keyTable,
                                         const QString &condition, const QVariantList &values,
                                         const QString &orderKey, const QString &orderIndex,
                                         const std::function<FindWay()> &chooseFindWay, QSqlError *error)
{
    std::optional<OrderedStart> start =
        orderedKeysStart(db, book, keyTable, condition, values, orderKey, orderIndex, chooseFindWay, 0, error);
    if (!start)
        return std::nullopt;
    return std::move(start->ids);
}

struct OrderedKeysBeside::Walk
{
    std::atomic<bool> stop{false};
    std::optional<QList<qint64>> ids;
    std::optional<qint64> changes;
};

OrderedKeysBeside::OrderedKeysBeside(const QSqlDatabase &db, const QString &book, const QString &keyTable,
                                     const QString &condition, const QVariantList &values, const QString &orderKey,
                                     const QString &orderIndex)
    : m_walk(std::make_shared<Walk>())
{
    m_query = {keyTable, condition, values, orderKey};
    // The file itself: the connection's name is an address with its own opening mode.
    sqlite3 *own = Database::handle(db);
    const char *file = own ? sqlite3_db_filename(own, "main") : nullptr;
    const QByteArray path = file ? QByteArray(file) : QByteArray();
    const QByteArray sql = orderedKeysSql(keyTable, condition, orderKey, orderIndex).toUtf8();
    // A row written meanwhile waits for its sort key until the windows' connection gives it,
    // and that leaves the book's change number as it was: a moment with such a row is not the
    // order of the set as counted.
    const QByteArray unkeyed = QStringLiteral("SELECT 1 FROM %1 WHERE %2 IS NULL LIMIT 1")
                                   .arg(quoteIdentifier(keyTable), orderKey)
                                   .toUtf8();
    m_thread.reset(QThread::create([walk = m_walk, path, sql, unkeyed, book, values] {
        sqlite3 *handle = nullptr;
        if (path.isEmpty() || sqlite3_open_v2(path.constData(), &handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(handle);
            return;
        }
        sqlite3_busy_timeout(handle, Database::lockWaitMilliseconds);
        // The change number and the rows of one moment.
        sqlite3_stmt *statement = nullptr;
        int status = sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
        if (status == SQLITE_OK)
            status = sqlite3_prepare_v2(handle, "SELECT changes FROM BookChanges WHERE book = ?", -1, &statement, nullptr);
        if (status == SQLITE_OK)
            status = bindValues(statement, {book});
        if (status == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
            walk->changes = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        statement = nullptr;
        if (walk->changes && sqlite3_prepare_v2(handle, unkeyed.constData(), -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) != SQLITE_DONE)
            walk->changes.reset();
        sqlite3_finalize(statement);
        statement = nullptr;
        QList<qint64> ids;
        if (walk->changes)
            status = sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr);
        if (walk->changes && status == SQLITE_OK)
            status = bindValues(statement, values);
        if (walk->changes && status == SQLITE_OK) {
            while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
                ids.append(sqlite3_column_int64(statement, 0));
                if ((ids.size() & 4095) == 0 && walk->stop.load(std::memory_order_relaxed))
                    break;
            }
        }
        if (status == SQLITE_DONE)
            walk->ids = std::move(ids);
        sqlite3_finalize(statement);
        sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
    }));
    m_thread->start(QThread::LowPriority);
}

OrderedKeysBeside::~OrderedKeysBeside()
{
    m_walk->stop = true;
    m_thread->wait();
}

bool OrderedKeysBeside::reads(const QString &keyTable, const QString &condition, const QVariantList &values,
                              const QString &orderKey) const
{
    return m_query == Query{keyTable, condition, values, orderKey};
}

std::optional<QList<qint64>> OrderedKeysBeside::take(std::optional<qint64> changes)
{
    m_thread->wait();
    if (!m_walk->ids || !changes || m_walk->changes != changes)
        return std::nullopt;
    return std::exchange(m_walk->ids, std::nullopt);
}

void keepOrderedKeys(const QSqlDatabase &db, const QString &book, const QString &keyTable, const QString &condition,
                     const QVariantList &values, const QString &orderKey, const QList<qint64> &ids)
{
    const ChangeStamp stamp = ChangeStamp::of(db);
    const std::optional<qint64> changes = changesOf(db, book);
    if (!stamp.isValid() || !changes)
        return;
    keep(Entry{db.connectionName(), stamp.connection, keyTable, book, condition, values, ids.size(), changes,
               stamp.schema, stamp, true, orderKey, ids});
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
        if (m_changesBefore && ofConnection(e, db, m_stampBefore) && sameObject(e.book, table)
            && holds(e, m_changesBefore, m_stampBefore)) {
            if (kind == Kind::Insert) {
                member = 0;
            } else if (key) {
                const std::optional<bool> meets = rowMeets(db, e.object, *key, e);
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
        if (!sameObject(e.book, m_table)) {
            kept << e; // another book: its own change number tells whether the count holds
            continue;
        }
        const int before = i < m_memberBefore.size() ? m_memberBefore.at(i) : -1;
        if (!alone || before < 0 || !m_key)
            continue;
        int now = 0;
        if (m_kind != Kind::Delete) {
            const std::optional<bool> meets = rowMeets(m_db, e.object, *m_key, e);
            if (!meets)
                continue;
            now = int(*meets);
        }
        e.count += now - before;
        if (e.isOrdered && !moveAlong(m_db, e, *m_key, before, now))
            continue;
        e.changes = changesAfter;
        kept << e;
    }
    list = kept;
}

} // namespace CountCache

} // namespace dalil
