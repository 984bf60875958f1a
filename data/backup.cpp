#include "backup.h"

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

// A connection of the engine's own, closed with the scope.
class Connection
{
public:
    Connection(const QString &path, int flags)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags, nullptr) != SQLITE_OK) {
            m_problem = QString::fromUtf8(sqlite3_errmsg(m_handle));
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
    QString m_problem;
};

// Copies every page of from into to, a step at a time, in one transaction on to.
Outcome copy(sqlite3 *from, sqlite3 *to, const Progress &progress, QString *problem)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *problem = QString::fromUtf8(sqlite3_errmsg(to));
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
        *problem = QString::fromUtf8(sqlite3_errstr(step != SQLITE_DONE ? step : finished));
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Result failure(const QString &problem)
{
    Result result;
    result.problem = problem;
    return result;
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
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    Result result;
    {
        Connection from(databasePath, SQLITE_OPEN_READONLY);
        if (!from.handle())
            return failure(from.problem());
        Connection to(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!to.handle())
            return failure(to.problem());
        // A file of its own until it is checked and renamed: no journal, one sync at the end.
        to.text("PRAGMA journal_mode = OFF");
        to.text("PRAGMA synchronous = OFF");
        result.outcome = copy(from.handle(), to.handle(), progress, &result.problem);
        if (result.outcome == Outcome::Done) {
            // The copy stands alone, with nothing beside it, and is on the disk before it is renamed.
            to.text("PRAGMA journal_mode = DELETE");
            to.text("PRAGMA synchronous = FULL");
        }
    }
    if (result.outcome == Outcome::Done) {
        QFile written(part);
        if (!written.open(QIODevice::ReadWrite) || ::fsync(written.handle()) != 0) {
            QFile::remove(part);
            return failure(QStringLiteral("the copy could not be written to the disk"));
        }
    }
    if (result.outcome != Outcome::Done) {
        QFile::remove(part);
        return result;
    }
    // The copy must hold what the file holds; another program may write meanwhile, so the
    // file is counted after the copy, and a copy overtaken by a write is made again.
    result.census = census(part, Check::Quick);
    const Census original = census(databasePath, Check::None);
    if (!result.census.sound || !result.census.isBook || !result.census.sameBooks(original)) {
        QFile::remove(part);
        result.outcome = Outcome::Failed;
        result.problem = result.census.sound ? QStringLiteral("the copy does not hold what the file holds")
                                             : result.census.problem;
        return result;
    }
    // In place in one step: a file of that name is replaced only now, by a sound copy.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(part);
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    }
    return result;
}

Result restore(const QString &databasePath, const QString &backupPath, const QString &keepAs, const Progress &progress)
{
    Result result;
    const Census backup = census(backupPath, Check::Quick);
    if (!backup.opened || !backup.sound || !backup.isBook) {
        result.problem = backup.opened && !backup.sound ? backup.problem : QStringLiteral("not a book");
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
            return failure(from.problem());
        Connection to(databasePath, SQLITE_OPEN_READWRITE);
        if (!to.handle())
            return failure(to.problem());
        result.outcome = copy(from.handle(), to.handle(), progress, &result.problem);
    }
    if (result.outcome == Outcome::Done)
        result.census = census(databasePath, Check::Quick);
    return result;
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
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT value FROM DalilOptions WHERE name = ?"));
        query.addBindValue(folderOption);
        if (query.exec() && query.next() && !query.value(0).toString().isEmpty())
            return query.value(0).toString();
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
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES (?, ?)"));
    query.addBindValue(folderOption);
    query.addBindValue(folder);
    query.exec(); // a file that cannot be written keeps it for the run
}

} // namespace dalil::Backup
