#include "recordsource.h"

#include <algorithm>

#include <QSqlQuery>
#include <QSqlRecord>

namespace dalil {

namespace {

// Rows are read a page at a time and only the pages on screen are kept, so that a book of
// a million records costs no more memory than one of a hundred.
constexpr qint64 pageSize = 256;
constexpr int pagesKept = 48;

QVariant valueForColumn(const QString &text)
{
    // An empty box stores no value, so that it matches no search pattern.
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

RecordSource::RecordSource(QObject *parent)
    : QAbstractTableModel(parent)
{
}

RecordSource::~RecordSource() = default;

void RecordSource::setRecordSource(const QString &source)
{
    m_sourceText = source;
    m_statement.reset();
}

void RecordSource::setRecordSource(const Statement &statement)
{
    m_sourceText = statement.text();
    m_statement = statement;
}

bool RecordSource::open()
{
    beginResetModel();
    const bool ok = openSet();
    endResetModel();
    emit refreshed();
    emit currentChanged();
    return ok;
}

bool RecordSource::Refresh()
{
    if (!writePending())
        return false;
    return open();
}

void RecordSource::close()
{
    beginResetModel();
    leaveRecord();
    m_open = false;
    m_fields.clear();
    m_count = 0;
    m_openStamp = {};
    m_current = -1;
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
    emit currentChanged();
}

bool RecordSource::openSet()
{
    leaveRecord();
    m_open = false;
    m_fields.clear();
    m_count = 0;
    m_openStamp = {};
    m_current = -1;
    m_pages.clear();
    m_pageOrder.clear();
    m_error = {};

    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }

    std::optional<Statement> statement = m_statement;
    if (!statement && m_sourceText.trimmed().startsWith(u"select", Qt::CaseInsensitive)) {
        statement = Statement::parse(m_sourceText);
        if (!statement) {
            setError({DataError::Kind::Other, m_databaseName, {}, QStringLiteral("statement not understood: ") + m_sourceText});
            return false;
        }
    }
    m_object = statement ? statement->source() : m_sourceText.trimmed();
    if (!Database::hasObject(db, m_object, &m_isTable)) {
        setError({DataError::Kind::MissingObject, m_databaseName, m_object, {}});
        return false;
    }
    const QSqlRecord record = db.record(m_object);
    for (int i = 0; i < record.count(); ++i)
        m_fields << record.fieldName(i);
    if (statement) {
        QStringList used;
        for (const Condition &condition : statement->conditions())
            used << condition.column;
        if (!statement->orderColumn().isEmpty())
            used << statement->orderColumn();
        for (const QString &column : std::as_const(used)) {
            if (!m_fields.contains(column, Qt::CaseInsensitive)) {
                setError({DataError::Kind::MissingObject, m_databaseName, m_object + u'.' + column, {}});
                m_fields.clear();
                return false;
            }
        }
    }
    m_statement = statement;
    if (!fetchCount()) {
        m_fields.clear();
        return false;
    }
    m_open = true;
    m_current = m_count > 0 ? 0 : -1;
    return true;
}

QString RecordSource::selectSql(const QString &columns, bool reversed) const
{
    const QString direction = reversed ? QStringLiteral(" DESC") : QString();
    QString sql = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + quoteIdentifier(m_object);
    if (m_statement) {
        const Statement::Sql parts = m_statement->toSql();
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

QVariantList RecordSource::selectValues() const
{
    return m_statement ? m_statement->toSql().values : QVariantList();
}

bool RecordSource::fetchCount()
{
    QSqlDatabase db = Database::connection(m_databaseName, &m_error);
    if (!db.isValid())
        return false;
    const Statement::Sql parts = m_statement ? m_statement->toSql() : Statement::Sql();
    const QString condition = parts.where.isEmpty() ? QString() : parts.where.mid(QStringLiteral(" WHERE ").size());
    // Counting a big table reads all of it; while the file is unchanged, the last count holds.
    m_openStamp = ChangeStamp::of(db);
    if (const std::optional<qint64> known = CountCache::find(db, m_object, condition, parts.values, m_openStamp)) {
        m_count = *known;
        return true;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(m_object) + parts.where);
    for (const QVariant &value : parts.values)
        query.addBindValue(value);
    if (!query.exec() || !query.next()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        return false;
    }
    m_count = query.value(0).toLongLong();
    CountCache::store(db, m_object, condition, parts.values, m_count, m_openStamp);
    return true;
}

bool RecordSource::unchangedSinceOpen(const QSqlDatabase &db) const
{
    return m_openStamp.isValid() && ChangeStamp::of(db) == m_openStamp;
}

const RecordSource::Page *RecordSource::page(qint64 pageIndex) const
{
    auto found = m_pages.constFind(pageIndex);
    if (found != m_pages.constEnd())
        return &found.value();

    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid())
        return nullptr;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString columns = m_isTable ? QStringLiteral("rowid, *") : QStringLiteral("*");
    // The engine steps over every row it skips: a page nearer the end of an unchanged set is
    // read backwards from the end (the rowid makes the order total, so both ways agree).
    const qint64 firstRow = pageIndex * pageSize;
    const qint64 rowsAfter = m_count - qMin(m_count, firstRow + pageSize);
    const bool fromEnd = m_isTable && firstRow < m_count && rowsAfter < firstRow && unchangedSinceOpen(db);
    query.prepare(selectSql(columns, fromEnd) + QStringLiteral(" LIMIT ? OFFSET ?"));
    for (const QVariant &value : selectValues())
        query.addBindValue(value);
    query.addBindValue(fromEnd ? qMin(pageSize, m_count - firstRow) : pageSize);
    query.addBindValue(fromEnd ? rowsAfter : firstRow);
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

QVariant RecordSource::valueAt(qint64 row, int column) const
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

std::optional<qint64> RecordSource::keyAt(qint64 row) const
{
    if (!m_open || !m_isTable || row < 0 || row >= m_count)
        return std::nullopt;
    const Page *p = page(row / pageSize);
    const qint64 offset = row % pageSize;
    if (!p || offset >= p->keys.size())
        return std::nullopt;
    return p->keys.at(offset);
}

void RecordSource::invalidateRows()
{
    m_pages.clear();
    m_pageOrder.clear();
}

bool RecordSource::hasCurrentRecord() const
{
    return m_open && (m_adding || (m_current >= 0 && m_current < m_count));
}

bool RecordSource::atEOF() const
{
    return !hasCurrentRecord();
}

qint64 RecordSource::currentRow() const
{
    return (m_open && !m_adding && m_current >= 0 && m_current < m_count) ? m_current : -1;
}

std::optional<qint64> RecordSource::currentKey() const
{
    if (m_adding)
        return std::nullopt;
    return keyAt(currentRow());
}

QVariant RecordSource::fieldValue(const QString &field) const
{
    if (m_buffer.contains(field))
        return valueForColumn(m_buffer.value(field));
    if (m_adding || !hasCurrentRecord())
        return {};
    return valueAt(m_current, int(m_fields.indexOf(field)));
}

QString RecordSource::fieldText(const QString &field) const
{
    if (m_buffer.contains(field))
        return m_buffer.value(field);
    return fieldValue(field).toString();
}

void RecordSource::bindField(const QString &field)
{
    if (!m_boundFields.contains(field))
        m_boundFields << field;
}

void RecordSource::unbindField(const QString &field)
{
    m_boundFields.removeAll(field);
}

void RecordSource::setFieldText(const QString &field, const QString &text)
{
    if (!hasCurrentRecord())
        return;
    m_buffer.insert(field, text);
    m_pending = m_adding ? Pending::New : Pending::Edited;
}

void RecordSource::leaveRecord()
{
    m_adding = false;
    m_pending = Pending::None;
    m_buffer.clear();
}

void RecordSource::discardPending()
{
    const bool had = m_pending != Pending::None || m_adding;
    leaveRecord();
    if (had)
        emit currentChanged();
}

bool RecordSource::writePending()
{
    if (m_pending == Pending::NewUnchanged) {
        leaveRecord();  // a new record nobody typed into is dropped
        return true;
    }
    if (m_pending == Pending::None)
        return true;
    if (!m_isTable) {
        setError({DataError::Kind::Refused, m_databaseName, m_object, QStringLiteral("not a table")});
        return false;
    }

    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }

    QStringList columns;
    QVariantList values;
    for (const QString &field : std::as_const(m_boundFields)) {
        if (!m_fields.contains(field))
            continue;
        columns << quoteIdentifier(field);
        values << valueForColumn(fieldText(field));
    }

    QSqlQuery query(db);
    std::optional<qint64> updated;
    if (m_pending == Pending::New) {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        query.prepare(columns.isEmpty()
                          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(m_object))
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(quoteIdentifier(m_object), columns.join(u", "), marks.join(u", ")));
    } else {
        const std::optional<qint64> key = currentKey();
        if (!key) {
            setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
            return false;
        }
        QStringList assignments;
        for (const QString &column : std::as_const(columns))
            assignments << column + QStringLiteral(" = ?");
        if (assignments.isEmpty()) {
            leaveRecord();
            return true;
        }
        query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                          .arg(quoteIdentifier(m_object), assignments.join(u", ")));
        values << *key;
        updated = key;
    }
    for (const QVariant &value : std::as_const(values))
        query.addBindValue(value);
    CountCache::Write counted(db, m_object,
                              updated ? CountCache::Write::Kind::Update : CountCache::Write::Kind::Insert, updated);
    if (!query.exec()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        return false;
    }
    counted.succeeded(updated ? updated : std::optional<qint64>(query.lastInsertId().toLongLong()));

    const bool added = m_pending == Pending::New;
    leaveRecord();
    invalidateRows();
    if (added) {
        // The new record joins the end of the set until the next refresh orders it.
        const int at = int(qMin<qint64>(m_count, INT_MAX));
        beginInsertRows({}, at, at);
        ++m_count;
        endInsertRows();
    } else if (m_count > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    return true;
}

bool RecordSource::AddNew()
{
    if (!m_open || !m_isTable) {
        setError({DataError::Kind::Other, m_databaseName, m_object, QStringLiteral("record set not open")});
        return false;
    }
    if (!writePending())
        return false;
    m_adding = true;
    m_pending = Pending::NewUnchanged;
    m_buffer.clear();
    emit currentChanged();
    return true;
}

bool RecordSource::Delete()
{
    if (m_adding || !hasCurrentRecord()) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    const std::optional<qint64> key = currentKey();
    if (!key) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdentifier(m_object)));
    query.addBindValue(*key);
    CountCache::Write counted(db, m_object, CountCache::Write::Kind::Delete, *key);
    if (!query.exec()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        return false;
    }
    counted.succeeded();
    leaveRecord();
    invalidateRows();
    // A reset rather than a removal: removing one row of a million makes a grid's row
    // header visit every row, and the caller refreshes right after anyway.
    beginResetModel();
    --m_count;
    endResetModel();
    emit currentChanged();
    return true;
}

bool RecordSource::setCurrentRow(qint64 row)
{
    if (!m_open) {
        setError({DataError::Kind::Other, m_databaseName, m_object, QStringLiteral("record set not open")});
        return false;
    }
    if (!writePending())
        return false;
    m_current = qBound<qint64>(-1, row, m_count);
    emit currentChanged();
    return true;
}

bool RecordSource::Move(qint64 rows)
{
    if (!m_open || !hasCurrentRecord()) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    const qint64 from = m_current;
    return setCurrentRow(from + rows);
}

bool RecordSource::MoveLast()
{
    if (!m_open || m_count == 0) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    if (!writePending())
        return false;
    return setCurrentRow(m_count - 1);
}

bool RecordSource::MoveFirst()
{
    if (!m_open || m_count == 0) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    return setCurrentRow(0);
}

bool RecordSource::MoveNext()
{
    if (!m_open || m_count == 0)
        return false;
    if (!writePending())
        return false;
    return setCurrentRow(qMin(m_current + 1, m_count - 1));
}

bool RecordSource::MovePrevious()
{
    if (!m_open || m_count == 0)
        return false;
    if (!writePending())
        return false;
    return setCurrentRow(qMax<qint64>(m_current - 1, 0));
}

bool RecordSource::moveToKey(qint64 key)
{
    if (!m_open || !m_isTable)
        return false;
    if (!writePending())
        return false;
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!m_statement) {
        if (unchangedSinceOpen(db)) {
            // A record already read is where it was read.
            for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
                const qsizetype at = it->keys.indexOf(key);
                if (at >= 0)
                    return setCurrentRow(it.key() * pageSize + at);
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
                    query.prepare(QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE rowid > ?),"
                                                 " EXISTS (SELECT 1 FROM %1 WHERE rowid = ?)")
                                      .arg(quoteIdentifier(m_object)));
                    query.addBindValue(key);
                    query.addBindValue(key);
                    if (!query.exec() || !query.next() || !query.value(1).toBool())
                        return false;
                    return setCurrentRow(m_count - 1 - query.value(0).toLongLong());
                }
            }
        }
        // Table order is rowid order: the position is the number of rows before the key.
        query.prepare(QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE rowid < ?),"
                                     " EXISTS (SELECT 1 FROM %1 WHERE rowid = ?)")
                          .arg(quoteIdentifier(m_object)));
        query.addBindValue(key);
        query.addBindValue(key);
        if (!query.exec() || !query.next() || !query.value(1).toBool())
            return false;
        return setCurrentRow(query.value(0).toLongLong());
    }
    query.prepare(selectSql(QStringLiteral("rowid")));
    for (const QVariant &value : selectValues())
        query.addBindValue(value);
    if (!query.exec())
        return false;
    for (qint64 row = 0; query.next(); ++row) {
        if (query.value(0).toLongLong() == key)
            return setCurrentRow(row);
    }
    return false;
}

int RecordSource::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_open)
        return 0;
    return int(qMin<qint64>(m_count, INT_MAX));
}

int RecordSource::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return valueAt(index.row(), index.column()).toString();
}

QVariant RecordSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_fields.size())
        return m_fields.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace dalil
