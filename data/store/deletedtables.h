// The tables that keep deleted records (DeletedPhone, DeletedNote, DeletedCheque) and the
// triggers that fill them: made when a file is brought up to date, and the records past
// keeping let go when the program first opens the file. Reading and restoring them is
// deletedrecords.h's.
#pragma once

#include "connection.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

struct sqlite3;

namespace dalil::DeletedRecords {

// The books whose deletes are kept, by table name.
const QStringList &books();
// "DeletedPhone" for "Phone".
QString tableFor(const QString &book);

// Dalil's tables and the triggers that fill them, for the books the file has; a step of
// bringing a file up to date.
bool create(sqlite3 *handle);
// Whether the file keeps the book's deleted records.
bool keeps(const QSqlDatabase &db, const QString &book);
// Forgets the records deleted before the time; run when the program first opens the file.
DataError dropDeletedBefore(const QSqlDatabase &db, const QDateTime &when);
constexpr int keptDays = 90;

} // namespace dalil::DeletedRecords
