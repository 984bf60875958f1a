#include "database.h"

#include "deletedrecords.h"
#include "searchkeys.h"
#include "upgrade.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUrl>

#include <unistd.h>

namespace dalil {

namespace {

QString connectionName(const QString &path)
{
    return QStringLiteral("dalil:") + path;
}

// The engine's extended codes are the last words of nativeErrorCode(); the primary code is
// the low byte.
int primaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// The connections opened read-only because the file could not be written then.
QSet<QString> &readOnlyConnections()
{
    static QSet<QString> names;
    return names;
}

} // namespace

QString blockingFile(const QString &path)
{
    // The file itself, then the two files the engine keeps beside it, then their folder.
    if (!writable(path))
        return path;
    for (const QString &companion : {path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
        if (QFileInfo::exists(companion) && !writable(companion))
            return companion;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!writable(folder))
        return folder;
    return path;
}

DataError DataError::fromSql(const QSqlError &error, const QString &path)
{
    DataError result;
    result.path = path;
    result.detail = error.text();
    switch (primaryCode(error)) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        result.kind = Kind::Locked;
        break;
    case 8:  // SQLITE_READONLY
        result.kind = Kind::ReadOnly;
        result.path = blockingFile(path);
        break;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        result.kind = Kind::NotADatabase;
        break;
    case 14: // SQLITE_CANTOPEN
        result.kind = QFileInfo(path).isFile() ? Kind::ReadOnly : Kind::Missing;
        if (result.kind == Kind::ReadOnly)
            result.path = blockingFile(path);
        break;
    case 19: // SQLITE_CONSTRAINT
    case 20: // SQLITE_MISMATCH
    case 18: // SQLITE_TOOBIG
        result.kind = Kind::Refused;
        break;
    default:
        result.kind = Kind::Other;
        break;
    }
    return result;
}

namespace Database {

QSqlDatabase connection(const QString &path, DataError *error)
{
    const QString name = connectionName(path);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        // A file opened read-only that has since been made writable is opened again for writing.
        const bool reopen = readOnlyConnections().contains(name) && writable(path);
        if (db.isOpen() && QFileInfo(path).isFile() && !reopen)
            return db;
        db.close();
    }

    const QFileInfo file(path);
    if (!file.exists() || !file.isFile()) {
        *error = {DataError::Kind::Missing, path, {}, {}};
        return {};
    }

    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    // mode=rw: the engine must never create the file behind the user's back. A file that
    // cannot be written is read as it stands, immutable, so that nothing is created beside
    // it: the engine would otherwise leave its -shm and -wal files there, read-only as the
    // file is, and they would block every write after the user made the file writable again.
    // Only a write-ahead log left with data in it must still be read through the engine.
    QUrl url = QUrl::fromLocalFile(path);
    const QFileInfo log(path + QStringLiteral("-wal"));
    const bool readOnly = !writable(path);
    if (readOnly && !(log.exists() && log.size() > 0))
        url.setQuery(QStringLiteral("mode=ro&immutable=1"));
    else
        url.setQuery(readOnly ? QStringLiteral("mode=ro") : QStringLiteral("mode=rw"));
    if (readOnly)
        readOnlyConnections().insert(name);
    else
        readOnlyConnections().remove(name);
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitMilliseconds));
    if (!db.open()) {
        *error = DataError::fromSql(db.lastError(), path);
        return {};
    }

    // The first read tells whether this is a database at all.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        *error = DataError::fromSql(probe.lastError(), path);
        if (error->kind == DataError::Kind::Other)
            error->kind = DataError::Kind::NotADatabase;
        probe.finish();
        db.close();
        return {};
    }
    probe.finish();
    // A saved record must survive a crash or a power cut.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = FULL"));
    SearchKeys::registerFunctions(db);
    if (!readOnly) {
        Upgrade::bringUpToDate(db);
        SearchKeys::fillMissing(db);
        // Deleted records are kept for a while, not for ever.
        DeletedRecords::dropDeletedBefore(db, QDateTime::currentDateTimeUtc().addDays(-DeletedRecords::keptDays));
    }
    return db;
}

sqlite3 *handle(const QSqlDatabase &db)
{
    const QVariant native = db.driver() ? db.driver()->handle() : QVariant();
    if (qstrcmp(native.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(native.data());
}

bool hasObject(const QSqlDatabase &db, const QString &name, bool *isTable)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? COLLATE NOCASE"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return false;
    if (isTable)
        *isTable = query.value(0).toString() == u"table";
    return true;
}

bool hasSearchKeys(const QString &path)
{
    DataError error;
    const QSqlDatabase db = connection(path, &error);
    return db.isValid() && SearchKeys::present(db);
}

void closeAll()
{
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &name : names) {
        if (!name.startsWith(u"dalil:"))
            continue;
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
        readOnlyConnections().remove(name);
    }
}

} // namespace Database

} // namespace dalil
