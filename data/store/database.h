// Opening a book's file for use: the bare connection (connection.h), with what the file needs
// before the program reads it: its functions, its layout brought up to date, the missing
// search keys made and the deleted records past keeping let go.
#pragma once

#include "connection.h"

#include <QSqlDatabase>
#include <QString>

namespace dalil::Database {

// The shared connection to the file at path, opened on first use and made ready as above.
// Never creates the file. Returns an invalid database and sets *error when the file cannot be
// used (see open() for a file another program replaced).
QSqlDatabase connection(const QString &path, DataError *error);

// Whether searches in the file match the spellings of a word alike (its search keys are in
// place); a file Dalil could not bring up to date (read-only, locked) is searched exactly.
bool hasSearchKeys(const QString &path);

} // namespace dalil::Database
