#include "connection.h"

#include "data/text/clock.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace dalil {

namespace {

// The engine reads the time itself for 'now' in SQL (the deleted records' triggers stamp
// with it): it is given the program's clock, so that what it stamps and what the program
// compares it with are read from one clock. The system's own file methods do the rest.
sqlite3_vfs programClockFiles;

int currentTimeInt64(sqlite3_vfs *, sqlite3_int64 *now)
{
    constexpr sqlite3_int64 unixEpochJulianMs = 210866760000000; // 1970-01-01 as a Julian day, in ms
    *now = unixEpochJulianMs + Clock::nowUtc().toMSecsSinceEpoch();
    return SQLITE_OK;
}

int currentTime(sqlite3_vfs *vfs, double *now)
{
    sqlite3_int64 ms = 0;
    currentTimeInt64(vfs, &ms);
    *now = double(ms) / 86400000.0;
    return SQLITE_OK;
}

// Once, before the first file is opened: connections opened later use it by default.
void followProgramClock()
{
    static const bool installed = [] {
        const sqlite3_vfs *system = sqlite3_vfs_find(nullptr);
        if (!system || system->iVersion < 2)
            return false;
        programClockFiles = *system;
        programClockFiles.zName = "dalil-clock";
        programClockFiles.xCurrentTime = &currentTime;
        programClockFiles.xCurrentTimeInt64 = &currentTimeInt64;
        return sqlite3_vfs_register(&programClockFiles, 1) == SQLITE_OK;
    }();
    Q_UNUSED(installed);
}

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

struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &) const = default;
};

std::optional<FileId> fileId(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileId{status.st_dev, status.st_ino};
}

// The files an open connection reads: the database, and the log and shared memory the engine
// keeps beside it, as they were when it opened.
struct Opened
{
    QString path;
    std::optional<FileId> file;
    std::optional<FileId> log;
    std::optional<FileId> shared;
    bool replaced = false;
};

QHash<QString, Opened> &openedFiles()
{
    static QHash<QString, Opened> files;
    return files;
}

QHash<QString, int> &replacementCounts()
{
    static QHash<QString, int> counts;
    return counts;
}

const QString replacedCode = QStringLiteral("dalil-replaced");

// Whether the connection's file is no longer the one under its name; told once a replacement.
bool noticeReplaced(const QString &name)
{
    const auto found = openedFiles().find(name);
    if (found == openedFiles().end() || !found->file)
        return false;
    if (found->replaced)
        return true;
    if (fileId(found->path) == found->file)
        return false;
    found->replaced = true;
    const QString path = found->path;
    ++replacementCounts()[path];
    QMetaObject::invokeMethod(
        Database::Notices::instance(), [path] { emit Database::Notices::instance()->replaced(path); },
        Qt::QueuedConnection);
    return true;
}

// Closes a connection whose file was replaced. The engine sees that its file has moved and
// closes without a checkpoint and without removing its log and shared memory by name; those
// two, still under the names beside the new file, would be taken for the new file's own and
// their pages written into it, so they go. A log or shared memory the new file brought stays.
void letGo(QSqlDatabase &db, const QString &name)
{
    const Opened was = openedFiles().take(name);
    db.close();
    const auto drop = [](const QString &companion, const std::optional<FileId> &ours) {
        if (ours && fileId(companion) == ours)
            ::unlink(QFile::encodeName(companion).constData());
    };
    drop(was.path + QStringLiteral("-wal"), was.log);
    drop(was.path + QStringLiteral("-shm"), was.shared);
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
    if (error.nativeErrorCode() == replacedCode)
        return {Kind::Replaced, path, {}, error.text()};
    return fromEngine(primaryCode(error), error.text(), path);
}

DataError DataError::fromEngine(int code, const QString &words, const QString &path)
{
    DataError result;
    result.path = path;
    result.detail = words;
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        result.kind = Kind::Locked;
        break;
    case 8:  // SQLITE_READONLY
        result.kind = Kind::ReadOnly;
        result.path = blockingFile(path);
        break;
    case 13: // SQLITE_FULL
        result.kind = Kind::DiskFull;
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

QSqlDatabase open(const QString &path, DataError *error,
                  const std::function<void(const QSqlDatabase &db, bool writable)> &opened)
{
    followProgramClock();
    const QString name = connectionName(path);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() && noticeReplaced(name)) {
            letGo(db, name);
            *error = {DataError::Kind::Replaced, path, {}, {}};
            return {};
        }
        // A file opened read-only that has since been made writable is opened again for writing.
        const bool reopen = readOnlyConnections().contains(name) && writable(path);
        if (db.isOpen() && QFileInfo(path).isFile() && !reopen)
            return db;
        db.close();
        openedFiles().remove(name);
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
    if (opened)
        opened(db, !readOnly);
    openedFiles().insert(name, {path, fileId(path), fileId(path + QStringLiteral("-wal")),
                                fileId(path + QStringLiteral("-shm")), false});
    return db;
}

bool isReplaced(const QSqlDatabase &db)
{
    return noticeReplaced(db.connectionName());
}

void letGoIfReplaced(const QString &path)
{
    const QString name = connectionName(path);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() && noticeReplaced(name))
            letGo(db, name);
    }
}

QSqlError replacedError()
{
    return QSqlError(QStringLiteral("the file was replaced by another"), {}, QSqlError::TransactionError, replacedCode);
}

int replacements(const QString &path)
{
    return replacementCounts().value(path);
}

Notices *Notices::instance()
{
    static Notices notices;
    return &notices;
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

bool isOwnFile(const QString &databasePath, const QString &path)
{
    const QString chosen = QFileInfo(path).absoluteFilePath();
    struct stat chosenId = {};
    const bool chosenExists = ::stat(QFile::encodeName(chosen).constData(), &chosenId) == 0;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        const QString own = QFileInfo(databasePath + QLatin1String(suffix)).absoluteFilePath();
        if (own == chosen)
            return true;
        struct stat ownId = {};
        if (chosenExists && ::stat(QFile::encodeName(own).constData(), &ownId) == 0 && ownId.st_dev == chosenId.st_dev
            && ownId.st_ino == chosenId.st_ino)
            return true;
    }
    return false;
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
        openedFiles().remove(name);
    }
}

} // namespace Database

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace dalil
