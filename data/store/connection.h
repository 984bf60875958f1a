// The bare connection to the database file, and what went wrong when it fails. Opening a book
// for use (bringing it up to date first) is database.h's, above this.
#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <functional>

struct sqlite3;

namespace dalil {

// Why a data operation failed, in terms a window can tell the user.
struct DataError
{
    enum class Kind {
        None,
        Missing,        // no file at the path, or not a regular file
        NotADatabase,   // the file is not a database or is damaged
        MissingObject,  // a table or stored query the window needs is not there
        Locked,         // another program holds the file longer than we wait
        ReadOnly,       // the file or its folder cannot be written
        DiskFull,       // the disk that holds the file is full
        Refused,        // the database refused the values (a constraint)
        NoCurrentRecord,
        RecordGone,     // the record was deleted elsewhere since it was read
        Conflict,       // the record was changed elsewhere since it was read
        Replaced,       // another program put another file in the book's place, or took it away
        Other
    };
    Kind kind = Kind::None;
    QString path;    // the database file
    QString object;  // the table or query concerned, where there is one
    QString detail;  // the engine's own words, for the curious

    bool isError() const { return kind != Kind::None; }
    // path is the database file; a write refused as read-only names the file that blocks it.
    static DataError fromSql(const QSqlError &error, const QString &path);
    // The same from the engine's own result code and words.
    static DataError fromEngine(int code, const QString &words, const QString &path);
};

// The file that keeps a write from the database at path: the file itself, its -wal or -shm
// file, or their folder.
QString blockingFile(const QString &path);

namespace Database {

// How long a write waits for another program's lock before it is reported.
constexpr int lockWaitMilliseconds = 2000;

// The shared connection to the file at path, opened on first use. Never creates the file.
// Returns an invalid database and sets *error when the file cannot be used. `opened` runs on
// a connection just opened, before anything else uses it (writable: whether it was opened
// for writing); Database::connection() passes what a book needs before use.
// When another program has put another file under the name since the connection opened
// (renamed or copied one over it) or taken it away, the connection lets go of the file it
// had, writing nothing, and this call fails with Replaced; the next one opens what the name
// holds now.
QSqlDatabase open(const QString &path, DataError *error,
                  const std::function<void(const QSqlDatabase &db, bool writable)> &opened);

// Whether the connection's file is no longer the one under its name (another program put
// another file in its place, or took it away). A write checks it before it commits.
bool isReplaced(const QSqlDatabase &db);
// The error a write reports when it found its file replaced before it committed.
QSqlError replacedError();

// Closes the connection now when its file was found replaced, so that the next use opens
// what the name holds.
void letGoIfReplaced(const QString &path);

// How many times the file at path was found replaced while this program ran.
int replacements(const QString &path);

// Told, from the event loop, each time the file at path is found replaced.
class Notices : public QObject
{
    Q_OBJECT
public:
    static Notices *instance();
signals:
    void replaced(const QString &path);
};

// The engine's own handle of a connection, for what Qt's driver does not offer (functions,
// several statements in one step); null for a connection of another driver.
sqlite3 *handle(const QSqlDatabase &db);

// Whether the database holds a table or view of that name.
bool hasObject(const QSqlDatabase &db, const QString &name, bool *isTable);

// Whether path is the database file itself or one the engine keeps beside it (-wal, -shm,
// -journal), under any spelling or link: only the engine may open those, for any descriptor of
// them closed elsewhere in the process drops the engine's locks.
bool isOwnFile(const QString &databasePath, const QString &path);

// Closes every connection (for tests that replace the file under a running program).
void closeAll();

} // namespace Database

// Quotes an identifier for SQLite.
QString quoteIdentifier(const QString &name);

} // namespace dalil
