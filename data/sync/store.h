// What the sync keeps in DB1.mdb and the writes it makes to the books: each item's state
// (SyncItems), the occurrences of recurring events (SyncOccurrences), each book's collection
// and token (SyncCollections). Every write of a sync step is one short transaction, the
// record and its state together, so that a sync stopped anywhere leaves both in agreement.
#pragma once

#include "formats.h"

#include "data/store/database.h"
#include "data/store/recorduids.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <optional>

namespace dalil::Sync {

enum class ItemKind {
    Record = 0,   // one record of the book
    Series = 1,   // a recurring event, shown as its occurrences
    KeptHere = 2, // a record no calendar can place (its date does not read): kept here only
    NotShown = 3, // an item the server holds that Dalil does not show
};

struct Item
{
    qint64 id = 0;
    QString href;
    QString uid;
    QByteArray etag;
    std::optional<qint64> localKey;
    bool dirty = false;
    ItemKind kind = ItemKind::Record;
    std::optional<Values> localValues;  // the record's columns when last in step
    std::optional<Values> serverValues; // what the server's version read as then; none before it was confirmed
    QByteArray object;                  // the server's version
};

class Store
{
public:
    Store(QString databasePath, const Format &format);

    bool ok() const { return !m_error.isError(); }
    const DataError &error() const { return m_error; }
    const Format &format() const { return m_format; }

    // The collection the book is kept with, and its token. A collection other than the one
    // before starts afresh: the items of the old one are forgotten (the records stay).
    std::optional<QString> useCollection(const QUrl &collection);
    bool saveToken(const QString &token, const QDateTime &when);
    // The day the recurring events were last read into occurrences.
    QDate expandedOn();
    bool setExpandedOn(QDate day);

    // Every item the server holds as far as the file knows: path → ETag.
    QHash<QString, QByteArray> knownEtags();
    // The same for these items alone.
    QHash<QString, QByteArray> knownEtags(const QStringList &hrefs);
    std::optional<Item> itemByHref(const QString &href);
    std::optional<Item> itemByUid(const QString &uid);
    std::optional<Item> item(qint64 id);
    QList<qint64> dirtyItems();
    QList<qint64> seriesItems();
    // The book's records the server has not heard of (no item, not an occurrence).
    QList<qint64> recordsNotSynced();

    // The record's columns; none when it is gone.
    std::optional<Values> record(qint64 key);

    // Writes, inside a transaction of the caller's; inTransaction runs work in one, undone
    // when the work fails.
    bool begin();
    bool commit();
    void rollback();
    bool inTransaction(const std::function<bool()> &work);
    // The appointments kept here only, as no calendar can place them.
    int keptHere();
    std::optional<qint64> insertRecord(const Values &values);
    // The record's lasting UID (RecordUids), the one its exported card or event carries.
    std::optional<QString> lastingUid(qint64 key);
    // A record that came from the server keeps the server's UID as its lasting one.
    void adoptUid(qint64 key, const QString &uid);
    bool updateRecord(qint64 key, const Values &values);
    bool removeRecord(qint64 key);
    // Keeps a version not chosen among the deleted records, as if deleted from the book.
    bool keepAsDeleted(qint64 formerKey, const Values &values);
    std::optional<qint64> insertItem(const Item &item);
    bool updateItem(const Item &item);
    bool removeItem(qint64 id);
    // The occurrences of a series: start → record.
    QHash<QString, qint64> occurrences(qint64 item);
    bool addOccurrence(qint64 item, qint64 key, const QString &startsAt);
    bool isOccurrence(qint64 key);

private:
    // A statement prepared once for the store's life: a sync writes thousands of records, and
    // preparing a write to a book compiles every trigger on it.
    QSqlQuery &statement(const QString &sql);
    bool exec(QSqlQuery &query);
    std::optional<Item> itemOf(QSqlQuery &query);
    RecordUids::Lookup &uids();
    QString quotedColumns() const;

    QString m_path;
    const Format &m_format;
    QString m_book;
    QStringList m_columns;
    QSqlDatabase m_db;
    DataError m_error;
    QHash<QString, QSqlQuery> m_statements;
    std::optional<RecordUids::Lookup> m_uids;
};

// A record's columns as JSON text for SyncItems, and back.
QString valuesText(const Values &values, const QStringList &columns);
std::optional<Values> valuesFrom(const QVariant &text);

} // namespace dalil::Sync
