#include "upgrade.h"

#include "chequelayout.h"
#include "connection.h"
#include "deletedtables.h"
#include "options.h"
#include "recorduids.h"
#include "searchkeys.h"

#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

namespace dalil::Upgrade {

namespace {

// Step n brings a file of version n - 1 to version n. Objects of Dalil's own only.
const char *const steps[] = {
    nullptr,
    nullptr,
    // 2: amounts of at most 12 digits, and running sums that stay whole numbers (SQLite
    // turns an integer sum that overflows into an inexact real, wrong for good).
    R"sql(
CREATE TRIGGER IF NOT EXISTS Cheque_amount_insert BEFORE INSERT ON Cheque
WHEN abs(ifnull(NEW."دينار", 0)) > 999999999999 OR abs(ifnull(NEW."فلس", 0)) > 999999999999
  OR abs((SELECT dinars FROM ChequeGrandSums) + ifnull(NEW."دينار", 0)) > 9000000000000000000
  OR abs((SELECT fils FROM ChequeGrandSums) + ifnull(NEW."فلس", 0)) > 9000000000000000000
BEGIN
    SELECT RAISE(ABORT, 'amount out of range');
END;
CREATE TRIGGER IF NOT EXISTS Cheque_amount_update BEFORE UPDATE OF "دينار", "فلس" ON Cheque
WHEN abs(ifnull(NEW."دينار", 0)) > 999999999999 OR abs(ifnull(NEW."فلس", 0)) > 999999999999
  OR abs((SELECT dinars FROM ChequeGrandSums) - ifnull(OLD."دينار", 0) + ifnull(NEW."دينار", 0)) > 9000000000000000000
  OR abs((SELECT fils FROM ChequeGrandSums) - ifnull(OLD."فلس", 0) + ifnull(NEW."فلس", 0)) > 9000000000000000000
BEGIN
    SELECT RAISE(ABORT, 'amount out of range');
END;
)sql",
    // 3: change numbers of the books, so that kept counts know when they stop holding. No
    // IF NOT EXISTS: an object of the user's of the same name leaves the file as it was.
    R"sql(
-- Change numbers of the books, bumped by triggers in the same transaction as every change to
-- a book, whoever makes it (this program, another one, a trigger of the user's own), so that
-- a count the program keeps is known to hold exactly while the book's number stands.
CREATE TABLE BookChanges (
    book    TEXT COLLATE NOCASE PRIMARY KEY,
    changes INTEGER NOT NULL DEFAULT 0
) WITHOUT ROWID;
INSERT INTO BookChanges (book) VALUES ('Phone'), ('Note'), ('Cheque');
CREATE TRIGGER Phone_changes_insert AFTER INSERT ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Phone_changes_update AFTER UPDATE ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Phone_changes_delete AFTER DELETE ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Note_changes_insert AFTER INSERT ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Note_changes_update AFTER UPDATE ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Note_changes_delete AFTER DELETE ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Cheque_changes_insert AFTER INSERT ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;
CREATE TRIGGER Cheque_changes_update AFTER UPDATE ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;
CREATE TRIGGER Cheque_changes_delete AFTER DELETE ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;
)sql",
    // 4: Dalil's options (see Options::create), and the search keys, made by the program itself
    // (see SearchKeys::create), which record there the collation that ordered them.
    nullptr,
    // 5: the cheque layouts, with the shipped one (see ChequeLayouts::create).
    nullptr,
    // 6: deleted records kept, by triggers (see DeletedRecords::create).
    nullptr,
    // 7: the imports, each the range of identities it added to its book, so that it can be undone.
    R"sql(
CREATE TABLE IF NOT EXISTS ImportBatches (
    id         INTEGER PRIMARY KEY,
    book       TEXT NOT NULL,
    firstKey   INTEGER NOT NULL,
    lastKey    INTEGER NOT NULL,
    added      INTEGER NOT NULL,
    importedAt TEXT NOT NULL
);
)sql",
    // 8: what the user did with each reminder (see Reminders): one row an appointment's
    // occurrence, keyed by the appointment's identity and its due time as read then, so that an
    // appointment given another date or time is reminded of again. An appointment deleted takes
    // its rows along, in the same transaction, whoever deletes it: a later appointment given the
    // same identity starts afresh.
    R"sql(
CREATE TABLE ReminderStates (
    noteKey      INTEGER NOT NULL,
    dueAt        TEXT NOT NULL,
    state        TEXT NOT NULL CHECK (state IN ('dismissed', 'snoozed')),
    snoozedUntil TEXT,
    PRIMARY KEY (noteKey, dueAt)
) WITHOUT ROWID;
CREATE TRIGGER Note_forget_reminders AFTER DELETE ON Note BEGIN
    DELETE FROM ReminderStates WHERE noteKey = OLD.rowid;
END;
)sql",
    // 9: a lasting UID for every record of the phone book and the appointment book, the one
    // their cards and events carry (see RecordUids::create).
    nullptr,
    // 10: the phone and appointment books kept in step with a CardDAV/CalDAV server (see
    // data/sync). One row an item the server holds or will hold: its address there, its UID
    // and ETag, the record it is (none for a recurring series, for an item Dalil does not
    // show, or once the record was deleted here), what it is (0 a record, 1 a recurring series,
    // 2 a record kept here only, as no calendar can place it, 3 an item Dalil does not show),
    // whether the record changed since it was last in step, its columns as they were then and
    // what the server's version read as then, and the server's version itself, which a write
    // back changes only where Dalil owns it. Triggers mark every change and delete, whoever
    // makes it; a record deleted here keeps its row until the server has let go of it too.
    // The appointments a recurring series gives are listed apart, each with its series.
    R"sql(
CREATE TABLE SyncCollections (
    book       TEXT PRIMARY KEY,
    url        TEXT NOT NULL,
    token      TEXT,
    lastSync   TEXT,
    expandedOn TEXT
) WITHOUT ROWID;
CREATE TABLE SyncItems (
    id           INTEGER PRIMARY KEY,
    book         TEXT NOT NULL,
    href         TEXT,
    uid          TEXT NOT NULL,
    etag         TEXT,
    localKey     INTEGER,
    dirty        INTEGER NOT NULL DEFAULT 0,
    kind         INTEGER NOT NULL DEFAULT 0,
    localValues  TEXT,
    serverValues TEXT,
    object       TEXT
);
CREATE UNIQUE INDEX SyncItems_record ON SyncItems (book, localKey) WHERE localKey IS NOT NULL;
CREATE INDEX SyncItems_href ON SyncItems (book, href);
CREATE INDEX SyncItems_uid ON SyncItems (book, uid);
CREATE INDEX SyncItems_dirty ON SyncItems (book) WHERE dirty = 1;
CREATE TABLE SyncOccurrences (
    localKey INTEGER PRIMARY KEY,
    item     INTEGER NOT NULL,
    startsAt TEXT NOT NULL
);
CREATE INDEX SyncOccurrences_item ON SyncOccurrences (item);
CREATE TRIGGER Phone_sync_update AFTER UPDATE ON Phone BEGIN
    UPDATE SyncItems SET dirty = 1 WHERE book = 'Phone' AND localKey = OLD.rowid;
END;
CREATE TRIGGER Phone_sync_delete AFTER DELETE ON Phone BEGIN
    UPDATE SyncItems SET localKey = NULL, dirty = 1 WHERE book = 'Phone' AND localKey = OLD.rowid;
END;
CREATE TRIGGER Note_sync_update AFTER UPDATE ON Note BEGIN
    UPDATE SyncItems SET dirty = 1 WHERE book = 'Note' AND localKey = OLD.rowid;
END;
CREATE TRIGGER Note_sync_delete AFTER DELETE ON Note BEGIN
    UPDATE SyncItems SET localKey = NULL, dirty = 1 WHERE book = 'Note' AND localKey = OLD.rowid;
    DELETE FROM SyncOccurrences WHERE localKey = OLD.rowid;
END;
)sql",
    // 11: the sync's items by what they are, so that the recurring series and the records
    // kept here are found without reading every item's stored version.
    R"sql(
CREATE INDEX SyncItems_kind ON SyncItems (book, kind);
)sql",
};
static_assert(std::size(steps) == currentVersion + 1);

std::function<bool(qint64, qint64)> &progressHandler()
{
    static std::function<bool(qint64, qint64)> handler;
    return handler;
}

int versionOf(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next() ? query.value(0).toInt() : -1;
}

int versionOf(sqlite3 *handle)
{
    sqlite3_stmt *statement = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(handle, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

bool run(sqlite3 *handle, const char *sql)
{
    return sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

const char *stepSql(int step)
{
    return step > 0 && step <= currentVersion ? steps[step] : nullptr;
}

void setProgressHandler(std::function<bool(qint64, qint64)> handler)
{
    progressHandler() = std::move(handler);
}

int bringUpToDate(const QSqlDatabase &db)
{
    sqlite3 *handle = Database::handle(db);
    return handle ? bringUpToDate(handle) : versionOf(db);
}

int bringUpToDate(sqlite3 *handle)
{
    return bringUpToDate(handle, progressHandler());
}

int bringUpToDate(sqlite3 *handle, const std::function<bool(qint64, qint64)> &progress)
{
    const int version = handle ? versionOf(handle) : -1;
    if (version < 0 || version >= currentVersion)
        return version;
    if (!run(handle, "BEGIN IMMEDIATE"))
        return version;
    // Version 1 is the first layout: files of version 0 are books made before Dalil kept one.
    for (int step = qMax(version, 1) + 1; step <= currentVersion; ++step) {
        const QByteArray bump = "PRAGMA user_version = " + QByteArray::number(step);
        const bool done = step == 4   ? Options::create(handle) && SearchKeys::create(handle, progress)
                          : step == 5 ? ChequeLayouts::create(handle)
                          : step == 6 ? DeletedRecords::create(handle)
                          : step == 9 ? RecordUids::create(handle)
                                      : run(handle, steps[step]);
        if (!done || !run(handle, bump.constData())) {
            run(handle, "ROLLBACK");
            return version;
        }
    }
    if (!run(handle, "COMMIT")) {
        run(handle, "ROLLBACK");
        return version;
    }
    return currentVersion;
}

} // namespace dalil::Upgrade
