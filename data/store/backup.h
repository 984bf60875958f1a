// Copies of the whole file: a backup the user keeps, and a restore that puts one back. Both
// go through the engine's online backup, so that a copy is consistent while the program and
// other programs go on writing, and a restore is one transaction on DB1.mdb: a kill at any
// moment leaves the file either as it was or fully restored.
#pragma once

#include "database.h"

#include <QDate>
#include <QString>

#include <functional>

namespace dalil::Backup {

// What a file holds, to tell that a copy is sound and whole.
struct Census
{
    bool opened = false; // a database the engine reads
    bool isBook = false; // with the three books of a Dalil file
    bool sound = false;  // PRAGMA integrity_check says ok
    QString problem;     // the engine's words when it is not
    qint64 phones = 0;
    qint64 notes = 0;
    qint64 cheques = 0;
    qint64 dinars = 0; // the sums of the cheque book
    qint64 fils = 0;

    bool sameBooks(const Census &other) const
    {
        return phones == other.phones && notes == other.notes && cheques == other.cheques && dinars == other.dinars
               && fils == other.fils;
    }
};
// How thoroughly a file is checked: not at all (its counts only); the engine's quick check of
// every page and record (what a fresh page-for-page copy can get wrong); or its full
// integrity check, indexes against tables (a file from elsewhere, before it is restored).
enum class Check { None, Quick, Full };
Census census(const QString &path, Check check = Check::Full);

// Pages copied so far and in all; false stops the copy (nothing is left of it).
using Progress = std::function<bool(qint64 done, qint64 total)>;

enum class Outcome { Done, Stopped, Failed };
struct Result
{
    Outcome outcome = Outcome::Failed;
    DataError error; // why it failed: the cause, the file concerned, the engine's or the checks' words
    Census census;   // the copy written or restored
};

// Writes a copy of the file at target: into a file beside it first (partName), checked (the
// engine's quick check, the books' counts and the cheque sums equal the file's), then put in
// place in one step. A target that exists is replaced only by a sound copy. What an earlier
// copy into the same folder left when it was stopped is removed first.
Result write(const QString &databasePath, const QString &target, const Progress &progress = {});

// Puts the backup in the file's place: the backup is checked first (a file that is not a
// Dalil book, or is damaged, is refused and nothing changes; the engine's quick check here,
// the caller having asked for the full one before asking the user), the file as it is now is
// kept as keepAs (a checked copy), then the backup replaces the books in one transaction.
// Every connection of the program to the file is closed first.
Result restore(const QString &databasePath, const QString &backupPath, const QString &keepAs,
               const Progress &progress = {});

// The folder the last backup was written to ('backups.folder' in DalilOptions, or this run's
// for a file that cannot keep it); empty before the first. keepFolder remembers it.
QString lastFolder(const QString &databasePath);
void keepFolder(const QString &databasePath, const QString &folder);

// The file a copy is written into before it is checked and renamed: its name says what it is,
// so that one left by a copy the system stopped halfway is recognised (and removed by the
// next copy into that folder): "DB1-2026-12-07.mdb.نسخة-غير-مكتملة".
QString partName(const QString &target);

// "DB1-2026-12-07.mdb": the name a backup of that day is proposed under.
QString proposedName(QDate date);
// "DB1.mdb.before-restore-2026-12-07" beside the file, or with "-2", "-3"... when taken.
QString keepName(const QString &databasePath, QDate date);

} // namespace dalil::Backup
