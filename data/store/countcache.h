// Record counts kept between openings of a record set while what they count stays unchanged,
// so that a book of a million records is not counted afresh at every save, delete or reopening.
//
// The file tells when a book changes: triggers on each book table bump its change number in
// BookChanges in the same transaction as the change, whoever makes it (this program, another
// program, a trigger of the user's own). A count of a book is good exactly while its change
// number stands; a write of one row through the program moves the count along with it.
// Counts of stored queries, and of files without BookChanges (an older file that could not be
// brought up to date), hold only while nothing in the file changed at all.
#pragma once

#include <QSqlDatabase>
#include <QList>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace dalil {

// What a connection has seen of changes: rows written through it (its own total), commits of
// other connections or programs (data version) and schema changes. While the stamp stays the
// same, every table reads as it did.
struct ChangeStamp
{
    qint64 connection = 0; // this opening of the connection: a reopened file starts afresh
    qint64 own = -1;
    qint64 others = -1;
    qint64 schema = -1;

    bool isValid() const { return own >= 0; }
    bool operator==(const ChangeStamp &) const = default;

    static ChangeStamp of(const QSqlDatabase &db);
};

namespace CountCache {

// The change number of a book table, kept by the file's own triggers; nullopt for any other
// table or query, and in a file of a layout before the change numbers.
std::optional<qint64> changesOf(const QSqlDatabase &db, const QString &object);

// The number of rows of object that satisfy condition (an SQL expression with '?' for values;
// empty: all rows): a count kept while it holds, or counted now. nullopt, with *error, when
// the count fails.
// book: the book whose change number tells whether the count holds, where object is not the
// book itself but a table that follows it (its key table); rows are matched by rowid.
std::optional<qint64> count(const QSqlDatabase &db, const QString &object, const QString &condition,
                            const QVariantList &values, QSqlError *error, const QString &book = {});

// How a search of few rows finds them: the index it reads, and what narrows that reading to
// the rows that can match (" AND year IN (?) AND month IN (?, ?)", with the values bound after
// the search's own). The narrowing changes nothing of what matches.
struct FindWay
{
    QString index;
    QString narrowing;
    QVariantList values;
};

// The identities (the key table's rowid, which is the book's) of the rows of a book's key
// table that satisfy condition, in the order of orderBy ("key, id"): kept while they hold,
// and moved along with every write of one row through the program, so that a search of any
// breadth reaches any of its rows at once and takes a save or a delete without reading its
// rows again. orderIndex walks the order with every key the condition needs: a search that
// matches many rows walks it rather than sorting them; one that matches few is found through
// the way chooseFindWay tells (asked only when the set is read afresh).
// The statement that reads an ordered set: walking walkIndex, or (empty) sorting what
// findIndex (empty: the engine's choice among the keys' indexes) finds.
QString orderedKeysSql(const QString &keyTable, const QString &condition, const QString &orderKey, const QString &walkIndex,
                       const QString &findIndex = {});
std::optional<QList<qint64>> orderedKeys(const QSqlDatabase &db, const QString &book, const QString &keyTable,
                                         const QString &condition, const QVariantList &values,
                                         const QString &orderKey, const QString &orderIndex,
                                         const std::function<FindWay()> &chooseFindWay, QSqlError *error);

// The start of an ordered set: the whole set where it is kept or matches few rows; for a broad
// one walked in its order (more rows than are sorted here) with firstRows given, its count and
// its first rows only, read in one moment. The rest is OrderedKeysBeside's. A set known to be
// broad (its walk is under way) is not measured again.
struct OrderedStart
{
    QList<qint64> ids;
    qint64 count = 0;
    bool whole = true;
};
std::optional<OrderedStart> orderedKeysStart(const QSqlDatabase &db, const QString &book, const QString &keyTable,
                                             const QString &condition, const QVariantList &values,
                                             const QString &orderKey, const QString &orderIndex,
                                             const std::function<FindWay()> &chooseFindWay, qsizetype firstRows,
                                             QSqlError *error, bool knownBroad = false);

// The whole of a broad ordered set, walked on a thread of its own over a read-only connection
// of its own to db's file, while the windows go on showing its first rows.
class OrderedKeysBeside
{
public:
    OrderedKeysBeside(const QSqlDatabase &db, const QString &book, const QString &keyTable, const QString &condition,
                      const QVariantList &values, const QString &orderKey, const QString &orderIndex);
    // Stops the walk where it is and waits for its thread.
    ~OrderedKeysBeside();
    OrderedKeysBeside(const OrderedKeysBeside &) = delete;
    OrderedKeysBeside &operator=(const OrderedKeysBeside &) = delete;

    // Finishes when the walk is done.
    QThread *thread() const { return m_thread.get(); }
    // Whether this is the walk of that set.
    bool reads(const QString &keyTable, const QString &condition, const QVariantList &values, const QString &orderKey) const;
    // Waits for the walk: the set, where it was read whole while the book's change number was
    // changes; nullopt when it failed or the book had changed.
    std::optional<QList<qint64>> take(std::optional<qint64> changes);

private:
    struct Walk;
    struct Query
    {
        QString keyTable;
        QString condition;
        QVariantList values;
        QString orderKey;
        bool operator==(const Query &) const = default;
    };
    Query m_query;
    std::shared_ptr<Walk> m_walk;
    std::unique_ptr<QThread> m_thread;
};

// Keeps a set read beside as orderedKeys keeps the sets it reads; the caller knows it is the
// set as the file holds it now for db.
void keepOrderedKeys(const QSqlDatabase &db, const QString &book, const QString &keyTable, const QString &condition,
                     const QVariantList &values, const QString &orderKey, const QList<qint64> &ids);

// One row written through the connection: the kept counts of its table follow the write (plus
// or minus the row where it meets their condition) when the write was the table's only change.
class Write
{
public:
    enum class Kind { Insert, Update, Delete };
    // Before the write; key is the row updated or deleted.
    Write(const QSqlDatabase &db, const QString &table, Kind kind, std::optional<qint64> key = std::nullopt);
    ~Write();
    Write(const Write &) = delete;
    Write &operator=(const Write &) = delete;

    // After the write succeeded (committed); key is the row inserted.
    void succeeded(std::optional<qint64> key = std::nullopt);

private:
    QSqlDatabase m_db;
    QString m_table;
    Kind m_kind;
    std::optional<qint64> m_key;
    std::optional<qint64> m_changesBefore;
    ChangeStamp m_stampBefore;
    QList<int> m_memberBefore; // per kept count: whether the row met its condition (-1: unknown)
};

} // namespace CountCache

} // namespace dalil
