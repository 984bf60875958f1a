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

// Two values of a column read as the same text (a box shows both the same way).
bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && a.toString() == b.toString();
}

// Undoes a write transaction unless it was committed.
class WriteTransaction
{
public:
    explicit WriteTransaction(const QSqlDatabase &db) : m_db(db) {}
    ~WriteTransaction()
    {
        if (m_open)
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    }
    // BEGIN IMMEDIATE: the record read inside is the one the write then changes.
    bool begin(QSqlError *error)
    {
        QSqlQuery query(m_db);
        m_open = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!m_open)
            *error = query.lastError();
        return m_open;
    }
    bool commit(QSqlError *error)
    {
        QSqlQuery query(m_db);
        if (!query.exec(QStringLiteral("COMMIT"))) {
            *error = query.lastError();
            return false;
        }
        m_open = false;
        return true;
    }

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

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
    captureCurrent();
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
    return m_open && (m_adding || !m_currentValues.isEmpty());
}

void RecordSource::captureCurrent()
{
    m_currentKey.reset();
    m_currentValues.clear();
    m_overwriteConflict = false;
    if (!m_open || m_current < 0 || m_current >= m_count)
        return;
    const Page *p = page(m_current / pageSize);
    const qint64 offset = m_current % pageSize;
    if (!p || offset >= p->rows.size())
        return;
    m_currentValues = p->rows.at(offset);
    if (m_isTable && offset < p->keys.size())
        m_currentKey = p->keys.at(offset);
}

bool RecordSource::isStale() const
{
    if (!m_open)
        return false;
    DataError error;
    const QSqlDatabase db = Database::connection(m_databaseName, &error);
    return db.isValid() && !unchangedSinceOpen(db);
}

bool RecordSource::resyncIfChanged()
{
    if (!m_open)
        return false;
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid() || unchangedSinceOpen(db))
        return false;
    // A record being typed over stays as it was read: its write will find out what became of it.
    const bool holding = m_pending == Pending::Edited;
    beginResetModel();
    invalidateRows();
    if (!fetchCount()) {
        m_count = 0;
        m_current = -1;
        if (!holding)
            captureCurrent();
        endResetModel();
        emit resynced();
        emit currentChanged();
        return true;
    }
    std::optional<qint64> at;
    if (m_currentKey && m_isTable)
        at = m_statement ? positionInSet(db, *m_currentKey) : positionInTable(db, *m_currentKey);
    if (holding || m_adding) {
        m_current = at ? *at : -1;
    } else {
        m_current = at ? *at : (m_count > 0 && m_firstAfterResync ? 0 : -1);
        captureCurrent();
    }
    endResetModel();
    emit resynced();
    if (!holding && !m_adding)
        emit currentChanged();
    return true;
}

std::optional<qint64> RecordSource::positionInSet(const QSqlDatabase &db, qint64 key)
{
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

std::optional<qint64> RecordSource::positionInTable(const QSqlDatabase &db, qint64 key)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
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
                query.prepare(QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE rowid > ?),"
                                             " EXISTS (SELECT 1 FROM %1 WHERE rowid = ?)")
                                  .arg(quoteIdentifier(m_object)));
                query.addBindValue(key);
                query.addBindValue(key);
                if (!query.exec() || !query.next() || !query.value(1).toBool())
                    return std::nullopt;
                return m_count - 1 - query.value(0).toLongLong();
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
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool RecordSource::atEOF() const
{
    return !hasCurrentRecord();
}

qint64 RecordSource::currentRow() const
{
    return (m_open && !m_adding && !m_currentValues.isEmpty() && m_current >= 0 && m_current < m_count)
               ? m_current
               : -1;
}

std::optional<qint64> RecordSource::currentKey() const
{
    if (m_adding || !m_open)
        return std::nullopt;
    return m_currentKey;
}

QVariant RecordSource::fieldValue(const QString &field) const
{
    if (m_buffer.contains(field))
        return valueForColumn(m_buffer.value(field));
    if (m_adding || !hasCurrentRecord())
        return {};
    return m_currentValues.value(m_fields.indexOf(field));
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
    m_overwriteConflict = false;
}

void RecordSource::resolveConflict(bool keepMine)
{
    if (keepMine) {
        m_overwriteConflict = true;
        return;
    }
    if (!m_storedValues.isEmpty())
        m_currentValues = m_storedValues;
    m_storedValues.clear();
    leaveRecord();
    emit currentChanged();
}

std::optional<QList<QVariant>> RecordSource::readStoredRow(const QSqlDatabase &db, qint64 key, bool *failed)
{
    *failed = false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdentifier(m_object)));
    query.addBindValue(key);
    if (!query.exec()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        *failed = true;
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    QList<QVariant> row;
    for (int c = 0; c < m_fields.size(); ++c)
        row << query.value(c);
    return row;
}

bool RecordSource::updateCurrent(const QSqlDatabase &db, const QStringList &columns, const QVariantList &values)
{
    const qint64 key = *m_currentKey;
    const DataError gone{DataError::Kind::RecordGone, m_databaseName, m_object, {}};
    WriteTransaction transaction(db);
    QSqlError sqlError;
    if (!transaction.begin(&sqlError)) {
        setError(DataError::fromSql(sqlError, m_databaseName));
        return false;
    }
    bool failed = false;
    const std::optional<QList<QVariant>> stored = readStoredRow(db, key, &failed);
    if (failed)
        return false;
    if (!stored) {
        setError(gone);
        return false;
    }
    if (!m_overwriteConflict) {
        for (int c = 0; c < m_fields.size(); ++c) {
            if (!sameValue(stored->value(c), m_currentValues.value(c))) {
                m_storedValues = *stored;
                setError({DataError::Kind::Conflict, m_databaseName, m_object, {}});
                return false;
            }
        }
    }

    QStringList assignments;
    for (const QString &column : columns)
        assignments << quoteIdentifier(column) + QStringLiteral(" = ?");
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                      .arg(quoteIdentifier(m_object), assignments.join(u", ")));
    for (const QVariant &value : values)
        query.addBindValue(value);
    query.addBindValue(key);
    CountCache::Write counted(db, m_object, CountCache::Write::Kind::Update, key);
    if (!query.exec()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        return false;
    }
    if (query.numRowsAffected() != 1) {
        setError(gone);
        return false;
    }
    query.finish();
    if (!transaction.commit(&sqlError)) {
        setError(DataError::fromSql(sqlError, m_databaseName));
        return false;
    }
    counted.succeeded(key);
    return true;
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

    if (m_pending == Pending::Edited) {
        // Only the boxes the user changed are written, so that what another program wrote
        // since into the record's other columns is kept.
        if (!m_currentKey) {
            setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
            return false;
        }
        QStringList columns;
        QVariantList values;
        for (const QString &field : std::as_const(m_boundFields)) {
            const qsizetype column = m_fields.indexOf(field);
            if (column < 0 || !m_buffer.contains(field))
                continue;
            const QVariant typed = valueForColumn(m_buffer.value(field));
            if (sameValue(typed, m_currentValues.value(column)))
                continue;
            columns << field;
            values << typed;
        }
        if (!columns.isEmpty()) {
            if (!updateCurrent(db, columns, values))
                return false;
            for (qsizetype i = 0; i < columns.size(); ++i)
                m_currentValues[m_fields.indexOf(columns.at(i))] = values.at(i);
        }
        leaveRecord();
        invalidateRows();
        if (m_count > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        return true;
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
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    query.prepare(columns.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(m_object))
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdentifier(m_object), columns.join(u", "), marks.join(u", ")));
    for (const QVariant &value : std::as_const(values))
        query.addBindValue(value);
    CountCache::Write counted(db, m_object, CountCache::Write::Kind::Insert);
    if (!query.exec()) {
        setError(DataError::fromSql(query.lastError(), m_databaseName));
        return false;
    }
    counted.succeeded(query.lastInsertId().toLongLong());

    leaveRecord();
    invalidateRows();
    // The new record joins the end of the set until the next refresh orders it.
    const int at = int(qMin<qint64>(m_count, INT_MAX));
    beginInsertRows({}, at, at);
    ++m_count;
    endInsertRows();
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
    // The record shown was deleted elsewhere since it was read: nothing was deleted here.
    const bool deleted = query.numRowsAffected() == 1;
    if (deleted)
        counted.succeeded();
    leaveRecord();
    invalidateRows();
    // A reset rather than a removal: removing one row of a million makes a grid's row
    // header visit every row, and the caller refreshes right after anyway.
    beginResetModel();
    if (deleted)
        --m_count;
    m_currentKey.reset();
    m_currentValues.clear();
    endResetModel();
    emit currentChanged();
    if (!deleted) {
        setError({DataError::Kind::RecordGone, m_databaseName, m_object, {}});
        return false;
    }
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
    captureCurrent();
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
    if (!m_open || !m_isTable) {
        setError({DataError::Kind::NoCurrentRecord, m_databaseName, m_object, {}});
        return false;
    }
    if (!writePending())
        return false;
    // Rows read before another window or program changed the file may stand elsewhere now.
    resyncIfChanged();
    DataError error;
    QSqlDatabase db = Database::connection(m_databaseName, &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }
    const std::optional<qint64> at = m_statement ? positionInSet(db, key) : positionInTable(db, key);
    if (!at) {
        setError({DataError::Kind::RecordGone, m_databaseName, m_object, {}});
        return false;
    }
    if (!setCurrentRow(*at))
        return false;
    if (m_currentKey != key) {
        setError({DataError::Kind::RecordGone, m_databaseName, m_object, {}});
        return false;
    }
    return true;
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
