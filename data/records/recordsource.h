// The record source: a table, stored query or search statement of DB1.mdb, opened as a
// record set with a current record and a pending (typed, not yet written) record. The rows
// come from a RecordModel, which the record source passes on to the grid unchanged; writes
// go through Records.
#pragma once

#include "data/store/database.h"
#include "recordmodel.h"
#include "data/store/statement.h"

#include <QHash>
#include <QSet>
#include <QIdentityProxyModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace dalil {

class RecordSource : public QIdentityProxyModel
{
    Q_OBJECT

public:
    enum class Pending { None, NewUnchanged, New, Edited };
    Q_ENUM(Pending)

    explicit RecordSource(QObject *parent = nullptr);
    ~RecordSource() override;

    QString DatabaseName() const { return m_model->databaseName(); }
    void setDatabaseName(const QString &path) { m_model->setDatabaseName(path); }

    // The table or stored query named, or the text of the search statement in force.
    QString recordSourceText() const { return m_sourceText; }
    // The search statement in force, when the source is one.
    std::optional<Statement> statement() const { return m_statement; }
    // A table or stored query by name.
    void setRecordSource(const QString &source);
    // A search statement built from fragments; typed texts in it are bound, never pasted.
    void setRecordSource(const Statement &statement);

    // Writes a pending record, then reopens the source on its first record. Returns false,
    // with lastError(), when the write or the opening fails; a failed write keeps the
    // pending record and everything in it.
    bool Refresh();
    // Opens the source without writing anything (the window has just loaded).
    bool open();
    bool isOpen() const { return m_model->isOpen(); }
    // Closes the record set and drops any pending record.
    void close();

    DataError lastError() const { return m_error; }
    // The record the last Refresh wrote, or stood on when there was nothing to write: where
    // a list shows what was saved.
    std::optional<qint64> savedKey() const { return m_savedKey; }

    // The record set.
    bool atEOF() const; // no current record (EOF is the C library's macro)
    qint64 RecordCount() const { return m_model->count(); }
    bool AddNew();
    bool Delete();
    bool Move(qint64 rows);
    bool MoveLast();
    bool MoveFirst();
    bool MoveNext();
    bool MovePrevious();

    // Position of the current record in the set (0-based), or -1 when there is none.
    qint64 currentRow() const;
    // Makes row the current record, writing a pending record first.
    bool setCurrentRow(qint64 row);
    // Identity (rowid) of the current record as it was read when it became current, when the
    // source is a table or a search of one. Writes and deletes act on this record and no other.
    std::optional<qint64> currentKey() const;
    std::optional<qint64> keyAt(qint64 row) const { return m_model->keyAt(row); }
    // Makes the record with this identity current, reading the file afresh first when another
    // record source or program changed it. Fails with RecordGone when the record is not there.
    bool moveToKey(qint64 key);

    // When the file changed since the set was read (a write through another record source,
    // another program), reads the set again: the count, the rows, and the position of the
    // current record, kept by identity where it can be found. A pending record stays pending.
    // Returns whether the set was read again.
    bool resyncIfChanged();
    // What resyncIfChanged does when the current record is gone, or there was none: a set
    // shown in a grid stands on its first record; an entry's set has no current record, so
    // that nothing typed next goes into a record the user never chose.
    void setStandsOnFirstAfterResync(bool first) { m_firstAfterResync = first; }
    // Whether the file changed since the set was read.
    bool isStale() const { return m_model->isStale(); }

    // After a write failed with Conflict (the record changed in the file since it was read):
    // keepMine makes the next write store the user's changes over it; otherwise the typing is
    // dropped and the record is shown as it now stands.
    void resolveConflict(bool keepMine);
    // After a write failed with Conflict: each column the file now holds otherwise than it was
    // read, with the value stored now and the one the window holds (typed, or as it was read).
    struct ChangedField
    {
        QString field;
        QString stored;
        QString mine;
    };
    QList<ChangedField> changedElsewhere() const;

    QStringList fieldNames() const { return m_model->fields(); }
    // The current record's value of a field as text (the pending value while one is typed).
    QString fieldText(const QString &field) const;
    QVariant fieldValue(const QString &field) const;

    // Bound text boxes register their fields; a write stores exactly these.
    void bindField(const QString &field);
    void unbindField(const QString &field);
    // A bound text box changed: the record becomes pending, unless there is none.
    void setFieldText(const QString &field, const QString &text);
    Pending pendingState() const { return m_pending; }
    bool hasCurrentRecord() const;
    // Drops the pending record without writing it (a window closed with unsaved typing).
    void discardPending();
    // Writes the pending record now, if there is one.
    bool writePending();

    // The rows the grid sees (this record source passes them on as they are).
    RecordModel *model() const { return m_model; }

signals:
    // The current record or its values changed: bound controls show it again.
    void currentChanged();
    // The record set was reopened (refresh, search): bound grids lay themselves out anew.
    void refreshed();
    // The set was read again because the file changed elsewhere; the layout stays.
    void resynced();

private:
    bool openSet();
    void setError(const DataError &error) { m_error = error; }
    void leaveRecord();
    // Takes the key and values of the record at m_current as the current record's.
    void captureCurrent();
    bool writeEdits();
    bool writeNew();
    // Whether the set was read from the file the name holds now; sets Replaced when not.
    bool readFromTheFileThere();

    RecordModel *m_model;
    QString m_sourceText;
    std::optional<Statement> m_statement;

    qint64 m_current = -1;
    bool m_adding = false;
    // The current record as it was read when it became current: what the bound controls
    // show, what a write compares the file against, and the row it writes.
    std::optional<qint64> m_currentKey;
    QList<QVariant> m_currentValues;
    bool m_overwriteConflict = false;
    bool m_firstAfterResync = false;
    // The bound boxes holding text the user typed while there was no record to take it.
    QSet<QString> m_typedWithoutRecord;
    QList<QVariant> m_storedValues; // the record as the file held it when a write met a conflict

    Pending m_pending = Pending::None;
    QHash<QString, QString> m_buffer;
    QStringList m_boundFields;
    DataError m_error;
    std::optional<qint64> m_savedKey;
};

} // namespace dalil
