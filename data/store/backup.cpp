#include "backup.h"

#include "beside.h"
#include "options.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <sqlite3.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dalil::Backup {

namespace {

constexpr int pagesAStep = 2048; // 8 MB of 4 KB pages between two words to the progress window

const QString partMark = QStringLiteral(".نسخة-غير-مكتملة");

// A connection of the engine's own, closed with the scope.
class Connection
{
public:
    Connection(const QString &path, int flags) : m_path(path)
    {
        if (const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags, nullptr);
            opened != SQLITE_OK) {
            m_problem = QString::fromUtf8(sqlite3_errmsg(m_handle));
            m_code = opened;
            sqlite3_close(m_handle);
            m_handle = nullptr;
            return;
        }
        sqlite3_busy_timeout(m_handle, Database::lockWaitMilliseconds);
    }
    ~Connection() { sqlite3_close(m_handle); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *handle() const { return m_handle; }
    QString problem() const { return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : m_problem; }
    // Why the file could not be opened or used.
    DataError error() const
    {
        const int code = m_handle ? sqlite3_errcode(m_handle) : m_code;
        if ((code & 0xff) == SQLITE_CANTOPEN) {
            // Not there and not to be made (the folder cannot be written), or not to be written.
            const QFileInfo file(m_path);
            const QString blocking = file.exists() ? blockingFile(m_path) : file.absolutePath();
            const bool blocked = !QFileInfo(blocking).isWritable();
            return {blocked ? DataError::Kind::ReadOnly : DataError::Kind::Missing, blocked ? blocking : m_path, {},
                    problem()};
        }
        return DataError::fromEngine(code, problem(), m_path);
    }

    // The first column of the first row, as text; nullopt when the statement fails.
    std::optional<QString> text(const char *sql) const
    {
        sqlite3_stmt *statement = nullptr;
        std::optional<QString> value;
        if (sqlite3_prepare_v2(m_handle, sql, -1, &statement, nullptr) == SQLITE_OK) {
            const int step = sqlite3_step(statement);
            if (step == SQLITE_ROW)
                value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
            else if (step == SQLITE_DONE)
                value = QString();
        }
        sqlite3_finalize(statement);
        return value;
    }

private:
    sqlite3 *m_handle = nullptr;
    QString m_path;
    QString m_problem;
    int m_code = SQLITE_OK;
};

// Copies every page of from into to, a step at a time, in one transaction on to. A failure is
// told of the file it happened on.
Outcome copy(const Connection &from, const Connection &to, const Progress &progress, DataError *error)
{
    sqlite3_backup *backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup) {
        *error = to.error();
        return Outcome::Failed;
    }
    int step = SQLITE_OK;
    while (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED) {
        step = sqlite3_backup_step(backup, pagesAStep);
        const qint64 total = sqlite3_backup_pagecount(backup);
        if (progress && !progress(total - sqlite3_backup_remaining(backup), total)) {
            // Finished before the end: the pages written so far are rolled back.
            sqlite3_backup_finish(backup);
            return Outcome::Stopped;
        }
        if (step == SQLITE_BUSY || step == SQLITE_LOCKED)
            sqlite3_sleep(50);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE || finished != SQLITE_OK) {
        const int code = step != SQLITE_DONE ? step : finished;
        // A read that failed is the source's; a full disk or a write that failed, the copy's.
        const bool source = (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB
                            || (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
        *error = (source ? from : to).error();
        error->detail = QString::fromUtf8(sqlite3_errstr(code));
        const DataError named = DataError::fromEngine(code, error->detail, error->path);
        if (named.kind != DataError::Kind::Other)
            error->kind = named.kind;
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Result failure(const DataError &error)
{
    Result result;
    result.error = error;
    return result;
}

// What a system call's failure on path means to the user.
DataError systemError(int code, const QString &path)
{
    const QString words = QString::fromLocal8Bit(std::strerror(code));
    if (code == ENOSPC || code == EDQUOT)
        return {DataError::Kind::DiskFull, path, {}, words};
    if (code == EACCES || code == EPERM || code == EROFS)
        return {DataError::Kind::ReadOnly, QFileInfo(path).absolutePath(), {}, words};
    return {DataError::Kind::Other, path, {}, words};
}

// Copies that an earlier backup into the folder left when it was stopped halfway (the system
// killed, the machine off). One another program is still writing holds the engine's lock on
// it, and stays.
void dropStaleParts(const QString &folder)
{
    const QStringList parts = QDir(folder).entryList({QStringLiteral("*") + partMark}, QDir::Files | QDir::Hidden);
    for (const QString &name : parts) {
        const QString path = QDir(folder).filePath(name);
        bool free = false;
        {
            Connection part(path, SQLITE_OPEN_READWRITE);
            if (part.handle()) {
                sqlite3_busy_timeout(part.handle(), 0);
                free = (sqlite3_exec(part.handle(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) & 0xff) != SQLITE_BUSY;
            }
        }
        // Its WAL and shared memory go with it (a copy killed while it was checked leaves
        // them): kept, they would be read into the next copy made under the same name.
        if (free) {
            for (const char *suffix : {"-wal", "-shm", "-journal"})
                QFile::remove(path + QLatin1String(suffix));
            QFile::remove(path);
        }
    }
}

} // namespace

Census census(const QString &path, Check check)
{
    Census c;
    if (!QFileInfo(path).isFile())
        return c;
    Connection db(path, SQLITE_OPEN_READONLY);
    if (!db.handle())
        return c;
    // A whole picture of one moment: the counts and sums in one read.
    if (!db.text("BEGIN") || !db.text("SELECT count(*) FROM sqlite_master")) {
        c.problem = db.problem();
        // A database whose first pages are damaged (cut short, overwritten) is one, unsound.
        c.opened = (sqlite3_errcode(db.handle()) & 0xff) == SQLITE_CORRUPT;
        return c;
    }
    c.opened = true;
    if (check == Check::None) {
        c.sound = true;
    } else {
        const auto said = db.text(check == Check::Full ? "PRAGMA integrity_check" : "PRAGMA quick_check");
        c.sound = said && *said == u"ok";
        if (!c.sound)
            c.problem = said ? *said : db.problem();
    }
    const auto phones = db.text("SELECT count(*) FROM Phone");
    const auto notes = db.text("SELECT count(*) FROM Note");
    const auto cheques = db.text("SELECT count(*) FROM Cheque");
    const auto dinars = db.text(R"(SELECT ifnull(sum("دينار"), 0) FROM Cheque)");
    const auto fils = db.text(R"(SELECT ifnull(sum("فلس"), 0) FROM Cheque)");
    c.isBook = phones && notes && cheques && dinars && fils;
    if (c.isBook) {
        c.phones = phones->toLongLong();
        c.notes = notes->toLongLong();
        c.cheques = cheques->toLongLong();
        c.dinars = dinars->toLongLong();
        c.fils = fils->toLongLong();
    }
    db.text("COMMIT");
    return c;
}

Result write(const QString &databasePath, const QString &target, const Progress &progress)
{
    const QString part = partName(target);
    dropStaleParts(QFileInfo(target).absolutePath());
    QFile::remove(part);
    Result result;
    {
        Connection from(databasePath, SQLITE_OPEN_READONLY);
        if (!from.handle())
            return failure(from.error());
        Connection to(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!to.handle()) {
            DataError error = to.error();
            if (error.path == part)
                error.path = target;
            return failure(error);
        }
        // A file of its own until it is checked and renamed: no journal, one sync at the end.
        to.text("PRAGMA journal_mode = OFF");
        to.text("PRAGMA synchronous = OFF");
        result.outcome = copy(from, to, progress, &result.error);
        if (result.error.path == part)
            result.error.path = target;
        if (result.outcome == Outcome::Done) {
            // The copy stands alone, with nothing beside it, and is on the disk before it is renamed.
            to.text("PRAGMA journal_mode = DELETE");
            to.text("PRAGMA synchronous = FULL");
        }
    }
    if (result.outcome != Outcome::Done) {
        QFile::remove(part);
        return result;
    }
    // The copy must hold what the file holds; another program may write meanwhile, so the
    // file is counted after the copy, and a copy overtaken by a write is made again.
    int syncError = 0;
    Census original;
    runBeside([&] {
        QFile written(part);
        if (!written.open(QIODevice::ReadWrite) || ::fsync(written.handle()) != 0) {
            syncError = errno ? errno : EIO;
            return;
        }
        written.close();
        result.census = census(part, Check::Quick);
        original = census(databasePath, Check::None);
    }, progress ? std::function<void()>([&] { progress(1, 1); }) : std::function<void()>());
    if (syncError != 0) {
        QFile::remove(part);
        return failure(systemError(syncError, target));
    }
    if (!result.census.sound || !result.census.isBook || !result.census.sameBooks(original)) {
        QFile::remove(part);
        result.outcome = Outcome::Failed;
        // Unsound: written wrong on the disk; whole but different: another program wrote meanwhile.
        result.error = result.census.sound
                           ? DataError{DataError::Kind::Locked, databasePath, {}, QStringLiteral("the copy does not hold what the file holds")}
                           : DataError{DataError::Kind::Other, target, {}, result.census.problem};
        return result;
    }
    // In place in one step: a file of that name is replaced only now, by a sound copy.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        QFile::remove(part);
        return failure(systemError(code, target));
    }
    return result;
}

Result restore(const QString &databasePath, const QString &backupPath, const QString &keepAs, const Progress &progress)
{
    Result result;
    const Census backup = census(backupPath, Check::Quick);
    if (!backup.opened || !backup.sound || !backup.isBook) {
        result.error = {DataError::Kind::NotADatabase, backupPath, {},
                        backup.opened && !backup.sound ? backup.problem : QStringLiteral("not a book")};
        return result;
    }
    // The file as it is now stays beside it.
    const Result kept = write(databasePath, keepAs, progress);
    if (kept.outcome != Outcome::Done)
        return kept;
    Database::closeAll();
    {
        Connection from(backupPath, SQLITE_OPEN_READONLY);
        if (!from.handle())
            return failure(from.error());
        Connection to(databasePath, SQLITE_OPEN_READWRITE);
        if (!to.handle())
            return failure(to.error());
        result.outcome = copy(from, to, progress, &result.error);
    }
    if (result.outcome == Outcome::Done)
        result.census = census(databasePath, Check::Quick);
    return result;
}

QString partName(const QString &target)
{
    return target + partMark;
}

QString proposedName(QDate date)
{
    return QStringLiteral("DB1-%1.mdb").arg(date.toString(Qt::ISODate));
}

QString keepName(const QString &databasePath, QDate date)
{
    const QString base = databasePath + QStringLiteral(".before-restore-") + date.toString(Qt::ISODate);
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

namespace {

const QString folderOption = QStringLiteral("backups.folder");

// The folder of this run, for a file that cannot keep it.
QString &folderThisRun()
{
    static QString folder;
    return folder;
}

} // namespace

QString lastFolder(const QString &databasePath)
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (db.isValid()) {
        if (const QString folder = Options::value(db, folderOption).value_or(QVariant()).toString(); !folder.isEmpty())
            return folder;
    }
    return folderThisRun();
}

void keepFolder(const QString &databasePath, const QString &folder)
{
    folderThisRun() = folder;
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath, &error);
    if (!db.isValid())
        return;
    Options::set(db, {{folderOption, folder}}); // a file that cannot be written keeps it for the run
}

} // namespace dalil::Backup
