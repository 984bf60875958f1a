#include "deletedtables.h"

#include <QSqlQuery>

#include <sqlite3.h>

namespace dalil::DeletedRecords {

namespace {

const char *timeFormat = "%Y-%m-%d %H:%M:%f";

QStringList columnsOf(sqlite3 *handle, const QString &table)
{
    QStringList columns;
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = "PRAGMA table_info(" + quoteIdentifier(table).toUtf8() + ")";
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            columns << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
    }
    sqlite3_finalize(statement);
    return columns;
}

} // namespace

const QStringList &books()
{
    static const QStringList names{QStringLiteral("Phone"), QStringLiteral("Note"), QStringLiteral("Cheque")};
    return names;
}

QString tableFor(const QString &book)
{
    return QStringLiteral("Deleted") + book;
}

bool create(sqlite3 *handle)
{
    for (const QString &book : books()) {
        const QStringList columns = columnsOf(handle, book);
        if (columns.isEmpty())
            continue; // a file without this book keeps nothing of it
        // The book's columns without a type: every value is kept exactly as it was stored.
        QStringList declared{QStringLiteral("deletedId INTEGER PRIMARY KEY"), QStringLiteral("deletedAt TEXT NOT NULL"),
                             QStringLiteral("formerKey INTEGER")};
        QStringList names{QStringLiteral("deletedAt"), QStringLiteral("formerKey")};
        QStringList old{QStringLiteral("strftime('%1', 'now')").arg(QLatin1String(timeFormat)), QStringLiteral("OLD.rowid")};
        for (const QString &column : columns) {
            declared << quoteIdentifier(column);
            names << quoteIdentifier(column);
            old << QStringLiteral("OLD.") + quoteIdentifier(column);
        }
        const QString table = quoteIdentifier(tableFor(book));
        const QString sql =
            QStringLiteral("CREATE TABLE %1 (%2);\n"
                           "CREATE INDEX %3 ON %1 (deletedAt);\n"
                           "CREATE TRIGGER %4 AFTER DELETE ON %5 BEGIN\n"
                           "    INSERT INTO %1 (%6) VALUES (%7);\n"
                           "END;\n")
                .arg(table, declared.join(QStringLiteral(", ")), quoteIdentifier(tableFor(book) + QStringLiteral("_time")),
                     quoteIdentifier(book + QStringLiteral("_keep_deleted")), quoteIdentifier(book),
                     names.join(QStringLiteral(", ")), old.join(QStringLiteral(", ")));
        if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

bool keeps(const QSqlDatabase &db, const QString &book)
{
    bool isTable = false;
    return Database::hasObject(db, tableFor(book), &isTable) && isTable;
}


DataError dropDeletedBefore(const QSqlDatabase &db, const QDateTime &when)
{
    const QString limit = when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    for (const QString &book : books()) {
        if (!keeps(db, book))
            continue;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM %1 WHERE deletedAt < ?").arg(quoteIdentifier(tableFor(book))));
        query.addBindValue(limit);
        if (!query.exec())
            return DataError::fromSql(query.lastError(), db.databaseName());
    }
    return {};
}

} // namespace dalil::DeletedRecords
