// Writing records of DB1.mdb by identity (rowid), from a window's record source or from code
// with no window at all (import, restore). Every write of the program goes through here, so
// that what is stored, what counts as changed and what the counts learn is decided once.
#pragma once

#include "database.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace dalil::Records {

// Column name → value. An empty text stores no value (NULL), so that it matches no search.
using Values = QVariantMap;

// A write transaction, begun at once (BEGIN IMMEDIATE: the record read inside is the one the
// write then changes) and rolled back unless it was committed. Nothing is committed into a
// file another program has since put in place of the one it was begun in.
class WriteTransaction
{
public:
    explicit WriteTransaction(const QSqlDatabase &db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    bool begin(QSqlError *error);
    bool commit(QSqlError *error);
    // The commit of many rows: the long log it leaves is copied into the file beside,
    // meanwhile() called on this thread as it goes (without it, as commit()).
    bool commitMany(const QString &databasePath, QSqlError *error, const std::function<void()> &meanwhile);

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

struct WriteResult
{
    qint64 rowsTouched = 0;
    std::optional<qint64> key; // the record inserted
    DataError error;
    // After a Conflict: the record as the file now holds it, every column.
    Values stored;

    bool ok() const { return !error.isError(); }
};

// Adds a record with these values (columns not named take their defaults).
WriteResult insert(const QString &databasePath, const QString &table, const Values &values);

// Adds many records in one transaction, all or nothing: `next` gives each record in turn
// (Record), or ends the input (End), or gives up (GiveUp: nothing is written). `skip`, when
// given, is asked inside the transaction whether a record is left out (an identical one is
// stored already); `inserted`, when given, hears each record's identity as it is added;
// `then` runs last in the same transaction, knowing what was added.
struct Added
{
    qint64 added = 0;
    qint64 skipped = 0;
    std::optional<qint64> firstKey;
    std::optional<qint64> lastKey;
    bool gaveUp = false;
    DataError error;

    bool ok() const { return !gaveUp && !error.isError(); }
};
enum class Next { Record, End, GiveUp };
Added insertAll(const QString &databasePath, const QString &table, const std::function<Next(Values &)> &next,
                const std::function<bool(QSqlDatabase &, const Values &)> &skip,
                const std::function<bool(QSqlDatabase &, const Added &)> &then,
                const std::function<bool(QSqlDatabase &, qint64 key)> &inserted = {},
                const std::function<void()> &meanwhile = {});

// Puts a record back as it was stored (every value exactly, an empty text included), under its
// former identity where no record holds it now, and runs `then` in the same transaction with
// the identity it was given (the write is undone when it fails). The result's key is the
// record's identity.
WriteResult reinsert(const QString &databasePath, const QString &table, const Values &values, qint64 formerKey,
                     const std::function<bool(QSqlDatabase &, qint64 key)> &then);

// Stores these values into the record with this identity. With asRead (every column as it was
// read), the record is read again inside the write's transaction and the write is refused with
// Conflict when another source or program changed it since; the caller then decides and may
// write again without asRead to keep its values. RecordGone when the record is not there.
// Nothing to store is no write at all.
WriteResult update(const QString &databasePath, const QString &table, qint64 key, const Values &changed,
                   const std::optional<Values> &asRead = std::nullopt);

// Deletes the record with this identity; RecordGone, with nothing deleted, when it is not there.
WriteResult remove(const QString &databasePath, const QString &table, qint64 key);

// Told after each of the program's writes to a book is committed, so that what follows the
// books (the reminders) need not read a whole book again.
class WriteNotices : public QObject
{
    Q_OBJECT
public:
    static WriteNotices *instance();

signals:
    // One record added, put back or changed.
    void recordWritten(const QString &databasePath, const QString &table, qint64 key);
    // One record deleted.
    void recordRemoved(const QString &databasePath, const QString &table, qint64 key);
    // Many records added at once: an import, whose identities run from firstKey to lastKey
    // without a gap, or what a sync brought (0, 0: any record may have changed).
    void recordsAdded(const QString &databasePath, const QString &table, qint64 firstKey, qint64 lastKey);
};

// The value a text box's text stores: none for an empty box.
QVariant valueForText(const QString &text);

// Whether two values of a column read as the same text (a box shows both the same way).
bool sameValue(const QVariant &a, const QVariant &b);

} // namespace dalil::Records
