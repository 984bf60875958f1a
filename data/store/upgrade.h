// What Dalil keeps in DB1.mdb beyond the books grows with the program: a file of an earlier
// layout gains it on open.
#pragma once

#include <QSqlDatabase>

#include <functional>

struct sqlite3;

namespace dalil::Upgrade {

// The layout version this program writes into PRAGMA user_version.
constexpr int currentVersion = 11;

// Brings the file to the current layout: additively, in one transaction, recorded in
// PRAGMA user_version; the books' tables, columns and rows are never changed. A file that
// cannot be written (read-only, locked) is left as it is and works as before.
// Returns the layout version the file has afterwards.
// An upgrade that keys a big book takes a while: the handler hears (rows done, rows in all)
// as it goes, and stops it by returning false (the file is then left as it was).
int bringUpToDate(const QSqlDatabase &db);
// The same on a connection of the engine's own, with SearchKeys::registerFunctions() done;
// the progress of keying the books goes to `progress` rather than to the program's handler.
int bringUpToDate(sqlite3 *handle);
int bringUpToDate(sqlite3 *handle, const std::function<bool(qint64, qint64)> &progress);
void setProgressHandler(std::function<bool(qint64, qint64)> handler);

// The statements of a step written as plain SQL (2 and 3: the amount triggers and the change
// numbers), which bring a file of the version before to this one; null for a step the program
// computes. A new file is made at layout 1 (schema.sql) and gains every later step on open.
const char *stepSql(int step);

} // namespace dalil::Upgrade
