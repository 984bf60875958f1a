#include "store.h"

#include "data/store/deletedrecords.h"
#include "data/store/recorduids.h"
#include "data/store/statement.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace dalil::Sync {

QString valuesText(const Values &values, const QStringList &columns)
{
    QJsonObject object;
    for (const QString &column : columns) {
        const QString text = textOf(values, column);
        if (!text.isEmpty())
            object.insert(column, text);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Values> valuesFrom(const QVariant &text)
{
    if (text.isNull())
        return std::nullopt;
    return QJsonDocument::fromJson(text.toString().toUtf8()).object().toVariantMap();
}

namespace {

QVariant stored(const QString &text)
{
    // An empty text stores no value, as every write of the program does.
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant nullable(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QVariant() : QVariant(QString::fromUtf8(bytes));
}

Item itemFrom(const QSqlQuery &query)
{
    Item item;
    item.id = query.value(0).toLongLong();
    item.href = query.value(1).toString();
    item.uid = query.value(2).toString();
    item.etag = query.value(3).toString().toUtf8();
    if (!query.value(4).isNull())
        item.localKey = query.value(4).toLongLong();
    item.dirty = query.value(5).toInt() != 0;
    item.kind = ItemKind(query.value(6).toInt());
    item.localValues = valuesFrom(query.value(7));
    item.serverValues = valuesFrom(query.value(8));
    item.object = query.value(9).toString().toUtf8();
    return item;
}

const QString itemColumns =
    QStringLiteral("id, href, uid, etag, localKey, dirty, kind, localValues, serverValues, object FROM SyncItems ");

} // namespace

Store::Store(QString databasePath, const Format &format)
    : m_path(std::move(databasePath))
    , m_format(format)
    , m_book(format.book())
    , m_columns(format.columns())
{
    m_db = Database::connection(m_path, &m_error);
    if (ok() && !Database::hasObject(m_db, QStringLiteral("SyncItems"), nullptr))
        m_error = {DataError::Kind::ReadOnly, blockingFile(m_path), QStringLiteral("SyncItems"), {}};
}

QSqlQuery &Store::statement(const QString &sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        it = m_statements.insert(sql, QSqlQuery(m_db));
        it->setForwardOnly(true);
        it->prepare(sql);
    }
    return *it;
}

bool Store::exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    if (!m_error.isError())
        m_error = DataError::fromSql(query.lastError(), m_path);
    return false;
}

QString Store::quotedColumns() const
{
    QStringList quoted;
    for (const QString &column : m_columns)
        quoted << quoteIdentifier(column);
    return quoted.join(QStringLiteral(", "));
}

std::optional<QString> Store::useCollection(const QUrl &collection)
{
    const QString url = collection.toString(QUrl::FullyEncoded);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT url, token FROM SyncCollections WHERE book = ?"));
    query.addBindValue(m_book);
    if (!exec(query))
        return std::nullopt;
    if (query.next() && query.value(0).toString() == url)
        return query.value(1).toString();
    query.finish();
    // Another collection, or the first: what was known of the old one no longer holds.
    if (!begin())
        return std::nullopt;
    QSqlQuery forget(m_db);
    forget.prepare(QStringLiteral("DELETE FROM SyncOccurrences WHERE item IN (SELECT id FROM SyncItems WHERE book = ?)"));
    forget.addBindValue(m_book);
    QSqlQuery items(m_db);
    items.prepare(QStringLiteral("DELETE FROM SyncItems WHERE book = ?"));
    items.addBindValue(m_book);
    QSqlQuery set(m_db);
    set.prepare(QStringLiteral("INSERT OR REPLACE INTO SyncCollections (book, url) VALUES (?, ?)"));
    set.addBindValue(m_book);
    set.addBindValue(url);
    if (!exec(forget) || !exec(items) || !exec(set) || !commit()) {
        rollback();
        return std::nullopt;
    }
    return QString();
}

bool Store::saveToken(const QString &token, const QDateTime &when)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE SyncCollections SET token = ?, lastSync = ? WHERE book = ?"));
    query.addBindValue(token.isEmpty() ? QVariant() : token);
    query.addBindValue(when.toUTC().toString(Qt::ISODate));
    query.addBindValue(m_book);
    return exec(query);
}

QDate Store::expandedOn()
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT expandedOn FROM SyncCollections WHERE book = ?"));
    query.addBindValue(m_book);
    return exec(query) && query.next() ? QDate::fromString(query.value(0).toString(), Qt::ISODate) : QDate();
}

bool Store::setExpandedOn(QDate day)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE SyncCollections SET expandedOn = ? WHERE book = ?"));
    query.addBindValue(day.toString(Qt::ISODate));
    query.addBindValue(m_book);
    return exec(query);
}

QHash<QString, QByteArray> Store::knownEtags()
{
    QHash<QString, QByteArray> known;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT href, etag FROM SyncItems WHERE book = ? AND href IS NOT NULL"));
    query.addBindValue(m_book);
    if (exec(query)) {
        while (query.next())
            known.insert(query.value(0).toString(), query.value(1).toString().toUtf8());
    }
    return known;
}

QHash<QString, QByteArray> Store::knownEtags(const QStringList &hrefs)
{
    QHash<QString, QByteArray> known;
    QSqlQuery &query = statement(QStringLiteral("SELECT etag FROM SyncItems WHERE book = ? AND href = ?"));
    for (const QString &href : hrefs) {
        query.addBindValue(m_book);
        query.addBindValue(href);
        if (!exec(query))
            break;
        if (query.next())
            known.insert(href, query.value(0).toString().toUtf8());
        query.finish();
    }
    return known;
}

std::optional<Item> Store::itemByHref(const QString &href)
{
    QSqlQuery &query = statement(QStringLiteral("SELECT ") + itemColumns + QStringLiteral("WHERE book = ? AND href = ?"));
    query.addBindValue(m_book);
    query.addBindValue(href);
    return itemOf(query);
}

std::optional<Item> Store::itemByUid(const QString &uid)
{
    QSqlQuery &query = statement(QStringLiteral("SELECT ") + itemColumns + QStringLiteral("WHERE book = ? AND uid = ?"));
    query.addBindValue(m_book);
    query.addBindValue(uid);
    return itemOf(query);
}

std::optional<Item> Store::item(qint64 id)
{
    QSqlQuery &query = statement(QStringLiteral("SELECT ") + itemColumns + QStringLiteral("WHERE id = ?"));
    query.addBindValue(id);
    return itemOf(query);
}

std::optional<Item> Store::itemOf(QSqlQuery &query)
{
    std::optional<Item> found;
    if (exec(query) && query.next())
        found = itemFrom(query);
    query.finish();
    return found;
}

QList<qint64> Store::dirtyItems()
{
    QList<qint64> ids;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM SyncItems WHERE book = ? AND dirty = 1 ORDER BY id"));
    query.addBindValue(m_book);
    if (exec(query)) {
        while (query.next())
            ids << query.value(0).toLongLong();
    }
    return ids;
}

QList<qint64> Store::seriesItems()
{
    QList<qint64> ids;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM SyncItems WHERE book = ? AND kind = 1 ORDER BY id"));
    query.addBindValue(m_book);
    if (exec(query)) {
        while (query.next())
            ids << query.value(0).toLongLong();
    }
    return ids;
}

QList<qint64> Store::recordsNotSynced()
{
    QList<qint64> keys;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT rowid FROM %1 AS b WHERE NOT EXISTS (SELECT 1 FROM SyncItems "
                                 "WHERE book = ? AND localKey = b.rowid)%2 ORDER BY rowid")
                      .arg(quoteIdentifier(m_book),
                           m_book == u"Note" ? QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM SyncOccurrences o WHERE o.localKey = b.rowid)")
                                             : QString()));
    query.addBindValue(m_book);
    if (exec(query)) {
        while (query.next())
            keys << query.value(0).toLongLong();
    }
    return keys;
}

std::optional<Values> Store::record(qint64 key)
{
    QSqlQuery &query = statement(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(quotedColumns(), quoteIdentifier(m_book)));
    query.addBindValue(key);
    const auto finished = qScopeGuard([&] { query.finish(); });
    if (!exec(query) || !query.next())
        return std::nullopt;
    Values values;
    for (int i = 0; i < m_columns.size(); ++i) {
        const QVariant value = query.value(i);
        if (!value.isNull() && !value.toString().isEmpty())
            values.insert(m_columns.at(i), value.toString());
    }
    return values;
}

bool Store::begin()
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("BEGIN IMMEDIATE"));
    return exec(query);
}

bool Store::commit()
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("COMMIT"));
    return exec(query);
}

void Store::rollback()
{
    QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

bool Store::inTransaction(const std::function<bool()> &work)
{
    if (!begin())
        return false;
    if (!work() || !commit()) {
        rollback();
        return false;
    }
    return true;
}

int Store::keptHere()
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT count(*) FROM SyncItems WHERE book = ? AND kind = 2"));
    query.addBindValue(m_book);
    return exec(query) && query.next() ? query.value(0).toInt() : 0;
}

std::optional<qint64> Store::insertRecord(const Values &values)
{
    QStringList marks;
    for (int i = 0; i < m_columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery &query = statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoteIdentifier(m_book), quotedColumns(), marks.join(QStringLiteral(", "))));
    for (const QString &column : std::as_const(m_columns))
        query.addBindValue(stored(textOf(values, column)));
    if (!exec(query))
        return std::nullopt;
    return query.lastInsertId().toLongLong();
}

std::optional<QString> Store::lastingUid(qint64 key)
{
    return uids().uidOf(key);
}

void Store::adoptUid(qint64 key, const QString &uid)
{
    // Another record may hold it already (a copy of the book imported there): it keeps its own.
    uids().adopt(key, uid);
}

RecordUids::Lookup &Store::uids()
{
    if (!m_uids)
        m_uids.emplace(m_db, m_book);
    return *m_uids;
}

bool Store::updateRecord(qint64 key, const Values &values)
{
    QStringList sets;
    for (const QString &column : std::as_const(m_columns))
        sets << quoteIdentifier(column) + QStringLiteral(" = ?");
    QSqlQuery &query = statement(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoteIdentifier(m_book), sets.join(QStringLiteral(", "))));
    for (const QString &column : std::as_const(m_columns))
        query.addBindValue(stored(textOf(values, column)));
    query.addBindValue(key);
    return exec(query);
}

bool Store::removeRecord(qint64 key)
{
    QSqlQuery &query = statement(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdentifier(m_book)));
    query.addBindValue(key);
    return exec(query);
}

bool Store::keepAsDeleted(qint64 formerKey, const Values &values)
{
    QStringList marks{QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now')"), QStringLiteral("?")};
    for (int i = 0; i < m_columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO %1 (deletedAt, formerKey, %2) VALUES (%3)")
                      .arg(quoteIdentifier(DeletedRecords::tableFor(m_book)), quotedColumns(), marks.join(QStringLiteral(", "))));
    query.addBindValue(formerKey);
    for (const QString &column : std::as_const(m_columns))
        query.addBindValue(stored(textOf(values, column)));
    return exec(query);
}

std::optional<qint64> Store::insertItem(const Item &item)
{
    QSqlQuery &query = statement(QStringLiteral("INSERT INTO SyncItems (book, href, uid, etag, localKey, dirty, kind, localValues, "
                                                "serverValues, object) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(m_book);
    query.addBindValue(item.href.isEmpty() ? QVariant() : item.href);
    query.addBindValue(item.uid);
    query.addBindValue(nullable(item.etag));
    query.addBindValue(item.localKey ? QVariant(*item.localKey) : QVariant());
    query.addBindValue(item.dirty ? 1 : 0);
    query.addBindValue(int(item.kind));
    query.addBindValue(item.localValues ? QVariant(valuesText(*item.localValues, m_columns)) : QVariant());
    query.addBindValue(item.serverValues ? QVariant(valuesText(*item.serverValues, m_columns)) : QVariant());
    query.addBindValue(nullable(item.object));
    if (!exec(query))
        return std::nullopt;
    return query.lastInsertId().toLongLong();
}

bool Store::updateItem(const Item &item)
{
    QSqlQuery &query = statement(QStringLiteral("UPDATE SyncItems SET href = ?, uid = ?, etag = ?, localKey = ?, dirty = ?, kind = ?, "
                                                "localValues = ?, serverValues = ?, object = ? WHERE id = ?"));
    query.addBindValue(item.href.isEmpty() ? QVariant() : item.href);
    query.addBindValue(item.uid);
    query.addBindValue(nullable(item.etag));
    query.addBindValue(item.localKey ? QVariant(*item.localKey) : QVariant());
    query.addBindValue(item.dirty ? 1 : 0);
    query.addBindValue(int(item.kind));
    query.addBindValue(item.localValues ? QVariant(valuesText(*item.localValues, m_columns)) : QVariant());
    query.addBindValue(item.serverValues ? QVariant(valuesText(*item.serverValues, m_columns)) : QVariant());
    query.addBindValue(nullable(item.object));
    query.addBindValue(item.id);
    return exec(query);
}

bool Store::removeItem(qint64 id)
{
    QSqlQuery occurrences(m_db);
    occurrences.prepare(QStringLiteral("DELETE FROM SyncOccurrences WHERE item = ?"));
    occurrences.addBindValue(id);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM SyncItems WHERE id = ?"));
    query.addBindValue(id);
    return exec(occurrences) && exec(query);
}

QHash<QString, qint64> Store::occurrences(qint64 item)
{
    QHash<QString, qint64> found;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT startsAt, localKey FROM SyncOccurrences WHERE item = ?"));
    query.addBindValue(item);
    if (exec(query)) {
        while (query.next())
            found.insert(query.value(0).toString(), query.value(1).toLongLong());
    }
    return found;
}

bool Store::addOccurrence(qint64 item, qint64 key, const QString &startsAt)
{
    QSqlQuery &query = statement(QStringLiteral("INSERT OR REPLACE INTO SyncOccurrences (localKey, item, startsAt) VALUES (?, ?, ?)"));
    query.addBindValue(key);
    query.addBindValue(item);
    query.addBindValue(startsAt);
    return exec(query);
}

bool Store::isOccurrence(qint64 key)
{
    QSqlQuery &query = statement(QStringLiteral("SELECT 1 FROM SyncOccurrences WHERE localKey = ?"));
    query.addBindValue(key);
    const bool found = exec(query) && query.next();
    query.finish();
    return found;
}

} // namespace dalil::Sync
