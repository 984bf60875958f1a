#include "recordsource.h"

#include "data/store/recordwrites.h"

namespace dalil {

RecordSource::RecordSource(QObject *parent)
    : QIdentityProxyModel(parent)
    , m_model(new RecordModel(this))
{
    setSourceModel(m_model);
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
    m_model->beginReread();
    const bool ok = openSet();
    m_model->endReread();
    emit refreshed();
    emit currentChanged();
    return ok;
}

bool RecordSource::Refresh()
{
    // Text typed while the window stood on no record of an open set has nowhere to go: saying
    // so keeps it in sight, where a save that wrote nothing would drop it without a word. (A
    // set that could not be opened says why when it is opened again below.)
    if (!m_typedWithoutRecord.isEmpty() && m_pending == Pending::None && m_model->isOpen()) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    m_savedKey = currentKey();
    if (!writePending())
        return false;
    return open();
}

void RecordSource::close()
{
    m_model->beginReread();
    leaveRecord();
    m_model->clear();
    m_current = -1;
    m_model->endReread();
    emit currentChanged();
}

bool RecordSource::openSet()
{
    leaveRecord();
    m_current = -1;
    m_error = {};
    m_model->setSource(m_sourceText, m_statement);
    const DataError error = m_model->load();
    if (error.isError()) {
        setError(error);
        captureCurrent();
        return false;
    }
    m_current = m_model->count() > 0 ? 0 : -1;
    captureCurrent();
    return true;
}

bool RecordSource::hasCurrentRecord() const
{
    return m_model->isOpen() && (m_adding || !m_currentValues.isEmpty());
}

void RecordSource::captureCurrent()
{
    m_currentKey.reset();
    m_currentValues.clear();
    m_overwriteConflict = false;
    if (m_current < 0)
        return;
    if (const std::optional<RecordModel::Row> row = m_model->rowAt(m_current)) {
        m_currentValues = row->values;
        m_currentKey = row->key;
        m_typedWithoutRecord.clear(); // the boxes show this record now
    }
}

bool RecordSource::resyncIfChanged()
{
    if (!m_model->isOpen())
        return false;
    DataError error;
    QSqlDatabase db = Database::connection(DatabaseName(), &error);
    if (!db.isValid() || m_model->unchangedSinceOpen(db))
        return false;
    // A record being typed over stays as it was read: its write will find out what became of it.
    const bool holding = m_pending == Pending::Edited;
    m_model->beginReread();
    if (const DataError counted = m_model->recount(); counted.isError()) {
        setError(counted);
        m_current = -1;
        if (!holding)
            captureCurrent();
        m_model->endReread();
        emit resynced();
        emit currentChanged();
        return true;
    }
    std::optional<qint64> at;
    if (m_currentKey)
        at = m_model->positionOf(db, *m_currentKey);
    // A window standing on no record stays on none: what the user typed into its boxes is
    // theirs, and showing "no record" again would wipe it.
    const bool hadNone = !hasCurrentRecord();
    if (holding || m_adding) {
        m_current = at ? *at : -1;
    } else {
        m_current = at ? *at : (m_model->count() > 0 && m_firstAfterResync ? 0 : -1);
        captureCurrent();
    }
    m_model->endReread();
    emit resynced();
    if (!holding && !m_adding && !(hadNone && !hasCurrentRecord()))
        emit currentChanged();
    return true;
}

bool RecordSource::atEOF() const
{
    return !hasCurrentRecord();
}

qint64 RecordSource::currentRow() const
{
    return (m_model->isOpen() && !m_adding && !m_currentValues.isEmpty() && m_current >= 0
            && m_current < m_model->count())
               ? m_current
               : -1;
}

std::optional<qint64> RecordSource::currentKey() const
{
    if (m_adding || !m_model->isOpen())
        return std::nullopt;
    return m_currentKey;
}

QVariant RecordSource::fieldValue(const QString &field) const
{
    if (m_buffer.contains(field))
        return Records::valueForText(m_buffer.value(field));
    if (m_adding || !hasCurrentRecord())
        return {};
    return m_currentValues.value(m_model->fields().indexOf(field));
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
    if (!hasCurrentRecord()) {
        if (text.isEmpty())
            m_typedWithoutRecord.remove(field);
        else
            m_typedWithoutRecord.insert(field);
        return;
    }
    m_buffer.insert(field, text);
    m_pending = m_adding ? Pending::New : Pending::Edited;
}

void RecordSource::leaveRecord()
{
    m_typedWithoutRecord.clear();
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

QList<RecordSource::ChangedField> RecordSource::changedElsewhere() const
{
    QList<ChangedField> changed;
    const QStringList fields = m_model->fields();
    for (qsizetype c = 0; c < fields.size() && c < m_storedValues.size(); ++c) {
        const QVariant read = m_currentValues.value(c);
        if (Records::sameValue(m_storedValues.at(c), read))
            continue;
        const QString &field = fields.at(c);
        changed << ChangedField{field, m_storedValues.at(c).toString(),
                                m_buffer.contains(field) ? m_buffer.value(field) : read.toString()};
    }
    return changed;
}

bool RecordSource::readFromTheFileThere()
{
    // A set read from a file since replaced under the name: the first write is refused, so that
    // the user hears of it before anything goes into the new file (a record edited there is
    // then compared with what the new file holds under its identity).
    if (m_model->fileGeneration() == Database::replacements(DatabaseName()))
        return true;
    m_model->acknowledgeReplacement();
    setError({DataError::Kind::Replaced, DatabaseName(), m_model->object(), {}});
    return false;
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
        leaveRecord(); // a new record nobody typed into is dropped
        return true;
    }
    if (m_pending == Pending::None)
        return true;
    if (!m_model->isTable()) {
        setError({DataError::Kind::Refused, DatabaseName(), m_model->object(), QStringLiteral("not a table")});
        return false;
    }
    if (!readFromTheFileThere())
        return false;
    DataError error;
    if (!Database::connection(DatabaseName(), &error).isValid()) {
        setError(error);
        return false;
    }
    return m_pending == Pending::Edited ? writeEdits() : writeNew();
}

bool RecordSource::writeEdits()
{
    // Only the boxes the user changed are written, so that what another program wrote
    // since into the record's other columns is kept.
    if (!m_currentKey) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    const QStringList fields = m_model->fields();
    Records::Values changed;
    for (const QString &field : std::as_const(m_boundFields)) {
        const qsizetype column = fields.indexOf(field);
        if (column < 0 || !m_buffer.contains(field))
            continue;
        const QVariant typed = Records::valueForText(m_buffer.value(field));
        if (Records::sameValue(typed, m_currentValues.value(column)))
            continue;
        changed.insert(field, typed);
    }
    if (!changed.isEmpty()) {
        std::optional<Records::Values> asRead;
        if (!m_overwriteConflict) {
            asRead.emplace();
            for (qsizetype c = 0; c < fields.size(); ++c)
                asRead->insert(fields.at(c), m_currentValues.value(c));
        }
        const Records::WriteResult written =
            Records::update(DatabaseName(), m_model->object(), *m_currentKey, changed, asRead);
        if (!written.ok()) {
            if (written.error.kind == DataError::Kind::Conflict) {
                m_storedValues.clear();
                for (const QString &field : fields)
                    m_storedValues << written.stored.value(field);
            }
            setError(written.error);
            return false;
        }
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            m_currentValues[fields.indexOf(it.key())] = it.value();
    }
    leaveRecord();
    m_model->rowsRewritten();
    return true;
}

bool RecordSource::writeNew()
{
    const QStringList fields = m_model->fields();
    Records::Values values;
    for (const QString &field : std::as_const(m_boundFields)) {
        if (fields.contains(field))
            values.insert(field, Records::valueForText(fieldText(field)));
    }
    const Records::WriteResult written = Records::insert(DatabaseName(), m_model->object(), values);
    if (!written.ok()) {
        setError(written.error);
        return false;
    }
    m_savedKey = written.key;
    leaveRecord();
    // The new record joins the end of the set until the next refresh orders it.
    m_model->appendRow();
    return true;
}

bool RecordSource::AddNew()
{
    if (!m_model->isOpen() || !m_model->isTable()) {
        setError({DataError::Kind::Other, DatabaseName(), m_model->object(), QStringLiteral("record set not open")});
        return false;
    }
    if (!writePending())
        return false;
    m_adding = true;
    m_pending = Pending::NewUnchanged;
    m_buffer.clear();
    m_typedWithoutRecord.clear();
    emit currentChanged();
    return true;
}

bool RecordSource::Delete()
{
    if (m_adding || !hasCurrentRecord()) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    const std::optional<qint64> key = currentKey();
    if (!key) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    if (!readFromTheFileThere())
        return false;
    const Records::WriteResult written = Records::remove(DatabaseName(), m_model->object(), *key);
    const bool deleted = written.ok() && written.rowsTouched == 1;
    if (!deleted && written.error.kind != DataError::Kind::RecordGone) {
        setError(written.error);
        return false;
    }
    leaveRecord();
    // A reset rather than a removal: removing one row of a million makes a grid's row
    // header visit every row, and the caller refreshes right after anyway.
    m_model->forgetRows();
    m_model->beginReread();
    if (deleted)
        m_model->dropCountedRow();
    m_currentKey.reset();
    m_currentValues.clear();
    m_model->endReread();
    emit currentChanged();
    if (!deleted) {
        setError(written.error);
        return false;
    }
    return true;
}

bool RecordSource::setCurrentRow(qint64 row)
{
    if (!m_model->isOpen()) {
        setError({DataError::Kind::Other, DatabaseName(), m_model->object(), QStringLiteral("record set not open")});
        return false;
    }
    if (!writePending())
        return false;
    m_current = qBound<qint64>(-1, row, m_model->count());
    captureCurrent();
    emit currentChanged();
    return true;
}

bool RecordSource::Move(qint64 rows)
{
    if (!m_model->isOpen() || !hasCurrentRecord()) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    const qint64 from = m_current;
    return setCurrentRow(from + rows);
}

bool RecordSource::MoveLast()
{
    if (!m_model->isOpen() || m_model->count() == 0) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    if (!writePending())
        return false;
    return setCurrentRow(m_model->count() - 1);
}

bool RecordSource::MoveFirst()
{
    if (!m_model->isOpen() || m_model->count() == 0) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    return setCurrentRow(0);
}

bool RecordSource::MoveNext()
{
    if (!m_model->isOpen() || m_model->count() == 0)
        return false;
    if (!writePending())
        return false;
    return setCurrentRow(qMin(m_current + 1, m_model->count() - 1));
}

bool RecordSource::MovePrevious()
{
    if (!m_model->isOpen() || m_model->count() == 0)
        return false;
    if (!writePending())
        return false;
    return setCurrentRow(qMax<qint64>(m_current - 1, 0));
}

bool RecordSource::moveToKey(qint64 key)
{
    if (!m_model->isOpen() || !m_model->isTable()) {
        setError({DataError::Kind::NoCurrentRecord, DatabaseName(), m_model->object(), {}});
        return false;
    }
    if (!writePending())
        return false;
    // Rows read before another window or program changed the file may stand elsewhere now.
    resyncIfChanged();
    DataError error;
    QSqlDatabase db = Database::connection(DatabaseName(), &error);
    if (!db.isValid()) {
        setError(error);
        return false;
    }
    const std::optional<qint64> at = m_model->positionOf(db, key);
    if (!at) {
        setError({DataError::Kind::RecordGone, DatabaseName(), m_model->object(), {}});
        return false;
    }
    if (!setCurrentRow(*at))
        return false;
    if (m_currentKey != key) {
        setError({DataError::Kind::RecordGone, DatabaseName(), m_model->object(), {}});
        return false;
    }
    return true;
}

} // namespace dalil
