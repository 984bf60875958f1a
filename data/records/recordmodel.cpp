#include "recordmodel.h"

#include <algorithm>

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

namespace dalil {

namespace {

// Rows are read a page at a time and only the pages on screen are kept, so that a book of
// a million records costs no more memory than one of a hundred.
constexpr qint64 pageSize = 256;
constexpr int pagesKept = 48;

} // namespace

RecordModel::RecordModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

RecordModel::~RecordModel() = default;

void RecordModel::setSource(const QString &object, const std::optional<Statement> &statement)
{
    m_sourceObject = object;
    m_statement = statement;
}

void RecordModel::clear()
{
    m_open = false;
    m_ordering.reset();
    m_ids.clear();
    m_idsWhole = true;
    m_fields.clear();
    m_count = 0;
    m_openStamp = {};
    m_openChanges.reset();
    invalidateRows();
}

DataError RecordModel::load()
{
    // The same search again while its order is still being read goes on with that reading;
    // one read whole by now finds it kept.
    if (m_ordering && m_ordering->thread()->isFinished())
        takeOrder();
    m_walking = std::move(m_ordering);
    const auto dropWalking = qScopeGuard([this] { m_walking.reset(); });
    clear();
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid())
        return error;

    if (m_statement && !m_statement->isWellFormed()) {
        // A search the language refused would otherwise read as the whole table.
        return {DataError::Kind::Other, m_databaseName, m_statement->source(),
                QStringLiteral("search statement refused at: ") + m_statement->refusedFragment()};
    }
    m_object = m_statement ? m_statement->source() : m_sourceObject.trimmed();
    if (!Database::hasObject(db, m_object, &m_isTable))
        return {DataError::Kind::MissingObject, m_databaseName, m_object, {}};
    const QSqlRecord record = db.record(m_object);
    for (int i = 0; i < record.count(); ++i)
        m_fields << record.fieldName(i);
    m_keys = nullptr;
    m_sql = {};
    if (m_statement) {
        if (SearchKeys::present(db))
            m_keys = SearchKeys::sourceOf(m_object);
        m_sql = m_statement->toSql(m_keys);
        if (m_sql.keyTable.isEmpty())
            m_keys = nullptr;
        QStringList used;
        for (const Condition &condition : m_statement->conditions())
            used << condition.column;
        if (!m_statement->orderColumn().isEmpty())
            used << m_statement->orderColumn();
        for (const QString &column : std::as_const(used)) {
            if (!m_fields.contains(column, Qt::CaseInsensitive)) {
                m_fields.clear();
                return {DataError::Kind::MissingObject, m_databaseName, m_object + u'.' + column, {}};
            }
        }
    }
    error = fetchCount();
    if (error.isError()) {
        m_fields.clear();
        return error;
    }
    m_open = true;
    return {};
}

DataError RecordModel::recount()
{
    invalidateRows();
    const DataError error = fetchCount();
    if (error.isError())
        m_count = 0;
    return error;
}

QString RecordModel::selectSql(const QString &columns, bool reversed) const
{
    const QString direction = reversed ? QStringLiteral(" DESC") : QString();
    QString sql = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + quoteIdentifier(m_object);
    if (m_statement) {
        const Statement::Sql &parts = m_sql;
        sql += parts.where;
        if (!parts.orderBy.isEmpty())
            sql += parts.orderBy + direction + (m_isTable ? QStringLiteral(", rowid") + direction : QString());
        else if (m_isTable)
            sql += QStringLiteral(" ORDER BY rowid") + direction;
    } else if (m_isTable) {
        // A table opened by name lists its rows in one fixed order for every record source.
        sql += QStringLiteral(" ORDER BY rowid") + direction;
    }
    return sql;
}

QVariantList RecordModel::selectValues() const
{
    return m_statement ? m_sql.values : QVariantList();
}

DataError RecordModel::fetchCount()
{
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid())
        return error;
    ensureOrdered(db);
    m_openStamp = ChangeStamp::of(db);
    // Read before the rows: a write in between makes the set look changed, never unchanged.
    m_openChanges = CountCache::changesOf(db, m_object);
    m_generation = Database::replacements(m_databaseName);
    QSqlError sqlError;
    if (isKeyedTable()) {
        m_ordering.reset();
        // A broad search (a third of a million cheques) shows its first screen at once; the
        // rest of its order follows beside. Only a book with a change number can tell that
        // what is read beside is of the moment the set was counted.
        const QString orderIndex = m_keys->orderIndexFor(m_sql.keysUsed);
        std::unique_ptr<CountCache::OrderedKeysBeside> walking = std::move(m_walking);
        const bool walked = walking && walking->reads(m_sql.keyTable, condition(), m_sql.values, m_keys->orderKey);
        const std::optional<CountCache::OrderedStart> start = CountCache::orderedKeysStart(
            db, m_object, m_sql.keyTable, condition(), m_sql.values, m_keys->orderKey, orderIndex,
            [&] { return m_keys->findWayFor(db, m_sql.prefixed); }, m_openChanges ? 2 * pageSize : 0, &sqlError,
            walked);
        if (!start)
            return DataError::fromSql(sqlError, m_databaseName);
        m_ids = start->ids;
        m_count = start->count;
        m_idsWhole = start->whole;
        if (!m_idsWhole) {
            if (walked) {
                m_ordering = std::move(walking); // its end is already awaited
            } else {
                m_ordering = std::make_unique<CountCache::OrderedKeysBeside>(db, m_object, m_sql.keyTable, condition(),
                                                                             m_sql.values, m_keys->orderKey, orderIndex);
                connect(m_ordering->thread(), &QThread::finished, this, [this] { takeOrder(); });
            }
        }
        return {};
    }
    // Counting a big table reads all of it: the cache keeps counts for as long as they hold.
    const std::optional<qint64> counted = m_sql.keyTable.isEmpty()
        ? CountCache::count(db, m_object, condition(), m_sql.values, &sqlError)
        : CountCache::count(db, m_sql.keyTable, condition(), m_sql.values, &sqlError, QStringLiteral("-"));
    if (!counted)
        return DataError::fromSql(sqlError, m_databaseName);
    m_count = *counted;
    return {};
}

std::optional<QList<qint64>> RecordModel::readOrderedKeys(const QSqlDatabase &db, QSqlError *error) const
{
    return CountCache::orderedKeys(db, m_object, m_sql.keyTable, condition(), m_sql.values, m_keys->orderKey,
                                   m_keys->orderIndexFor(m_sql.keysUsed),
                                   [&] { return m_keys->findWayFor(db, m_sql.prefixed); }, error);
}

void RecordModel::takeOrder() const
{
    if (!m_ordering)
        return;
    std::optional<QList<qint64>> ids = m_ordering->take(m_openChanges);
    m_ordering.reset();
    DataError error;
    const QSqlDatabase db = Database::connection(m_databaseName, &error);
    // Of the set as it was counted: what changed since is read again where it is asked for.
    if (!ids || ids->size() != m_count || !db.isValid() || !unchangedSinceOpen(db))
        return;
    m_ids = std::move(*ids);
    m_idsWhole = true;
    CountCache::keepOrderedKeys(db, m_object, m_sql.keyTable, condition(), m_sql.values, m_keys->orderKey, m_ids);
}

bool RecordModel::wholeOrder(const QSqlDatabase &db) const
{
    takeOrder();
    if (m_idsWhole)
        return true;
    QSqlError error;
    const std::optional<QList<qint64>> ids = readOrderedKeys(db, &error);
    if (!ids)
        return false;
    m_ids = *ids;
    m_idsWhole = true;
    return true;
}

void RecordModel::ensureOrdered(const QSqlDatabase &db) const
{
    // Rows another program wrote wait for their sort keys until a reader orders them.
    if (m_keys && !SearchKeys::ordered(db, *m_keys))
        SearchKeys::fillSortKeys(db, *m_keys);
}

QString RecordModel::condition() const
{
    return m_sql.where.isEmpty() ? QString() : m_sql.where.mid(QStringLiteral(" WHERE ").size());
}

bool RecordModel::unchangedSinceOpen(const QSqlDatabase &db) const
{
    if (!m_openStamp.isValid())
        return false;
    const ChangeStamp now = ChangeStamp::of(db);
    if (now == m_openStamp)
        return true;
    // A write to another book (a phone saved, a reminder noted) leaves this one's rows as read.
    return m_openChanges && now.connection == m_openStamp.connection && now.schema == m_openStamp.schema
           && CountCache::changesOf(db, m_object) == m_openChanges;
}

bool RecordModel::isStale() const
{
    if (!m_open)
        return false;
    DataError error;
    const QSqlDatabase db = Database::connection(m_databaseName, &error);
    return db.isValid() && !unchangedSinceOpen(db);
}

const RecordModel::Page *RecordModel::page(qint64 pageIndex) const
{
    auto found = m_pages.constFind(pageIndex);
    if (found != m_pages.constEnd())
        return &found.value();

    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid())
        return nullptr;
    if (isKeyedTable()) {
        Page fetched;
        if (!readKeyedPage(db, pageIndex * pageSize, fetched))
            return nullptr;
        if (m_pageOrder.size() >= pagesKept)
            m_pages.remove(m_pageOrder.takeFirst());
        m_pageOrder << pageIndex;
        return &m_pages.insert(pageIndex, fetched).value();
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString columns = m_isTable ? QStringLiteral("rowid, *") : QStringLiteral("*");
    // The engine steps over every row it skips: a page nearer the end of an unchanged set is
    // read backwards from the end (the rowid makes the order total, so both ways agree).
    const qint64 firstRow = pageIndex * pageSize;
    const qint64 rowsAfter = m_count - qMin(m_count, firstRow + pageSize);
    // Read on from the page before (a report, a scroll down a whole book): from the identity
    // after its last, without stepping over every row before it.
    const auto before = m_pages.constFind(pageIndex - 1);
    const bool following = !m_statement && m_isTable && before != m_pages.constEnd()
                           && before->keys.size() == pageSize && unchangedSinceOpen(db);
    const bool fromEnd = !following && m_isTable && m_sql.keyTable.isEmpty() && firstRow < m_count
                         && rowsAfter < firstRow && unchangedSinceOpen(db);
    if (following) {
        query.prepare(QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid > ? ORDER BY rowid LIMIT ?")
                          .arg(quoteIdentifier(m_object)));
        query.addBindValue(before->keys.last());
        query.addBindValue(pageSize);
    } else if (!m_sql.keyTable.isEmpty()) {
        // A stored query with search keys: its rows in the order of the keys that find them.
        query.prepare(QStringLiteral("SELECT v.* FROM %1 AS k CROSS JOIN %2 AS v ON v.%3 = k.%4%5%6 LIMIT ? OFFSET ?")
                          .arg(m_sql.keyTable, quoteIdentifier(m_object), quoteIdentifier(m_keys->sourceLink),
                               m_keys->keyLink, m_sql.where, m_sql.orderBy));
    } else {
        query.prepare(selectSql(columns, fromEnd) + QStringLiteral(" LIMIT ? OFFSET ?"));
    }
    if (!following) {
        for (const QVariant &value : selectValues())
            query.addBindValue(value);
        query.addBindValue(fromEnd ? qMin(pageSize, m_count - firstRow) : pageSize);
        query.addBindValue(fromEnd ? rowsAfter : firstRow);
    }
    if (!query.exec())
        return nullptr;

    Page fetched;
    const int first = m_isTable ? 1 : 0;
    const int columnsRead = int(m_fields.size());
    while (query.next()) {
        if (m_isTable)
            fetched.keys << query.value(0).toLongLong();
        QList<QVariant> row;
        row.reserve(columnsRead);
        for (int c = 0; c < columnsRead; ++c)
            row << query.value(first + c);
        fetched.rows << row;
    }
    if (fromEnd) {
        std::reverse(fetched.keys.begin(), fetched.keys.end());
        std::reverse(fetched.rows.begin(), fetched.rows.end());
    }
    if (m_pageOrder.size() >= pagesKept)
        m_pages.remove(m_pageOrder.takeFirst());
    m_pageOrder << pageIndex;
    return &m_pages.insert(pageIndex, fetched).value();
}

QVariant RecordModel::valueAt(qint64 row, int column) const
{
    if (!m_open || row < 0 || row >= m_count || column < 0 || column >= m_fields.size())
        return {};
    const Page *p = page(row / pageSize);
    if (!p)
        return {};
    const qint64 offset = row % pageSize;
    if (offset >= p->rows.size())
        return {};
    return p->rows.at(offset).at(column);
}

std::optional<RecordModel::Row> RecordModel::rowAt(qint64 row) const
{
    if (!m_open || row < 0 || row >= m_count)
        return std::nullopt;
    const Page *p = page(row / pageSize);
    const qint64 offset = row % pageSize;
    if (!p || offset >= p->rows.size())
        return std::nullopt;
    Row found;
    found.values = p->rows.at(offset);
    if (m_isTable && offset < p->keys.size())
        found.key = p->keys.at(offset);
    return found;
}

std::optional<qint64> RecordModel::keyAt(qint64 row) const
{
    if (!m_open || !m_isTable || row < 0 || row >= m_count)
        return std::nullopt;
    const Page *p = page(row / pageSize);
    const qint64 offset = row % pageSize;
    if (!p || offset >= p->keys.size())
        return std::nullopt;
    return p->keys.at(offset);
}

void RecordModel::invalidateRows()
{
    m_pages.clear();
    m_pageOrder.clear();
}

void RecordModel::rowsRewritten()
{
    invalidateRows();
    if (m_count > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void RecordModel::appendRow()
{
    invalidateRows();
    const int at = int(qMin<qint64>(m_count, INT_MAX));
    beginInsertRows({}, at, at);
    ++m_count;
    endInsertRows();
}

void RecordModel::dropCountedRow()
{
    invalidateRows();
    --m_count;
}

std::optional<qint64> RecordModel::positionOf(const QSqlDatabase &db, qint64 key) const
{
    if (!m_isTable)
        return std::nullopt;
    return m_statement ? positionInSet(db, key) : positionInTable(db, key);
}

bool RecordModel::readKeyedPage(const QSqlDatabase &db, qint64 firstRow, Page &fetched) const
{
    // Rows read after the file changed are read where the order puts them now.
    if (!unchangedSinceOpen(db)) {
        m_ordering.reset();
        ensureOrdered(db);
        QSqlError error;
        const std::optional<QList<qint64>> now = readOrderedKeys(db, &error);
        if (!now)
            return false;
        m_ids = *now;
        m_idsWhole = true;
    } else if (!m_idsWhole && qMin(firstRow + pageSize, m_count) > m_ids.size() && !wholeOrder(db)) {
        return false;
    }
    const QList<qint64> ids = m_ids.mid(firstRow, pageSize);
    if (ids.isEmpty())
        return true;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QStringList marks(ids.size(), QStringLiteral("?"));
    query.prepare(QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid IN (%2)")
                      .arg(quoteIdentifier(m_object), marks.join(u',')));
    for (const qint64 id : ids)
        query.addBindValue(id);
    if (!query.exec())
        return false;
    QHash<qint64, QList<QVariant>> byKey;
    const int columnsRead = int(m_fields.size());
    while (query.next()) {
        QList<QVariant> row;
        row.reserve(columnsRead);
        for (int c = 0; c < columnsRead; ++c)
            row << query.value(1 + c);
        byKey.insert(query.value(0).toLongLong(), row);
    }
    // A row gone since the set was read stays an empty row until the set is read again.
    for (const qint64 id : ids) {
        fetched.keys << id;
        fetched.rows << byKey.value(id, QList<QVariant>(columnsRead));
    }
    return true;
}

std::optional<qint64> RecordModel::positionInSet(const QSqlDatabase &db, qint64 key) const
{
    if (isKeyedTable()) {
        if (unchangedSinceOpen(db) && !m_idsWhole && !wholeOrder(db))
            return std::nullopt;
        QList<qint64> ids = m_ids;
        if (!unchangedSinceOpen(db)) {
            ensureOrdered(db);
            QSqlError error;
            const std::optional<QList<qint64>> now = readOrderedKeys(db, &error);
            if (!now)
                return std::nullopt;
            ids = *now;
        }
        const qsizetype at = ids.indexOf(key);
        return at < 0 ? std::nullopt : std::optional<qint64>(at);
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(selectSql(QStringLiteral("rowid")));
    for (const QVariant &value : selectValues())
        query.addBindValue(value);
    if (!query.exec())
        return std::nullopt;
    for (qint64 row = 0; query.next(); ++row) {
        if (query.value(0).toLongLong() == key)
            return row;
    }
    return std::nullopt;
}

bool RecordModel::anyValueOfSeveralLines(const QList<int> &columns) const
{
    QStringList breaks;
    for (const int column : columns) {
        if (column < 0 || column >= m_fields.size())
            continue;
        for (const int character : {10, 13, 0x2028, 0x2029})
            breaks << QStringLiteral("instr(%1, char(%2))").arg(quoteIdentifier(m_fields.at(column))).arg(character);
    }
    if (!m_open || breaks.isEmpty())
        return false;
    DataError error;
    const QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Where it cannot be told, a row shows its first line, as the grid does.
    return query.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 WHERE %2)")
                          .arg(quoteIdentifier(m_object), breaks.join(QStringLiteral(" OR "))))
           && query.next() && query.value(0).toBool();
}

std::optional<qint64> RecordModel::positionInTable(const QSqlDatabase &db, qint64 key) const
{
    // The number of rows on one side of the key ("<": before it, ">": after it), when the key
    // is in the table.
    const auto rowsBeside = [&](QLatin1StringView side) -> std::optional<qint64> {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE rowid %2 ?),"
                                     " EXISTS (SELECT 1 FROM %1 WHERE rowid = ?)")
                          .arg(quoteIdentifier(m_object), side));
        query.addBindValue(key);
        query.addBindValue(key);
        if (!query.exec() || !query.next() || !query.value(1).toBool())
            return std::nullopt;
        return query.value(0).toLongLong();
    };

    if (unchangedSinceOpen(db)) {
        // A record already read is where it was read.
        for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
            const qsizetype at = it->keys.indexOf(key);
            if (at >= 0)
                return it.key() * pageSize + at;
        }
        // Past the middle, the position is counted back from the end of the set.
        QSqlQuery ends(db);
        ends.setForwardOnly(true);
        if (ends.exec(QStringLiteral("SELECT (SELECT min(rowid) FROM %1), (SELECT max(rowid) FROM %1)")
                              .arg(quoteIdentifier(m_object)))
            && ends.next()) {
            const qint64 low = ends.value(0).toLongLong();
            const qint64 high = ends.value(1).toLongLong();
            if (key > low + (high - low) / 2) {
                const std::optional<qint64> after = rowsBeside(QLatin1StringView(">"));
                if (!after)
                    return std::nullopt;
                return m_count - 1 - *after;
            }
        }
    }
    // Table order is rowid order: the position is the number of rows before the key.
    return rowsBeside(QLatin1StringView("<"));
}

int RecordModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_open)
        return 0;
    return int(qMin<qint64>(m_count, INT_MAX));
}

int RecordModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return valueAt(index.row(), index.column()).toString();
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_fields.size())
        return m_fields.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace dalil
