// What Dalil keeps in DB1.mdb beyond the books grows with the program: a file of an earlier
// layout gains it on open.
#pragma once

#include <QSqlDatabase>

namespace dalil::Upgrade {

// The layout version this program writes into PRAGMA user_version.
constexpr int currentVersion = 3;

// Brings the file to the current layout: additively, in one transaction, recorded in
// PRAGMA user_version; the books' tables, columns and rows are never changed. A file that
// cannot be written (read-only, locked) is left as it is and works as before.
// Returns the layout version the file has afterwards.
int bringUpToDate(const QSqlDatabase &db);

} // namespace dalil::Upgrade
