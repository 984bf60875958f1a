#include "recorduids.h"

#include "connection.h"
#include "deletedtables.h"
#include "statement.h"

#include <QVariant>

#include <sqlite3.h>

namespace dalil::RecordUids {

namespace {

// A new UID: "urn:uuid:" and a version 4 UUID of SQLite's own random bytes. (random() & 3)
// rather than abs(random()) % 4, which fails on the smallest whole number.
const char *const newUid =
    "'urn:uuid:' || lower(hex(randomblob(4))) || '-' || lower(hex(randomblob(2))) || '-4'"
    " || substr(lower(hex(randomblob(2))), 2) || '-' || substr('89ab', 1 + (random() & 3), 1)"
    " || substr(lower(hex(randomblob(2))), 2) || '-' || lower(hex(randomblob(6)))";

bool hasTable(sqlite3 *handle, const QString &table)
{
    sqlite3_stmt *statement = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(handle, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1, &statement,
                           nullptr)
        == SQLITE_OK) {
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(statement, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        found = sqlite3_step(statement) == SQLITE_ROW;
    }
    sqlite3_finalize(statement);
    return found;
}

// The record is in its book: a UID left behind by a record gone some other way is no one's.
QString inBook(const QString &book)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE rowid = recordKey)").arg(quoteIdentifier(book));
}

} // namespace

const QStringList &books()
{
    static const QStringList names{QStringLiteral("Phone"), QStringLiteral("Note")};
    return names;
}

bool create(sqlite3 *handle)
{
    // No IF NOT EXISTS: a table of the user's of that name leaves the file as it was.
    QString sql = QStringLiteral(R"sql(
CREATE TABLE RecordUids (
    book      TEXT NOT NULL,     -- Phone or Note, or DeletedPhone or DeletedNote while deleted
    recordKey INTEGER NOT NULL,  -- the record's rowid, or its deletedId while deleted
    uid       TEXT NOT NULL UNIQUE,
    PRIMARY KEY (book, recordKey)
) WITHOUT ROWID;
)sql");
    for (const QString &book : books()) {
        if (!hasTable(handle, book))
            continue; // a file without this book keeps nothing of it
        const QString deleted = DeletedRecords::tableFor(book);
        // A new record takes the place of any UID left under its identity.
        sql += QStringLiteral("CREATE TRIGGER %1_uid_insert AFTER INSERT ON %1 BEGIN\n"
                              "    INSERT OR REPLACE INTO RecordUids (book, recordKey, uid)\n"
                              "    VALUES ('%1', NEW.rowid, %2);\n"
                              "END;\n"
                              "INSERT INTO RecordUids (book, recordKey, uid) SELECT '%1', rowid, %2 FROM %1;\n")
                   .arg(book, QLatin1String(newUid));
        if (!hasTable(handle, deleted))
            continue;
        // The deleted record is kept by a trigger of the book's delete; its UID follows it there.
        sql += QStringLiteral("CREATE TRIGGER %1_uid_keep AFTER INSERT ON %1 BEGIN\n"
                              "    UPDATE OR REPLACE RecordUids SET book = '%1', recordKey = NEW.deletedId\n"
                              "    WHERE book = '%2' AND recordKey = NEW.formerKey;\n"
                              "END;\n"
                              "CREATE TRIGGER %1_uid_forget AFTER DELETE ON %1 BEGIN\n"
                              "    DELETE FROM RecordUids WHERE book = '%1' AND recordKey = OLD.deletedId;\n"
                              "END;\n"
                              "INSERT INTO RecordUids (book, recordKey, uid) SELECT '%1', deletedId, %3 FROM %1;\n")
                   .arg(deleted, book, QLatin1String(newUid));
    }
    return sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool kept(const QSqlDatabase &db)
{
    bool isTable = false;
    return db.isValid() && Database::hasObject(db, QStringLiteral("RecordUids"), &isTable) && isTable;
}

Lookup::Lookup(const QSqlDatabase &db, const QString &book)
    : m_db(db), m_book(book), m_kept(books().contains(book) && kept(db)), m_byKey(db), m_byUid(db), m_adopt(db)
{
    if (!m_kept)
        return;
    m_byKey.setForwardOnly(true);
    m_byUid.setForwardOnly(true);
    m_kept = m_byKey.prepare(QStringLiteral("SELECT uid FROM RecordUids WHERE book = ? AND recordKey = ? AND %1")
                                 .arg(inBook(book)))
        && m_byUid.prepare(QStringLiteral("SELECT recordKey FROM RecordUids WHERE uid = ? AND book = ? AND %1")
                               .arg(inBook(book)));
}

std::optional<QString> Lookup::uidOf(qint64 key)
{
    if (!m_kept)
        return std::nullopt;
    m_byKey.bindValue(0, m_book);
    m_byKey.bindValue(1, key);
    std::optional<QString> uid;
    if (m_byKey.exec() && m_byKey.next())
        uid = m_byKey.value(0).toString();
    m_byKey.finish();
    return uid;
}

QHash<qint64, QString> Lookup::uidsOf(const QList<qint64> &keys)
{
    QHash<qint64, QString> found;
    if (!m_kept || keys.isEmpty())
        return found;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QStringList marks(keys.size(), QStringLiteral("?"));
    if (!query.prepare(QStringLiteral("SELECT recordKey, uid FROM RecordUids WHERE book = ? AND recordKey IN (%1) AND %2")
                           .arg(marks.join(u','), inBook(m_book))))
        return found;
    query.addBindValue(m_book);
    for (const qint64 key : keys)
        query.addBindValue(key);
    if (!query.exec())
        return found;
    while (query.next())
        found.insert(query.value(0).toLongLong(), query.value(1).toString());
    return found;
}

bool Lookup::adopt(qint64 key, const QString &uid)
{
    if (uid.isEmpty() || !m_kept)
        return false;
    if (m_adopt.lastQuery().isEmpty()
        && !m_adopt.prepare(QStringLiteral("UPDATE OR IGNORE RecordUids SET uid = ? WHERE book = ? AND recordKey = ?")))
        return false;
    m_adopt.bindValue(0, uid);
    m_adopt.bindValue(1, m_book);
    m_adopt.bindValue(2, key);
    return m_adopt.exec() && m_adopt.numRowsAffected() == 1;
}

std::optional<qint64> Lookup::keyOf(const QString &uid)
{
    if (!m_kept)
        return std::nullopt;
    m_byUid.bindValue(0, uid);
    m_byUid.bindValue(1, m_book);
    std::optional<qint64> key;
    if (m_byUid.exec() && m_byUid.next())
        key = m_byUid.value(0).toLongLong();
    m_byUid.finish();
    return key;
}

std::optional<QString> uidOf(const QSqlDatabase &db, const QString &book, qint64 key)
{
    return Lookup(db, book).uidOf(key);
}

std::optional<qint64> keyOf(const QSqlDatabase &db, const QString &book, const QString &uid)
{
    return Lookup(db, book).keyOf(uid);
}

bool adopt(const QSqlDatabase &db, const QString &book, qint64 key, const QString &uid)
{
    return !uid.isEmpty() && Lookup(db, book).adopt(key, uid);
}

bool restored(const QSqlDatabase &db, const QString &book, qint64 deletedId, qint64 key)
{
    if (!books().contains(book) || !kept(db))
        return true;
    QSqlQuery query(db);
    // In place of the UID the record was given as it went back in.
    query.prepare(QStringLiteral("UPDATE OR REPLACE RecordUids SET book = ?, recordKey = ? "
                                 "WHERE book = ? AND recordKey = ?"));
    query.addBindValue(book);
    query.addBindValue(key);
    query.addBindValue(DeletedRecords::tableFor(book));
    query.addBindValue(deletedId);
    return query.exec();
}

} // namespace dalil::RecordUids
