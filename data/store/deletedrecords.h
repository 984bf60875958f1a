// Deleted records are kept: every delete from a book, whoever makes it, leaves the record in a
// table of Dalil's own (DeletedPhone, DeletedNote, DeletedCheque), in the same transaction, by
// a trigger in the file. A slip is undone by putting the record back; records deleted more
// than 90 days ago are let go when the program first opens the file.
#pragma once

#include "deletedtables.h"
#include "recordwrites.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace dalil::DeletedRecords {

struct Entry
{
    QString book;          // the book's table: Phone, Note or Cheque
    qint64 id = 0;         // in the book's table of deleted records
    QDateTime deletedAt;   // UTC
    qint64 formerKey = 0;  // the identity (rowid) the record had
    Records::Values values; // every column as it was stored
};

// Whether the file keeps deleted records (an older file that could not be brought up to date does not).
bool kept(const QString &databasePath);

// The deleted records of every book, the most recently deleted first (and of one moment, the
// last kept first): up to limit of them after the one given (the last of the page before), or
// from the first. A page is read through the books' indexes of the time of the delete, so
// that it comes as fast with a hundred thousand records as with ten.
QList<Entry> page(const QString &databasePath, const std::optional<Entry> &after, int limit, DataError *error);
// The record deleted last from a book.
std::optional<Entry> newest(const QString &databasePath, const QString &book, DataError *error);

// Puts the record back into its book, under its former identity where that is free, and
// takes it from the deleted ones, in one transaction. The result's key is its identity now.
Records::WriteResult restore(const QString &databasePath, const Entry &entry);
// Forgets every deleted record.
DataError empty(const QString &databasePath);
} // namespace dalil::DeletedRecords
