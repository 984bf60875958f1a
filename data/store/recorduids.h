// A lasting identity (UID) for every record of the phone book (Phone) and the appointment book
// (Note), the one their cards and events carry out of the program and back: the same from one
// export to the next, and the key a server keeps a record under.
//
// A record's identity inside the file is SQLite's rowid; its UID is kept beside it in a table
// of Dalil's own, RecordUids, by triggers in the file, so that records written by another
// program have one too:
//  - a record added (by Dalil, an import or another program) is given a new UID,
//    "urn:uuid:" and a random (version 4) UUID in lower case;
//  - a deleted record's UID goes with it among the deleted records (RecordUids.book is then
//    DeletedPhone or DeletedNote and recordKey the deletedId), and comes back with it when it
//    is restored (Ctrl+Z, the deleted records window), under whatever identity it is given;
//  - a deleted record let go (after 90 days, or the deleted records emptied) lets its UID go;
//  - an imported card or event keeps the UID it came with (adopt), unless a record of the
//    file holds that UID already.
// A change to a record keeps its UID. The table is added by bringing the file up to layout 9,
// which gives every record and every deleted record of the two books its UID. A file that
// could not be brought up to date has no UIDs: every lookup then finds none.
#pragma once

#include <QSqlDatabase>
#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;

namespace dalil::RecordUids {

// The books whose records have UIDs, by table name.
const QStringList &books();

// The table and its triggers, and a UID for every record and deleted record there is; a step
// of bringing a file up to date (Upgrade).
bool create(sqlite3 *handle);

// Whether the file keeps UIDs.
bool kept(const QSqlDatabase &db);

// Lookups both ways, in a book ("Phone" or "Note"), for many records in a row: the statements
// are prepared once. A record of the book that is not there (or was deleted) has no UID, and a
// UID no record of the book has gives no identity.
class Lookup
{
public:
    Lookup(const QSqlDatabase &db, const QString &book);
    std::optional<QString> uidOf(qint64 key);
    std::optional<qint64> keyOf(const QString &uid);
    // The UIDs of many records at once (a page of an export), by identity.
    QHash<qint64, QString> uidsOf(const QList<qint64> &keys);
    // adopt() below, for many records in a row.
    bool adopt(qint64 key, const QString &uid);

private:
    QSqlDatabase m_db;
    QString m_book;
    bool m_kept = false;
    QSqlQuery m_byKey;
    QSqlQuery m_byUid;
    QSqlQuery m_adopt; // prepared at its first use
};

// The same for one record.
std::optional<QString> uidOf(const QSqlDatabase &db, const QString &book, qint64 key);
std::optional<qint64> keyOf(const QSqlDatabase &db, const QString &book, const QString &uid);

// Gives the record the UID it was imported with, in place of the one it was given. False, with
// the record's UID as it was, when the UID is empty or another record holds it; also false on
// a file without UIDs. Inside the import's transaction.
bool adopt(const QSqlDatabase &db, const QString &book, qint64 key, const QString &uid);

// A deleted record put back under an identity: its UID goes with it. Inside the restore's
// transaction, before the record leaves the deleted ones. True on a file without UIDs.
bool restored(const QSqlDatabase &db, const QString &book, qint64 deletedId, qint64 key);

} // namespace dalil::RecordUids
